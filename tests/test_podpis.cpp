// A launcher built with the test team's keys A and B (tests/paczki/klucze_testowe.py)
// against the test update server: it installs what the team signed and
// nothing else, whatever a hostile server or a cache makes of the package.
// The packages and their announcements are built by tests/paczki/zrob_paczki.py.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>

#include "core/linia.h"
#include "core/stan.h"
#include "core/tekst.h"
#include "install/instaluj.h"
#include "net/sprawdz.h"
#include "net/zaufanie.h"
#include "wspolne.h"

namespace fs = std::filesystem;

namespace {

const std::string IdA = "985b97ee206d3aad", IdB = "fe2e2bc905a84e58", IdC = "4ff03a0cd099d4b2";
const std::string NowszaNaSerwerze =
    " Serwer mógł właśnie wydać nową wersję albo paczkę zmieniono po drodze - kliknij Sprawdź ponownie, a jeśli to "
    "się powtarza, zgłoś to zespołowi moda.";

std::wstring Paczka(const std::wstring& nazwa) { return FolderTestu() + L"\\paczki\\" + nazwa + L".zip"; }

std::wstring PlikZapisu() {
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    return std::wstring(tmp) + L"morvane-zapis-polecen-podpis.txt";
}

class Podpis : public ::testing::Test {
  protected:
    std::wstring dane, gra;
    TymczasowyFolder tmp;

    static void SetUpTestSuite() { ASSERT_TRUE(WstawDublery()); }

    void SetUp() override {
        ASSERT_TRUE(WymagaPodpisu()) << "this suite's launcher code is built with the test keys";
        WyczyscStan();
        dane = FolderDanych();
        UsunDrzewo(dane);
        fs::create_directories(dane);
        gra = tmp / L"Gra";
        fs::create_directories(gra);
        ZapiszPlik(gra + L"\\plik_gry.txt", "oryginal");
        UstawGre();
        SetEnvironmentVariableW(L"MRV_PACZKA", nullptr);
        SetEnvironmentVariableW(L"MORVANE_ZAPIS_POLECEN", PlikZapisu().c_str());
        DeleteFileW(PlikZapisu().c_str());
    }
    void TearDown() override {
        SetEnvironmentVariableW(L"MRV_PACZKA", nullptr);
        UsunDrzewo(dane);
        DeleteFileW(PlikZapisu().c_str());
    }

