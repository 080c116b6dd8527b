// The process runner, the install worker and the uninstall worker with real
// child processes under Wine: a test child that writes chosen bytes, cmd.exe,
// and stand-ins for tar.exe and powershell.exe put into the prefix's system
// folder (Wine has neither; see tests/dublery). Packages are real zips
// (tests/paczki), downloads come from the test update server.
#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <filesystem>
#include <thread>

#include "core/stan.h"
#include "core/tekst.h"
#include "install/instaluj.h"
#include "install/odinstaluj.h"
#include "install/proces.h"
#include "install/sprawdzenie.h"
#include "net/sprawdz.h"
#include "net/mapa_blokow.h"
#include "net/pobierz.h"
#include "wspolne.h"

namespace fs = std::filesystem;

namespace {

std::wstring Paczka(const std::wstring& nazwa) { return FolderTestu() + L"\\paczki\\" + nazwa + L".zip"; }

std::string Hex(const std::string& b) {
    static const char* c = "0123456789abcdef";
    std::string w;
    for (unsigned char z : b) w += std::string{c[z >> 4], c[z & 15]};
    return w;
}

// One call recorded by a stand-in: who, working folder, and two parsed
// values (-Gra/-Launcher, or the archive and the target folder). The record
// also holds the command line, for a person reading a failed run; the
// stand-ins themselves refuse any line but the launcher's.
struct Wywolanie {
    std::string kto, folder, a, b;
    bool operator==(const Wywolanie&) const = default;
};
void PrintTo(const Wywolanie& w, std::ostream* o) {
    *o << "{" << w.kto << " in \"" << w.folder << "\": \"" << w.a << "\", \"" << w.b << "\"}";
}

std::wstring PlikZapisu() {
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    return std::wstring(tmp) + L"morvane-zapis-polecen.txt";
}

std::vector<Wywolanie> Wywolania() {
    std::vector<Wywolanie> w;
    const std::string tresc = CzytajPlik(PlikZapisu());
    size_t p = 0;
    while (p < tresc.size()) {
        size_t k = tresc.find('\n', p);
        std::string wiersz = tresc.substr(p, k - p);
        p = k + 1;
        std::vector<std::string> pola;
        size_t q = 0;
        for (size_t t; (t = wiersz.find('\t', q)) != std::string::npos; q = t + 1) pola.push_back(wiersz.substr(q, t - q));
        pola.push_back(wiersz.substr(q));
        pola.resize(5);
        w.push_back({pola[0], pola[1], pola[3], pola[4]});
    }
    return w;
}

void UstawGre(const std::wstring& folder) {
    std::lock_guard<std::mutex> l(Stan.blokada);
    Stan.gry = {ZnalezionaGra{folder, "inna"}};
    Stan.wybranaGra = 0;
}

// A request the server records, to tell later whether another followed it.
void ZnakujSerwer() {
    UstawSerwer(L"/znacznik/");
    std::string tresc, blad;
    Pobierz(L"x", &tresc, L"", nullptr, blad);
}

std::string OstatnieZapytanie() {
    UstawSerwer(L"/");
    std::string tresc, blad;
    Pobierz(L"_ostatnie", &tresc, L"", nullptr, blad);
    return tresc;
}

// Whether the data folder's removal command (a cmd.exe; nothing else here
// starts one in the background) is running.
bool UsuwanieTrwa() {
    HANDLE migawka = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W p = {sizeof p};
    bool jest = false;
    for (BOOL ok = Process32FirstW(migawka, &p); ok && !jest; ok = Process32NextW(migawka, &p))
        jest = _wcsicmp(p.szExeFile, L"cmd.exe") == 0;
    CloseHandle(migawka);
    return jest;
}

// The removal command tries again at about 5 and 10 s: a later test's fresh
// data folder must not be what it removes, so a test that started one waits
// for it to end.
void CzekajNaKoniecUsuwania() {
    if (!CzekajNa([] { return !UsuwanieTrwa(); }, 30000)) ADD_FAILURE() << "the removal command did not end";
}

class Instalacja : public ::testing::Test {
  protected:
    std::wstring dane, gra;
    TymczasowyFolder tmp;

    static void SetUpTestSuite() { ASSERT_TRUE(WstawDublery()); }

    void SetUp() override {
        WyczyscStan();
        dane = FolderDanych();
        ASSERT_FALSE(dane.empty());
        UsunDrzewo(dane);
        fs::create_directories(dane);
        gra = tmp / L"Gra";
        fs::create_directories(gra);
        UstawGre(gra);
        DeleteFileW(PlikZapisu().c_str());
        SetEnvironmentVariableW(L"MORVANE_ZAPIS_POLECEN", PlikZapisu().c_str());
        SetEnvironmentVariableW(L"MRV_PACZKA", nullptr);
        SetEnvironmentVariableW(L"MRV_ADRES", nullptr);
        SetEnvironmentVariableW(L"MORVANE_TAR_KOD", nullptr);
    }
    void TearDown() override {
        SetEnvironmentVariableW(L"MRV_PACZKA", nullptr);
        SetEnvironmentVariableW(L"MORVANE_TAR_KOD", nullptr);
        UsunDrzewo(dane);
        DeleteFileW(PlikZapisu().c_str());
    }

    void ZainstalujZDysku(const std::wstring& paczka) {
        SetEnvironmentVariableW(L"MRV_PACZKA", paczka.c_str());
        Instaluj();
        SetEnvironmentVariableW(L"MRV_PACZKA", nullptr);
    }

