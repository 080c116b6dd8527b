// The launcher's copy in the data folder under Wine: the package's newer
// launcher put in place, taken back after a failed script or a new launcher
// that did not start, and what a start puts back after a handover that did
// not finish. The "launchers" are small programs of chosen versions
// (tests/pomocnicze): one that ends at once, one that runs a while.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <thread>

#include "core/stan.h"
#include "core/tekst.h"
#include "install/kopia_launchera.h"
#include "install/przejecie.h"
#include "install/sprawdzenie.h"
#include "wspolne.h"

namespace fs = std::filesystem;

namespace {

std::wstring Pomocnik(const wchar_t* nazwa) { return FolderTestu() + L"\\" + nazwa + L".exe"; }

bool MaLinie(const Dziennik& d, const std::string& fragment) {
    return std::any_of(d.begin(), d.end(), [&](const std::string& l) { return l.find(fragment) != l.npos; });
}

// Holds a file open for reading without delete or write sharing, as an
// on-access scanner does, for `ms` (or until the end of the test).
struct Trzymanie {
    HANDLE h = INVALID_HANDLE_VALUE;
    std::thread watek;
    Trzymanie(const std::wstring& plik, DWORD ms) {
        h = CreateFileW(plik.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (ms) watek = std::thread([this, ms] {
            Sleep(ms);
            Pusc();
        });
    }
    void Pusc() {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        h = INVALID_HANDLE_VALUE;
    }
    ~Trzymanie() {
        if (watek.joinable()) watek.join();
        Pusc();
    }
};

void TylkoDoOdczytu(const std::wstring& plik) {
    SetFileAttributesW(plik.c_str(), GetFileAttributesW(plik.c_str()) | FILE_ATTRIBUTE_READONLY);
}

class Launcher : public ::testing::Test {
  protected:
    std::wstring dane, kopia, stary, wPaczce;
    TymczasowyFolder tmp;
    // This launcher when it runs from elsewhere: a program of its version.
    std::wstring ten;

