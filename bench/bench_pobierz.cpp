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
#include "net/pobierz.h"
#include "net/zaufanie.h"

static SIZE_T Szczyt() {
    PROCESS_MEMORY_COUNTERS_EX p = {};
    p.cb = sizeof p;
    GetProcessMemoryInfo(GetCurrentProcess(), (PROCESS_MEMORY_COUNTERS*)&p, sizeof p);
    return p.PeakWorkingSetSize;
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
