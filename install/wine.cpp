#include "install/wine.h"

#include <windows.h>

#include "core/tekst.h"
#include "install/polecenia.h"
#include "install/proces.h"

bool DzialaPodWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool JestPrawdziwyPowerShell() {
    if (!DzialaPodWine()) return true;
    std::string poczatek;
    if (!CzytajCalyPlik(ProgramPowerShell(FolderSystemowy()), poczatek, 4096)) return false;
    return !ToProgramWbudowanyWine(poczatek);
}
