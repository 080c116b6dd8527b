// The shell against real Windows behaviour under Wine: the game watch sees
// real processes, the fonts carry Polish letters, a planned closing ends the
// frame loop with a real window on the test display.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>
#include <tlhelp32.h>

#include <functional>
#include <thread>
#include <vector>

#include "app/czcionki.h"
#include "app/powloka.h"
#include "core/tekst.h"
#include "install/kopia_launchera.h"
#include "imgui.h"
#include "wspolne.h"

namespace {

struct Proces {
    PROCESS_INFORMATION pi{};
    bool ok = false;
    explicit Proces(const std::wstring& exe) {
        std::wstring linia = L"\"" + exe + L"\" 30000";
        STARTUPINFOW si = {sizeof si};
        ok = CreateProcessW(exe.c_str(), linia.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    }
    ~Proces() {
        if (!ok) return;
        TerminateProcess(pi.hProcess, 0);
        WaitForSingleObject(pi.hProcess, 5000);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
};

bool GraWidocznaW(DWORD ms) {
    for (DWORD t = 0; t < ms; t += 100) {
        if (SprawdzCzyGraDziala()) return true;
        Sleep(100);
    }
    return SprawdzCzyGraDziala();
}

// A path of the build (a Linux one) as Wine sees it.
std::wstring ZBudowania(const char* linuksowa) {
    std::wstring w = L"Z:" + NaUtf16(linuksowa);
    for (wchar_t& z : w)
        if (z == L'/') z = L'\\';
    return w;
}

std::string TekstZasobu(const std::wstring& program, const wchar_t* nazwa) {
    std::vector<uint8_t> b(GetFileVersionInfoSizeW(program.c_str(), nullptr));
    if (b.empty() || !GetFileVersionInfoW(program.c_str(), 0, (DWORD)b.size(), b.data())) return "";
    wchar_t* t = nullptr;
    UINT n = 0;
    if (!VerQueryValueW(b.data(), (std::wstring(L"\\StringFileInfo\\041504b0\\") + nazwa).c_str(), (void**)&t, &n))
        return "";
    return NaUtf8(std::wstring(t, wcsnlen(t, n)));
}

TEST(Wersja, ZasobWersjiZBudowaniaIToSamoWOknieIDzienniku) {
    const std::wstring exe = ZBudowania(MORVANE_EXE_LINUX);
    EXPECT_EQ(std::string(WersjaLaunchera), MORVANE_WERSJA_BUDOWY);
    EXPECT_EQ(WersjaPliku(exe), MORVANE_WERSJA_BUDOWY);
    EXPECT_EQ(TekstZasobu(exe, L"FileVersion"), MORVANE_WERSJA_BUDOWY);
    EXPECT_EQ(TekstZasobu(exe, L"FileDescription"), "Launcher Morvane");
    EXPECT_EQ(TekstZasobu(exe, L"ProductName"), "Morvane");
    // Another program's version is its own build's.
    EXPECT_EQ(WersjaPliku(ZBudowania(LAUNCHER_STARY_LINUX)), "0.5");
    EXPECT_EQ(WersjaPliku(FolderTestu() + L"\\" + NaUtf16(CZEKAJ_EXE)), "");  // none at all
    // The icon drawn for it.
    HMODULE m = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(m);
    EXPECT_TRUE(FindResourceW(m, MAKEINTRESOURCEW(1), RT_GROUP_ICON));
    FreeLibrary(m);
}

TEST(ObserwacjaGry, WidziProcesWitcher3WKazdejWielkosciLiterINicDluzszego) {
    struct P { std::wstring nazwa; bool gra; };
    const P przypadki[] = {
        {L"witcher3.exe", true},
        {L"WITCHER3.EXE", true},
        {L"Witcher3.exe", true},
        {L"witcher3.exe.exe", false},
        {L"witcher33.exe", false},
    };
    TymczasowyFolder tmp;
    const std::wstring czekaj = FolderTestu() + L"\\" + NaUtf16(CZEKAJ_EXE);
    ASSERT_FALSE(SprawdzCzyGraDziala()) << "a game process is already running in this prefix";
    for (const auto& p : przypadki) {
        SCOPED_TRACE(NaUtf8(p.nazwa));
        std::wstring kopia = tmp / p.nazwa;
        ASSERT_TRUE(CopyFileW(czekaj.c_str(), kopia.c_str(), FALSE));
        Proces proces(kopia);
        ASSERT_TRUE(proces.ok);
        if (p.gra) {
            EXPECT_TRUE(GraWidocznaW(5000));
        } else {
            Sleep(1000);  // the process is up by now
            EXPECT_EQ(WaitForSingleObject(proces.pi.hProcess, 0), (DWORD)WAIT_TIMEOUT);
            EXPECT_FALSE(SprawdzCzyGraDziala());
        }
    }
}

TEST(Czcionki, ObieCzcionkiMajaPolskieLitery) {
    ImGui::CreateContext();
    ImFont* tekst = nullptr;
    ImFont* ozdobna = nullptr;
    ZaladujCzcionki(&tekst, &ozdobna);
    ASSERT_NE(tekst, nullptr);
    ASSERT_NE(ozdobna, nullptr);
    EXPECT_EQ(ImGui::GetIO().FontDefault, tekst);
    const std::wstring probka = L"Za\u017C\u00F3\u0142\u0107 g\u0119\u015Bl\u0105 ja\u017A\u0144 "
                                L"\u0104\u0106\u0118\u0141\u0143\u00D3\u015A\u0179\u017B";
    for (wchar_t z : probka) {
        EXPECT_TRUE(tekst->IsGlyphInFont(z)) << (int)z << " in " << tekst->GetDebugName();
        EXPECT_TRUE(ozdobna->IsGlyphInFont(z)) << (int)z << " in " << ozdobna->GetDebugName();
    }
    std::string nazwa = tekst->GetDebugName();
    EXPECT_EQ(nazwa.find("ProggyClean"), std::string::npos) << "the built-in font has no Polish letters";
    ImGui::DestroyContext();
}

// Names of this process's modules that start with "xinput" (any case).
std::vector<std::wstring> ModulyXInput() {
    std::vector<std::wstring> wynik;
    HANDLE migawka = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, 0);
    if (migawka == INVALID_HANDLE_VALUE) return {L"(no module snapshot)"};
    MODULEENTRY32W m = {sizeof m};
    for (BOOL ok = Module32FirstW(migawka, &m); ok; ok = Module32NextW(migawka, &m))
        if (_wcsnicmp(m.szModule, L"xinput", 6) == 0) wynik.push_back(m.szModule);
    CloseHandle(migawka);
    return wynik;
}

TEST(Powloka, ZaplanowaneZamkniecieKonczyPetleKodem0BezXInput) {
    WyczyscStan();
    const ULONGLONG start = GetTickCount64();
    Stan.terminZamkniecia = start + 3000;
    // Looks at the modules once the loop runs (the first journal line comes
    // after the back ends have started).
    std::vector<std::wstring> xinput;
    bool petlaBiegla = false;
    std::thread obserwator([&] {
        CzekajNa([] { return !KopiaDziennika().empty(); }, 2800);
        Sleep(100);
        petlaBiegla = FindWindowW(L"MorvaneLauncher", nullptr) != nullptr && !KopiaDziennika().empty();
        xinput = ModulyXInput();
    });
    int kod = UruchomLauncher(GetModuleHandleW(nullptr));
    const ULONGLONG czas = GetTickCount64() - start;
    obserwator.join();
    EXPECT_TRUE(petlaBiegla);
    EXPECT_TRUE(xinput.empty()) << "the launcher loaded " << NaUtf8(xinput.front());
    EXPECT_EQ(kod, 0);
    EXPECT_GE(czas, 3000u);
    EXPECT_LT(czas, 15000u);
    EXPECT_EQ(Stan.terminZamkniecia.load(), 0u);
    Dziennik d = KopiaDziennika();
    ASSERT_FALSE(d.empty());
    EXPECT_EQ(d.front(), "Launcher Morvane 1.0");
    EXPECT_EQ(FindWindowW(L"MorvaneLauncher", nullptr), nullptr);
}

// The launcher's window once its frame loop runs (the first journal line
// comes after the back ends have started).
HWND CzekajNaPetle() {
    HWND okno = nullptr;
    CzekajNa([&] { return (okno = FindWindowW(L"MorvaneLauncher", nullptr)) != nullptr; }, 10000);
    CzekajNa([] { return !KopiaDziennika().empty(); }, 10000);
    return okno;
}

// The question a player gets when closing the window during an install or
// uninstall; found by its class and title, answered by its button's id.
HWND CzekajNaPytanie(DWORD ms) {
    HWND okno = nullptr;
    auto widoczne = [&] { return (okno = FindWindowW(L"#32770", L"Morvane")) && IsWindowVisible(okno); };
    return CzekajNa(widoczne, ms) ? okno : nullptr;
}

TEST(Powloka, ZamkniecieWTrakcieInstalacjiPytaOZgode) {
    WyczyscStan();
    ASSERT_TRUE(ZajmijPrace(true));  // an install runs (and the start-up check waits its turn)
    bool pytanieNie = false, oknoPoNie = false, pytanieTak = false;
    std::thread gracz([&] {
        HWND okno = CzekajNaPetle();
        PostMessageW(okno, WM_CLOSE, 0, 0);
        if (HWND p = CzekajNaPytanie(10000)) {
            pytanieNie = true;
            PostMessageW(p, WM_COMMAND, IDNO, 0);
        }
        Sleep(1000);
        oknoPoNie = IsWindow(okno) && !IsWindowVisible(FindWindowW(L"#32770", L"Morvane"));
        PostMessageW(okno, WM_CLOSE, 0, 0);
        if (HWND p = CzekajNaPytanie(10000)) {
            pytanieTak = true;
            PostMessageW(p, WM_COMMAND, IDYES, 0);
        }
    });
    const int kod = UruchomLauncher(GetModuleHandleW(nullptr));
    gracz.join();
    EXPECT_TRUE(pytanieNie) << "closing during an install asked nothing";
    EXPECT_TRUE(oknoPoNie) << "answered no, the window closed anyway";
    EXPECT_TRUE(pytanieTak);
    EXPECT_EQ(kod, 0);
    ZwolnijPrace();

    // With no install running, closing asks nothing.
    WyczyscStan();
    std::thread zamykajacy([] { PostMessageW(CzekajNaPetle(), WM_CLOSE, 0, 0); });
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(UruchomLauncher(GetModuleHandleW(nullptr)), 0);
    zamykajacy.join();
    EXPECT_LT(GetTickCount64() - start, 15000u);
}

TEST(Powloka, MuteksAdministratoraToDzialajacyLauncher) {
    // What a launcher run as administrator leaves to a normal one: a mutex
    // it may only wait on. (Here the same process holds it; the access
    // check is the same.)
    PSECURITY_DESCRIPTOR opis = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;;0x00100000;;;WD)", SDDL_REVISION_1,
                                                                     &opis, nullptr));
    SECURITY_ATTRIBUTES atrybuty = {sizeof atrybuty, opis, FALSE};
    HANDLE cudzy = CreateMutexW(&atrybuty, TRUE, L"Morvane-launcher");
    ASSERT_NE(cudzy, nullptr);
    HANDLE proba = CreateMutexW(nullptr, TRUE, L"Morvane-launcher");
    const DWORD blad = GetLastError();
    if (proba) CloseHandle(proba);
    WyczyscStan();
    const ULONGLONG start = GetTickCount64();
    Stan.terminZamkniecia = start + 3000;  // a launcher that wrongly starts closes again
    const int kod = proba ? -1 : UruchomLauncher(GetModuleHandleW(nullptr));
    Stan.terminZamkniecia = 0;
    CloseHandle(cudzy);
    LocalFree(opis);
    ASSERT_EQ(proba, nullptr) << "the access check let the mutex open (error " << blad << ")";
    EXPECT_EQ(blad, (DWORD)ERROR_ACCESS_DENIED);
    EXPECT_EQ(kod, 0);
    EXPECT_LT(GetTickCount64() - start, 2000u);
    EXPECT_TRUE(KopiaDziennika().empty()) << "a second launcher started: " << KopiaDziennika().front();
}

