#include "app/powloka.h"

#include <d3d11.h>
#include <shellscalingapi.h>
#include <tlhelp32.h>

#ifndef WM_SYSTIMER
#define WM_SYSTIMER 0x0118  // undocumented; not in every SDK's headers
#endif

#include <atomic>
#include <thread>

#include "app/czcionki.h"
#include "app/okno.h"
#include "app/uklad.h"
#include "core/plik_dziennika.h"
#include "core/stan.h"
#include "core/tekst.h"
#include "imgui.h"
#include "imgui_impl_dx11.h"
#include "imgui_impl_win32.h"
#include "install/kopia_launchera.h"
#include "install/przejecie.h"
#include "install/sprawdzenie.h"

extern IMGUI_IMPL_API LRESULT ImGui_ImplWin32_WndProcHandler(HWND, UINT, WPARAM, LPARAM);

HWND OknoGlowne = nullptr;
ImFont* CzcionkaTekstu = nullptr;
ImFont* CzcionkaOzdobna = nullptr;

namespace {

ID3D11Device* Urzadzenie = nullptr;
ID3D11DeviceContext* Kontekst = nullptr;
IDXGISwapChain* LancuchWymiany = nullptr;
ID3D11RenderTargetView* WidokCelu = nullptr;

void UtworzWidokCelu() {
    ID3D11Texture2D* bufor = nullptr;
    if (SUCCEEDED(LancuchWymiany->GetBuffer(0, IID_PPV_ARGS(&bufor))) && bufor) {
        Urzadzenie->CreateRenderTargetView(bufor, nullptr, &WidokCelu);
        bufor->Release();
    }
}

void ZwolnijWidokCelu() {
    if (WidokCelu) {
        WidokCelu->Release();
        WidokCelu = nullptr;
    }
}

bool UtworzGrafike(HWND okno) {
    DXGI_SWAP_CHAIN_DESC opis = {};
    opis.BufferCount = 2;
    opis.BufferDesc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
    opis.SampleDesc.Count = 1;
    opis.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT;
    opis.OutputWindow = okno;
    opis.Windowed = TRUE;
    opis.SwapEffect = DXGI_SWAP_EFFECT_DISCARD;
    const D3D_FEATURE_LEVEL poziomy[] = {D3D_FEATURE_LEVEL_11_0, D3D_FEATURE_LEVEL_10_0};
    D3D_FEATURE_LEVEL poziom;
    HRESULT hr = D3D11CreateDeviceAndSwapChain(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, 0, poziomy, 2,
                                               D3D11_SDK_VERSION, &opis, &LancuchWymiany, &Urzadzenie, &poziom,
                                               &Kontekst);
    if (hr == DXGI_ERROR_UNSUPPORTED)
        hr = D3D11CreateDeviceAndSwapChain(nullptr, D3D_DRIVER_TYPE_WARP, nullptr, 0, poziomy, 2, D3D11_SDK_VERSION,
                                           &opis, &LancuchWymiany, &Urzadzenie, &poziom, &Kontekst);
    if (FAILED(hr)) return false;
    UtworzWidokCelu();
    return true;
}

void ZwolnijGrafike() {
    ZwolnijWidokCelu();
    if (LancuchWymiany) LancuchWymiany->Release();
    if (Kontekst) Kontekst->Release();
    if (Urzadzenie) Urzadzenie->Release();
    LancuchWymiany = nullptr;
    Kontekst = nullptr;
    Urzadzenie = nullptr;
}

LRESULT WINAPI ProceduraOkna(HWND okno, UINT komunikat, WPARAM w, LPARAM l) {
    if (ImGui::GetCurrentContext() && ImGui_ImplWin32_WndProcHandler(okno, komunikat, w, l)) return 1;
    switch (komunikat) {
    case WM_SIZE:
        if (Urzadzenie && w != SIZE_MINIMIZED) {
            ZwolnijWidokCelu();
            LancuchWymiany->ResizeBuffers(0, LOWORD(l), HIWORD(l), DXGI_FORMAT_UNKNOWN, 0);
            UtworzWidokCelu();
        }
        return 0;
    case WM_SYSCOMMAND:
        if ((w & 0xfff0) == SC_KEYMENU) return 0;  // Alt alone opens no menu
        break;
    case WM_CLOSE:
        // An install or uninstall cut off here would leave its script half-way
        // through the game folder.
        if (Stan.zmianaModu.load() &&
            MessageBoxW(okno,
                        L"Trwa instalacja lub usuwanie moda. Przerwanie może zostawić grę w połowie zmian.\n\n"
                        L"Zamknąć launcher mimo to?",
                        L"Morvane", MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES)
            return 0;
        // For whoever reads the journal's file later: why the game may be
        // half-changed.
        if (Stan.zmianaModu.load())
            Loguj("Launcher zamknięty przez gracza w trakcie instalacji lub usuwania moda - gra mogła zostać w połowie "
                  "zmian.");
        DestroyWindow(okno);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(okno, komunikat, w, l);
}

using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);

// The real version: GetVersionEx lies to programs without a compatibility
// manifest.
DWORD WersjaWindows() {
    OSVERSIONINFOW v = {sizeof v};
    auto fn = (RtlGetVersionFn)(void*)GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion");
    if (fn && fn(&v) == 0) return (v.dwMajorVersion << 8) | v.dwMinorVersion;
    return 0x0601;
}

void UstawSwiadomoscDpi() {
    DWORD wersja = WersjaWindows();
    const auto kontekstV2 = (HANDLE)(INT_PTR)-4;  // per-monitor aware, version 2
    if (wersja >= 0x0A00) {
        HMODULE user32 = LoadLibraryW(L"user32.dll");
        using UstawKontekstFn = BOOL(WINAPI*)(HANDLE);
        if (auto fn = (UstawKontekstFn)(void*)GetProcAddress(user32, "SetProcessDpiAwarenessContext")) {
            fn(kontekstV2);
            return;
        }
        if (auto fn = (UstawKontekstFn)(void*)GetProcAddress(user32, "SetThreadDpiAwarenessContext")) {
            fn(kontekstV2);
            return;
        }
    }
    if (wersja >= 0x0603) {
        HMODULE shcore = LoadLibraryW(L"shcore.dll");
        using UstawSwiadomoscFn = HRESULT(WINAPI*)(int);
        if (auto fn = (UstawSwiadomoscFn)(void*)GetProcAddress(shcore, "SetProcessDpiAwareness")) {
            fn(2);
            return;
        }
    }
    SetProcessDPIAware();
}

void ZastosujMotyw(float s) {
    ImGui::StyleColorsDark();
    ImGuiStyle& st = ImGui::GetStyle();
    st.WindowPadding = ImVec2(0, 0);
    st.WindowBorderSize = 0;
    st.FramePadding = ImVec2(10, 7);
    st.FrameRounding = 0;
    st.ItemSpacing = ImVec2(10, 9);
    st.ScrollbarSize = 10;
    ImVec4* k = st.Colors;
    const ImVec4 zloto(0.788f, 0.643f, 0.361f, 1.0f);
    auto zlotoA = [&](float a) { return ImVec4(zloto.x, zloto.y, zloto.z, a); };
    k[ImGuiCol_Text] = ImVec4(0.914f, 0.875f, 0.784f, 1.00f);
    k[ImGuiCol_TextDisabled] = ImVec4(0.66f, 0.61f, 0.51f, 1.00f);
    k[ImGuiCol_WindowBg] = ImVec4(0, 0, 0, 0);
    k[ImGuiCol_ChildBg] = ImVec4(0.03f, 0.024f, 0.02f, 0.55f);
    k[ImGuiCol_PopupBg] = ImVec4(0.07f, 0.055f, 0.045f, 0.98f);
    k[ImGuiCol_Border] = zlotoA(0.30f);
    k[ImGuiCol_FrameBg] = ImVec4(1, 1, 1, 0.05f);
    k[ImGuiCol_FrameBgHovered] = ImVec4(1, 1, 1, 0.08f);
    k[ImGuiCol_FrameBgActive] = ImVec4(1, 1, 1, 0.10f);
    k[ImGuiCol_ScrollbarBg] = ImVec4(0, 0, 0, 0);
    k[ImGuiCol_ScrollbarGrab] = zlotoA(0.25f);
    k[ImGuiCol_Button] = ImVec4(1, 1, 1, 0.05f);
    k[ImGuiCol_ButtonHovered] = zlotoA(0.18f);
    k[ImGuiCol_ButtonActive] = zlotoA(0.28f);
    k[ImGuiCol_Header] = zlotoA(0.18f);
    k[ImGuiCol_HeaderHovered] = zlotoA(0.25f);
    k[ImGuiCol_HeaderActive] = zlotoA(0.32f);
    k[ImGuiCol_PlotHistogram] = ImVec4(0.627f, 0.161f, 0.11f, 1.00f);
    st.ScaleAllSizes(s);
    st.FontScaleDpi = s;
}

std::atomic<uint64_t> LicznikKlatek{0};

// The launcher that handed over to this one and waits to hear that its
// window is on the screen; 0 when none (or told).
DWORD CzekajacyPoprzedni = 0;

// Told only once a frame has been presented: a new launcher that dies
// setting up its window or drawing its first frame is caught by the old one.
void ZglosPoPierwszejKlatce() {
    if (!CzekajacyPoprzedni) return;
    ZglosGotowosc(CzekajacyPoprzedni);
    CzekajacyPoprzedni = 0;
}

void Klatka(const Migawka& m) {
    ImGui_ImplDX11_NewFrame();
    ImGui_ImplWin32_NewFrame();
    ImGui::NewFrame();
    RysujOkno(m);
    ImGui::Render();
    const float tlo[4] = {0.03f, 0.024f, 0.02f, 1.0f};
    Kontekst->OMSetRenderTargets(1, &WidokCelu, nullptr);
    Kontekst->ClearRenderTargetView(WidokCelu, tlo);
    ImGui_ImplDX11_RenderDrawData(ImGui::GetDrawData());
    // A locked screen or a fully covered window makes Present return at once;
    // without a pause the loop would spin a whole core.
    if (LancuchWymiany->Present(1, 0) == DXGI_STATUS_OCCLUDED) Sleep(10);
    LicznikKlatek.fetch_add(1);
}

// Sleeps until a message arrives for this thread or `ms` have passed.
void CzekajNaKomunikat(DWORD ms) { MsgWaitForMultipleObjectsEx(0, nullptr, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE); }

// Draws only when something changed: an unchanged window is not drawn again
// sixty times a second (a laptop's battery, a Steam Deck's fan). Between
// frames it sleeps until a message comes or OkresCzuwania passes; then it
// compares a snapshot of Stan with the one it drew last, so whatever a
// worker reports reaches the screen without the workers knowing about the
// window.
void PetlaKlatek() {
    ULONGLONG ostatniaObserwacja = 0;
    bool pierwsza = true;
    Migawka narysowana;
    bool cosNarysowano = false;
    int zapas = 0;
    for (;;) {
        MSG msg;
        bool koniec = false, zdarzenie = false;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
            if (msg.message == WM_QUIT) koniec = true;
            // The system's own timers (a caret's blink, which Wine runs for
            // the input-method window) change nothing on the screen.
            if (msg.message != WM_SYSTIMER && msg.message != WM_TIMER) zdarzenie = true;
        }
        if (koniec) return;
        ZapiszDziennikWTle();

        uint64_t termin = Stan.terminZamkniecia.load();
        if (termin != 0 && GetTickCount64() > termin) {
            DestroyWindow(OknoGlowne);
            Stan.terminZamkniecia.store(0);
            continue;
        }

        if (pierwsza || GetTickCount64() - ostatniaObserwacja > 1500) {
            Stan.graDziala.store(SprawdzCzyGraDziala());
            ostatniaObserwacja = GetTickCount64();
            pierwsza = false;
        }

        if (IsIconic(OknoGlowne)) {
            ZglosPoPierwszejKlatce();  // minimised, nothing is drawn: the window stands
            CzekajNaKomunikat(50);
            continue;
        }
        Migawka m = ZrobMigawke();
        if (!RysowacKlatke(zdarzenie, m, cosNarysowano ? &narysowana : nullptr, zapas)) {
            CzekajNaKomunikat(OkresCzuwania);
            continue;
        }
        Klatka(m);
        ZglosPoPierwszejKlatce();
        narysowana = std::move(m);
        cosNarysowano = true;
    }
}

}  // namespace

