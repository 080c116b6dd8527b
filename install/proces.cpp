#include "install/proces.h"

#include <windows.h>

#include "core/stan.h"

std::wstring FolderSystemowy() {
    wchar_t bufor[MAX_PATH];
    UINT n = GetSystemDirectoryW(bufor, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return L"";
    return std::wstring(bufor, n);
}

uint32_t UruchomProces(const std::wstring& polecenie, const std::wstring& folderRoboczy, const std::wstring& program) {
    SECURITY_ATTRIBUTES atrybuty = {sizeof atrybuty, nullptr, TRUE};
    HANDLE odczyt = nullptr, zapis = nullptr;
    if (!CreatePipe(&odczyt, &zapis, &atrybuty, 0)) return KodBrakPotoku;
    // Only the write end goes to the child: if it inherited the read end too,
    // the pipe would never report its end.
    SetHandleInformation(odczyt, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = zapis;
    si.hStdError = zapis;
    PROCESS_INFORMATION pi = {};
    std::wstring linia = polecenie;  // CreateProcessW may write into its buffer
    const BOOL ok = CreateProcessW(program.empty() ? nullptr : program.c_str(), linia.data(), nullptr, nullptr, TRUE,
                                   CREATE_NO_WINDOW, nullptr, folderRoboczy.empty() ? nullptr : folderRoboczy.c_str(),
                                   &si, &pi);
    // From here on only the child (and what it starts) holds a write end.
    CloseHandle(zapis);
    if (!ok) {
        CloseHandle(odczyt);
        return KodBrakStartu;
    }

    CiecieLinii ciecie;
    char bufor[4096];
    DWORD przeczytane = 0;
    while (ReadFile(odczyt, bufor, sizeof bufor, &przeczytane, nullptr) && przeczytane > 0)
        for (const std::string& l : DodajWyjscie(ciecie, bufor, przeczytane)) Loguj("  " + l);
    const std::string reszta = ResztaWyjscia(ciecie);
    if (!reszta.empty()) Loguj("  " + reszta);
    CloseHandle(odczyt);

    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD kod = 0;
    // A code we cannot read is no proof of success.
    if (!GetExitCodeProcess(pi.hProcess, &kod)) kod = KodNieodczytany;
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return kod;
}

uint32_t UruchomSkrypt(const std::wstring& skrypt, const std::wstring& argumenty) {
    return UruchomProces(PolecenieSkryptu(skrypt, argumenty), FolderNadrzedny(skrypt),
                         ProgramPowerShell(FolderSystemowy()));
}
