// Text conversion, the data folder and the one-line file reader, on real
// files under Wine.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <regex>

#include "core/linia.h"
#include "core/plik_dziennika.h"
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

// ---- the journal's file -------------------------------------------------------

namespace {

// The file's lines without their time; a run's opening line is left out
// (whether this write is the process's first depends on the tests before).
std::vector<std::string> LiniePliku(const std::wstring& plik) {
    std::vector<std::string> w;
    std::string t;
    CzytajCalyPlik(plik, t, 4u << 20);
    const std::regex czas("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d  ");
    size_t p = 0;
    for (size_t k; (k = t.find("\r\n", p)) != std::string::npos; p = k + 2)
        if (t.compare(p, 6, "===== ") != 0) w.push_back(std::regex_replace(t.substr(p, k - p), czas, ""));
    return w;
}

TEST(PlikDziennika, KolejnoscPowodzPrzepelnieniaGranicaIBledyZapisu) {
    const std::wstring dane = FolderDanych();
    UsunDrzewo(dane);
    std::filesystem::create_directories(dane);
    const std::wstring plik = dane + L"\\dziennik.txt", poprzedni = dane + L"\\dziennik-poprzedni.txt";
    WyczyscStan();
    ZapiszDziennikNaKoniec();  // what earlier tests wrote to the journal
    DeleteFileW(plik.c_str());

    // In order, Polish letters and indents as they are.
    Loguj("pierwsza");
    LogujBlad("zła rzecz: zażółć");
    Loguj("  wyjście skryptu");
    ZapiszDziennikNaKoniec();
    EXPECT_EQ(LiniePliku(plik), (std::vector<std::string>{"pierwsza", "BŁĄD: zła rzecz: zażółć", "  wyjście skryptu"}));

    // A flood faster than any writer: the file says how many it lost, and
    // what it has is the flood's end, in order.
    DeleteFileW(plik.c_str());
    for (int i = 0; i < 1000; ++i) Loguj("L" + std::to_string(i));
    ZapiszDziennikNaKoniec();
    std::vector<std::string> l = LiniePliku(plik);
    ASSERT_GE(l.size(), 2u);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(l[0], m, std::regex("\\[pominięto (\\d+) linii dziennika.*"))) << l[0];
    const size_t pominiete = std::stoul(m[1]);
    EXPECT_EQ(pominiete + l.size() - 1, 1000u);
    for (size_t i = 1; i < l.size(); ++i) EXPECT_EQ(l[i], "L" + std::to_string(pominiete + i - 1));

    // Past 1 MiB the file becomes the previous one.
    const std::string stary(1100 * 1024, 'x');
    ZapiszPlik(plik, stary);
    Loguj("po obrocie");
    ZapiszDziennikNaKoniec();
    EXPECT_EQ(CzytajPlik(poprzedni), stary);
    EXPECT_EQ(LiniePliku(plik), std::vector<std::string>{"po obrocie"});

    // A file that can't be opened for writing and a full disk cost the file
    // its lines, nothing else. (A read-only attribute is not enforced for
    // root under Wine: a folder in the file's place is refused the same way.)
    DeleteFileW(plik.c_str());
    std::filesystem::create_directories(plik);
    Loguj("nie do zapisu");
    ZapiszDziennikNaKoniec();
    RemoveDirectoryW(plik.c_str());
    // Linux's /dev/full, a disk that takes no byte, in the file's place.
    if (PoLinuksowemu(L"Z:\\bin\\ln -s /dev/full ", plik, [&] { return WFolderze(plik); })) {
        Loguj("pełny dysk");
        ZapiszDziennikNaKoniec();
        // Gone when the name can be made anew: a listing may miss a link to
        // a device for a moment while it is still there.
        EXPECT_TRUE(PoLinuksowemu(L"Z:\\bin\\rm -f ", plik, [&] {
            HANDLE h = CreateFileW(plik.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
            if (h == INVALID_HANDLE_VALUE) return false;
            CloseHandle(h);
            return DeleteFileW(plik.c_str()) != FALSE;
        }));
    } else {
        ADD_FAILURE() << "could not make the file a link to /dev/full";
    }
    Loguj("znowu");
    ZapiszDziennikNaKoniec();
    EXPECT_EQ(LiniePliku(plik), std::vector<std::string>{"znowu"});

    // A write that still runs at the end owns the file: the last write
    // waits for it and then writes nothing beside it, nor clears its flag.
    ASSERT_TRUE(ZajmijZapisDziennika());
    Loguj("w trakcie innego zapisu");
    EXPECT_FALSE(ZapiszDziennikNaKoniec(200));
    EXPECT_EQ(LiniePliku(plik), std::vector<std::string>{"znowu"});
    EXPECT_FALSE(ZajmijZapisDziennika()) << "the flag of the write under way was cleared";
    ZwolnijZapisDziennika();
    EXPECT_TRUE(ZapiszDziennikNaKoniec(200));
    EXPECT_EQ(LiniePliku(plik), (std::vector<std::string>{"znowu", "w trakcie innego zapisu"}));
    const Dziennik d = KopiaDziennika();
    ASSERT_GE(d.size(), 5u);
    EXPECT_EQ(Dziennik(d.end() - 5, d.end()),
              Dziennik({"po obrocie", "nie do zapisu", "pełny dysk", "znowu", "w trakcie innego zapisu"}));
    UsunDrzewo(dane);
}

}  // namespace
