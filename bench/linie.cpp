// The benchmark's child: writes N numbered lines ("linia 0" ... ) with CR LF
// to standard output in 4 KiB writes, like a chatty install script.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    const long n = argc > 1 ? atol(argv[1]) : 1000000;
    HANDLE wyjscie = GetStdHandle(STD_OUTPUT_HANDLE);
    std::string bufor;
    char linia[32];
    DWORD w;
    for (long i = 0; i < n; ++i) {
        bufor.append(linia, (size_t)snprintf(linia, sizeof linia, "linia %ld\r\n", i));
        if (bufor.size() >= 4096) {
            WriteFile(wyjscie, bufor.data(), (DWORD)bufor.size(), &w, nullptr);
            bufor.clear();
        }
    }
    WriteFile(wyjscie, bufor.data(), (DWORD)bufor.size(), &w, nullptr);
    return 0;
}