    void SetUp() override {
        WyczyscStan();
        dane = FolderDanych();
        ASSERT_FALSE(dane.empty());
        kopia = dane + L"\\Morvane.exe";
        stary = kopia + L".stary";
        wPaczce = dane + L"\\paczka\\Morvane.exe";
        ten = tmp / L"Morvane.exe";
        ASSERT_TRUE(CopyFileW(Pomocnik(L"launcher_czeka").c_str(), ten.c_str(), FALSE));
        Wyczysc();
    }
    void TearDown() override { Wyczysc(); }
    void Wyczysc() {
        for (const auto& p : {kopia, stary, kopia + L".nowy", kopia + L".zly", kopia + L".proby"})
            SetFileAttributesW(p.c_str(), FILE_ATTRIBUTE_NORMAL);
        UsunDrzewo(dane);
        fs::create_directories(dane + L"\\paczka");
    }
    // Every file of the data folder but the package's, by name.
    std::vector<std::wstring> Pliki() {
        std::vector<std::wstring> w;
        for (const auto& e : fs::directory_iterator(dane))
            if (e.is_regular_file()) w.push_back(e.path().filename().wstring());
        std::sort(w.begin(), w.end());
        return w;
    }
};

// ---- taking the package's launcher back ------------------------------------------

TEST_F(Launcher, CofniecieZostawiaToCoStaloAlboTenLauncher) {
    const std::string wersja = WersjaLaunchera;
    struct Poprzedni {
        const char* opis;
        const wchar_t* program;  // what stood at <data>\Morvane.exe; nullptr: nothing
        std::string wersja;
        bool biezacy;            // it is the running launcher's image
    };
    const Poprzedni poprzednie[] = {
        {"brak", nullptr, wersja, false},
        {"starszy", L"launcher_stary", "0.5", false},
        {"nowszy", L"launcher_drobny", MORVANE_WERSJA_DROBNA, false},
        {"biezacy", L"launcher_czeka", wersja, true},
    };
    enum class Nowy { Usuwalny, Trzymany, TylkoDoOdczytu };
    for (const Poprzedni& p : poprzednie)
        for (Nowy n : {Nowy::Usuwalny, Nowy::Trzymany, Nowy::TylkoDoOdczytu})
            for (bool przyStarcie : {false, true}) {
                SCOPED_TRACE(std::string(p.opis) + (n == Nowy::Usuwalny ? ", usuwalny" : n == Nowy::Trzymany ? ", trzymany" : ", tylko do odczytu") +
                             (przyStarcie ? ", nowy nie wstaje" : ", skrypt zawodzi"));
                Wyczysc();
                WyczyscStan();
                const std::wstring zepsuty = Pomocnik(L"launcher_zepsuty");
                ASSERT_TRUE(CopyFileW(zepsuty.c_str(), wPaczce.c_str(), FALSE));
                PROCESS_INFORMATION pi{};
                Program wlasny = OpiszProgram(ten);
                if (p.program) {
                    ASSERT_TRUE(CopyFileW(Pomocnik(p.program).c_str(), kopia.c_str(), FALSE));
                    if (n == Nowy::TylkoDoOdczytu) TylkoDoOdczytu(kopia);
                }
                if (p.biezacy) {
                    // Runs from the copy; named as the system may spell it.
                    STARTUPINFOW si{sizeof si};
                    std::wstring linia = L"\"" + kopia + L"\"";
                    ASSERT_TRUE(CreateProcessW(kopia.c_str(), linia.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                               nullptr, &si, &pi));
                    std::wstring inna = kopia;
                    std::transform(inna.begin(), inna.end(), inna.begin(), ::towupper);
                    wlasny = OpiszProgram(inna);
                }
                const std::string przed = p.program ? CzytajPlik(kopia) : CzytajPlik(ten);
                if (n == Nowy::TylkoDoOdczytu) TylkoDoOdczytu(wPaczce);  // as a zip's read-only entry arrives

                const KopiaLaunchera k = UmiescLauncher(dane, wlasny);
                ASSERT_TRUE(k.zPaczki) << ::testing::PrintToString(KopiaDziennika());
                EXPECT_EQ(CzytajPlik(kopia), CzytajPlik(zepsuty));
                EXPECT_EQ(GetFileAttributesW(kopia.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
                if (n == Nowy::TylkoDoOdczytu) TylkoDoOdczytu(kopia);
                // A scanner holds the new file for a moment after it is written.
                Trzymanie trzymanie(kopia, n == Nowy::Trzymany ? 1500 : 0);
                if (n != Nowy::Trzymany) trzymanie.Pusc();
                if (przyStarcie) {
                    PrzekazNowemuLauncherowi(dane, k);
                } else {
                    PrzywrocLauncher(dane, k);
                }
                const Dziennik d = KopiaDziennika();
                EXPECT_EQ(CzytajPlik(kopia), przed) << ::testing::PrintToString(d);
                EXPECT_FALSE(PlikIstnieje(stary));
                EXPECT_TRUE(MaLinie(d, "rzywróciłem ")) << ::testing::PrintToString(d);
                if (przyStarcie) {
                    EXPECT_TRUE(MaLinie(d, "Nowy launcher 99.0 nie uruchomił się - przywróciłem " +
                                               std::string(p.wersja == wersja ? "ten (" : "poprzedni (") + p.wersja +
                                               ")"))
                        << ::testing::PrintToString(d);
                }
                // Nothing else is left but, after a failed start, the count of
                // failed starts that a later start reads.
                std::vector<std::wstring> pliki{L"Morvane.exe"};
                if (przyStarcie) pliki.push_back(L"Morvane.exe.proby");
                EXPECT_EQ(Pliki(), pliki);
                EXPECT_EQ(Stan.terminZamkniecia.load(), 0u);
                if (pi.hProcess) {
                    TerminateProcess(pi.hProcess, 0);
                    WaitForSingleObject(pi.hProcess, 5000);
                    CloseHandle(pi.hProcess);
                    CloseHandle(pi.hThread);
                }
            }
}

TEST_F(Launcher, NowyTrzymanyCalyCzasZostajeAStartGoPotemCofa) {
    ASSERT_TRUE(CopyFileW(Pomocnik(L"launcher_zepsuty").c_str(), wPaczce.c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(Pomocnik(L"launcher_stary").c_str(), kopia.c_str(), FALSE));
    const Program wlasny = OpiszProgram(ten);
    const KopiaLaunchera k = UmiescLauncher(dane, wlasny);
    ASSERT_TRUE(k.zPaczki);
    {
        Trzymanie trzymanie(kopia, 0);
        PrzywrocLauncher(dane, k);
        const Dziennik d = KopiaDziennika();
        // Nothing is claimed that did not happen: the new one stands, the
        // previous one waits beside it.
        EXPECT_FALSE(MaLinie(d, "rzywróciłem")) << ::testing::PrintToString(d);
        EXPECT_TRUE(MaLinie(d, "BŁĄD: Nie mogę wycofać nowego launchera z ")) << ::testing::PrintToString(d);
        EXPECT_EQ(CzytajPlik(kopia), CzytajPlik(wPaczce));
        EXPECT_EQ(CzytajPlik(stary), CzytajPlik(Pomocnik(L"launcher_stary")));
    }
    // The next start, by any launcher but that copy, puts the previous back.
    WyczyscStan();
    NaprawKopieLaunchera(dane, wlasny);
    EXPECT_EQ(CzytajPlik(kopia), CzytajPlik(Pomocnik(L"launcher_stary")));
    EXPECT_FALSE(PlikIstnieje(stary));
    EXPECT_TRUE(MaLinie(KopiaDziennika(), "Przywróciłem poprzedni launcher (0.5): nowy (99.0) nie zakończył"));
}

// ---- what a start finds after a handover --------------------------------------------

TEST_F(Launcher, StartPrzywracaStaregoGdyNowyNieSkonczylPrzebiegu) {
    const std::string stary05 = CzytajPlik(Pomocnik(L"launcher_stary"));
    struct P {
        const char* opis;
        std::function<void()> kopiaJest;  // what stands at <data>\Morvane.exe
        bool zKopii;                      // the starting launcher is that copy
        bool przywrocony;
    };
    const P przypadki[] = {
        {"kopii brak (prad zgasl miedzy przeniesieniem a kopia)", [] {}, false, true},
        {"kopia ucieta", [&] { ZapiszPlik(kopia, CzytajPlik(Pomocnik(L"launcher_zepsuty")).substr(0, 3000)); }, false,
         true},
        {"nowy padl w pierwszym przebiegu", [&] { CopyFileW(Pomocnik(L"launcher_zepsuty").c_str(), kopia.c_str(), FALSE); },
         false, true},
        // The new one itself in its first run: its copy stays until it ends.
        {"startuje sam nowy", [&] { CopyFileW(Pomocnik(L"launcher_czeka").c_str(), kopia.c_str(), FALSE); }, true,
         false},
    };
    for (const P& p : przypadki) {
        SCOPED_TRACE(p.opis);
        Wyczysc();
        WyczyscStan();
        ZapiszPlik(stary, stary05);
        p.kopiaJest();
        const std::string byla = PlikIstnieje(kopia) ? CzytajPlik(kopia) : "";
        // The system may spell the copy's path otherwise than the data folder
        // does (case, 8.3 names): still the same file.
        std::wstring inaczej = kopia;
        std::transform(inaczej.begin(), inaczej.end(), inaczej.begin(), ::towupper);
        NaprawKopieLaunchera(dane, p.zKopii ? OpiszProgram(inaczej) : OpiszProgram(ten));
        if (p.przywrocony) {
            EXPECT_EQ(CzytajPlik(kopia), stary05);
            EXPECT_FALSE(PlikIstnieje(stary));
            EXPECT_TRUE(MaLinie(KopiaDziennika(), "Przywróciłem poprzedni launcher (0.5)"));
        } else {
            EXPECT_EQ(CzytajPlik(kopia), byla);
            EXPECT_TRUE(PlikIstnieje(stary));
            // Its first normal end lets the kept copy go.
            ZakonczonyPrzebieg(dane, OpiszProgram(inaczej));
            EXPECT_FALSE(PlikIstnieje(stary));
        }
    }
}

TEST_F(Launcher, StartOddajeNowszemuTakzeODrobnyNumerINiePonawiaBezKonca) {
    // 1.0 started from elsewhere, 1.1 in the data folder: 1.1 is tried (and
    // here fails, as the small program ends at once).
    ASSERT_TRUE(CopyFileW(Pomocnik(L"launcher_drobny").c_str(), kopia.c_str(), FALSE));
    std::string powod;
    const Program wlasny = OpiszProgram(ten);
    EXPECT_FALSE(PrzekazNaStarcie(dane, wlasny, powod));
    EXPECT_EQ(powod, "Nowszy launcher z folderu danych (" MORVANE_WERSJA_DROBNA ") nie uruchomił się - działa ten.");

    // A package's launcher whose handover failed is tried again at a later
    // start, three times in all, then left alone.
    Wyczysc();
    WyczyscStan();
    ASSERT_TRUE(CopyFileW(Pomocnik(L"launcher_zepsuty").c_str(), wPaczce.c_str(), FALSE));
    const KopiaLaunchera k = UmiescLauncher(dane, wlasny);
    ASSERT_TRUE(k.zPaczki);
    PrzekazNowemuLauncherowi(dane, k);
    for (int start = 2; start <= 4; ++start) {
        SCOPED_TRACE(start);
        WyczyscStan();
        powod.clear();
        EXPECT_FALSE(PrzekazNaStarcie(dane, wlasny, powod));
        const Dziennik d = KopiaDziennika();
        EXPECT_EQ(MaLinie(d, "Ponawiam przejście na nowy launcher 99.0 z zainstalowanej paczki (próba " +
                                 std::to_string(start) + " z 3)."),
                  start <= 3)
            << ::testing::PrintToString(d);
        if (start == 4) {
            EXPECT_EQ(powod, "Nowy launcher 99.0 z paczki nie uruchomił się 3 razy - działa ten.");
        }
        EXPECT_FALSE(PlikIstnieje(stary));
    }

    // A failed start counted for a package launcher that the install would
    // not put in place (older than this one): a start touches nothing.
    Wyczysc();
    WyczyscStan();
    ASSERT_TRUE(CopyFileW(Pomocnik(L"launcher_stary").c_str(), wPaczce.c_str(), FALSE));
    ZapiszPlik(kopia + L".proby", "0.5\n1\n");
    powod.clear();
    EXPECT_FALSE(PrzekazNaStarcie(dane, wlasny, powod));
    EXPECT_FALSE(PlikIstnieje(kopia));
    EXPECT_FALSE(MaLinie(KopiaDziennika(), "Ponawiam")) << ::testing::PrintToString(KopiaDziennika());
}

// ---- the handover itself ------------------------------------------------------------------

TEST_F(Launcher, PrzekazanieNieCzekaNaZdarzenieOCudzejNazwie) {
    // Someone made the name first: whoever can set it would pass for the new
    // launcher being up. Nothing is started (a started program of this kind
    // would keep the call waiting for a minute).
    HANDLE cudze =
        CreateEventW(nullptr, TRUE, FALSE, (L"Morvane-launcher-gotowy-" + std::to_wstring(GetCurrentProcessId())).c_str());
    ASSERT_TRUE(cudze);
    const ULONGLONG start = GetTickCount64();
    EXPECT_FALSE(PrzekazLauncher(ten, nullptr));
    EXPECT_LT(GetTickCount64() - start, 5000u);
    CloseHandle(cudze);
}

TEST_F(Launcher, NowyCzekaNaStaregoZajetyIMowiOTym) {
    // The old launcher: a program that runs until the test ends it.
    STARTUPINFOW si{sizeof si};
    PROCESS_INFORMATION pi{};
    std::wstring linia = L"\"" + ten + L"\"";
    ASSERT_TRUE(CreateProcessW(ten.c_str(), linia.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    std::thread sprawdzenie([&] { SprawdzPoPrzejeciu(pi.dwProcessId); });
    auto status = [] {
        std::lock_guard<std::mutex> l(Stan.blokada);
        return Stan.status;
    };
    EXPECT_TRUE(CzekajNa([&] { return status() == "Czekam, aż poprzedni launcher się zamknie..."; }, 5000));
    // Nothing else starts meanwhile: a click on "Sprawdź ponownie" finds
    // the work claimed.
    EXPECT_TRUE(Stan.zajety.load());
    const size_t linie = KopiaDziennika().size();
    SprawdzPoNaprawie();
    EXPECT_EQ(KopiaDziennika().size(), linie);
    TerminateProcess(pi.hProcess, 0);
    sprawdzenie.join();
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    EXPECT_FALSE(Stan.zajety.load());
    EXPECT_TRUE(MaLinie(KopiaDziennika(), "Szukam gry i sprawdzam wersję..."));
}

}  // namespace
