// Command lines of the installation subsystem and the cutting of a child's
// output into journal lines. Pure: no Windows headers, so this also builds
// natively for fuzzing and sanitizers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Codes of the process runner's own, next to a child's exit code.
inline constexpr uint32_t KodBrakPotoku = 9999;       // the output pipe could not be made
inline constexpr uint32_t KodBrakStartu = 9998;       // the child could not be started
inline constexpr uint32_t KodNieodczytany = 9997;     // the child's exit code could not be read

// A copy for a PowerShell single-quoted string: every quote character that
// PowerShell takes as ending such a string is doubled. That is the ASCII
// apostrophe and the typographic ones U+2018 to U+201B; a folder named with
// one of those would otherwise end the string early and let the rest of the
// name run as PowerShell code.
std::wstring PodwojApostrofy(const std::wstring& tekst);

// powershell.exe ... -Command "...; & '{skrypt}' {argumenty}"
std::wstring PolecenieSkryptu(const std::wstring& skrypt, const std::wstring& argumenty);

// The folder a script runs in: its path without the last component and the
// separators before it; a path that is only a root stays whole.
std::wstring FolderNadrzedny(const std::wstring& sciezka);

// -Gra '{gra}' -Launcher '{launcher}', both quoted for PowerShell.
std::wstring ArgumentyInstalacji(const std::wstring& gra, const std::wstring& launcher);

// "{system}\tar.exe" -xf "{paczka}" -C "{cel}"
std::wstring PolecenieTar(const std::wstring& folderSystemowy, const std::wstring& paczka, const std::wstring& cel);

// powershell.exe ... Expand-Archive -LiteralPath '{paczka}' -DestinationPath '{cel}' -Force
std::wstring PolecenieExpandArchive(const std::wstring& paczka, const std::wstring& cel);

// The full paths of the system's own programs (empty without a system
// folder: the command line's own name is then all there is). A bare name
// would be searched for in the launcher's folder and the current folder
// first, so a powershell.exe or cmd.exe planted next to a downloaded launcher
// would run.
std::wstring ProgramPowerShell(const std::wstring& folderSystemowy);
std::wstring ProgramCmd(const std::wstring& folderSystemowy);

// Whether a program file's first bytes are those of a program that Wine
// provides itself (its PE files say "Wine builtin DLL" near the start).
bool ToProgramWbudowanyWine(const std::string& poczatekPliku);

// Whether cmd.exe would take the folder's path as it stands. cmd expands
// %NAME% even between double quotes, so a path with a % could be rewritten
// into another folder before rmdir /s /q sees it; with delayed expansion
// switched on in the player's cmd settings, !NAME! is expanded the same way.
bool FolderBezpiecznyDlaCmd(const std::wstring& folder);

// The detached command that removes the data folder once the launcher has
// closed: it waits past the planned closing, then tries again twice (a
// launcher run from its copy in the data folder holds that file until its
// process has ended, and the folder is only gone once that file can go).
std::wstring PolecenieUsunieciaFolderu(const std::wstring& folder);

// "Pobieram paczkę moda... %.0f z %.0f MB" for bytes done and total.
std::string TekstPostepuPaczki(uint64_t odebrane, uint64_t calosc);

// Cuts a child's output into lines at LF bytes only; bytes are never decoded,
// so a UTF-8 character split across two reads stays whole.
struct CiecieLinii {
    std::string reszta;  // read, not yet ended by a LF
};

// Appends bytes; returns the complete lines, each without its LF and with
// every trailing CR and space stripped; lines left empty are dropped.
std::vector<std::string> DodajWyjscie(CiecieLinii& c, const char* bajty, size_t ile);

// What is left after the child has ended, as it stands (empty: nothing).
std::string ResztaWyjscia(CiecieLinii& c);