    void UstawGre() {
        std::lock_guard<std::mutex> l(Stan.blokada);
        Stan.gry = {ZnalezionaGra{gra, "inna"}};
        Stan.wybranaGra = 0;
    }
    // One install run from the test server's package <nazwa> (or its base
    // path, when it starts with '/'), from a fresh state.
    void Zainstaluj(const std::wstring& nazwa, const std::wstring& zDysku = L"") {
        WyczyscStan();
        UstawGre();
        UstawSerwer(Baza(nazwa));
        DeleteFileW(PlikZapisu().c_str());  // what the stand-ins record is this run's
        SetEnvironmentVariableW(L"MRV_PACZKA", zDysku.empty() ? nullptr : zDysku.c_str());
        Instaluj();
        SetEnvironmentVariableW(L"MRV_PACZKA", nullptr);
    }
    static std::wstring Baza(const std::wstring& nazwa) {
        return nazwa[0] == L'/' ? nazwa : L"/paczki/" + nazwa + L"/";
    }
    // One check against that server (the check takes its address from MRV_ADRES).
    void Sprawdz_(const std::wstring& nazwa) {
        WyczyscStan();
        auto [host, port] = AdresTestowy();
        SetEnvironmentVariableW(L"MRV_ADRES", (L"http://" + host + L":" + std::to_wstring(port) + Baza(nazwa)).c_str());
        Sprawdz();
        SetEnvironmentVariableW(L"MRV_ADRES", nullptr);
    }
    std::string Pole(std::string StanLaunchera::*pole) {
        std::lock_guard<std::mutex> l(Stan.blokada);
        return Stan.*pole;
    }
    bool ZawieraLinie(const std::string& linia) {
        const Dziennik d = KopiaDziennika();
        return std::find(d.begin(), d.end(), linia) != d.end();
    }
};

TEST_F(Podpis, PaczkaPodpisanaKluczemZespoluInstalujeSie) {
    struct P {
        const wchar_t* nazwa;
        std::string klucz;
    };
    // B is the team's next key; "windows" is the announcement saved with CR LF
    // and blanks after each line; "dluga" carries the team's notes up to the
    // check's size limit.
    for (const P& p : {P{L"podpisana", IdA}, P{L"podpisana_b", IdB}, P{L"windows", IdA}, P{L"dluga", IdA}}) {
        SCOPED_TRACE(NaUtf8(p.nazwa));
        UsunDrzewo(dane);
        fs::create_directories(dane);
        Zainstaluj(p.nazwa);
        EXPECT_EQ(Pole(&StanLaunchera::blad), "");
        EXPECT_EQ(Pole(&StanLaunchera::wersjaZainstalowana), "2.0");
        const Dziennik d = KopiaDziennika();
        ASSERT_GE(d.size(), 4u) << ::testing::PrintToString(d);
        EXPECT_EQ(d[0], "Pobieram paczkę moda...");
        EXPECT_EQ(d[1], "Sprawdzam paczkę...");
        const std::string zip = CzytajPlik(Paczka(L"podpisana"));
        EXPECT_EQ(d[2].rfind("Paczka zgodna z ogłoszeniem wersji 2.0: " + std::to_string(zip.size()) + " B, SHA-256 ", 0),
                  0u)
            << d[2];
        EXPECT_NE(d[2].find(", podpis klucza " + p.klucz + "."), std::string::npos) << d[2];
        EXPECT_EQ(d[3], "Rozpakowuję...");
        EXPECT_EQ(d.back(), "Gotowe - możesz grać.");

        // The check offers that version and says whose key signed it.
        Sprawdz_(p.nazwa);
        EXPECT_EQ(PierwszaLiniaTekstu(Pole(&StanLaunchera::wersjaNaSerwerze)), "2.0");
        EXPECT_EQ(Pole(&StanLaunchera::blad), "");
        EXPECT_TRUE(ZawieraLinie("Wersja z serwera podpisana kluczem " + p.klucz + "."));
    }
}

TEST_F(Podpis, WrogiSerwerNicNieZmieniaIMowiCoZawiodlo) {
    // An installed mod, its package, the launcher copy and a game file: what a
    // refused package must leave exactly as it was.
    Zainstaluj(L"podpisana");
    ASSERT_EQ(Pole(&StanLaunchera::wersjaZainstalowana), "2.0");
    fs::create_directories(dane + L"\\pobrane");
    const std::string przedDane = ObrazDrzewa(dane), przedGra = ObrazDrzewa(gra);
    const std::string zip = CzytajPlik(Paczka(L"podpisana"));

    struct P {
        const wchar_t* nazwa;
        std::string blad;      // the whole error, or its start when `poczatek`
        bool poczatek;
        bool checkOdrzuca;     // the announcement itself is refused by the check too
        const wchar_t* zalegla = nullptr;  // a package left in the download folder, held by another program
    };
    const std::wstring pobrana = dane + L"\\pobrane\\paczka.zip";
    const P przypadki[] = {
        {L"obca", "Paczka odrzucona: podpisano kluczem " + IdC + ", którego ten launcher nie zna (zna: " + IdA + ", " +
                      IdB + ").", false, true},
        {L"obca_bez_nazwy", "Paczka odrzucona: podpis nie pasuje do żadnego klucza launchera (" + IdA + ", " + IdB + ").",
         false, true},
        {L"zmieniona_wersja", "Paczka odrzucona: podpis nieważny - ogłoszenie zmienione albo podpis uszkodzony.", false, true},
        {L"smieci", "Paczka odrzucona: podpis nieważny - ogłoszenie zmienione albo podpis uszkodzony.", false, true},
        {L"bez_podpisu", "Paczka odrzucona: brak podpisu (linii podpis=).", false, true},
        {L"zly_base64", "Paczka odrzucona: linia podpis= nie jest 64 bajtami w base64: \"!!", true, true},
        {L"zly_hex", "Paczka odrzucona: linia sha256= nie ma 64 cyfr szesnastkowych: \"zz", true, true},
        // Another valid package of the same size: only the digest tells.
        {L"podmieniona", "Paczka odrzucona: SHA-256 paczki ", true, false},
        // The team's package re-zipped with another Morvane.exe: refused
        // before any launcher is put anywhere.
        {L"inny_launcher", "Paczka odrzucona: ", true, false},
        {L"ucieta", "Paczka odrzucona: rozmiar paczki " + std::to_string(zip.size() / 2) + " B, a ogłoszono " +
                        std::to_string(zip.size()) + " B." + NowszaNaSerwerze, false, false},
        // The announced package itself, left by an install killed after its
        // download and held without delete sharing (a scanner, a preview):
        // a digest of what that file held would match while other bytes are
        // written over it.
        {L"podmieniona", "Nie mogę usunąć starej paczki (" + NaUtf8(pobrana) +
                             "): trzyma ją inny program. Zamknij go i spróbuj ponownie.", false, false, L"ogloszona"},
    };
    for (const P& p : przypadki) {
        SCOPED_TRACE(NaUtf8(p.nazwa) + (p.zalegla ? " + zalegla " + NaUtf8(p.zalegla) : ""));
        HANDLE trzyma = INVALID_HANDLE_VALUE;
        if (p.zalegla) {
            ASSERT_TRUE(CopyFileW(Paczka(p.zalegla).c_str(), pobrana.c_str(), FALSE));
            trzyma = CreateFileW(pobrana.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
            ASSERT_NE(trzyma, INVALID_HANDLE_VALUE);
        }
        Zainstaluj(p.nazwa);
        if (p.zalegla) {
            CloseHandle(trzyma);
            DeleteFileW(pobrana.c_str());
        }
        const std::string blad = Pole(&StanLaunchera::blad);
        if (p.poczatek)
            EXPECT_EQ(blad.rfind(p.blad, 0), 0u) << blad;
        else
            EXPECT_EQ(blad, p.blad);
        const Dziennik d = KopiaDziennika();
        ASSERT_GE(d.size(), 2u);
        EXPECT_EQ(d[d.size() - 2], "BŁĄD: " + blad);
        EXPECT_EQ(d.back(), "");
        EXPECT_EQ(Pole(&StanLaunchera::wersjaZainstalowana), "2.0");
        EXPECT_EQ(ObrazDrzewa(dane), przedDane) << "the data folder changed";
        EXPECT_EQ(ObrazDrzewa(gra), przedGra) << "the game folder changed";
        EXPECT_FALSE(PlikIstnieje(PlikZapisu())) << "tar or PowerShell ran for a refused package";
        EXPECT_FALSE(PlikIstnieje(dane + L"\\paczka\\Morvane.exe"));

        Sprawdz_(p.nazwa);
        const std::string bladSprawdzenia = Pole(&StanLaunchera::blad);
        if (p.checkOdrzuca) {
            // No install is offered for a version that could only be refused.
            EXPECT_EQ(Pole(&StanLaunchera::wersjaNaSerwerze), "");
            EXPECT_EQ(bladSprawdzenia, "Wersja z serwera odrzucona: " + blad.substr(strlen("Paczka odrzucona: ")));
        } else {
            EXPECT_EQ(Pole(&StanLaunchera::wersjaNaSerwerze), "2.0");
            EXPECT_EQ(bladSprawdzenia, "");
        }
    }
}

TEST_F(Podpis, WrogaMapaBlokowNieWprowadzaZmienionejPaczki) {
    // The team's signed package installed (the seed of the next update), then
    // a server that publishes the team's announcement with a package changed
    // in a few bytes and a block map that describes the changed one exactly.
    Zainstaluj(L"podpisana_duza");
    ASSERT_EQ(Pole(&StanLaunchera::blad), "");
    ASSERT_TRUE(PlikIstnieje(dane + L"\\pobrane\\zainstalowana.zip"));
    const std::string przedDane = ObrazDrzewa(dane), przedGra = ObrazDrzewa(gra);
    Zainstaluj(L"/wznow/th1/podmieniona_duza/o/");
    const std::string blad = Pole(&StanLaunchera::blad);
    EXPECT_EQ(blad.rfind("Paczka odrzucona: SHA-256 paczki ", 0), 0u) << blad;
    // The map was followed, what it built was refused, and so was the
    // whole download after it.
    EXPECT_TRUE(ZawieraLinie("Pobieram całą paczkę: złożona paczka nie zgadza się z ogłoszeniem."))
        << ::testing::PrintToString(KopiaDziennika());
    EXPECT_EQ(ObrazDrzewa(dane), przedDane) << "the data folder changed";
    EXPECT_EQ(ObrazDrzewa(gra), przedGra) << "the game folder changed";
    EXPECT_FALSE(PlikIstnieje(PlikZapisu())) << "tar or PowerShell ran for a refused package";
}

TEST_F(Podpis, InstalujeTylkoWersjePokazanaPrzezSprawdzenieINigdyStarszej) {
    // Both announcements were signed by the team and published once: someone
    // on the way can answer the install's fetch with the older one.
    struct P {
        const char* opis;
        bool zainstalowana;  // 2.0 installed first
        bool bezPlikuWersji; // ... and then its version file removed (a failed update's script)
        std::wstring serwer;
        std::string blad;    // "" installed
    };
    const P przypadki[] = {
        {"sprawdzenie widzi 2.0, instalacja dostaje 1.5", false, false, L"/dwa/t1/podpisana/starsza/",
         "Paczka odrzucona: serwer ogłasza teraz wersję 1.5, a sprawdzenie pokazało 2.0 - kliknij Sprawdź ponownie."},
        {"oba razy 1.5 przy zainstalowanej 2.0", true, false, L"/paczki/starsza/",
         "Paczka odrzucona: serwer ogłasza wersję 1.5, starszą niż zainstalowana 2.0."},
        // The installed package still says what it was.
        {"1.5, gdy skrypt usunal wersja.txt po 2.0", true, true, L"/paczki/starsza/",
         "Paczka odrzucona: serwer ogłasza wersję 1.5, starszą niż zainstalowana 2.0."},
        // The check shows the line as the server wrote it, blanks included;
        // the install compares the version, not the blanks.
        {"wersja z odstepami przed koncem linii", false, false, L"/paczki/windows/", ""},
    };
    for (const P& p : przypadki) {
        SCOPED_TRACE(p.opis);
        UsunDrzewo(dane);
        fs::create_directories(dane);
        if (p.zainstalowana) Zainstaluj(L"podpisana");
        ASSERT_EQ(Pole(&StanLaunchera::wersjaZainstalowana), p.zainstalowana ? "2.0" : "");
        if (p.bezPlikuWersji) {
            ASSERT_TRUE(DeleteFileW((dane + L"\\wersja.txt").c_str()));
        }
        fs::create_directories(dane + L"\\pobrane");
        const std::string przedDane = ObrazDrzewa(dane), przedGra = ObrazDrzewa(gra);
        Sprawdz_(p.serwer);
        if (p.blad.empty()) {
            EXPECT_EQ(Pole(&StanLaunchera::wersjaNaSerwerze), "2.0 \t");
        }
        // The install the player clicks after that check: what the check
        // showed stays in the state.
        UstawGre();
        DeleteFileW(PlikZapisu().c_str());
        Instaluj();
        EXPECT_EQ(Pole(&StanLaunchera::blad), p.blad);
        if (p.blad.empty()) {
            EXPECT_EQ(Pole(&StanLaunchera::wersjaZainstalowana), "2.0");
            continue;
        }
        EXPECT_EQ(Pole(&StanLaunchera::wersjaZainstalowana), p.zainstalowana && !p.bezPlikuWersji ? "2.0" : "");
        EXPECT_EQ(ObrazDrzewa(dane), przedDane) << "the data folder changed";
        EXPECT_EQ(ObrazDrzewa(gra), przedGra) << "the game folder changed";
        EXPECT_FALSE(PlikIstnieje(PlikZapisu())) << "tar or PowerShell ran for a refused version";
    }
}

TEST_F(Podpis, PaczkaZDyskuSprawdzanaZOgloszeniemSerwera) {
    // The team's package from disk, announced by the server: installed.
    const std::wstring wlasna = tmp / L"Moja paczka.zip";
    ASSERT_TRUE(CopyFileW(Paczka(L"podpisana").c_str(), wlasna.c_str(), FALSE));
    Zainstaluj(L"podpisana", wlasna);
    EXPECT_EQ(Pole(&StanLaunchera::blad), "");
    EXPECT_EQ(Pole(&StanLaunchera::wersjaZainstalowana), "2.0");
    EXPECT_EQ(KopiaDziennika().front(), "Paczka z dysku (próba): " + NaUtf8(wlasna));

    // Another package from disk: refused, the player's file untouched.
    UsunDrzewo(dane);
    fs::create_directories(dane);
    const std::wstring inna = tmp / L"Inna paczka.zip";
    ASSERT_TRUE(CopyFileW(Paczka(L"kod3").c_str(), inna.c_str(), FALSE));
    const std::string bajty = CzytajPlik(inna);
    Zainstaluj(L"podpisana", inna);
    EXPECT_EQ(Pole(&StanLaunchera::blad).rfind("Paczka odrzucona: rozmiar paczki ", 0), 0u) << Pole(&StanLaunchera::blad);
    EXPECT_NE(Pole(&StanLaunchera::blad).find(". To nie ta paczka, którą ogłasza serwer."), std::string::npos);
    EXPECT_EQ(CzytajPlik(inna), bajty);
    EXPECT_FALSE(PlikIstnieje(dane + L"\\paczka"));
    EXPECT_FALSE(PlikIstnieje(dane + L"\\pobrane\\paczka.zip"));
    EXPECT_EQ(Pole(&StanLaunchera::wersjaZainstalowana), "");

    // With no announcement to check it against, nothing is installed.
    Zainstaluj(L"/status/500/", wlasna);
    EXPECT_EQ(Pole(&StanLaunchera::blad),
              "Paczka odrzucona: nie da się jej sprawdzić, bo serwer aktualizacji nie odpowiada (serwer odpowiedział 500).");
    EXPECT_FALSE(PlikIstnieje(dane + L"\\paczka"));
    EXPECT_FALSE(PlikIstnieje(PlikZapisu()));
}

}  // namespace
