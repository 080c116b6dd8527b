// A stand-in process for the tests: sleeps the given number of milliseconds
// (default 60 s). Copied under other names, e.g. witcher3.exe.
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
    Sleep(argc > 1 ? (DWORD)atol(argv[1]) : 60000);
    return 0;
}
