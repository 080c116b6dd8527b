#pragma once

#include <string>

// Lets the player pick the game folder with the system's folder dialog.
void WskazFolderGry();

// What happens with a picked path (everything after the dialog).
void PrzyjmijWskazanyFolder(const std::wstring& sciezka);

inline constexpr const char* BladFolderuBezGry =
    "W tym folderze nie ma gry (brak bin\\x64_dx12\\witcher3.exe) - wskaż folder The Witcher 3.";
