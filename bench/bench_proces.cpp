// Benchmark (not a test): a child writes 1,000,000 lines; UruchomProces puts
// every one into the journal. Reports the runner's time against the same
// child writing to NUL, the peak memory growth, and checks that the journal
// stayed bounded and ends with the last lines in order.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>

#include "core/stan.h"
#include "install/proces.h"

static SIZE_T Szczyt() {
    PROCESS_MEMORY_COUNTERS_EX p = {};
    p.cb = sizeof p;
    GetProcessMemoryInfo(GetCurrentProcess(), (PROCESS_MEMORY_COUNTERS*)&p, sizeof p);
    return p.PeakWorkingSetSize;
}

static double Teraz() {
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) / double(f.QuadPart);
}

// The same child with its output thrown away: the cost of the child alone.
static double DoNul(const std::wstring& linia) {
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &sa, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW si = {sizeof si};
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = nul;
    PROCESS_INFORMATION pi;
    std::wstring kopia = linia;
    const double a = Teraz();
    if (!CreateProcessW(nullptr, kopia.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
        return -1;
    WaitForSingleObject(pi.hProcess, INFINITE);
    const double s = Teraz() - a;
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    CloseHandle(nul);
    return s;
}

int main(int argc, char** argv) {
    const long n = argc > 1 ? atol(argv[1]) : 1000000;
    wchar_t sciezka[MAX_PATH];
    GetModuleFileNameW(nullptr, sciezka, MAX_PATH);
    std::wstring folder = sciezka;
    folder.resize(folder.find_last_of(L'\\'));
    const std::wstring linia = L"\"" + folder + L"\\linie.exe\" " + std::to_wstring(n);

    const double nul = DoNul(linia);
    const SIZE_T przed = Szczyt();
    const double a = Teraz();
    const uint32_t kod = UruchomProces(linia, L"");
    const double s = Teraz() - a;

    Dziennik d;
    {
        std::lock_guard<std::mutex> l(Stan.blokada);
        d = Stan.dziennik;
    }
    bool wKolejnosci = !d.empty();
    for (size_t i = 0; i < d.size(); ++i)
        wKolejnosci = wKolejnosci && d[i] == "  linia " + std::to_string(n - (long)d.size() + (long)i);
    printf("linie=%ld kod=%u sekundy=%.3f do_nul_sekundy=%.3f stosunek=%.2f dziennik=%zu w_kolejnosci=%d "
           "wzrost_szczytu_mib=%.1f\n",
           n, kod, s, nul, nul > 0 ? s / nul : 0.0, d.size(), (int)wKolejnosci, (Szczyt() - przed) / 1048576.0);
    return kod == 0 && wKolejnosci && d.size() <= LimitDziennika ? 0 : 1;
}
