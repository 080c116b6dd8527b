#include "core/tekst.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>

#include "core/linia.h"

std::string NaUtf8(const std::wstring& tekst) {
    if (tekst.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, tekst.data(), (int)tekst.size(), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string wynik((size_t)n, '\0');
    if (WideCharToMultiByte(CP_UTF8, 0, tekst.data(), (int)tekst.size(), wynik.data(), n, nullptr, nullptr) == 0)
        return {};
    return wynik;
}

std::wstring NaUtf16(const std::string& tekst) {
    if (tekst.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, tekst.data(), (int)tekst.size(), nullptr, 0);
    if (n <= 0) return {};
    std::wstring wynik((size_t)n, L'\0');
    if (MultiByteToWideChar(CP_UTF8, 0, tekst.data(), (int)tekst.size(), wynik.data(), n) == 0) return {};
    return wynik;
}

std::wstring FolderDanych() {
    PWSTR sciezka = nullptr;
    std::wstring wynik;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &sciezka)) && sciezka && *sciezka)
        wynik = std::wstring(sciezka) + L"\\Morvane";
    CoTaskMemFree(sciezka);
    return wynik;
}

bool JestFolderDanych(const std::wstring& dane) { return dane.size() > std::wstring(L"\\Morvane").size(); }

std::string CzytajWersjeZainstalowana(const std::wstring& dane) {
    return JestFolderDanych(dane) ? CzytajPierwszaLinie(dane + L"\\wersja.txt") : std::string();
}

std::wstring SkryptUsuwania(const std::wstring& dane) { return dane + L"\\paczka\\odinstaluj.ps1"; }

bool JestSkryptUsuwania(const std::wstring& dane) { return JestFolderDanych(dane) && PlikIstnieje(SkryptUsuwania(dane)); }

bool PlikIstnieje(const std::wstring& sciezka) {
    return GetFileAttributesW(sciezka.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool CzytajCalyPlik(const std::wstring& sciezka, std::string& bajty, size_t limit) {
    bajty.clear();
    // A folder opens with _wfopen on some runtimes and then fails to read;
    // either way it counts as unreadable.
    DWORD atrybuty = GetFileAttributesW(sciezka.c_str());
    if (atrybuty == INVALID_FILE_ATTRIBUTES || (atrybuty & FILE_ATTRIBUTE_DIRECTORY)) return false;
    FILE* plik = _wfopen(sciezka.c_str(), L"rb");
    if (!plik) return false;
    char bufor[65536];
    size_t n;
    while (bajty.size() < limit && (n = fread(bufor, 1, std::min(sizeof bufor, limit - bajty.size()), plik)) > 0)
        bajty.append(bufor, n);
    const bool ok = ferror(plik) == 0;
    fclose(plik);
    if (!ok) bajty.clear();
    return ok;
}

std::string CzytajPierwszaLinie(const std::wstring& sciezka) {
    std::string bajty;
    if (!CzytajCalyPlik(sciezka, bajty)) return {};
    if (RozpoznajKodowanie(bajty) == KodowaniePliku::Utf16LE) {
        std::u16string jednostki = JednostkiUtf16LE(bajty);
        bajty = NaUtf8(std::wstring(jednostki.begin(), jednostki.end()));
    }
    return PierwszaLiniaTekstu(bajty);
}

std::optional<std::wstring> ZmiennaSrodowiska(const wchar_t* nazwa) {
    std::wstring bufor(1024, L'\0');
    for (;;) {
        SetLastError(0);
        DWORD n = GetEnvironmentVariableW(nazwa, bufor.data(), (DWORD)bufor.size());
        if (n == 0) {
            if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
            return std::wstring();
        }
        if (n < bufor.size()) {
            bufor.resize(n);
            return bufor;
        }
        bufor.assign(n, L'\0');  // n is the size needed, terminator included
    }
}

bool ZapiszCalyPlik(const std::wstring& sciezka, const std::string& bajty) {
    HANDLE f = CreateFileW(sciezka.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD n = 0;
    const bool ok = WriteFile(f, bajty.data(), (DWORD)bajty.size(), &n, nullptr) && n == bajty.size();
    CloseHandle(f);
    if (!ok) DeleteFileW(sciezka.c_str());
    return ok;
}
