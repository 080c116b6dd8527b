#include "linux.h"

#include <windows.h>

#include <cstdio>
#include <string>

std::string Utf8(const std::wstring& t) {
    if (t.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, t.data(), (int)t.size(), nullptr, 0, nullptr, nullptr);
    std::string w(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, t.data(), (int)t.size(), w.data(), n, nullptr, nullptr);
    return w;
}

std::wstring BiezacyFolder() {
    wchar_t b[1024];
    DWORD n = GetCurrentDirectoryW(1024, b);
    return std::wstring(b, n);
}

std::string SciezkaLinux(const std::wstring& sciezka) {
    using Fn = char*(__cdecl*)(const wchar_t*);
    auto fn = (Fn)(void*)GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name");
    if (!fn) return {};
    char* w = fn(sciezka.c_str());
    if (!w) return {};
    std::string wynik = w;
    HeapFree(GetProcessHeap(), 0, w);
    return wynik;
}

namespace {

std::string Cytat(const std::string& s) {  // for /bin/sh
    std::string w = "'";
    for (char z : s) w += z == '\'' ? std::string("'\\''") : std::string(1, z);
    return w + "'";
}

bool CzytajPlik(const std::wstring& sciezka, std::string& tresc) {
    FILE* f = _wfopen(sciezka.c_str(), L"rb");
    if (!f) return false;
    tresc.clear();
    char b[4096];
    size_t n;
    while ((n = fread(b, 1, sizeof b, f)) > 0) tresc.append(b, n);
    fclose(f);
    return true;
}

}  // namespace

int RozpakujBsdtar(const std::wstring& zip, const std::wstring& cel) {
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    const std::wstring baza = std::wstring(tmp) + L"dubler-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(GetTickCount64());
    const std::wstring skrypt = baza + L".sh", wyjscie = baza + L".out", status = baza + L".status";
    const std::string zipL = SciezkaLinux(zip), celL = SciezkaLinux(cel);
    if (zipL.empty() || celL.empty()) return 97;
    // The status file appears whole (written, then renamed) once bsdtar ends.
    const std::string tresc = "bsdtar -xf " + Cytat(zipL) + " -C " + Cytat(celL) + " > " +
                              Cytat(SciezkaLinux(wyjscie)) + " 2>&1; echo $? > " + Cytat(SciezkaLinux(status) + ".t") +
                              "; mv " + Cytat(SciezkaLinux(status) + ".t") + " " + Cytat(SciezkaLinux(status)) + "\n";
    FILE* f = _wfopen(skrypt.c_str(), L"wb");
    if (!f) return 96;
    fwrite(tresc.data(), 1, tresc.size(), f);
    fclose(f);

    // A Linux program gets its arguments as written: give sh the Linux path.
    const std::string shL = SciezkaLinux(skrypt);
    int n = MultiByteToWideChar(CP_UTF8, 0, shL.c_str(), -1, nullptr, 0);
    std::wstring argument(n > 0 ? n - 1 : 0, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, shL.c_str(), -1, argument.data(), n);
    std::wstring linia = L"Z:\\bin\\sh \"" + argument + L"\"";
    STARTUPINFOW si = {sizeof si};
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, linia.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 95;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);

    std::string kod;
    for (int i = 0; i < 1200 && !CzytajPlik(status, kod); ++i) Sleep(50);
    std::string wypisane;
    if (CzytajPlik(wyjscie, wypisane) && !wypisane.empty()) {
        DWORD w;
        WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), wypisane.data(), (DWORD)wypisane.size(), &w, nullptr);
    }
    DeleteFileW(skrypt.c_str());
    DeleteFileW(wyjscie.c_str());
    DeleteFileW(status.c_str());
    return kod.empty() ? 94 : atoi(kod.c_str());
}

void ZapiszWywolanie(const std::wstring& kto, const std::wstring& folder, const std::wstring& linia,
                     const std::wstring& dodatek1, const std::wstring& dodatek2) {
    wchar_t plik[2048];
    DWORD n = GetEnvironmentVariableW(L"MORVANE_ZAPIS_POLECEN", plik, 2048);
    if (n == 0 || n >= 2048) return;
    const std::string wiersz = Utf8(kto) + "\t" + Utf8(folder) + "\t" + Utf8(linia) + "\t" + Utf8(dodatek1) + "\t" +
                               Utf8(dodatek2) + "\n";
    FILE* f = _wfopen(plik, L"ab");
    if (!f) return;
    fwrite(wiersz.data(), 1, wiersz.size(), f);
    fclose(f);
}
