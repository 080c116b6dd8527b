// Child processes with their output in the journal, and PowerShell scripts.
#pragma once

#include <cstdint>
#include <string>

#include "install/polecenia.h"

// Starts the command line with no window, puts every line the child writes
// to standard output or error into the journal ("  " + line), waits for it
// and returns its exit code, or KodBrakPotoku / KodBrakStartu /
// KodNieodczytany. An empty working folder: the launcher's current folder.
// `program`, when given, is the full path of the program to start; the
// command line is passed unchanged.
uint32_t UruchomProces(const std::wstring& polecenie, const std::wstring& folderRoboczy,
                       const std::wstring& program = L"");

// Runs a .ps1 file through the system's Windows PowerShell with UTF-8 output,
// in the script's own folder.
uint32_t UruchomSkrypt(const std::wstring& skrypt, const std::wstring& argumenty);

// The system folder (C:\Windows\System32), or empty.
std::wstring FolderSystemowy();
