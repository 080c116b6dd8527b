// Text conversion, the data folder and the one-line file reader, on real
// files under Wine.
#include <gtest/gtest.h>

#include "core/linia.h"
#include "core/tekst.h"
#include "net/sprawdz.h"
#include "wspolne.h"

namespace {

TEST(Konwersja, PolskieLiteryTamIZPowrotem) {
    const std::string utf8 = "Zażółć gęślą jaźń ĄĘŁŃÓŚŹŻ";
    const std::wstring utf16 = L"Za\u017C\u00F3\u0142\u0107 g\u0119\u015Bl\u0105 ja\u017A\u0144 "
                               L"\u0104\u0118\u0141\u0143\u00D3\u015A\u0179\u017B";
    EXPECT_EQ(NaUtf16(utf8), utf16);
    EXPECT_EQ(NaUtf8(utf16), utf8);
    EXPECT_EQ(NaUtf8(NaUtf16(utf8)), utf8);
    EXPECT_EQ(NaUtf8(L""), "");
    EXPECT_EQ(NaUtf16(""), L"");
    // Embedded NULs are part of the text: the length is passed explicitly.
    EXPECT_EQ(NaUtf8(std::wstring(L"a\0b", 3)), std::string("a\0b", 3));
}

TEST(Konwersja, ZlyTekstNieGinieCalkiem) {
    // Invalid input is replaced, not rejected.
    EXPECT_FALSE(NaUtf16("ok\xC3").empty());
    EXPECT_FALSE(NaUtf8(std::wstring(L"ok\xD800")).empty());
}

TEST(PierwszaLinia, KodowaniaIKonceLinii) {
    const std::string linia = "D:\\Gry\\The Witcher 3";
    auto utf16 = [](const std::wstring& w) {
        std::string b = "\xFF\xFE";
        for (wchar_t z : w) b += (char)(z & 0xFF), b += (char)(z >> 8);
        return b;
    };
    struct P { const char* opis; std::string bajty; std::string oczekiwane; };
    const P przypadki[] = {
        {"spacje, tab, CRLF, druga linia", "  " + linia + "\t\r\nDruga linia", linia},
        {"UTF-8 z sygnatura", "\xEF\xBB\xBF  " + linia + "\t\r\nDruga", linia},
        {"UTF-16LE z sygnatura", utf16(L"  D:\\Gry\\The Witcher 3\t\r\nDruga"), linia},
        {"UTF-16LE polskie litery", utf16(L"Za\u017C\u00F3\u0142\u0107\n"), "Zażółć"},
        {"UTF-16LE nieparzysty bajt", utf16(L"ab") + "c", "ab"},
        {"tylko sygnatura UTF-8", "\xEF\xBB\xBF", ""},
        {"tylko FF FE", "\xFF\xFE", ""},
        {"FF FE i jeden bajt", "\xFF\xFE" "A", ""},
        {"pusta pierwsza linia", "\r\nD:\\Gry", ""},
        {"same spacje i taby", " \t \t\nD:\\Gry", ""},
        {"samotne CR", "abc\rdef", "abc"},
        {"tab w srodku zostaje", " a\tb ", "a\tb"},
        {"bez konca linii", "1.0", "1.0"},
        {"twarda spacja zostaje", "1.0\xC2\xA0", "1.0\xC2\xA0"},
        {"FE FF nie jest rozpoznawane", std::string("\xFE\xFF\0a", 4), std::string("\xFE\xFF\0a", 4)},
        {"pusty plik", "", ""},
    };
    TymczasowyFolder tmp;
    int i = 0;
    for (const auto& p : przypadki) {
        std::wstring plik = tmp / (L"plik" + std::to_wstring(i++) + L".txt");
        ZapiszPlik(plik, p.bajty);
        EXPECT_EQ(CzytajPierwszaLinie(plik), p.oczekiwane) << p.opis;
    }
}

TEST(PierwszaLinia, NieczytelnePlikiDajaPustyTekst) {
    TymczasowyFolder tmp;
    EXPECT_EQ(CzytajPierwszaLinie(tmp / L"brak.txt"), "");
    EXPECT_EQ(CzytajPierwszaLinie(tmp.sciezka), "");  // a folder
    EXPECT_EQ(CzytajPierwszaLinie(L""), "");

    std::wstring zablokowany = tmp / L"zablokowany.txt";
    ZapiszPlik(zablokowany, "1.0\n");
    HANDLE h = CreateFileW(zablokowany.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(CzytajPierwszaLinie(zablokowany), "");
    CloseHandle(h);
    EXPECT_EQ(CzytajPierwszaLinie(zablokowany), "1.0");
}

TEST(Pliki, IstnienieIFolderDanych) {
    TymczasowyFolder tmp;
    EXPECT_TRUE(PlikIstnieje(tmp.sciezka));
    EXPECT_FALSE(PlikIstnieje(tmp / L"brak"));
    ZapiszPlik(tmp / L"zażółć.txt", "x");
    EXPECT_TRUE(PlikIstnieje(tmp / L"za\u017C\u00F3\u0142\u0107.txt"));

    std::wstring dane = FolderDanych();
    const std::wstring koniec = L"\\AppData\\Local\\Morvane";
    ASSERT_GT(dane.size(), koniec.size());
    EXPECT_TRUE(RowneBezWielkosciAZ(dane.substr(dane.size() - koniec.size()), koniec)) << NaUtf8(dane);
}

TEST(ZajetyLauncher, DrugiPracownikWracaBezSladu) {
    WyczyscStan();
    Stan.zajety = true;
    Sprawdz();
    EXPECT_TRUE(Stan.zajety.load());
    EXPECT_TRUE(KopiaDziennika().empty());
    std::lock_guard<std::mutex> l(Stan.blokada);
    EXPECT_EQ(Stan.serwerSwiata, -1);
    EXPECT_EQ(Stan.status, "");
}

}  // namespace
