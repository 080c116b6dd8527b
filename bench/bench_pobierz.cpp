// Benchmark (not a test): downloads the 175 MiB package from the test server
// with Pobierz into a file and reports the time and the peak memory growth;
// then the same download with the package's SHA-256 computed from the bytes
// as they are written, the way the install does it, and what that adds.
// tools/bench-pobierz runs it beside curl against the same server.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>

#include "core/stan.h"
#include "core/tekst.h"
#include "install/pobieranie_zmian.h"
#include "net/pobierz.h"
#include "net/wznowienie.h"
#include "net/zaufanie.h"

static SIZE_T Szczyt() {
    PROCESS_MEMORY_COUNTERS_EX p = {};
    p.cb = sizeof p;
    GetProcessMemoryInfo(GetCurrentProcess(), (PROCESS_MEMORY_COUNTERS*)&p, sizeof p);
    return p.PeakWorkingSetSize;
}

// The resumable download, as the install does it, of the 175 MiB from the
// test server's /wznow/ mode with the given plan: seconds and the body
// bytes the server sent (its own count).
static bool Wznawiany(const char* token, const char* plan, const std::wstring& plik, double& sekundy,
                      uint64_t& wyslane, const std::wstring& paczka = L"duzy") {
    {
        std::lock_guard<std::mutex> l(Stan.blokada);
        Stan.serwer.sciezka = L"/wznow/" + NaUtf16(token) + L"/" + paczka + L"/" + NaUtf16(plan) + L"/";
    }
    HANDLE f = CreateFileW(plik.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    CelWznawiany cel;
    cel.dopisz = [&](const char* b, size_t n) {
        DWORD z = 0;
        return WriteFile(f, b, (DWORD)n, &z, nullptr) && z == n;
    };
    cel.odNowa = [&] { return SetFilePointer(f, 0, nullptr, FILE_BEGIN) == 0 && SetEndOfFile(f); };
    std::string blad;
    LARGE_INTEGER czestotliwosc, a, b;
    QueryPerformanceFrequency(&czestotliwosc);
    QueryPerformanceCounter(&a);
    const bool ok = PobierzWznawiajac(L"Morvane-najnowsza.zip", cel, nullptr, blad, 0, nullptr);
    QueryPerformanceCounter(&b);
    CloseHandle(f);
    DeleteFileW(plik.c_str());
    sekundy = double(b.QuadPart - a.QuadPart) / double(czestotliwosc.QuadPart);
    {
        std::lock_guard<std::mutex> l(Stan.blokada);
        Stan.serwer.sciezka = L"/";
    }
    std::string licznik;
    Pobierz(L"_licznik/" + NaUtf16(token), &licznik, L"", nullptr, blad);
    const size_t p = licznik.find("\"bajty\": ");
    wyslane = p == std::string::npos ? 0 : std::stoull(licznik.substr(p + 9));
    return ok && (paczka != L"duzy" || cel.odebrane == 183500800);
}

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr, "bench_pobierz HOST PORT\n");
        return 2;
    }
    {
        std::lock_guard<std::mutex> l(Stan.blokada);
        Stan.serwer = Serwer{false, NaUtf16(argv[1]), L"/duzy/", (uint16_t)atoi(argv[2])};
    }
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    // A third argument "wznawianie" (and a fourth, a run's own name) times
    // the download with two cuts against one without.
    if (argc > 3 && std::string(argv[3]) == "wznawianie") {
        const std::string przebieg = argc > 4 ? argv[4] : "0";
        const std::wstring plik = std::wstring(tmp) + L"morvane-bench-wznawianie.zip";
        double czysty = 0, zerwany = 0;
        uint64_t wyslaneCzysty = 0, wyslaneZerwany = 0;
        const bool ok = Wznawiany(("c" + przebieg).c_str(), "o", plik, czysty, wyslaneCzysty) &&
                        Wznawiany(("z" + przebieg).c_str(), "x33+x66", plik, zerwany, wyslaneZerwany);
        printf("wznawianie_ok=%d sekundy_bez_zerwan=%.3f sekundy_z_dwoma_zerwaniami=%.3f przerwy_s=%.1f "
               "wyslane_bez_zerwan=%llu wyslane_z_zerwaniami=%llu\n",
               ok, czysty, zerwany, (PrzerwaPrzedPonowieniem(1) + PrzerwaPrzedPonowieniem(2)) / 1000.0,
               (unsigned long long)wyslaneCzysty, (unsigned long long)wyslaneZerwany);
        return ok ? 0 : 1;
    }
    // "zmiany <n> <seed>": the second release of tools/bench-pobierz's
    // package downloaded whole, then rebuilt from the first (the seed) and
    // its changed blocks: time, bytes the server sent, memory.
    if (argc > 5 && std::string(argv[3]) == "zmiany") {
        const std::string przebieg = argv[4];
        const std::wstring folder = std::wstring(tmp) + L"morvane-bench-zmiany";
        CreateDirectoryW(folder.c_str(), nullptr);
        const std::wstring plik = folder + L"\\paczka.zip", czesc = folder + L"\\calosc.zip";
        double calosc = 0;
        uint64_t wyslaneCalosc = 0, wyslaneZmiany = 0;
        bool ok = Wznawiany(("pc" + przebieg).c_str(), "o", czesc, calosc, wyslaneCalosc, L"bench2");
        DeleteFileW(czesc.c_str());
        ok = CopyFileW(NaUtf16(argv[5]).c_str(), SciezkaZiarna(folder).c_str(), FALSE) && ok;
        std::string cialo, blad, klucz;
        Ogloszenie o;
        {
            std::lock_guard<std::mutex> l(Stan.blokada);
            Stan.serwer.sciezka = L"/wznow/pz" + NaUtf16(przebieg) + L"/bench2/o/";
        }
        ok = Pobierz(L"wersja.txt", &cialo, L"", nullptr, blad) && OcenOgloszenie(cialo, o, klucz).empty() && ok;
        // As an install leaves it: the seed with the map its server published
        // (bench1.bloki beside bench1.zip); then the same without the map
        // (a seed installed from the player's own file), cut and hashed anew.
        std::wstring mapa = NaUtf16(argv[5]);
        mapa = mapa.substr(0, mapa.size() - 4) + L".bloki";
        ok = CopyFileW(mapa.c_str(), MapaObok(SciezkaZiarna(folder)).c_str(), FALSE) && ok;
        const SIZE_T przed = Szczyt();
        LARGE_INTEGER f, a, b;
        QueryPerformanceFrequency(&f);
        QueryPerformanceCounter(&a);
        ok = PobierzZmiany(plik, o, klucz, PobierzMapeSerwera(o)) == WynikZmian::Gotowe && ok;
        QueryPerformanceCounter(&b);
        const double zmiany = double(b.QuadPart - a.QuadPart) / double(f.QuadPart);
        const SIZE_T wzrost = Szczyt() - przed;
        DeleteFileW(plik.c_str());
        DeleteFileW(MapaObok(plik).c_str());
        DeleteFileW(MapaObok(SciezkaZiarna(folder)).c_str());
        {
            std::lock_guard<std::mutex> l(Stan.blokada);
            Stan.serwer.sciezka = L"/wznow/pm" + NaUtf16(przebieg) + L"/bench2/o/";
        }
        QueryPerformanceCounter(&a);
        ok = PobierzZmiany(plik, o, klucz, PobierzMapeSerwera(o)) == WynikZmian::Gotowe && ok;
        QueryPerformanceCounter(&b);
        const double bezMapy = double(b.QuadPart - a.QuadPart) / double(f.QuadPart);
        DeleteFileW(MapaObok(plik).c_str());
        {
            std::lock_guard<std::mutex> l(Stan.blokada);
            Stan.serwer.sciezka = L"/";
        }
        std::string t;
        Pobierz(L"_licznik/pz" + NaUtf16(przebieg), &t, L"", nullptr, blad);
        const size_t p = t.find("\"bajty\": ");
        if (p != std::string::npos) wyslaneZmiany = std::stoull(t.substr(p + 9));
        DeleteFileW(plik.c_str());
        DeleteFileW(SciezkaZiarna(folder).c_str());
        printf("zmiany_ok=%d sekundy_calosc=%.3f bajty_calosc=%llu sekundy_zmiany=%.3f bajty_zmiany=%llu "
               "wzrost_zmiany_mib=%.1f sekundy_zmiany_bez_mapy=%.3f\n",
               ok, calosc, (unsigned long long)wyslaneCalosc, zmiany, (unsigned long long)wyslaneZmiany,
               wzrost / 1048576.0, bezMapy);
        return ok ? 0 : 1;
    }
    // A third argument "bez-pliku" measures the transfer alone.
    const bool bezPliku = argc > 3 && std::string(argv[3]) == "bez-pliku";
    const std::wstring plik = bezPliku ? L"" : std::wstring(tmp) + L"morvane-bench.zip";
    const SIZE_T przed = Szczyt();
    LARGE_INTEGER f, a, b;
    QueryPerformanceFrequency(&f);
    auto sekundy = [&] { return double(b.QuadPart - a.QuadPart) / double(f.QuadPart); };
    uint64_t ile = 0;
    std::string blad;
    auto pobierz = [&] {
        return Pobierz(L"Morvane-najnowsza.zip", nullptr, plik, [&](uint64_t o, uint64_t) { ile = o; }, blad);
    };
    QueryPerformanceCounter(&a);
    bool ok = pobierz();
    QueryPerformanceCounter(&b);
    const double s = sekundy();
    const SIZE_T poPobraniu = Szczyt();
    double sZeSkrotem = 0;
    if (!bezPliku) {
        Skrot skrot;
        uint64_t rozmiar = 0;
        QueryPerformanceCounter(&a);
        {
            FILE* f = _wfopen(plik.c_str(), L"wb");
            SkrotWTle liczony;
            auto zapis = [&](const char* bajty, size_t n) {
                liczony.Dodaj(bajty, n);
                return fwrite(bajty, 1, n, f) == n;
            };
            ok = f && PobierzDo(L"Morvane-najnowsza.zip", zapis, [&](uint64_t o, uint64_t) { ile = o; }, blad) &&
                 fclose(f) == 0 && liczony.Zakoncz(skrot, rozmiar) && rozmiar == ile && ok;
        }
        QueryPerformanceCounter(&b);
        sZeSkrotem = sekundy();
        DeleteFileW(plik.c_str());
    }
    printf("pobierz_ok=%d bajty=%llu sekundy=%.3f szczyt_przed_mib=%.1f wzrost_szczytu_mib=%.1f "
           "sekundy_ze_skrotem=%.3f wzrost_przy_skrocie_mib=%.1f %s\n",
           ok, (unsigned long long)ile, s, przed / 1048576.0, (poPobraniu - przed) / 1048576.0, sZeSkrotem,
           (Szczyt() - poPobraniu) / 1048576.0, blad.c_str());
    return ok ? 0 : 1;
}
