// Decisions that need no Windows: they run under Wine in ./test and also
// natively (cmake without the toolchain file).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "app/uklad.h"
#include "core/linia.h"
#include "core/stan.h"

namespace {

void WyczyscStan() {
    std::lock_guard<std::mutex> l(Stan.blokada);
    Stan.dziennik.clear();
    Stan.status.clear();
    Stan.blad.clear();
    Stan.postep = -1.0f;
    Stan.zajety = false;
}

struct PrzypadekDziennika {
    int bledy;   // LogujBlad calls first (they never trim)
    int linie;   // then Loguj calls
    size_t rozmiar;
    std::string pierwsza, ostatnia;
};

TEST(Dziennik, PrzycinanieOdbywaSiePoDopisaniuLiniiNieBledu) {
    const PrzypadekDziennika przypadki[] = {
        {0, 0, 0, "", ""},
        {0, 300, 300, "L0", "L299"},
        {0, 301, 201, "L100", "L300"},     // the oldest 100 go
        {0, 600, 300, "L300", "L599"},     // trimmed at 301, 401 and 501
        {310, 0, 310, "BŁĄD: E0", "BŁĄD: E309"},
        {310, 1, 211, "BŁĄD: E100", "L0"},  // 311 lines trimmed to 211
    };
    for (const auto& p : przypadki) {
        WyczyscStan();
        for (int i = 0; i < p.bledy; ++i) LogujBlad("E" + std::to_string(i));
        for (int i = 0; i < p.linie; ++i) Loguj("L" + std::to_string(i));
        std::lock_guard<std::mutex> l(Stan.blokada);
        SCOPED_TRACE(std::to_string(p.bledy) + " bledow, " + std::to_string(p.linie) + " linii");
        ASSERT_EQ(Stan.dziennik.size(), p.rozmiar);
        if (p.rozmiar) {
            EXPECT_EQ(Stan.dziennik.front(), p.pierwsza);
            EXPECT_EQ(Stan.dziennik.back(), p.ostatnia);
        }
    }
}

TEST(Dziennik, StatusIBladTrafiajaDoDziennikaTakJakMowia) {
    WyczyscStan();
    UstawStatus("Szukam", 0.5f);
    LogujBlad("x");
    UstawStatus("", -1.0f);
    std::lock_guard<std::mutex> l(Stan.blokada);
    EXPECT_EQ(Stan.dziennik, (Dziennik{"Szukam", "BŁĄD: x", ""}));
    EXPECT_EQ(Stan.blad, "x");          // an empty status does not clear the error
    EXPECT_EQ(Stan.status, "");
    EXPECT_EQ(Stan.postep.load(), -1.0f);
    EXPECT_EQ(Stan.dziennik[1].size(), 8u + 1);  // "BŁĄD: " is 8 bytes, then "x"
}

TEST(Dziennik, BladNieZmieniaStatusuAniPostepu) {
    WyczyscStan();
    UstawStatus("Pobieram", 0.25f);
    LogujBlad("nie wyszło");
    std::lock_guard<std::mutex> l(Stan.blokada);
    EXPECT_EQ(Stan.status, "Pobieram");
    EXPECT_EQ(Stan.postep.load(), 0.25f);
    EXPECT_EQ(Stan.dziennik.back(), "BŁĄD: nie wyszło");
}

TEST(ZajetyLauncher, TylkoJedenZWieluRownoczesnychDostajeFlage) {
    for (int proba = 0; proba < 50; ++proba) {
        WyczyscStan();
        std::atomic<int> zwyciezcy{0};
        std::atomic<bool> start{false};
        std::vector<std::thread> watki;
        for (int i = 0; i < 8; ++i)
            watki.emplace_back([&] {
                while (!start) std::this_thread::yield();
                if (ZajmijPrace()) ++zwyciezcy;
            });
        start = true;
        for (auto& w : watki) w.join();
        ASSERT_EQ(zwyciezcy.load(), 1);
        EXPECT_TRUE(Stan.zajety.load());
        ZwolnijPrace();
        EXPECT_FALSE(Stan.zajety.load());
    }
}

TEST(Porownanie, TylkoLiteryAZBezWzgleduNaWielkosc) {
    struct P { std::wstring a, b; bool rowne; };
    const P przypadki[] = {
        {L"D:\\GRY\\Witcher3", L"d:\\gry\\witcher3", true},
        {L"C:\\Gry\\ą", L"C:\\Gry\\Ą", false},  // Polish letters compare exactly
        {L"abc", L"abcd", false},
        {L"", L"", true},
        {L"[", L"{", false},                    // 0x5B and 0x7B are not letters
    };
    for (const auto& p : przypadki) EXPECT_EQ(RowneBezWielkosciAZ(p.a, p.b), p.rowne);
}

TEST(Porownanie, SciezkaDlugaTylkoDlaPelnejSciezki) {
    const std::pair<std::wstring, std::wstring> przypadki[] = {
        {L"C:\\Users\\Zażółć\\AppData\\Local\\Morvane\\paczka", L"\\\\?\\C:\\Users\\Zażółć\\AppData\\Local\\Morvane\\paczka"},
        {L"d:\\x", L"\\\\?\\d:\\x"},
        {L"\\\\serwer\\udzial\\Morvane", L"\\\\?\\UNC\\serwer\\udzial\\Morvane"},
        {L"\\\\?\\C:\\juz", L"\\\\?\\C:\\juz"},
        {L"\\\\.\\pipe\\x", L"\\\\.\\pipe\\x"},
        {L"paczka\\x", L"paczka\\x"},              // relative: the current folder decides
        {L"\\paczka", L"\\paczka"},                // the current drive's root
        {L"C:paczka", L"C:paczka"},
        {L"C:\\a\\..\\b", L"C:\\a\\..\\b"},        // the prefix would take ".." literally
        {L"C:\\a\\.\\b", L"C:\\a\\.\\b"},
        {L"C:/a/b", L"C:/a/b"},
        {L"", L""},
    };
    for (const auto& [z, na] : przypadki) EXPECT_EQ(SciezkaDluga(z), na);
}

TEST(Powloka, NazwaProcesuGry) {
    struct P { std::wstring nazwa; bool gra; };
    const P przypadki[] = {
        {L"witcher3.exe", true}, {L"WITCHER3.EXE", true}, {L"Witcher3.Exe", true},
        {L"witcher3.exe.exe", false}, {L"witcher3.ex", false}, {L"xwitcher3.exe", false}, {L"", false},
    };
    for (const auto& p : przypadki) EXPECT_EQ(CzyNazwaGry(p.nazwa), p.gra) << std::string(p.nazwa.begin(), p.nazwa.end());
}

TEST(Powloka, RozmiarOknaRosnieZeSkalaDpi) {
    struct P { float s; int w, h; };
    const P przypadki[] = {{1.0f, 940, 620}, {1.25f, 1175, 775}, {1.5f, 1410, 930}, {2.0f, 1880, 1240}};
    for (const auto& p : przypadki) {
        Rozmiar r = RozmiarKlienta(p.s);
        EXPECT_EQ(r.szerokosc, p.w);
        EXPECT_EQ(r.wysokosc, p.h);
    }
    EXPECT_EQ(PoczatekOkna(960, 957), 482);  // integer halves
}

}  // namespace