    std::string Blad() {
        std::lock_guard<std::mutex> l(Stan.blokada);
        return Stan.blad;
    }
    std::string Status() {
        std::lock_guard<std::mutex> l(Stan.blokada);
        return Stan.status;
    }
    std::string Zainstalowana() {
        std::lock_guard<std::mutex> l(Stan.blokada);
        return Stan.wersjaZainstalowana;
    }
    // A fresh data folder, then an install from the test server's `baza`
    // that the player closes while it waits to try the download again: what
    // it keeps is where a later run starts.
    void InstalacjaZamknietaPoZerwaniu(const std::wstring& baza) {
        NowyFolderDanych();
        NastepnyPrzebieg(baza);
        std::thread instalacja(Instaluj);
        const bool zerwane = CzekajNa([&] { return Status().rfind("Połączenie zerwane przy ", 0) == 0; }, 20000);
        Stan.zamykanie = true;
        instalacja.join();
        Stan.zamykanie = false;
        ASSERT_TRUE(zerwane);
    }
    // An empty data folder, as before a first install.
    void NowyFolderDanych() {
        UsunDrzewo(dane);
        fs::create_directories(dane);
    }
    // A fresh state (the game chosen, no recorded calls) for a run against `baza`.
    void NastepnyPrzebieg(const std::wstring& baza) {
        WyczyscStan();
        UstawGre(gra);
        DeleteFileW(PlikZapisu().c_str());
        UstawSerwer(baza);
    }
};

// ---- the process runner -----------------------------------------------------

TEST_F(Instalacja, ProcesWyjscieLiniaPoLiniiIKodWyjscia) {
    struct P {
        const char* opis;
        std::wstring argumenty;
        Dziennik linie;
        uint32_t kod;
    };
    auto h = [](const std::string& b) { return NaUtf16("h" + Hex(b)); };
    auto e = [](const std::string& b) { return NaUtf16("e" + Hex(b)); };
    const P przypadki[] = {
        {"CR LF", h("pierwsza\r\ndruga\r\n"), {"  pierwsza", "  druga"}, 0},
        {"wyjscie i bledy w kolejnosci", h("raz\n") + L" s100 " + e("dwa\n") + L" s100 " + h("trzy\n"),
         {"  raz", "  dwa", "  trzy"}, 0},
        {"spacje i CR na koncu, puste linie", h("a \r \r\n\r\n   \r\n\n  wciecie\n"), {"  a", "    wciecie"}, 0},
        {"ostatnia bez LF jak stoi", h("x\nkoniec \r"), {"  x", "  koniec \r"}, 0},
        {"litera UTF-8 w dwoch odczytach", h("\xC5") + L" s300 " + h("\xBC\xC3\xB3\xC5\x82w\n"), {"  żółw"}, 0},
        {"nic nie pisze", L"k7", {}, 7},
        {"kod ponad 16 bitow", L"k70000", {}, 70000},
    };
    const std::wstring pisz = FolderTestu() + L"\\pisz.exe";
    for (const auto& p : przypadki) {
        SCOPED_TRACE(p.opis);
        WyczyscStan();
        EXPECT_EQ(UruchomProces(L"\"" + pisz + L"\" " + p.argumenty, L""), p.kod);
        EXPECT_EQ(KopiaDziennika(), p.linie);
    }
}

TEST_F(Instalacja, ProcesCzekaNaWnukaINieZnanyProgramTo9998) {
    const std::wstring pisz = FolderTestu() + L"\\pisz.exe";
    // The child ends at once; its own child keeps the output open for 1.5 s.
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(UruchomProces(L"\"" + pisz + L"\" w1500:" + NaUtf16(Hex("wnuk\n")) + L" k4", L""), 4u);
    EXPECT_GE(GetTickCount64() - start, 1400u);
    EXPECT_EQ(KopiaDziennika(), Dziennik({"  wnuk"}));

    WyczyscStan();
    EXPECT_EQ(UruchomProces(L"\"" + (tmp / L"nie-ma-mnie.exe") + L"\"", L""), KodBrakStartu);
    EXPECT_EQ(UruchomProces(L"\"" + pisz + L"\"", tmp / L"brak-folderu"), KodBrakStartu);
    EXPECT_TRUE(KopiaDziennika().empty());
}

TEST_F(Instalacja, ProcesFolderRoboczyPodanyLubBiezacy) {
    const std::wstring folder = tmp / L"O'Brien ma spacje";
    fs::create_directories(folder);
    const std::wstring cmd = L"cmd.exe /c cd";
    EXPECT_EQ(UruchomProces(cmd, folder, ProgramCmd(FolderSystemowy())), 0u);
    wchar_t biezacy[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, biezacy);
    std::wstring b = biezacy;
    if (b.size() > 3 && b.back() == L'\\') b.pop_back();
    EXPECT_EQ(UruchomProces(cmd, L"", ProgramCmd(FolderSystemowy())), 0u);
    EXPECT_EQ(KopiaDziennika(), Dziennik({"  " + NaUtf8(folder), "  " + NaUtf8(b)}));
}

// A powershell.exe or cmd.exe next to the launcher or in its current folder
// (a Downloads folder) must not be what runs.
struct PodrzuconeProgramy {
    wchar_t poprzedni[MAX_PATH];
    std::wstring folder;
    explicit PodrzuconeProgramy(const std::wstring& f) : folder(f) {
        GetCurrentDirectoryW(MAX_PATH, poprzedni);
        fs::create_directories(folder);
        for (const wchar_t* nazwa : {L"powershell.exe", L"cmd.exe", L"tar.exe"})
            CopyFileW((FolderTestu() + L"\\pisz.exe").c_str(), (folder + L"\\" + nazwa).c_str(), FALSE);
        SetCurrentDirectoryW(folder.c_str());
    }
    ~PodrzuconeProgramy() { SetCurrentDirectoryW(poprzedni); }
};

TEST_F(Instalacja, SkryptPowerShellaZCudzyslowamiWSciezceIWlasnymFolderem) {
    PodrzuconeProgramy podrzucone(tmp / L"Pobrane");
    const std::wstring folder = tmp / L"Skrypty O'Brien \u2019ż\u2018";
    const std::wstring skrypt = folder + L"\\instaluj.ps1";
    ZapiszPlik(skrypt, "# dubler: wypisz Zażółć gęślą jaźń\r\n# dubler: kod 5\r\n");
    EXPECT_EQ(UruchomSkrypt(skrypt, L"-Gra 'a''b' -Launcher 'c'"), 5u);
    EXPECT_EQ(KopiaDziennika(), Dziennik({"  Zażółć gęślą jaźń"}));
    auto w = Wywolania();
    ASSERT_EQ(w.size(), 1u);
    // The working folder keeps its single apostrophes.
    EXPECT_EQ(w[0], (Wywolanie{"skrypt", NaUtf8(folder), "a'b", "c"}));
}

// ---- the install worker -------------------------------------------------------

TEST_F(Instalacja, ZPaczkiNaDyskuTylkoOgloszenieZSieciIKopiaLaunchera) {
    // A game folder whose name ends PowerShell's quoting three ways.
    gra = tmp / L"Gry O'Brien \u2018Dziki Gon\u2019 & 100%\\Wiedźmin 3";
    fs::create_directories(gra);
    UstawGre(gra);
    const std::wstring paczka = tmp / L"Moja paczka.zip";
    ASSERT_TRUE(CopyFileW(Paczka(L"dobra").c_str(), paczka.c_str(), FALSE));
    const std::string bajty = CzytajPlik(paczka);
    ZnakujSerwer();
    // The server's version file as it always was: the version, then a line
    // of its own. It names no size or digest, so the package is not checked.
    UstawSerwer(L"/ok/");

    ZainstalujZDysku(paczka);

    // The last request the server saw is the announcement: no package was fetched.
    const std::string ostatnie = OstatnieZapytanie();
    EXPECT_NE(ostatnie.find("\"sciezka\": \"/ok/wersja.txt\""), std::string::npos) << ostatnie;
    Dziennik d = KopiaDziennika();
    ASSERT_EQ(d.size(), 7u) << ::testing::PrintToString(d);
    EXPECT_EQ(d[0], "Paczka z dysku (próba): " + NaUtf8(paczka));
    EXPECT_EQ(d[1], "Rozpakowuję...");
    EXPECT_EQ(d[2], "Instaluję (kopiuję ok. 400 MB do folderu gry)...");
    EXPECT_EQ(d[3], "  Kopiuję pliki: zażółć gęślą jaźń");
    EXPECT_EQ(d[4], "    wcięty wiersz");  // its own indent stays
    EXPECT_EQ(d[5].rfind("Serwer: ", 0), 0u) << d[5];
    EXPECT_EQ(d[6], "Gotowe - możesz grać.");
    EXPECT_EQ(Status(), "Gotowe - możesz grać.");
    EXPECT_EQ(Blad(), "");
    EXPECT_EQ(Zainstalowana(), "2.0");
    EXPECT_EQ(Stan.postep.load(), -1.0f);
    EXPECT_FALSE(Stan.zajety.load());
    EXPECT_FALSE(Stan.zmianaModu.load());

    EXPECT_EQ(CzytajPlik(paczka), bajty);  // the player's file is untouched
    EXPECT_FALSE(PlikIstnieje(dane + L"\\pobrane\\paczka.zip"));
    EXPECT_TRUE(PlikIstnieje(dane + L"\\pobrane"));
    EXPECT_TRUE(PlikIstnieje(dane + L"\\paczka\\odinstaluj.ps1"));
    EXPECT_TRUE(PlikIstnieje(dane + L"\\paczka\\mod\\plik.txt"));
    EXPECT_EQ(CzytajPlik(dane + L"\\Morvane.exe"), CzytajPlik(ProgramTestu()));

    auto w = Wywolania();
    ASSERT_EQ(w.size(), 2u);
    const std::string folderPaczki = NaUtf8(dane + L"\\paczka"), zip = NaUtf8(dane + L"\\pobrane\\paczka.zip");
    // Unpacked beside the installed package, run from where it was swapped in.
    const std::string nowa = NaUtf8(dane + L"\\paczka.nowa");
    EXPECT_EQ(w[0], (Wywolanie{"tar", nowa, zip, nowa}));
    // The game folder reached the script intact.
    EXPECT_EQ(w[1], (Wywolanie{"skrypt", folderPaczki, NaUtf8(gra), NaUtf8(dane + L"\\Morvane.exe")}));
}

TEST_F(Instalacja, ZSerweraZPostepemGdyPaczkiZeZmiennejNieMa) {
    SetEnvironmentVariableW(L"MRV_PACZKA", (tmp / L"nie-ma.zip").c_str());
    UstawSerwer(L"/paczki/duza/");
    std::vector<std::pair<std::string, float>> widziane;
    std::atomic<bool> koniec{false};
    std::thread obserwator([&] {
        while (!koniec) {
            std::string s = Status();
            float p = Stan.postep.load();
            if (widziane.empty() || widziane.back().first != s) widziane.push_back({s, p});
            Sleep(1);
        }
    });
    Instaluj();
    koniec = true;
    obserwator.join();

    EXPECT_EQ(Blad(), "");
    EXPECT_EQ(Zainstalowana(), "2.1");
    Dziennik d = KopiaDziennika();
    ASSERT_GE(d.size(), 2u);
    EXPECT_EQ(d[0], "Pobieram paczkę moda...");  // one line, however many reports
    // The server announced the package's size and digest: checked before unpacking.
    EXPECT_EQ(d[1], "Sprawdzam paczkę...");
    EXPECT_EQ(d[2].rfind("Paczka zgodna z ogłoszeniem wersji 2.1: " + std::to_string(CzytajPlik(Paczka(L"duza")).size()) + " B, SHA-256 ", 0), 0u) << d[2];
    EXPECT_EQ(d[3], "Rozpakowuję...");
    EXPECT_EQ(d.back(), "Gotowe - możesz grać.");
    int zPostepem = 0;
    for (auto& [s, p] : widziane)
        if (s.rfind("Pobieram paczkę moda... ", 0) == 0) {
            EXPECT_NE(s.find(" z 2 MB"), std::string::npos) << s;
            ++zPostepem;
        }
    EXPECT_GT(zPostepem, 0) << "no progress text seen";
    EXPECT_FALSE(PlikIstnieje(dane + L"\\pobrane\\paczka.zip"));
}

TEST_F(Instalacja, BezKluczaPaczkaSprawdzanaGdySerwerPodajeRozmiarISkrot) {
    const std::wstring inna = tmp / L"Inna paczka.zip";
    ASSERT_TRUE(CopyFileW(Paczka(L"kod3").c_str(), inna.c_str(), FALSE));
    const std::string bajty = CzytajPlik(inna);
    struct P {
        const char* opis;
        std::wstring baza, zDysku;
        std::string blad;  // its start; empty: installed
    };
    const P przypadki[] = {
        // A signed announcement: this launcher has no key, so the signature is
        // not asked for, but the size and digest still are.
        {"podpisana", L"/paczki/podpisana/", L"", ""},
        {"podmieniona na rowna rozmiarem", L"/paczki/podmieniona_bez_klucza/", L"", "Paczka odrzucona: SHA-256 paczki "},
        {"bledna linia skrotu", L"/paczki/zly_hex/", L"", "Paczka odrzucona: linia sha256= nie ma 64 cyfr"},
        {"inna z dysku", L"/paczki/dobra/", inna, "Paczka odrzucona: rozmiar paczki "},
        // No announcement at all: the local package installs as it always did.
        {"z dysku bez ogloszenia", L"/status/404/", inna, "Instalacja przerwana (kod 3)"},
    };
    for (const auto& p : przypadki) {
        SCOPED_TRACE(p.opis);
        WyczyscStan();
        UsunDrzewo(dane);
        fs::create_directories(dane);
        UstawGre(gra);
        UstawSerwer(p.baza);
        DeleteFileW(PlikZapisu().c_str());
        SetEnvironmentVariableW(L"MRV_PACZKA", p.zDysku.empty() ? nullptr : p.zDysku.c_str());
        Instaluj();
        SetEnvironmentVariableW(L"MRV_PACZKA", nullptr);
        if (p.blad.empty()) {
            EXPECT_EQ(Blad(), "");
            EXPECT_EQ(Zainstalowana(), "2.0");
            const Dziennik d = KopiaDziennika();
            ASSERT_GE(d.size(), 3u);
            EXPECT_EQ(d[2].find("Paczka zgodna z ogłoszeniem wersji 2.0: "), 0u) << d[2];
            EXPECT_EQ(d[2].find("podpis"), std::string::npos) << d[2];
            continue;
        }
        EXPECT_EQ(Blad().rfind(p.blad, 0), 0u) << Blad();
        if (p.blad.rfind("Paczka odrzucona", 0) == 0) {
            EXPECT_FALSE(PlikIstnieje(dane + L"\\paczka"));
            EXPECT_TRUE(Wywolania().empty());
        }
        EXPECT_FALSE(PlikIstnieje(dane + L"\\pobrane\\paczka.zip"));
        EXPECT_EQ(CzytajPlik(inna), bajty);
    }
}

TEST_F(Instalacja, PodWinePowershellZaslepkaNicNiePobieraINieUsuwa) {
    ZainstalujZDysku(Paczka(L"dobra"));  // a mod installed before, with the stand-in
    ASSERT_EQ(Zainstalowana(), "2.0");
    // A player's Wine or Proton prefix: Wine's own powershell.exe, a stub
    // that prints nothing and exits 0, where the stand-in stood.
    ASSERT_TRUE(CopyFileW(L"Z:\\usr\\lib\\x86_64-linux-gnu\\wine\\x86_64-windows\\powershell.exe",
                          ProgramPowerShell(FolderSystemowy()).c_str(), FALSE))
        << "Wine's own powershell.exe is not where Debian puts it";
    const std::string przed = ObrazDrzewa(dane);
    DeleteFileW(PlikZapisu().c_str());
    WyczyscStan();
    UstawGre(gra);
    ZnakujSerwer();
    UstawSerwer(L"/paczki/dobra/");
    Instaluj();
    const std::string ostatnie = OstatnieZapytanie();
    const Dziennik poInstalacji = KopiaDziennika();
    WyczyscStan();
    Odinstaluj();
    const Dziennik poUsuwaniu = KopiaDziennika();
    const uint64_t zamkniecie = Stan.terminZamkniecia.load();
    ASSERT_TRUE(WstawDublery());

    EXPECT_EQ(poInstalacji, Dziennik({"BŁĄD: Instalacja moda wymaga Windows PowerShell, którego nie ma w Wine ani w "
                                      "Protonie. Zainstaluj mod na Windows i przenieś folder gry albo skopiuj pliki z "
                                      "paczki ręcznie (opis w README launchera).",
                                      ""}));
    EXPECT_NE(ostatnie.find("\"sciezka\": \"/znacznik/x\""), std::string::npos) << "a request was made: " << ostatnie;
    // The stub would have "removed" the mod and the launcher its data folder.
    EXPECT_EQ(poUsuwaniu, Dziennik({"Usuwam mod z gry...",
                                    "BŁĄD: Usuwanie moda wymaga Windows PowerShell, którego nie ma w Wine ani w "
                                    "Protonie. Usuń mod na Windows albo przywróć pliki gry ręcznie (opis w README "
                                    "launchera)."}));
    EXPECT_EQ(zamkniecie, 0u);
    EXPECT_FALSE(UsuwanieTrwa());
    EXPECT_EQ(ObrazDrzewa(dane), przed);
    EXPECT_TRUE(Wywolania().empty());
}

TEST_F(Instalacja, NieudanePobranieToBladIBrakPliku) {
    UstawSerwer(L"/status/404/");
    Instaluj();
    EXPECT_EQ(Blad(), "Pobieranie nie wyszło: serwer odpowiedział 404");
    EXPECT_EQ(KopiaDziennika(), Dziennik({"Pobieram paczkę moda...", "BŁĄD: Pobieranie nie wyszło: serwer odpowiedział 404", ""}));
    EXPECT_FALSE(PlikIstnieje(dane + L"\\pobrane\\paczka.zip"));
    EXPECT_FALSE(PlikIstnieje(dane + L"\\paczka"));
}

TEST_F(Instalacja, TarZawodziPowerShellRozpakowuje) {
    SetEnvironmentVariableW(L"MORVANE_TAR_KOD", L"5");
    ZainstalujZDysku(Paczka(L"dobra"));
    Dziennik d = KopiaDziennika();
    ASSERT_GE(d.size(), 4u);
    EXPECT_EQ(d[1], "Rozpakowuję...");
    EXPECT_EQ(d[2], "  tar.exe: Error opening archive (test)");
    EXPECT_EQ(d[3], "tar nie dał rady (5) - rozpakowuję PowerShellem");
    EXPECT_EQ(Blad(), "");
    EXPECT_EQ(Zainstalowana(), "2.0");
    auto w = Wywolania();
    ASSERT_GE(w.size(), 2u);
    const std::string nowa = NaUtf8(dane + L"\\paczka.nowa"), zip = NaUtf8(dane + L"\\pobrane\\paczka.zip");
    EXPECT_EQ(w[1], (Wywolanie{"expand-archive", nowa, zip, nowa}));
}

TEST_F(Instalacja, ZepsutaAktualizacjaZostawiaZainstalowanyModDoUsuniecia) {
    ZainstalujZDysku(Paczka(L"dobra"));
    ASSERT_EQ(Zainstalowana(), "2.0");
    const std::string odinstaluj = CzytajPlik(dane + L"\\paczka\\odinstaluj.ps1");
    ASSERT_FALSE(odinstaluj.empty());

    struct P { const char* opis; std::wstring paczka; std::string linia; };
    const P przypadki[] = {
        {"skrypty o folder za gleboko", Paczka(L"gleboka"), "tar nie dał rady (0) - rozpakowuję PowerShellem"},
        {"to nie zip", Paczka(L"zepsuta"), "tar nie dał rady (1) - rozpakowuję PowerShellem"},
    };
    for (const auto& p : przypadki) {
        SCOPED_TRACE(p.opis);
        WyczyscStan();
        UstawGre(gra);
        ZainstalujZDysku(p.paczka);
        Dziennik d = KopiaDziennika();
        EXPECT_NE(std::find(d.begin(), d.end(), p.linia), d.end()) << ::testing::PrintToString(d);
        ASSERT_GE(d.size(), 2u);
        EXPECT_EQ(d[d.size() - 2], "BŁĄD: Nie udało się rozpakować paczki.");
        EXPECT_EQ(d.back(), "");
        EXPECT_EQ(Blad(), "Nie udało się rozpakować paczki.");
        EXPECT_EQ(Status(), "");
        // The installed package is back where the uninstall looks for it.
        EXPECT_EQ(CzytajPlik(dane + L"\\paczka\\odinstaluj.ps1"), odinstaluj);
        EXPECT_TRUE(PlikIstnieje(dane + L"\\paczka\\instaluj.ps1"));
        EXPECT_FALSE(PlikIstnieje(dane + L"\\paczka\\Morvane"));
        EXPECT_FALSE(PlikIstnieje(dane + L"\\paczka.poprzednia"));
        EXPECT_FALSE(PlikIstnieje(dane + L"\\pobrane\\paczka.zip"));
        EXPECT_EQ(Zainstalowana(), "2.0");
    }
    // A good update after that replaces the package and leaves nothing aside.
    WyczyscStan();
    UstawGre(gra);
    ZainstalujZDysku(Paczka(L"kod3"));
    EXPECT_FALSE(PlikIstnieje(dane + L"\\paczka.poprzednia"));
    EXPECT_NE(CzytajPlik(dane + L"\\paczka\\instaluj.ps1").find("kod 3"), std::string::npos);
}

TEST_F(Instalacja, SkryptZKodem3ToBladZJegoWyjsciemWyzej) {
    ZainstalujZDysku(Paczka(L"kod3"));
    const std::string blad = "Instalacja przerwana (kod 3) - szczegóły w dzienniku niżej.";
    EXPECT_EQ(Blad(), blad);
    Dziennik d = KopiaDziennika();
    ASSERT_GE(d.size(), 3u);
    EXPECT_EQ(d[d.size() - 3], "  Brak miejsca na dysku");
    EXPECT_EQ(d[d.size() - 2], "BŁĄD: " + blad);
    EXPECT_EQ(d.back(), "");
    EXPECT_EQ(Status(), "");
    EXPECT_EQ(Zainstalowana(), "");
    EXPECT_TRUE(PlikIstnieje(dane + L"\\paczka\\instaluj.ps1"));  // kept for a look
    EXPECT_FALSE(PlikIstnieje(dane + L"\\pobrane\\paczka.zip"));
    // The script may have changed the game before it failed: the way back
    // stays offered although no version was written.
    {
        std::lock_guard<std::mutex> l(Stan.blokada);
        EXPECT_TRUE(Stan.skryptUsuwania);
    }
    WyczyscStan();
    Sprawdz();
    std::lock_guard<std::mutex> l(Stan.blokada);
    EXPECT_TRUE(Stan.skryptUsuwania);
    EXPECT_EQ(Stan.wersjaZainstalowana, "");
}

TEST_F(Instalacja, UcietaPaczkaNieJestDobraChocSkryptyRozpakowano) {
    // Half of a kit package: its scripts come first in the zip and unpack
    // whole, the mod's files after them do not.
    const std::wstring ucieta = tmp / L"ucieta.zip";
    const std::string cala = CzytajPlik(Paczka(L"duza"));
    ZapiszPlik(ucieta, cala.substr(0, cala.size() / 2));
    struct P { const char* opis; bool zainstalowana; };
    for (const P& p : {P{"pierwsza instalacja", false}, P{"aktualizacja", true}}) {
        SCOPED_TRACE(p.opis);
        UsunDrzewo(dane);
        fs::create_directories(dane);
        WyczyscStan();
        UstawGre(gra);
        if (p.zainstalowana) ZainstalujZDysku(Paczka(L"dobra"));
        const std::string przed = ObrazDrzewa(dane + L"\\paczka");
        DeleteFileW(PlikZapisu().c_str());
        WyczyscStan();
        UstawGre(gra);
        ZainstalujZDysku(ucieta);
        const Dziennik d = KopiaDziennika();
        EXPECT_NE(std::find(d.begin(), d.end(), "tar nie dał rady (1) - rozpakowuję PowerShellem"), d.end())
            << ::testing::PrintToString(d);
        EXPECT_EQ(Blad(), "Nie udało się rozpakować paczki.");
        // The cut package's script never ran, and what it left is gone; an
        // installed package is back as it was.
        for (const auto& w : Wywolania()) EXPECT_NE(w.kto, "skrypt");
        EXPECT_EQ(ObrazDrzewa(dane + L"\\paczka"), przed);
        EXPECT_EQ(PlikIstnieje(dane + L"\\paczka\\odinstaluj.ps1"), p.zainstalowana);
        EXPECT_EQ(Zainstalowana(), p.zainstalowana ? "2.0" : "");
        std::lock_guard<std::mutex> l(Stan.blokada);
        EXPECT_EQ(Stan.skryptUsuwania, p.zainstalowana);
    }
}

TEST_F(Instalacja, AktualizacjaGdyPaczkeTrzymaInnyProgramNicNieZmienia) {
    ZainstalujZDysku(Paczka(L"dobra"));
    ASSERT_EQ(Zainstalowana(), "2.0");
    const std::string przed = ObrazDrzewa(dane);
    // A program with the package's folder open and no sharing of its removal
    // (an Explorer window, an antivirus scan): the folder can't be moved aside.
    HANDLE trzyma = CreateFileW((dane + L"\\paczka").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(trzyma, INVALID_HANDLE_VALUE);
    DeleteFileW(PlikZapisu().c_str());
    WyczyscStan();
    UstawGre(gra);
    ZainstalujZDysku(Paczka(L"kod3"));
    CloseHandle(trzyma);
    EXPECT_EQ(Blad(), "Nie mogę odsunąć zainstalowanej paczki (" + NaUtf8(dane + L"\\paczka") +
                          "): trzyma ją inny program. Zamknij go i spróbuj ponownie.");
    // It unpacked beside the held one, then could not swap: nothing ran.
    for (const auto& w : Wywolania()) EXPECT_NE(w.kto, "skrypt");
    EXPECT_EQ(ObrazDrzewa(dane), przed);
    EXPECT_EQ(Zainstalowana(), "2.0");
}

TEST_F(Instalacja, BezGryTylkoBladIFolderPobranych) {
    {
        std::lock_guard<std::mutex> l(Stan.blokada);
        Stan.gry.clear();
        Stan.wybranaGra = -1;
        Stan.blad = "stary";
    }
    ZainstalujZDysku(Paczka(L"dobra"));
    EXPECT_EQ(KopiaDziennika(), Dziennik({"BŁĄD: Najpierw wskaż folder gry.", ""}));
    EXPECT_EQ(Blad(), "Najpierw wskaż folder gry.");
    EXPECT_TRUE(PlikIstnieje(dane + L"\\pobrane"));
    EXPECT_FALSE(PlikIstnieje(dane + L"\\paczka"));
    EXPECT_TRUE(Wywolania().empty());
}

TEST_F(Instalacja, DlugaSciezkaPaczkiCzytanaCalosciowo) {
    std::wstring folder = L"\\\\?\\" + tmp.sciezka;
    while (folder.size() < 300) folder += L"\\folder-o-dlugiej-nazwie";
    fs::create_directories(folder);
    const std::wstring paczka = folder + L"\\paczka.zip";
    ASSERT_TRUE(CopyFileW(Paczka(L"dobra").c_str(), paczka.c_str(), FALSE));
    UstawSerwer(L"/status/500/");  // a download instead would fail
    ZainstalujZDysku(paczka);
    EXPECT_EQ(KopiaDziennika().front(), "Paczka z dysku (próba): " + NaUtf8(paczka));
    EXPECT_EQ(Blad(), "");
    EXPECT_EQ(Zainstalowana(), "2.0");
}

TEST_F(Instalacja, ZajetyLubZamykanyNicNieRobi) {
    SetEnvironmentVariableW(L"MRV_PACZKA", Paczka(L"dobra").c_str());
    ZapiszPlik(dane + L"\\paczka\\odinstaluj.ps1", "# dubler: kod 0\r\n");
    {
        std::lock_guard<std::mutex> l(Stan.blokada);
        Stan.status = "trwa inna praca";
    }
    ASSERT_TRUE(ZajmijPrace());
    Instaluj();
    Odinstaluj();
    EXPECT_TRUE(Stan.zajety.load());
    ZwolnijPrace();
    // Once a closing is planned no worker starts.
    Stan.terminZamkniecia = GetTickCount64() + 60000;
    Instaluj();
    Odinstaluj();
    EXPECT_FALSE(Stan.zajety.load());
    EXPECT_TRUE(KopiaDziennika().empty());
    EXPECT_EQ(Status(), "trwa inna praca");
    EXPECT_TRUE(Wywolania().empty());
    EXPECT_FALSE(PlikIstnieje(dane + L"\\pobrane"));
}

TEST_F(Instalacja, PaczkaWiekszaNizOgloszonaZatrzymanaNaOgloszonymRozmiarze) {
    // The announced package with 4 MiB more behind it, all in Content-Length.
    UstawSerwer(L"/wiecej/dobra/");
    const uint64_t ogloszony = CzytajPlik(Paczka(L"dobra")).size();
    const std::wstring pobrana = dane + L"\\pobrane\\paczka.zip";
    std::atomic<bool> koniec{false};
    uint64_t najwiecej = 0;
    std::thread obserwator([&] {
        while (!koniec) {
            WIN32_FILE_ATTRIBUTE_DATA a;
            if (GetFileAttributesExW(pobrana.c_str(), GetFileExInfoStandard, &a))
                najwiecej = std::max(najwiecej, (uint64_t)a.nFileSizeHigh << 32 | a.nFileSizeLow);
            Sleep(1);
        }
    });
    Instaluj();
    koniec = true;
    obserwator.join();
    EXPECT_EQ(Blad(), "Paczka odrzucona: serwer wysyła więcej niż ogłoszone " + std::to_string(ogloszony) +
                          " B. Serwer mógł właśnie wydać nową wersję - kliknij Sprawdź ponownie.");
    EXPECT_LE(najwiecej, ogloszony) << "bytes past the announced size reached the disk";
    EXPECT_FALSE(PlikIstnieje(pobrana));
    EXPECT_FALSE(PlikIstnieje(dane + L"\\paczka"));
    EXPECT_TRUE(Wywolania().empty());
}

TEST_F(Instalacja, PrzerwanaAktualizacjaZostawiaCalaZainstalowanaPaczke) {
    // The installed package's uninstall script prints its own line and fails,
    // so an uninstall shows whose script ran and removes nothing.
    ZainstalujZDysku(Paczka(L"odinstaluj_kod2"));
    ASSERT_EQ(Zainstalowana(), "2.0");
    const std::wstring paczka = dane + L"\\paczka", zapas = tmp / L"zainstalowana";
    fs::copy(paczka, zapas, fs::copy_options::recursive);
    const std::string zainstalowana = ObrazDrzewa(paczka);
    // What the launcher can leave when it stops during an update: the new
    // package half unpacked, or whole with scripts that never ran.
    const std::wstring polowa = tmp / L"polowa", cala = tmp / L"cala";
    ZapiszPlik(polowa + L"\\instaluj.ps1", "# dubler: wersja 9.9\r\n");
    ZapiszPlik(cala + L"\\instaluj.ps1", "# dubler: wersja 9.9\r\n");
    ZapiszPlik(cala + L"\\odinstaluj.ps1", "# dubler: wypisz Skrypt nowej paczki\r\n# dubler: kod 0\r\n");
    struct P {
        const char* opis;
        std::vector<std::pair<std::wstring, std::wstring>> foldery;  // copied from, to (under the data folder)
        bool przywrocona;  // the journal says the installed package came back
    };
    const P przypadki[] = {
        {"nowa w trakcie rozpakowania", {{zapas, L"paczka"}, {polowa, L"paczka.nowa"}}, false},
        {"miedzy dwoma przeniesieniami", {{zapas, L"paczka.poprzednia"}, {cala, L"paczka.nowa"}}, true},
        {"po podmianie, przed skryptem nowej", {{cala, L"paczka"}, {zapas, L"paczka.poprzednia"}}, true},
        {"zastapiona, jeszcze nieusunieta", {{zapas, L"paczka"}, {cala, L"paczka.stara"}, {cala, L"paczka.stara-1"}},
         false},
    };
    auto [host, port] = AdresTestowy();
    SetEnvironmentVariableW(L"MRV_ADRES", (L"http://" + host + L":" + std::to_wstring(port) + L"/status/404/").c_str());
    for (const P& p : przypadki) {
        for (const char* kto : {"sprawdzenie", "odinstalowanie"}) {
            SCOPED_TRACE(std::string(p.opis) + ", " + kto);
            for (const wchar_t* n : {L"paczka", L"paczka.nowa", L"paczka.poprzednia", L"paczka.stara", L"paczka.stara-1"})
                UsunDrzewo(dane + L"\\" + n);
            for (const auto& [z, na] : p.foldery) fs::copy(z, dane + L"\\" + na, fs::copy_options::recursive);
            WyczyscStan();
            if (std::string(kto) == "sprawdzenie") SprawdzPoNaprawie();
            else Odinstaluj();
            const Dziennik d = KopiaDziennika();
            EXPECT_EQ(ObrazDrzewa(paczka), zainstalowana);
            for (const wchar_t* n : {L"paczka.nowa", L"paczka.poprzednia", L"paczka.stara", L"paczka.stara-1"})
                EXPECT_FALSE(PlikIstnieje(dane + L"\\" + n)) << NaUtf8(n);
            const bool przywrocona =
                std::find(d.begin(), d.end(), "Przywróciłem zainstalowaną paczkę po przerwanej aktualizacji.") != d.end();
            EXPECT_EQ(przywrocona, p.przywrocona) << ::testing::PrintToString(d);
            if (std::string(kto) == "odinstalowanie") {
                EXPECT_NE(std::find(d.begin(), d.end(), "  Plik gry jest zajęty"), d.end()) << ::testing::PrintToString(d);
                EXPECT_EQ(Blad(), "Usuwanie przerwane (kod 2).");
            } else {
                std::lock_guard<std::mutex> l(Stan.blokada);
                EXPECT_TRUE(Stan.skryptUsuwania);
            }
        }
    }
    SetEnvironmentVariableW(L"MRV_ADRES", nullptr);
}

TEST_F(Instalacja, DowiazanieWPaczceNieWyprowadzaUsuwaniaPozaNia) {
    // A folder outside the data folder (the game's, a player's saves) that a
    // link inside the package points to; a package or its script can make one.
    const std::wstring zewnatrz = tmp / L"Zapisy gracza";
    ZapiszPlik(zewnatrz + L"\\zapis.sav", "nie ruszać");
    const std::wstring link = dane + L"\\paczka\\dowiazanie";
    auto dowiaz = [&] {
        return PoLinuksowemu(L"Z:\\bin\\ln -s \"" + SciezkaLinuksowa(zewnatrz) + L"\" ", link, [&] { return WFolderze(link); });
    };
    ZainstalujZDysku(Paczka(L"dobra"));
    ASSERT_EQ(Zainstalowana(), "2.0");
    struct P {
        const char* opis;
        std::wstring paczka;
        std::string blad;
    };
    const P przypadki[] = {
        {"aktualizacja", Paczka(L"dobra"), ""},
        {"nieudana aktualizacja", Paczka(L"kod3"), "Instalacja przerwana (kod 3) - szczegóły w dzienniku niżej."},
    };
    for (const P& p : przypadki) {
        SCOPED_TRACE(p.opis);
        ASSERT_TRUE(dowiaz()) << "could not make a Linux symbolic link in the package";
        WyczyscStan();
        UstawGre(gra);
        ZainstalujZDysku(p.paczka);
        EXPECT_EQ(Blad(), p.blad);
        EXPECT_EQ(CzytajPlik(zewnatrz + L"\\zapis.sav"), "nie ruszać") << "removing the old package followed the link";
        EXPECT_FALSE(WFolderze(link)) << "the old package is still in place";
    }
    // Wine can't remove such a link itself (Windows can): Linux's rm, which
    // never follows one, clears what the launcher had to leave.
    EXPECT_TRUE(PoLinuksowemu(L"Z:\\bin\\rm -rf ", dane, [&] { return !PlikIstnieje(dane); }));
    EXPECT_EQ(CzytajPlik(zewnatrz + L"\\zapis.sav"), "nie ruszać");
    fs::create_directories(dane);
}

// ---- a download that breaks --------------------------------------------------

// What the test server's /wznow/<t>/ served: body bytes, and the Range
// header of each request for the package ("-" for none).
struct Obsluzone {
    uint64_t bajty = 0;
    std::vector<std::string> zakresy;
};
Obsluzone Licznik(const std::wstring& token) {
    UstawSerwer(L"/");
    std::string t, blad;
    Pobierz(L"_licznik/" + token, &t, L"", nullptr, blad);
    Obsluzone o;
    const size_t b = t.find("\"bajty\": ");
    if (b != std::string::npos) o.bajty = std::stoull(t.substr(b + 9));
    for (size_t p = t.find("\"zakresy\": [") + 12; p < t.size() && t[p] != ']';) {
        if (t.compare(p, 4, "null") == 0) {
            o.zakresy.push_back("-");
            p += 4;
        } else if (t[p] == '"') {
            const size_t k = t.find('"', p + 1);
            o.zakresy.push_back(t.substr(p + 1, k - p - 1));
            p = k + 1;
        } else {
            ++p;
        }
    }
    return o;
}

// "bytes=N-" -> N
uint64_t OdBajtu(const std::string& zakres) { return std::stoull(zakres.substr(6)); }

bool MaLinie(const Dziennik& d, const std::string& poczatek) {
    return std::any_of(d.begin(), d.end(), [&](const std::string& l) { return l.rfind(poczatek, 0) == 0; });
}

TEST_F(Instalacja, ZerwanePobieranieWznawiaResztaPrzyResecieIPrzestoju) {
    const uint64_t rozmiar = CzytajPlik(Paczka(L"duza")).size();
    // A reset at 30 %, then a connection that stalls at 70 % until the
    // receive time-out, then the rest.
    UstawSerwer(L"/wznow/t1/duza/r30+s70/");
    Instaluj();
    EXPECT_EQ(Blad(), "");
    EXPECT_EQ(Zainstalowana(), "2.1");
    const Dziennik d = KopiaDziennika();
    EXPECT_TRUE(MaLinie(d, "Połączenie zerwane przy ")) << ::testing::PrintToString(d);
    EXPECT_NE(std::find_if(d.begin(), d.end(), [](auto& l) { return l.find("(próba 3 z 6)...") != l.npos; }), d.end());
    EXPECT_TRUE(MaLinie(d, "Paczka zgodna z ogłoszeniem wersji 2.1: " + std::to_string(rozmiar) + " B"));
    const Obsluzone o = Licznik(L"t1");
    ASSERT_EQ(o.zakresy.size(), 3u) << ::testing::PrintToString(o.zakresy);
    EXPECT_EQ(o.zakresy[0], "-");
    EXPECT_NEAR((double)OdBajtu(o.zakresy[1]), rozmiar * 0.3, rozmiar * 0.05);
    EXPECT_NEAR((double)OdBajtu(o.zakresy[2]), rozmiar * 0.7, rozmiar * 0.05);
    EXPECT_LE(o.bajty, rozmiar * 105 / 100) << "the server sent the package again instead of the rest";
    EXPECT_FALSE(PlikIstnieje(dane + L"\\pobrane\\paczka.czesc"));
    EXPECT_FALSE(PlikIstnieje(dane + L"\\pobrane\\paczka.czesc.txt"));
}

TEST_F(Instalacja, ZerwanePobieranieGdySerwerNieDajeZakresuZmieniaPlikLubZawodziZawsze) {
    const uint64_t rozmiar = CzytajPlik(Paczka(L"duza")).size();
    struct P {
        const char* opis;
        std::wstring token, sciezka;
        std::string blad;       // empty: installed
        size_t zapytan;         // requests for the package
        bool odNowa;            // the journal says the whole file came anew
    };
    const std::string nowszaNaSerwerze = " Serwer mógł właśnie wydać nową wersję - kliknij Sprawdź ponownie.";
    const P przypadki[] = {
        {"serwer pomija Range: od poczatku", L"t2a", L"/duza/r50+w/", "", 2, true},
        // The file was replaced between tries: If-Range brings the whole new
        // one, which is not the announced package.
        {"plik zmieniony miedzy probami", L"t2b", L"/duza~dobra/r50/",
         "Paczka odrzucona: rozmiar paczki " + std::to_string(CzytajPlik(Paczka(L"dobra")).size()) +
             " B, a ogłoszono " + std::to_string(rozmiar) + " B." + nowszaNaSerwerze,
         2, true},
        {"serwer zrywa zawsze", L"t2c", L"/duza/R30/", "Pobieranie nie wyszło: przerwane pobieranie", 6, false},
    };
    for (const P& p : przypadki) {
        SCOPED_TRACE(p.opis);
        NowyFolderDanych();
        NastepnyPrzebieg(L"/wznow/" + p.token + p.sciezka);
        const ULONGLONG start = GetTickCount64();
        Instaluj();
        const ULONGLONG trwalo = GetTickCount64() - start;
        EXPECT_EQ(Blad(), p.blad);
        const Dziennik d = KopiaDziennika();
        EXPECT_EQ(MaLinie(d, "Serwer wysyła całą paczkę od nowa - pobieram ją od początku."), p.odNowa)
            << ::testing::PrintToString(d);
        EXPECT_EQ(Licznik(p.token).zakresy.size(), p.zapytan);
        if (p.blad.empty()) {
            EXPECT_EQ(Zainstalowana(), "2.1");
        } else {
            EXPECT_FALSE(PlikIstnieje(dane + L"\\paczka"));
            EXPECT_TRUE(Wywolania().empty());
        }
        // Five pauses of 1 to 15 s and six short tries: it ends.
        EXPECT_LT(trwalo, 90000u);
    }
}

TEST_F(Instalacja, PobieranieZamknietePrzyPolowieWznawiaNastepnaInstalacja) {
    const uint64_t rozmiar = CzytajPlik(Paczka(L"duza")).size();
    const std::wstring czesc = dane + L"\\pobrane\\paczka.czesc", zapis = czesc + L".txt";
    struct P {
        const char* opis;
        std::function<void()> miedzy;  // done to the kept part between the runs
        std::string blad;              // empty: installed
        bool wznowiona;                // the second run asked for the rest only
    };
    const P przypadki[] = {
        {"wznowiona", [] {}, "", true},
        {"czesc zmieniona na dysku",
         [&] {
             std::string b = CzytajPlik(czesc);
             b[b.size() / 3] ^= 0x55;
             ZapiszPlik(czesc, b);
         },
         "Paczka odrzucona: SHA-256 paczki ", true},
        // The server's file is another one now: If-Range answers with all of it.
        {"walidator inny niz na serwerze",
         [&] {
             std::string t = CzytajPlik(zapis);
             const size_t w = t.find("walidator=") + 10;
             t.replace(w, t.find('\n', w) - w, "\"inny\"");
             ZapiszPlik(zapis, t);
         },
         "", true},
        // Fetched for another announcement: thrown away before any request.
        {"inne ogloszenie",
         [&] {
             std::string t = CzytajPlik(zapis);
             t.replace(t.find("ogloszenie=") + 11, 8, "rozmiar=1");
             ZapiszPlik(zapis, t);
         },
         "", false},
    };
    int n = 0;
    for (const P& p : przypadki) {
        SCOPED_TRACE(p.opis);
        const std::wstring token = L"t3" + std::to_wstring(n++);
        ASSERT_NO_FATAL_FAILURE(InstalacjaZamknietaPoZerwaniu(L"/wznow/" + token + L"/duza/r50/"));
        EXPECT_EQ(Licznik(token).zakresy.size(), 1u) << "a request was made after the launcher was closing";
        EXPECT_EQ(Blad(), "Pobieranie nie wyszło: przerwane pobieranie");
        ASSERT_TRUE(PlikIstnieje(czesc));
        ASSERT_TRUE(PlikIstnieje(zapis));
        const uint64_t kept = CzytajPlik(czesc).size();
        EXPECT_NEAR((double)kept, rozmiar * 0.5, rozmiar * 0.05);
        p.miedzy();

        NastepnyPrzebieg(L"/wznow/" + token + L"/duza/r50/");
        Instaluj();
        const Obsluzone o = Licznik(token);
        ASSERT_EQ(o.zakresy.size(), 2u);
        EXPECT_EQ(o.zakresy[1], p.wznowiona ? "bytes=" + std::to_string(kept) + "-" : "-");
        if (p.blad.empty()) {
            EXPECT_EQ(Blad(), "");
            EXPECT_EQ(Zainstalowana(), "2.1");
        } else {
            EXPECT_EQ(Blad().rfind(p.blad, 0), 0u) << Blad();
            EXPECT_FALSE(PlikIstnieje(dane + L"\\paczka"));
            EXPECT_TRUE(Wywolania().empty());
        }
        // A part never outlives a run that got the whole file.
        EXPECT_FALSE(PlikIstnieje(czesc));
        EXPECT_FALSE(PlikIstnieje(zapis));
    }
}

// A kept part across the next run: a server that can't be reached, is busy
// or refuses proves nothing about the bytes already here, and an answer
// that is not the rest of this very file is never appended to them.
TEST_F(Instalacja, ZachowanaCzescPrzetrwaSerwerKtoryZawodziINieSklejaDwochPlikow) {
    const uint64_t rozmiar = CzytajPlik(Paczka(L"duza")).size();
    const std::wstring czesc = dane + L"\\pobrane\\paczka.czesc", zapis = czesc + L".txt";
    struct P {
        const char* opis;
        int wersja;            // the status wersja.txt answers in the second run (0: served)
        std::wstring plan;     // the zip requests of both runs
        std::string blad;      // the second run's error ("" installed)
        bool czescZostaje;     // the part is still there for a third run
        std::vector<std::string> zakresy;  // the second run's zip requests: "=" the kept part's end, "-" none
    };
    const P przypadki[] = {
        {"wersja.txt nie odpowiada", 404, L"r50", "Serwer aktualizacji nie odpowiada (serwer odpowiedział 404). "
         "Pobrana część paczki zostaje na następną próbę.", true, {}},
        {"wszystko 503", 503, L"r50", "Serwer aktualizacji nie odpowiada "
         "(serwer odpowiedział 503). Pobrana część paczki zostaje na następną próbę.", true, {}},
        {"odmowa przy pierwszej probie", 0, L"r50+z404", "Pobieranie nie wyszło: serwer odpowiedział 404", true,
         {"="}},
        {"503 raz, potem reszta", 0, L"r50+z503", "", false, {"=", "="}},
        {"206 konczy sie przed koncem pliku", 0, L"r50+c80", "", false, {"=", "80%"}},
        {"206 innego pliku", 0, L"r50+e", "", false, {"=", "-"}},
        {"206 od innego bajtu", 0, L"r50+p1000", "Pobieranie nie wyszło: serwer odesłał nie tę część pliku (bytes ",
         false, {"="}},
    };
    int n = 0;
    for (const P& p : przypadki) {
        SCOPED_TRACE(p.opis);
        const std::wstring token = L"t6" + std::to_wstring(n++), baza = L"/wznow/" + token + L"/duza/" + p.plan + L"/";
        // The first run breaks at half, and the player closes the launcher.
        ASSERT_NO_FATAL_FAILURE(InstalacjaZamknietaPoZerwaniu(baza));
        ASSERT_TRUE(PlikIstnieje(czesc));
        const std::string kept = CzytajPlik(czesc);

        NastepnyPrzebieg(L"/_wersja/" + token + L"/" + std::to_wstring(p.wersja) + L"/");
        std::string t, b;
        ASSERT_TRUE(Pobierz(L"", &t, L"", nullptr, b)) << b;
        UstawSerwer(baza);
        Instaluj();
        const Dziennik d = KopiaDziennika();
        if (p.blad.empty()) {
            EXPECT_EQ(Blad(), "") << ::testing::PrintToString(d);
            EXPECT_EQ(Zainstalowana(), "2.1");
        } else {
            EXPECT_EQ(Blad().rfind(p.blad, 0), 0u) << Blad();
            EXPECT_TRUE(Wywolania().empty());
        }
        const Obsluzone o = Licznik(token);
        std::vector<std::string> zakresy(o.zakresy.begin() + 1, o.zakresy.end());
        for (std::string& z : zakresy) {
            if (z == "bytes=" + std::to_string(kept.size()) + "-") z = "=";
            else if (z == "bytes=" + std::to_string(rozmiar * 80 / 100) + "-") z = "80%";
        }
        EXPECT_EQ(zakresy, p.zakresy);
        EXPECT_EQ(PlikIstnieje(czesc), p.czescZostaje);
        if (p.czescZostaje) {
            EXPECT_EQ(CzytajPlik(czesc), kept);
            // And the next run, with the server well, fetches only the rest.
            UstawSerwer(L"/_wersja/" + token + L"/0/");
            ASSERT_TRUE(Pobierz(L"", &t, L"", nullptr, b)) << b;
            NastepnyPrzebieg(baza);
            Instaluj();
            EXPECT_EQ(Blad(), "");
            EXPECT_EQ(Zainstalowana(), "2.1");
            EXPECT_EQ(Licznik(token).zakresy.back(), "bytes=" + std::to_string(kept.size()) + "-");
        }
    }
}

TEST_F(Instalacja, ZerwanePobieranieZNginxWznowione) {
    if (AdresTestowy("MORVANE_NGINX").second == 0) GTEST_SKIP() << "no nginx here";
    const uint64_t rozmiar = CzytajPlik(Paczka(L"duza")).size();
    // The test server passes requests to nginx and cuts its first answer.
    UstawSerwer(L"/nginx/t4/r50/");
    Instaluj();
    EXPECT_EQ(Blad(), "");
    EXPECT_EQ(Zainstalowana(), "2.1");
    const Obsluzone o = Licznik(L"t4");
    ASSERT_EQ(o.zakresy.size(), 2u);
    EXPECT_NEAR((double)OdBajtu(o.zakresy[1]), rozmiar * 0.5, rozmiar * 0.05);
    EXPECT_LE(o.bajty, rozmiar * 105 / 100);
}

// ---- updates that download only what changed ---------------------------------------

// The bytes of the new release's blocks that the previous release lacks,
// from the two block maps the kit published.
uint64_t BrakujaceBajty(const std::wstring& stara, const std::wstring& nowa) {
    auto linie = [](const std::wstring& mapa) {
        std::vector<std::string> w;
        std::string t = CzytajPlik(FolderTestu() + L"\\paczki\\" + mapa + L".bloki");
        for (size_t p = 0, k; (k = t.find('\n', p)) != std::string::npos; p = k + 1) w.push_back(t.substr(p, k - p));
        return std::vector<std::string>(w.begin() + 2, w.end());
    };
    const std::vector<std::string> s = linie(stara);
    uint64_t brak = 0;
    for (const std::string& l : linie(nowa))
        if (std::find(s.begin(), s.end(), l) == s.end()) brak += std::stoull(l);
    return brak;
}

TEST_F(Instalacja, AktualizacjaPobieraTylkoZmianyAGdyCosNiePasujeCalaPaczke) {
    const std::wstring ziarno = dane + L"\\pobrane\\zainstalowana.zip", pakiet = dane + L"\\paczka";
    auto mapa = [](const wchar_t* p) { return FolderTestu() + L"\\paczki\\" + p + L".bloki"; };
    // What the new release installs, for comparing.
    ZainstalujZDysku(Paczka(L"wydanie2"));
    ASSERT_EQ(Zainstalowana(), "3.2");
    const std::string wzor = ObrazDrzewa(pakiet);
    const uint64_t rozmiar = CzytajPlik(Paczka(L"wydanie2")).size(), brak = BrakujaceBajty(L"wydanie1", L"wydanie2");
    ASSERT_LT(brak, rozmiar / 10);
    struct P {
        const char* opis;
        std::wstring serwer;       // /wznow/<t>/<this>/
        std::function<void()> przed;
        std::string linia;         // "" a rebuild; else why the whole package came
        const wchar_t* zachowanaMapa = L"wydanie2";  // the map kept with the new seed (as the server gave it)
    };
    const P przypadki[] = {
        {"z poprzednia paczka", L"wydanie2/o", [] {}, ""},
        // Damaged blocks are not the new package's: they are fetched too.
        {"poprzednia uszkodzona na dysku", L"wydanie2/o",
         [&] {
             std::string b = CzytajPlik(ziarno);
             for (size_t i = b.size() / 2; i < b.size() / 2 + 5000; ++i) b[i] ^= 0x5a;
             ZapiszPlik(ziarno, b);
         },
         ""},
        // The seed's map kept from its install spares cutting the seed...
        {"z mapa poprzedniej", L"wydanie2/o", [&] { ZapiszPlik(ziarno + L".bloki", CzytajPlik(mapa(L"wydanie1"))); },
         ""},
        // ... and when the seed changed under it, the rebuilt file fails its
        // digest: the whole package, which then is the seed with its map.
        {"uszkodzona z mapa", L"wydanie2/o",
         [&] {
             ZapiszPlik(ziarno + L".bloki", CzytajPlik(mapa(L"wydanie1")));
             std::string b = CzytajPlik(ziarno);
             b[b.size() / 2] ^= 0x5a;
             ZapiszPlik(ziarno, b);
         },
         "Pobieram całą paczkę: złożona paczka nie zgadza się z ogłoszeniem."},
        {"mapa innego pliku", L"wydanie2@wydanie1/o", [] {}, "Pobieram całą paczkę: mapa bloków opisuje inny plik.",
         nullptr},
        // Kept as it came: it only costs the next update a whole download.
        {"mapa klamie", L"wydanie2@wydanie2_klamie/o", [] {},
         "Pobieram całą paczkę: złożona paczka nie zgadza się z ogłoszeniem.", L"wydanie2_klamie"},
        {"bez mapy", L"wydanie2@brak/o", [] {},
         "Pobieram całą paczkę: serwer nie podaje mapy bloków (serwer odpowiedział 404).", nullptr},
        {"serwer bez zakresow", L"wydanie2/W", [] {},
         "Pobieram całą paczkę: serwer odpowiedział 200 zamiast części pliku."},
    };
    int n = 0;
    for (const P& p : przypadki) {
        SCOPED_TRACE(p.opis);
        NowyFolderDanych();
        NastepnyPrzebieg(L"/status/404/");
        ZainstalujZDysku(Paczka(L"wydanie1"));
        ASSERT_EQ(Zainstalowana(), "3.1");
        // The installed package is kept as the next update's seed.
        ASSERT_EQ(CzytajPlik(ziarno), CzytajPlik(Paczka(L"wydanie1")));
        p.przed();
        const std::wstring token = L"t7" + std::to_wstring(n++);
        NastepnyPrzebieg(L"/wznow/" + token + L"/" + p.serwer + L"/");
        Instaluj();
        const Dziennik d = KopiaDziennika();
        EXPECT_EQ(Blad(), "") << ::testing::PrintToString(d);
        EXPECT_EQ(Zainstalowana(), "3.2");
        EXPECT_EQ(ObrazDrzewa(pakiet), wzor);
        EXPECT_EQ(CzytajPlik(ziarno), CzytajPlik(Paczka(L"wydanie2")));
        // Kept with it: the server's map of it, for the next update.
        EXPECT_EQ(CzytajPlik(ziarno + L".bloki"), p.zachowanaMapa ? CzytajPlik(mapa(p.zachowanaMapa)) : "");
        EXPECT_FALSE(PlikIstnieje(dane + L"\\pobrane\\paczka.zip"));
        EXPECT_FALSE(PlikIstnieje(dane + L"\\pobrane\\paczka.zip.bloki"));
        const Obsluzone o = Licznik(token);
        if (p.linia.empty()) {
            // Ranges only, and only about the changed blocks' bytes.
            EXPECT_TRUE(MaLinie(d, "Pobrano ")) << ::testing::PrintToString(d);
            for (const std::string& z : o.zakresy) EXPECT_EQ(z.rfind("bytes=", 0), 0u) << z;
            EXPECT_GE(o.bajty, brak);
            if (std::string(p.opis) != "poprzednia uszkodzona na dysku") {
                EXPECT_LE(o.bajty, brak + 8 * 1024);
                EXPECT_LE(o.zakresy.size(), 2u);
            } else {
                EXPECT_LE(o.bajty, brak + 5000 + 2 * MaxBloku);
            }
        } else {
            EXPECT_TRUE(MaLinie(d, p.linia)) << ::testing::PrintToString(d);
            EXPECT_NE(std::find(o.zakresy.begin(), o.zakresy.end(), "-"), o.zakresy.end());
        }
    }
}

TEST_F(Instalacja, ZamkniecieWTrakcieZmianZostawiaZainstalowanaINastepnaSieUdaje) {
    const std::wstring ziarno = dane + L"\\pobrane\\zainstalowana.zip";
    ZainstalujZDysku(Paczka(L"wydanie1"));
    ASSERT_EQ(Zainstalowana(), "3.1");
    const std::string przed = ObrazDrzewa(dane + L"\\paczka");
    // Served slowly: the player closes the launcher while the changes come.
    NastepnyPrzebieg(L"/wznow/t80/wydanie2/t/");
    std::thread instalacja(Instaluj);
    ASSERT_TRUE(CzekajNa([&] { return Status().rfind("Pobieram zmiany: ", 0) == 0; }, 20000));
    Stan.zamykanie = true;
    instalacja.join();
    Stan.zamykanie = false;
    EXPECT_EQ(Blad(), "Pobieranie nie wyszło: przerwane pobieranie");
    EXPECT_EQ(Zainstalowana(), "3.1");
    EXPECT_EQ(ObrazDrzewa(dane + L"\\paczka"), przed);
    EXPECT_EQ(CzytajPlik(ziarno), CzytajPlik(Paczka(L"wydanie1")));
    EXPECT_TRUE(Wywolania().empty()) << "an unpacker ran";
    EXPECT_FALSE(PlikIstnieje(dane + L"\\pobrane\\paczka.zip"));

    NastepnyPrzebieg(L"/wznow/t81/wydanie2/o/");
    Instaluj();
    EXPECT_EQ(Blad(), "");
    EXPECT_EQ(Zainstalowana(), "3.2");
    EXPECT_TRUE(MaLinie(KopiaDziennika(), "Pobrano "));
}

// ---- the uninstall worker -------------------------------------------------------

TEST_F(Instalacja, OdinstalowanieBezSkryptuLubZKodem2ZostawiaWszystko) {
    Odinstaluj();
    EXPECT_EQ(KopiaDziennika(), Dziennik({"Usuwam mod z gry...", "BŁĄD: Brak plików instalacji - nie ma czego usuwać przez launcher."}));
    EXPECT_EQ(Stan.terminZamkniecia.load(), 0u);

    ZainstalujZDysku(Paczka(L"odinstaluj_kod2"));
    ASSERT_EQ(Zainstalowana(), "2.0");
    WyczyscStan();
    Odinstaluj();
    EXPECT_EQ(KopiaDziennika(),
              Dziennik({"Usuwam mod z gry...", "  Plik gry jest zajęty", "BŁĄD: Usuwanie przerwane (kod 2)."}));
    EXPECT_EQ(Status(), "Usuwam mod z gry...");
    EXPECT_EQ(Stan.terminZamkniecia.load(), 0u);
    EXPECT_EQ(Zainstalowana(), "2.0");
    EXPECT_FALSE(Stan.zajety.load());
    EXPECT_FALSE(UsuwanieTrwa()) << "a removal was started after a failed script";
    EXPECT_TRUE(PlikIstnieje(dane + L"\\paczka\\odinstaluj.ps1"));
    EXPECT_TRUE(PlikIstnieje(dane + L"\\Morvane.exe"));
}

TEST_F(Instalacja, OdinstalowanieUsuwaFolderDanychPoZamknieciu) {
    ZainstalujZDysku(Paczka(L"dobra"));
    ASSERT_EQ(Zainstalowana(), "2.0");
    PodrzuconeProgramy podrzucone(tmp / L"Pobrane");
    WyczyscStan();
    Odinstaluj();
    const ULONGLONG koniec = GetTickCount64();
    EXPECT_EQ(KopiaDziennika(), Dziennik({"Usuwam mod z gry...", "  Przywracam pliki gry",
                                       "Mod usunięty. Launcher zamknie się za chwilę."}));
    EXPECT_EQ(Blad(), "");
    EXPECT_EQ(Zainstalowana(), "");  // the script removed the version file
    const uint64_t termin = Stan.terminZamkniecia.load();
    EXPECT_GE(termin, koniec + 2000);  // set just before the worker returned
    EXPECT_LE(termin, koniec + 2500);
    EXPECT_FALSE(Stan.zajety.load());
    // Still there while the launcher is about to close, gone after it.
    Sleep(2700);
    EXPECT_TRUE(PlikIstnieje(dane)) << "removed before the launcher closed";
    EXPECT_TRUE(CzekajNa([&] { return !PlikIstnieje(dane); }, 20000)) << "the data folder was not removed";
    CzekajNaKoniecUsuwania();
}

// Points the user's local application data folder elsewhere for one test,
// the way a profile on another drive or with another name does.
struct InnyFolderDanych {
    static constexpr const wchar_t* Klucz =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    std::wstring poprzedni;
    explicit InnyFolderDanych(const std::wstring& lokalny) {
        wchar_t b[1024];
        DWORD n = sizeof b;
        if (RegGetValueW(HKEY_CURRENT_USER, Klucz, L"Local AppData", RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ |
                         RRF_NOEXPAND, nullptr, b, &n) == ERROR_SUCCESS)
            poprzedni = b;
        if (!lokalny.empty()) fs::create_directories(lokalny);
        Ustaw(lokalny);
    }
    ~InnyFolderDanych() {
        if (poprzedni.empty())
            RegDeleteKeyValueW(HKEY_CURRENT_USER, Klucz, L"Local AppData");
        else
            Ustaw(poprzedni);
    }
    static void Ustaw(const std::wstring& w) {
        RegSetKeyValueW(HKEY_CURRENT_USER, Klucz, L"Local AppData", REG_EXPAND_SZ, w.c_str(),
                        (DWORD)((w.size() + 1) * sizeof(wchar_t)));
    }
};

TEST_F(Instalacja, FolderDanychZApostrofemIPolskimiLiteramiAZProcentemZostaje) {
    {
        InnyFolderDanych inny(tmp / L"Użytkownik O'Brien \u2019Zażółć\u2019\\AppData\\Local");
        const std::wstring d = FolderDanych();
        ASSERT_EQ(d, tmp / L"Użytkownik O'Brien \u2019Zażółć\u2019\\AppData\\Local\\Morvane");
        ZainstalujZDysku(Paczka(L"dobra"));
        EXPECT_EQ(Blad(), "");
        EXPECT_EQ(Zainstalowana(), "2.0");  // the script found the data folder from -Launcher
        auto w = Wywolania();
        ASSERT_EQ(w.size(), 2u);
        EXPECT_EQ(w[1].b, NaUtf8(d + L"\\Morvane.exe"));
        WyczyscStan();
        Odinstaluj();
        EXPECT_EQ(Blad(), "");
        EXPECT_TRUE(CzekajNa([&] { return !PlikIstnieje(d); }, 20000)) << "the data folder was not removed";
        CzekajNaKoniecUsuwania();
    }
    {
        // cmd.exe would expand %TEMP% inside the quotes and remove another folder.
        InnyFolderDanych inny(tmp / L"100%TEMP%\\Local");
        const std::wstring d = FolderDanych();
        ASSERT_EQ(d, tmp / L"100%TEMP%\\Local\\Morvane");
        fs::create_directories(d);
        WyczyscStan();
        UstawGre(gra);
        ZainstalujZDysku(Paczka(L"dobra"));
        ASSERT_EQ(Zainstalowana(), "2.0");
        WyczyscStan();
        Odinstaluj();
        Dziennik dz = KopiaDziennika();
        ASSERT_EQ(dz.size(), 4u) << ::testing::PrintToString(dz);
        EXPECT_EQ(dz[2], "Folder danych zostaje (jego ścieżki nie da się bezpiecznie przekazać do cmd.exe): " + NaUtf8(d));
        EXPECT_EQ(dz[3], "Mod usunięty. Launcher zamknie się za chwilę.");
        EXPECT_NE(Stan.terminZamkniecia.load(), 0u);
        EXPECT_FALSE(UsuwanieTrwa()) << "a removal was started for a path cmd.exe would rewrite";
        EXPECT_TRUE(PlikIstnieje(d + L"\\paczka\\odinstaluj.ps1"));
    }
}

TEST_F(Instalacja, BezFolderuDanychNicNaKorzeniuDysku) {
    // The current folder's drive root is where "\\pobrane" would land.
    PodrzuconeProgramy biezacy(tmp / L"Biezacy");
    wchar_t biezacyFolder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, biezacyFolder);
    ASSERT_EQ(biezacyFolder[1], L':');
    const std::wstring pobrane = std::wstring(biezacyFolder, 2) + L"\\pobrane";
    ASSERT_FALSE(PlikIstnieje(pobrane));
    // A version file at that root is nobody's installed version.
    const std::wstring wersjaNaKorzeniu = std::wstring(biezacyFolder, 2) + L"\\wersja.txt";
    ASSERT_FALSE(PlikIstnieje(wersjaNaKorzeniu));
    ZapiszPlik(wersjaNaKorzeniu, "9.9\r\n");
    InnyFolderDanych brak(L"");
    ASSERT_EQ(FolderDanych(), L"") << "the data folder could not be taken away here";
    ZainstalujZDysku(Paczka(L"dobra"));
    EXPECT_EQ(KopiaDziennika(), Dziennik({"BŁĄD: Nie znalazłem folderu danych użytkownika (LOCALAPPDATA).", ""}));
    EXPECT_FALSE(PlikIstnieje(pobrane));
    EXPECT_TRUE(Wywolania().empty());
    EXPECT_EQ(Zainstalowana(), "");
    WyczyscStan();
    Odinstaluj();
    EXPECT_EQ(Blad(), "Brak plików instalacji - nie ma czego usuwać przez launcher.");
    EXPECT_EQ(Zainstalowana(), "");
    WyczyscStan();
    Sprawdz();
    EXPECT_EQ(Zainstalowana(), "");
    DeleteFileW(wersjaNaKorzeniu.c_str());
}

TEST_F(Instalacja, PracownicyZWieluWatkowNarazJedenPracuje) {
    // The real workers, started from many threads at the same moment while
    // a slow install runs (fast clicks, the start-up check): they all
    // return at once and touch nothing.
    SetEnvironmentVariableW(L"MRV_PACZKA", Paczka(L"powolna").c_str());
    std::thread instalacja(Instaluj);
    ASSERT_TRUE(CzekajNa([] { return KopiaDziennika().size() >= 3; }, 10000));  // inside its script
    const ULONGLONG start = GetTickCount64();
    std::atomic<bool> naraz{false};
    std::vector<std::thread> watki;
    void (*const ciala[])() = {Instaluj, Odinstaluj, Sprawdz};
    for (int i = 0; i < 9; ++i)
        watki.emplace_back([&, i] {
            while (!naraz) std::this_thread::yield();
            ciala[i % 3]();
        });
    naraz = true;
    for (auto& w : watki) w.join();
    EXPECT_LT(GetTickCount64() - start, 2000u);
    instalacja.join();
    SetEnvironmentVariableW(L"MRV_PACZKA", nullptr);
    const Dziennik d = KopiaDziennika();
    ASSERT_EQ(d.size(), 6u) << ::testing::PrintToString(d);
    EXPECT_EQ(Dziennik(d.begin(), d.begin() + 4),
              Dziennik({"Paczka z dysku (próba): " + NaUtf8(Paczka(L"powolna")), "Rozpakowuję...",
                        "Instaluję (kopiuję ok. 400 MB do folderu gry)...", "  Kopiuję..."}));
    EXPECT_EQ(d[4].rfind("Serwer: ", 0), 0u) << d[4];
    EXPECT_EQ(d[5], "Gotowe - możesz grać.");
    EXPECT_EQ(Zainstalowana(), "2.0");
    EXPECT_FALSE(Stan.zajety.load());
    EXPECT_FALSE(Stan.zmianaModu.load());
    EXPECT_EQ(Stan.terminZamkniecia.load(), 0u);
}

}  // namespace
