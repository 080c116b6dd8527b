// A "launcher" that puts up a window titled as the launcher's and ends with
// an error a moment later, never telling the launcher that started it that
// it stands: a new launcher that dies right after its window shows.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instancja, HINSTANCE, PWSTR, int) {
    WNDCLASSW klasa = {};
    klasa.lpfnWndProc = DefWindowProcW;
    klasa.hInstance = instancja;
    klasa.lpszClassName = L"MorvaneZepsuty";
    RegisterClassW(&klasa);
    HWND okno = CreateWindowExW(0, L"MorvaneZepsuty", L"Morvane", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400,
                                300, nullptr, nullptr, instancja, nullptr);
    for (const ULONGLONG koniec = GetTickCount64() + 1500; GetTickCount64() < koniec;) {
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
        Sleep(20);
    }
    DestroyWindow(okno);
    return 3;
}
