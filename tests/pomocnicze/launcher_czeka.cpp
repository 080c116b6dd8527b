// A "launcher" that runs a while and does nothing: a program image that is
// running, for the tests where the running launcher is the data folder's
// copy (tests/CMakeLists.txt gives it the launcher's own version).
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    Sleep(60000);
    return 0;
}
