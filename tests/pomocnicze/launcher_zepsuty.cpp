// A launcher that can't start: it ends with an error at once, whatever
// version its resource names (tests/CMakeLists.txt builds it twice).
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return 3; }
