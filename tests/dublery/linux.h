// What the test stand-ins for tar.exe and powershell.exe share: Windows
// lacks nothing here, Wine lacks both programs, so the stand-ins hand the
// real unpacking to Debian's bsdtar (the same program as Windows' tar.exe).
#pragma once

#include <string>

// A Windows path as Linux sees it, or empty.
std::string SciezkaLinux(const std::wstring& sciezka);

// Runs `bsdtar -xf zip -C cel` on the Linux side, writes what it printed to
// this program's standard output, and returns its exit status. Wine neither
// waits for a Linux child nor reports its status, so the child writes its
// status into a file that this function waits for.
int RozpakujBsdtar(const std::wstring& zip, const std::wstring& cel);

// Appends one line (fields joined by tabs, UTF-8) to the file named by
// MORVANE_ZAPIS_POLECEN, when that is set: the tests read back what each
// stand-in was asked to do, and where.
void ZapiszWywolanie(const std::wstring& kto, const std::wstring& folder, const std::wstring& linia,
                     const std::wstring& dodatek1 = L"", const std::wstring& dodatek2 = L"");

std::string Utf8(const std::wstring& t);
std::wstring BiezacyFolder();
