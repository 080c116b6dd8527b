// The window's decisions, version order, path forms and Steam's library file:
// pure functions, run under Wine and natively.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <vector>
#include <random>

#include "core/wersje.h"
#include "app/zasady.h"
#include "game/sciezki.h"
#include "install/wybor_launchera.h"

namespace {

TEST(Wersje, RozbiorJakAtolZGranicami) {
    struct P { std::string tekst; std::vector<int32_t> lista; };
    const P przypadki[] = {
        {"", {0}},
        {"1.10", {1, 10}},
        {"1.2.", {1, 2, 0}},
        {"2a.x", {2, 0}},
        {" 3.+4.-5", {3, 4, -5}},
        {"-1..2", {-1, 0, 2}},
        {"99999999999.x", {INT32_MAX, 0}},     // clamped, not undefined
        {"-99999999999", {INT32_MIN}},
        {"2147483647.2147483648", {INT32_MAX, INT32_MAX}},
        {"-2147483648", {INT32_MIN}},
        {".", {0, 0}},
    };
    for (const auto& p : przypadki) EXPECT_EQ(RozbierzWersje(p.tekst), p.lista) << p.tekst;
}

TEST(Wersje, PorzadekINowsza) {
    struct P { std::string a, b; int znak; };
    const P przypadki[] = {
        {"1.10", "1.2", 1}, {"1.2", "1.10", -1}, {"1.2.0", "1.2", 1}, {"1.2", "1.2", 0},
        {"01.2", "1.2", 0}, {"", "0", 0}, {"99999999999.x", "2147483647", 1},
        {"-1..2", "0", -1}, {"1.3", "1.2", 1},
    };
    for (const auto& p : przypadki) {
        int w = PorownajWersje(p.a, p.b);
        EXPECT_EQ((w > 0) - (w < 0), p.znak) << p.a << " vs " << p.b;
    }
    EXPECT_TRUE(NowszaWersja("1.0", ""));
    EXPECT_FALSE(NowszaWersja("", ""));
    EXPECT_FALSE(NowszaWersja("", "1.0"));     // nothing known on the server
    EXPECT_TRUE(NowszaWersja("1.2.0", "1.2"));
    EXPECT_FALSE(NowszaWersja("1.2", "1.3"));
}

struct PrzypadekPrzycisku {
    int wybrana; bool zajety, dziala; std::string zainst, serwer, blad, status;
    std::string etykieta; bool aktywny; Akcja akcja; std::string komunikat; Barwa barwa;
};

TEST(KopiaLaunchera, NowszyZPaczkiNigdyWstecz) {
    using W = WyborLaunchera;
    struct P {
        const char *wlasna, *wPaczce, *wDanych;
        bool zDanych;
        W wybor;
    };
    const P przypadki[] = {
        {"1.0", "", "", false, W::Wlasny},           // no launcher in the package: as always
        {"1.0", "", "1.0", false, W::Wlasny},
        {"1.0", "", "", true, W::Zostaw},            // runs from the copy itself
        {"1.0", "1.1", "", false, W::ZPaczki},
        {"1.0", "1.1", "1.0", true, W::ZPaczki},     // replaces the running copy
        {"1.0", "1.1", "0.9", false, W::ZPaczki},
        {"1.0", "1.0", "", false, W::Wlasny},        // the same version: as always
        {"1.0", "0.9", "", false, W::Wlasny},        // an older one is ignored
        {"1.0", "0.9", "", true, W::Zostaw},
        {"1.0", "1.0.1", "", false, W::ZPaczki},     // versions as lists of numbers
        {"1.10", "1.9", "", false, W::Wlasny},
        // A newer copy in the data folder is never replaced by an older one.
        {"1.0", "", "1.2", false, W::Zostaw},
        {"1.0", "1.1", "1.2", false, W::Zostaw},
        {"1.0", "1.2", "1.2", false, W::ZPaczki},
    };
    for (const P& p : przypadki)
        EXPECT_EQ(WybierzLauncher(p.wlasna, p.wPaczce, p.wDanych, p.zDanych), p.wybor)
            << p.wlasna << " / " << p.wPaczce << " / " << p.wDanych << " / " << p.zDanych;
}

TEST(GlownyPrzycisk, KazdyWierszRegulIWarianty) {
    const std::string grajHint = "Brama Morvane otworzy się w grze sama: konto, postać, wejście do świata.";
    const std::string instHint = "Pobranie ok. 175 MB, potem kopiowanie do folderu gry.";
    const auto P = Barwa::Przygaszona;
    const PrzypadekPrzycisku przypadki[] = {
        // no game: pick a folder, no hint
        {-1, false, false, "", "1.0", "", "", "WSKAŻ FOLDER GRY", true, Akcja::WskazFolder, "", P},
        {-1, true, false, "", "", "", "Szukam", "CZEKAJ...", false, Akcja::WskazFolder, "Szukam", Barwa::Zlota},
        {-1, false, true, "1.0", "1.0", "", "", "WSKAŻ FOLDER GRY", true, Akcja::WskazFolder, "", P},
        // game running wins over everything else
        {0, false, true, "1.0", "1.1", "", "", "GRA DZIAŁA", false, Akcja::Brak, "", P},
        {0, true, true, "", "1.0", "", "", "CZEKAJ...", false, Akcja::Brak, "", P},
        // install
        {0, false, false, "", "1.0", "", "", "ZAINSTALUJ", true, Akcja::Instaluj, instHint, P},
        {0, false, false, "", "", "", "", "ZAINSTALUJ", false, Akcja::Instaluj, instHint, P},
        {0, false, false, "", "", "Serwer aktualizacji nie odpowiada: x", "", "ZAINSTALUJ", false,
         Akcja::Instaluj, "Serwer aktualizacji nie odpowiada: x", Barwa::Bledu},
        {0, true, false, "", "1.0", "", "Pobieram", "CZEKAJ...", false, Akcja::Instaluj, "Pobieram", Barwa::Zlota},
        // update
        {0, false, false, "1.2", "1.10", "", "", "AKTUALIZUJ", true, Akcja::Instaluj, instHint, P},
        {0, false, false, "1.2", "1.2.0", "", "", "AKTUALIZUJ", true, Akcja::Instaluj, instHint, P},
        {0, true, false, "1.2", "1.10", "", "", "CZEKAJ...", false, Akcja::Instaluj, instHint, P},
        // play
        {0, false, false, "1.3", "1.2", "", "", "GRAJ", true, Akcja::UruchomGre, grajHint, P},
        {0, false, false, "1.2", "", "", "", "GRAJ", true, Akcja::UruchomGre, grajHint, P},
        {1, false, false, "1.2", "1.2", "blad", "status", "GRAJ", true, Akcja::UruchomGre, "blad", Barwa::Bledu},
        {0, false, false, "1.2", "1.2", "", "status", "GRAJ", true, Akcja::UruchomGre, "status", Barwa::Zlota},
    };
    for (const auto& p : przypadki) {
        Migawka m;
        m.wybranaGra = p.wybrana;
        m.zajety = p.zajety;
        m.graDziala = p.dziala;
        m.wersjaZainstalowana = p.zainst;
        m.wersjaNaSerwerze = p.serwer;
        m.blad = p.blad;
        m.status = p.status;
        StanPrzycisku s = GlownyPrzycisk(m);
        SCOPED_TRACE(p.etykieta + " / " + p.zainst + " / " + p.serwer);
        EXPECT_EQ(s.etykieta, p.etykieta);
        EXPECT_EQ(s.aktywny, p.aktywny);
        EXPECT_EQ(s.akcja, p.akcja);
        Napis k = LiniaKomunikatu(m, s.akcja);
        EXPECT_EQ(k.tekst, p.komunikat);
        if (!p.komunikat.empty()) {
            EXPECT_EQ(k.barwa, p.barwa);
        }
    }
}

TEST(WierszeOkna, ModSerwerSwiataIDziennik) {
    EXPECT_EQ(TekstModu(""), "nie zainstalowany");
    EXPECT_EQ(TekstModu("1.2"), "wersja 1.2");

    struct N { std::string serwer, zainst, tekst; Barwa barwa; };
    const N notki[] = {
        {"1.0", "", "  (na serwerze nowsza: 1.0)", Barwa::Zlota},
        {"1.10", "1.2", "  (na serwerze nowsza: 1.10)", Barwa::Zlota},
        {"1.2", "1.3", "  (najnowsza)", Barwa::Przygaszona},
        {"1.2", "1.2", "  (najnowsza)", Barwa::Przygaszona},
        {"", "1.2", "", Barwa::Domyslna},
        {"%s%n", "", "  (na serwerze nowsza: %s%n)", Barwa::Zlota},  // shown as text, never a format
    };
    for (const auto& n : notki) {
        Napis w = NotkaModu(n.serwer, n.zainst);
        EXPECT_EQ(w.tekst, n.tekst);
        if (!n.tekst.empty()) {
            EXPECT_EQ(w.barwa, n.barwa);
        }
    }

    EXPECT_EQ(TekstSerweraSwiata(-1).tekst, "sprawdzam...");
    EXPECT_EQ(TekstSerweraSwiata(-1).barwa, Barwa::Przygaszona);
    EXPECT_EQ(TekstSerweraSwiata(1).tekst, "włączony");
    EXPECT_EQ(TekstSerweraSwiata(1).barwa, Barwa::Zielona);
    EXPECT_EQ(TekstSerweraSwiata(0).tekst, "nie odpowiada - grać się da, ale bez innych graczy");
    EXPECT_EQ(TekstSerweraSwiata(0).barwa, Barwa::Bledu);

    EXPECT_EQ(BarwaLiniiDziennika("BŁĄD: Nie udało się"), Barwa::Bledu);
    EXPECT_EQ(BarwaLiniiDziennika("BŁĄD"), Barwa::Bledu);
    EXPECT_EQ(BarwaLiniiDziennika("  BŁĄD: z wyjścia skryptu"), Barwa::Przygaszona);
    EXPECT_EQ(BarwaLiniiDziennika("BŁĄ"), Barwa::Przygaszona);
    EXPECT_EQ(BarwaLiniiDziennika(""), Barwa::Przygaszona);
    EXPECT_EQ(BarwaLiniiDziennika("Serwer: http://1.2.3.4 (wbudowany)"), Barwa::Przygaszona);
}

TEST(Sciezki, PostacKanoniczna) {
    struct P { std::wstring we, wy; };
    const P przypadki[] = {
        {L"D:/Games/The Witcher 3/", L"D:\\Games\\The Witcher 3"},
        {L"D:\\Games\\The Witcher 3\\\\", L"D:\\Games\\The Witcher 3"},
        {L"E:\\", L"E:"},
        {L"\\/\\", L""},
        {L"", L""},
        {L"\"D:\\Gry\" ", L"\"D:\\Gry\" "},        // no quotes stripped, trailing space kept
        {L"..\\gra\\.\\x/", L"..\\gra\\.\\x"},
    };
    for (const auto& p : przypadki) EXPECT_EQ(PostacKanoniczna(p.we), p.wy);
}

TEST(Vdf, WierszePathIPodwojneUkosniki) {
    struct P { std::string linia; std::vector<std::string> biblioteki; };
    const P przypadki[] = {
        {"\t\t\"path\"\t\t\"D:\\\\SteamLibrary\"", {"D:\\SteamLibrary"}},
        {"\"path\" \"D:\\\\\\\\Gry\"", {"D:\\\\Gry"}},       // four become two
        {"\"path\" \"D:\\Gry\"", {"D:\\Gry"}},                // a lone backslash stays
        {"\"path\" \"C:\\\\a\\\\\\b\"", {"C:\\a\\\\b"}},     // pair, pair, lone
        {"\"path\" \"\"", {""}},                              // empty value still counts
        {"\"path\"", {}},                                     // key alone
        {"\"path\" \"", {}},                                  // quote is the last byte
        {"\"path\" \"D:\\\\Gry", {}},                         // no closing quote
        {"\"PATH\" \"D:\\\\Gry\"", {}},                       // the key is case-sensitive
        {"\"pat", {}},                                        // under 6 bytes
        {"\"path\"x\"ok\" \"nie\"", {"ok"}},
        {"\"label\" \"\"", {}},
    };
    for (const auto& p : przypadki) EXPECT_EQ(BibliotekiZVdf({p.linia}), p.biblioteki) << p.linia;
}

TEST(Vdf, PlikWDzisiejszymUkladzieSteam) {
    const char* plik =
        "\"libraryfolders\"\n"
        "{\n"
        "\t\"0\"\n"
        "\t{\n"
        "\t\t\"path\"\t\t\"C:\\\\Program Files (x86)\\\\Steam\"\n"
        "\t\t\"label\"\t\t\"\"\n"
        "\t\t\"contentid\"\t\t\"1234567890123456789\"\n"
        "\t\t\"totalsize\"\t\t\"0\"\n"
        "\t\t\"apps\"\n"
        "\t\t{\n"
        "\t\t\t\"228980\"\t\t\"447560335\"\n"
        "\t\t}\n"
        "\t}\n"
        "\t\"1\"\n"
        "\t{\n"
        "\t\t\"path\"\t\t\"D:\\\\SteamLibrary\"\n"
        "\t\t\"label\"\t\t\"Gry\"\n"
        "\t\t\"apps\"\n"
        "\t\t{\n"
        "\t\t\t\"292030\"\t\t\"50329702373\"\n"
        "\t\t}\n"
        "\t}\n"
        "\t\"2\"\n"
        "\t{\n"
        "\t\t\"path\"\t\t\"E:\\\\Gry Steam\\\\Zażółć\"\n"
        "\t}\n"
        "}\n";
    std::vector<std::string> linie;
    std::string s = plik;
    for (size_t p = 0, lf; p < s.size(); p = lf + 1) {
        lf = s.find('\n', p);
        linie.push_back(s.substr(p, lf - p));
    }
    EXPECT_EQ(BibliotekiZVdf(linie),
              (std::vector<std::string>{"C:\\Program Files (x86)\\Steam", "D:\\SteamLibrary", "E:\\Gry Steam\\Zażółć"}));
}

TEST(Vdf, SmieciIDlugieLinieNieSzkodza) {
    std::mt19937 los(7);
    std::vector<std::string> linie;
    for (int i = 0; i < 2000; ++i) {
        std::string l(los() % 300, '\0');
        for (char& z : l) z = (char)(los() % 256);
        linie.push_back(l);
    }
    linie.push_back(std::string(8u << 20, '"'));           // 8 MiB of quotes
    linie.push_back("\"path\"" + std::string(1u << 20, '\\') + "\"x\"");
    auto wynik = BibliotekiZVdf(linie);
    EXPECT_LE(wynik.size(), linie.size());
    EXPECT_EQ(wynik.back(), "x");
}

TEST(Uruchamianie, PolecenieIZnacznik) {
    EXPECT_EQ(PolecenieGry(L"D:\\Gry\\The Witcher 3"), L"\"D:\\Gry\\The Witcher 3\\bin\\x64_dx12\\witcher3.exe\"");
    EXPECT_EQ(FolderRoboczyGry(L"D:\\Gry\\The Witcher 3"), L"D:\\Gry\\The Witcher 3\\bin\\x64_dx12");
    EXPECT_EQ(TrescZnacznikaStartu(), "start z launchera 1.0\r\n");
    EXPECT_EQ(TrescZnacznikaStartu().size(), 23u);
}

}  // namespace