TEST(Powloka, ZaplanowaneZamkniecieDzialaGdyOknoZminimalizowane) {
    WyczyscStan();
    const ULONGLONG start = GetTickCount64();
    Stan.terminZamkniecia = start + 3000;
    bool zminimalizowane = false;
    std::thread gracz([&] {
        HWND okno = CzekajNaPetle();
        ShowWindow(okno, SW_MINIMIZE);
        zminimalizowane = IsIconic(okno);
        // A loop that never closes while minimised would hang the test:
        // bring the window back after a while so it ends, and fails.
        CzekajNa([&] { return !IsWindow(okno); }, 8000);
        if (IsWindow(okno)) ShowWindow(okno, SW_RESTORE);
    });
    EXPECT_EQ(UruchomLauncher(GetModuleHandleW(nullptr)), 0);
    const ULONGLONG czas = GetTickCount64() - start;
    gracz.join();
    EXPECT_TRUE(zminimalizowane);
    EXPECT_LT(czas, 7000u) << "the planned closing waited for the window to come back";
}

TEST(Powloka, BezczynneOknoNieRysujeAZmianyDochodzaOdRazu) {
    WyczyscStan();
    TymczasowyFolder tmp;
    uint64_t bezczynne = ~0ull;
    ULONGLONG linia = ~0ull, status = ~0ull, gra = ~0ull, zamkniecie = ~0ull;
    // How long until a frame is drawn after `zmiana` (~0 when none in 3 s).
    auto czasDoKlatki = [](const std::function<void()>& zmiana) -> ULONGLONG {
        Sleep(500);  // the frames owed to the last change are drawn
        const uint64_t przed = NarysowaneKlatki();
        const ULONGLONG start = GetTickCount64();
        zmiana();
        return CzekajNa([&] { return NarysowaneKlatki() > przed; }, 3000) ? GetTickCount64() - start : ~0ull;
    };
    std::thread gracz([&] {
        HWND okno = CzekajNaPetle();
        // The start-up check has ended (its last line is an empty one).
        CzekajNa([] {
            const Dziennik d = KopiaDziennika();
            return d.size() > 2 && d.back().empty() && !Stan.zajety.load();
        }, 30000);
        Sleep(500);
        const uint64_t przed = NarysowaneKlatki();
        Sleep(2000);
        bezczynne = NarysowaneKlatki() - przed;
        // What a worker reports, and what the game watch finds.
        linia = czasDoKlatki([] { Loguj("Linia od pracownika"); });
        status = czasDoKlatki([] { UstawStatus("Nowy status", -1.0f); });
        const std::wstring kopia = tmp / L"witcher3.exe";
        CopyFileW((FolderTestu() + L"\\" + NaUtf16(CZEKAJ_EXE)).c_str(), kopia.c_str(), FALSE);
        Proces proces(kopia);
        gra = czasDoKlatki([] {});
        EXPECT_TRUE(Stan.graDziala.load()) << "the frame came before the game watch saw the game";
        // A planned closing while nothing is drawn (the window is hidden at once;
        // Wine then takes about 2 s to destroy it, as it did before).
        Sleep(500);
        const ULONGLONG start = GetTickCount64();
        Stan.terminZamkniecia = start + 1000;
        if (CzekajNa([&] { return !IsWindowVisible(okno); }, 5000)) zamkniecie = GetTickCount64() - start;
    });
    EXPECT_EQ(UruchomLauncher(GetModuleHandleW(nullptr)), 0);
    gracz.join();
    EXPECT_LE(bezczynne, 10u) << "frames drawn in 2 idle seconds";
    EXPECT_LT(linia, 500u) << "a new journal line did not reach the screen";
    EXPECT_LT(status, 500u) << "a new status did not reach the screen";
    EXPECT_LT(gra, 2500u) << "the game watch's result did not reach the screen";
    EXPECT_GE(zamkniecie, 1000u);
    EXPECT_LT(zamkniecie, 1500u) << "the planned closing was late";
}