bool SprawdzCzyGraDziala() {
    HANDLE migawka = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (migawka == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32W proces = {sizeof proces};
    bool jest = false;
    for (BOOL ok = Process32FirstW(migawka, &proces); ok && !jest; ok = Process32NextW(migawka, &proces))
        jest = CzyNazwaGry(proces.szExeFile);
    CloseHandle(migawka);
    return jest;
}

void UruchomWatek(void (*cialo)()) { std::thread(cialo).detach(); }

uint64_t NarysowaneKlatki() { return LicznikKlatek.load(); }

int UruchomLauncher(HINSTANCE instancja) {
    // Who this launcher is, before anything renames its file.
    const Program& wlasny = WlasnyProgram();
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    UstawSwiadomoscDpi();

    // Started by an older launcher that hands over to this one: its mutex
    // is still held, and this launcher keeps the name alive once it ends.
    const DWORD poprzedni = PoprzedniLauncher();
    HANDLE mutex = CreateMutexW(nullptr, TRUE, L"Morvane-launcher");
    const DWORD bladMuteksu = GetLastError();
    // A launcher running as administrator holds a mutex that a normal one
    // may not open: access denied means it exists, so another one runs. Two
    // launchers would run two installs on one data folder.
    if (!poprzedni && (bladMuteksu == ERROR_ALREADY_EXISTS || (!mutex && bladMuteksu == ERROR_ACCESS_DENIED))) {
        if (HWND pierwsze = FindWindowW(L"MorvaneLauncher", nullptr)) {
            ShowWindow(pierwsze, SW_RESTORE);
            SetForegroundWindow(pierwsze);
        }
        if (mutex) CloseHandle(mutex);
        CoUninitialize();
        return 0;
    }
    Loguj(std::string("Launcher Morvane ") + WersjaLaunchera);
    // What an unfinished handover left is put back; an older copy started
    // from elsewhere (a download left on the desktop) lets the newer one in
    // the data folder run instead.
    std::string bezPrzejecia;
    if (!poprzedni && PrzekazNaStarcie(FolderDanych(), wlasny, bezPrzejecia)) {
        ReleaseMutex(mutex);
        CloseHandle(mutex);
        CoUninitialize();
        return 0;
    }

    HICON ikona = LoadIconW(instancja, MAKEINTRESOURCEW(1));
    if (!ikona) ikona = LoadIconW(nullptr, IDI_APPLICATION);
    WNDCLASSEXW klasa = {sizeof klasa};
    klasa.style = CS_CLASSDC;
    klasa.lpfnWndProc = ProceduraOkna;
    klasa.hInstance = instancja;
    klasa.hIcon = ikona;
    klasa.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    klasa.lpszClassName = L"MorvaneLauncher";
    RegisterClassExW(&klasa);

    const int cx = GetSystemMetrics(SM_CXSCREEN) / 2;
    const int cy = GetSystemMetrics(SM_CYSCREEN) / 2;
    HMONITOR monitor = MonitorFromPoint(POINT{cx, cy}, MONITOR_DEFAULTTOPRIMARY);
    const float s = ImGui_ImplWin32_GetDpiScaleForMonitor(monitor);
    const Rozmiar klient = RozmiarKlienta(s);
    const DWORD styl = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT r = {0, 0, klient.szerokosc, klient.wysokosc};
    AdjustWindowRect(&r, styl, FALSE);
    const int w = r.right - r.left, h = r.bottom - r.top;
    OknoGlowne = CreateWindowExW(0, L"MorvaneLauncher", L"Morvane", styl, PoczatekOkna(cx, w), PoczatekOkna(cy, h), w,
                                 h, nullptr, nullptr, instancja, nullptr);

    if (!OknoGlowne || !UtworzGrafike(OknoGlowne)) {
        ZwolnijGrafike();
        MessageBoxW(nullptr, L"Nie udało się uruchomić grafiki (DirectX 11).", L"Morvane", MB_ICONERROR);
        if (OknoGlowne) DestroyWindow(OknoGlowne);
        OknoGlowne = nullptr;
        if (mutex) {
            ReleaseMutex(mutex);
            CloseHandle(mutex);
        }
        CoUninitialize();
        return 1;
    }
    ShowWindow(OknoGlowne, SW_SHOWDEFAULT);
    UpdateWindow(OknoGlowne);

    ImGui::CreateContext();
    ImGui::GetIO().IniFilename = nullptr;
    ZastosujMotyw(s);
    ZaladujCzcionki(&CzcionkaTekstu, &CzcionkaOzdobna);
    ImGui_ImplWin32_Init(OknoGlowne);
    ImGui_ImplDX11_Init(Urzadzenie, Kontekst);

    if (!bezPrzejecia.empty()) Loguj(bezPrzejecia);
    if (poprzedni) {
        // The old launcher closes once the first frame is on the screen; the
        // check waits for it to be gone, so that never two act at once.
        CzekajacyPoprzedni = poprzedni;
        std::thread([poprzedni] { SprawdzPoPrzejeciu(poprzedni); }).detach();
    } else {
        UruchomWatek(SprawdzPoNaprawie);
    }

    PetlaKlatek();
    Stan.zamykanie.store(true);
    // A run that ends here is a normal one: the copy this launcher replaced
    // is no longer needed to come back to.
    ZakonczonyPrzebieg(FolderDanych(), wlasny);
    // The file tells a run that ended from one that crashed.
    Loguj("Launcher zamknięty.");
    ZapiszDziennikNaKoniec();

    ImGui_ImplDX11_Shutdown();
    ImGui_ImplWin32_Shutdown();
    ImGui::DestroyContext();
    ZwolnijGrafike();
    OknoGlowne = nullptr;
    if (mutex) {
        ReleaseMutex(mutex);
        CloseHandle(mutex);
    }
    CoUninitialize();
    return 0;
}