namespace {

TEST(RytmKlatek, RysujePoZdarzeniuIZmianieAWTrakciePracyZawsze) {
    Migawka m;
    m.dziennik = {"Launcher Morvane 1.0"};
    int zapas = 0;
    // The first frame, and the few after it that Dear ImGui needs.
    int narysowane = 0;
    for (int i = 0; i < 10; ++i) narysowane += RysowacKlatke(false, m, i == 0 ? nullptr : &m, zapas);
    EXPECT_EQ(narysowane, KlatkiPoZdarzeniu);
    // Idle: nothing.
    EXPECT_FALSE(RysowacKlatke(false, m, &m, zapas));
    // An input message, or a change anywhere in the snapshot: drawn at once.
    EXPECT_TRUE(RysowacKlatke(true, m, &m, zapas));
    for (int i = 1; i < KlatkiPoZdarzeniu; ++i) EXPECT_TRUE(RysowacKlatke(false, m, &m, zapas));
    EXPECT_FALSE(RysowacKlatke(false, m, &m, zapas));
    const Migawka poprzednia = m;
    for (auto zmiana : std::vector<std::function<void(Migawka&)>>{
             [](Migawka& x) { x.dziennik.push_back("nowa"); }, [](Migawka& x) { x.status = "s"; },
             [](Migawka& x) { x.graDziala = true; }, [](Migawka& x) { x.postep = 0.5f; },
             [](Migawka& x) { x.gry.push_back({L"C:\\Gra", "inna"}); }, [](Migawka& x) { x.skryptUsuwania = true; }}) {
        Migawka teraz = poprzednia;
        zmiana(teraz);
        zapas = 0;
        EXPECT_TRUE(RysowacKlatke(false, teraz, &poprzednia, zapas));
    }
    // A worker runs: every refresh, its progress bar moves.
    m.zajety = true;
    zapas = 0;
    for (int i = 0; i < 20; ++i) EXPECT_TRUE(RysowacKlatke(false, m, &m, zapas));
}

}  // namespace
