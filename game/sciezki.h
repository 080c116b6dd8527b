// Path forms and command lines of the game subsystem. Pure.
#pragma once

#include <string>
#include <vector>

// No trailing backslash or slash, every slash a backslash; nothing else.
std::wstring PostacKanoniczna(std::wstring sciezka);

// Library folders named by the "path" lines of Steam's libraryfolders.vdf,
// in file order, each line read as Steam wrote it (UTF-8, LF cut off).
std::vector<std::string> BibliotekiZVdf(const std::vector<std::string>& linie);

// Undoes Steam's doubled backslashes; a lone backslash stays.
std::string BezPodwojnychUkosnikow(const std::string& wartosc);

// Direct start of a GOG or other copy.
std::wstring FolderRoboczyGry(const std::wstring& folderGry);
std::wstring PolecenieGry(const std::wstring& folderGry);

inline constexpr const wchar_t* AdresSteam = L"steam://rungameid/292030";
// The launch marker's content: 23 bytes, line end CR LF.
std::string TrescZnacznikaStartu();
