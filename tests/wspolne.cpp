#include "wspolne.h"

#include <filesystem>
#include <fstream>
#include <random>

#include <algorithm>
#include <vector>

#include "core/tekst.h"
#include "install/proces.h"

TymczasowyFolder::TymczasowyFolder() {
    wchar_t tmp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, tmp);
    std::random_device rd;
    sciezka = std::wstring(tmp) + L"morvane-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
              std::to_wstring(rd());
    std::filesystem::create_directories(sciezka);
}

TymczasowyFolder::~TymczasowyFolder() { UsunDrzewo(sciezka); }

void UsunDrzewo(const std::wstring& sciezka) {
    std::error_code ec;
    std::filesystem::remove_all(sciezka, ec);
}

void ZapiszPlik(const std::wstring& sciezka, const std::string& bajty) {
    std::filesystem::create_directories(std::filesystem::path(sciezka).parent_path());
    std::ofstream f(std::filesystem::path(sciezka), std::ios::binary | std::ios::trunc);
    f.write(bajty.data(), (std::streamsize)bajty.size());
}

std::string CzytajPlik(const std::wstring& sciezka) {
    std::ifstream f(std::filesystem::path(sciezka), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

void WyczyscStan() {
    std::lock_guard<std::mutex> l(Stan.blokada);
    Stan.dziennik.clear();
    Stan.status.clear();
    Stan.blad.clear();
    Stan.wersjaZainstalowana.clear();
    Stan.skryptUsuwania = false;
    Stan.wersjaNaSerwerze.clear();
    Stan.gry.clear();
    Stan.wybranaGra = -1;
    Stan.serwerSwiata = -1;
    Stan.serwer = Serwer{};
    Stan.postep = -1.0f;
    Stan.zajety = false;
    Stan.graDziala = false;
    Stan.terminZamkniecia = 0;
    Stan.zmianaModu = false;
    Stan.zamykanie = false;
}

Dziennik KopiaDziennika() {
    std::lock_guard<std::mutex> l(Stan.blokada);
    return Stan.dziennik;
}

std::wstring ProgramTestu() {
    wchar_t sciezka[MAX_PATH];
    GetModuleFileNameW(nullptr, sciezka, MAX_PATH);
    return sciezka;
}

std::wstring FolderTestu() {
    const std::wstring s = ProgramTestu();
    return s.substr(0, s.find_last_of(L'\\'));
}

std::pair<std::wstring, uint16_t> AdresTestowy(const char* zmienna) {
    const char* w = getenv(zmienna);
    if (!w) return {L"", 0};
    std::string s = w;
    size_t dwukropek = s.find(':');
    return {NaUtf16(s.substr(0, dwukropek)), (uint16_t)atoi(s.c_str() + dwukropek + 1)};
}

void UstawSerwer(const std::wstring& baza) {
    auto [host, port] = AdresTestowy();
    std::lock_guard<std::mutex> l(Stan.blokada);
    Stan.serwer = Serwer{false, host, baza, port};
}

bool CzekajNa(const std::function<bool()>& warunek, DWORD ms) {
    const ULONGLONG koniec = GetTickCount64() + ms;
    while (GetTickCount64() < koniec) {
        if (warunek()) return true;
        Sleep(20);
    }
    return warunek();
}

bool WstawDublery() {
    const std::wstring system = FolderSystemowy();
    std::error_code ec;
    std::filesystem::create_directories(system + L"\\WindowsPowerShell\\v1.0", ec);
    return CopyFileW((FolderTestu() + L"\\tar_dubler.exe").c_str(), (system + L"\\tar.exe").c_str(), FALSE) &&
           CopyFileW((FolderTestu() + L"\\powershell_dubler.exe").c_str(),
                     (system + L"\\WindowsPowerShell\\v1.0\\powershell.exe").c_str(), FALSE);
}

std::string ObrazDrzewa(const std::wstring& folder) {
    std::vector<std::string> linie;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        const std::wstring sciezka = it->path().wstring();
        std::string linia = NaUtf8(sciezka.substr(folder.size()));
        if (it->is_regular_file()) {
            const std::string tresc = CzytajPlik(sciezka);
            linia += " " + std::to_string(tresc.size()) + " " + std::to_string(std::hash<std::string>{}(tresc));
        }
        linie.push_back(linia);
    }
    std::sort(linie.begin(), linie.end());
    std::string obraz;
    for (const auto& l : linie) obraz += l + "\n";
    return obraz;
}

bool WFolderze(const std::wstring& plik) {
    WIN32_FIND_DATAW d;
    HANDLE h = FindFirstFileW(plik.c_str(), &d);
    if (h == INVALID_HANDLE_VALUE) return false;
    FindClose(h);
    return true;
}

std::wstring SciezkaLinuksowa(const std::wstring& sciezka) {
    using Fn = char*(CDECL*)(const wchar_t*);
    auto unixowa = (Fn)(void*)GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name");
    char* u = unixowa ? unixowa(sciezka.c_str()) : nullptr;
    if (!u) return L"";
    std::wstring w = NaUtf16(u);
    HeapFree(GetProcessHeap(), 0, u);
    return w;
}

bool PoLinuksowemu(const std::wstring& polecenie, const std::wstring& plik, const std::function<bool()>& gotowe) {
    const std::wstring u = SciezkaLinuksowa(plik);
    if (u.empty()) return false;
    std::wstring linia = polecenie + L"\"" + u + L"\"";
    STARTUPINFOW si = {sizeof si};
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, linia.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return CzekajNa(gotowe, 5000);
}
