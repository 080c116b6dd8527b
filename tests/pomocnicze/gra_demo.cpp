// The demo's stand-in for The Witcher 3 (./run copies it as witcher3.exe): a
// small window that says what it is, so that a person who presses GRAJ sees
// what happened. It closes by itself after two minutes.
#include <windows.h>

namespace {

const wchar_t* const Tekst =
    L"To jest zastępstwo gry z dema launchera Morvane.\n\n"
    L"Na komputerze gracza w tym miejscu uruchomiłby się Wiedźmin 3 (witcher3.exe).\n"
    L"Launcher widzi ten proces jako działającą grę i za chwilę sam się zamknie.\n\n"
    L"Okno zamknie się po dwóch minutach.";

LRESULT CALLBACK Procedura(HWND okno, UINT komunikat, WPARAM w, LPARAM l) {
    switch (komunikat) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(okno, &ps);
        RECT r;
        GetClientRect(okno, &r);
        InflateRect(&r, -24, -24);
        SetBkMode(dc, TRANSPARENT);
        SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
        DrawTextW(dc, Tekst, -1, &r, DT_WORDBREAK);
        EndPaint(okno, &ps);
        return 0;
    }
    case WM_TIMER:
    case WM_CLOSE:
        DestroyWindow(okno);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(okno, komunikat, w, l);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instancja, HINSTANCE, PWSTR, int pokaz) {
    WNDCLASSW klasa = {};
    klasa.lpfnWndProc = Procedura;
    klasa.hInstance = instancja;
    klasa.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    klasa.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    klasa.lpszClassName = L"MorvaneGraDemo";
    RegisterClassW(&klasa);
    HWND okno = CreateWindowW(L"MorvaneGraDemo", L"Wiedźmin 3 (demo Morvane)", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                              CW_USEDEFAULT, 560, 240, nullptr, nullptr, instancja, nullptr);
    ShowWindow(okno, pokaz);
    SetTimer(okno, 1, 120000, nullptr);
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    return 0;
}