TEST(Powloka, DrugiLauncherPrzywracaIPokazujePierwszy) {
    WyczyscStan();
    bool zminimalizowane = false, przywrocone = false, naWierzchu = false;
    DWORD kodDrugiego = 1;
    std::thread gracz([&] {
        HWND okno = CzekajNaPetle();
        ShowWindow(okno, SW_MINIMIZE);
        zminimalizowane = IsIconic(okno);
        // The real launcher, started a second time.
        std::wstring exe = FolderTestu() + L"\\..\\Morvane.exe";
        std::wstring linia = L"\"" + exe + L"\"";
        STARTUPINFOW si = {sizeof si};
        PROCESS_INFORMATION pi = {};
        if (CreateProcessW(exe.c_str(), linia.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
            WaitForSingleObject(pi.hProcess, 20000);
            GetExitCodeProcess(pi.hProcess, &kodDrugiego);
            CloseHandle(pi.hProcess);
            CloseHandle(pi.hThread);
        }
        CzekajNa([&] { return !IsIconic(okno); }, 2000);
        przywrocone = !IsIconic(okno) && IsWindowVisible(okno);
        naWierzchu = GetForegroundWindow() == okno;
        Stan.terminZamkniecia = GetTickCount64();
    });
    EXPECT_EQ(UruchomLauncher(GetModuleHandleW(nullptr)), 0);
    gracz.join();
    EXPECT_TRUE(zminimalizowane);
    EXPECT_EQ(kodDrugiego, 0u);
    EXPECT_TRUE(przywrocone) << "the first window stayed minimised";
    EXPECT_TRUE(naWierzchu) << "the first window was not brought forward";
}

}  // namespace
