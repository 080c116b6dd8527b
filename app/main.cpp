#include <windows.h>

#include "app/powloka.h"

int WINAPI wWinMain(HINSTANCE instancja, HINSTANCE, PWSTR, int) { return UruchomLauncher(instancja); }
