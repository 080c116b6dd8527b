// Test stand-in for the system's tar.exe (Wine has none): takes exactly
// `"...\tar.exe" -xf "{zip}" -C "{folder}"`, unpacks for real with bsdtar,
// and exits with its status. MORVANE_TAR_KOD=N makes it print a line and
// exit with N without unpacking.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>

#include "linux.h"

int wmain() {
    const std::wstring linia = GetCommandLineW();
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(linia.c_str(), &argc);
    const bool ok = argv && argc == 5 && std::wstring(argv[1]) == L"-xf" && std::wstring(argv[3]) == L"-C";
    ZapiszWywolanie(L"tar", BiezacyFolder(), linia, ok ? argv[2] : L"", ok ? argv[4] : L"");
    wchar_t kod[32];
    if (GetEnvironmentVariableW(L"MORVANE_TAR_KOD", kod, 32)) {
        printf("tar.exe: Error opening archive (test)\r\n");
        return _wtoi(kod);
    }
    if (!ok) {
        printf("tar.exe (test): unexpected command line\r\n");
        return 64;
    }
    return RozpakujBsdtar(argv[2], argv[4]);
}
