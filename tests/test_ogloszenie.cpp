// The update server's announcement: what is read from it, what is refused,
// and which key is tried; and what the journal's file gets. Pure: runs under
// Wine and natively.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "core/plik_dziennika.h"
#include "net/ogloszenie.h"
#include "net/mapa_blokow.h"
#include "net/wznowienie.h"

namespace {

const std::string Skrot1 = "00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff";
// 64 bytes 0x00..0x3f in base64.
const std::string Podpis1 =
    "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKissLS4vMDEyMzQ1Njc4OTo7PD0+Pw==";

struct PrzypadekOgloszenia {
    const char* opis;
    std::string cialo;
    bool ok;
    std::string wersja;           // as the check shows it
    bool rozmiar, skrot, podpis;  // which fields were read
    std::string powodZawiera;     // for a refusal
};

TEST(Ogloszenie, CzytaneIOdrzucaneLinie) {
    const std::string pelne = "2.0\nrozmiar=1234\nsha256=" + Skrot1 + "\nklucz=0011223344556677\npodpis=" + Podpis1 + "\n";
    std::string windows = "2.0  \r\nrozmiar=1234 \t\r\nsha256=" + Skrot1 + "\r\npodpis=" + Podpis1 + "  \r\n";
    std::string bliskoLimitu = "2.0\n";
    while (bliskoLimitu.size() < 64 * 1024 - 300) bliskoLimitu += "uwaga=to jest dluga notatka zespolu moda\n";
    bliskoLimitu += "rozmiar=1234\nsha256=" + Skrot1 + "\n";
    const PrzypadekOgloszenia przypadki[] = {
        {"jedna linia", "2.0", true, "2.0", false, false, false, ""},
        {"dawna druga linia", "1.0\r\nkolejna\r\n", true, "1.0", false, false, false, ""},
        {"pelne", pelne, true, "2.0", true, true, true, ""},
        {"z Windows: CR LF i spacje", windows, true, "2.0  ", true, true, true, ""},
        {"duze wielkie litery skrotu", "2.0\nsha256=" + std::string(64, 'F') + "\n", true, "2.0", false, true, false, ""},
        {"obce linie i nazwy pomijane", "2.0\nautor=zespol\nPodpis=x\n # sha256=zz\nrozmiar =x\n", true, "2.0",
         false, false, false, ""},
        {"pusta", "", true, "", false, false, false, ""},
        {"blisko limitu", bliskoLimitu, true, "2.0", true, true, false, ""},
        {"rozmiar z litera", "2.0\nrozmiar=12a\n", false, "", false, false, false, "rozmiar="},
        {"rozmiar ujemny", "2.0\nrozmiar=-1\n", false, "", false, false, false, "rozmiar="},
        {"rozmiar pusty", "2.0\nrozmiar=\n", false, "", false, false, false, "rozmiar="},
        {"rozmiar ponad 64 bity", "2.0\nrozmiar=18446744073709551616\n", false, "", false, false, false, "rozmiar="},
        {"rozmiar ze spacja przed", "2.0\nrozmiar= 12\n", false, "", false, false, false, "rozmiar="},
        {"skrot za krotki", "2.0\nsha256=" + Skrot1.substr(1) + "\n", false, "", false, false, false, "sha256="},
        {"skrot nie hex", "2.0\nsha256=" + std::string(62, 'a') + "zz\n", false, "", false, false, false, "64 cyfr"},
        {"klucz za dlugi", "2.0\nklucz=00112233445566778\n", false, "", false, false, false, "klucz="},
        {"podpis nie base64", "2.0\npodpis=!!!!\n", false, "", false, false, false, "podpis="},
        {"podpis 63 bajty", "2.0\npodpis=" + Podpis1.substr(0, 84) + "\n", false, "", false, false, false, "podpis="},
        {"podpis z = w srodku", "2.0\npodpis=AA==" + Podpis1.substr(4) + "\n", false, "", false, false, false, "podpis="},
        {"podpis bez dopelnienia", "2.0\npodpis=" + Podpis1.substr(0, 86) + "\n", false, "", false, false, false,
         "podpis="},
        {"podpis z niezerowymi bitami dopelnienia", "2.0\npodpis=" + Podpis1.substr(0, 84) + "PT==\n", false, "", false,
         false, false, "podpis="},
        {"powtorzony skrot", "2.0\nsha256=" + Skrot1 + "\nsha256=" + std::string(64, '0') + "\n", false, "", false,
         false, false, "sha256= powtórzona"},
        {"powtorzony podpis", pelne + "podpis=" + Podpis1 + "\n", false, "", false, false, false, "podpis= powtórzona"},
    };
    for (const auto& p : przypadki) {
        SCOPED_TRACE(p.opis);
        Ogloszenie o;
        std::string powod;
        ASSERT_EQ(CzytajOgloszenie(p.cialo, o, powod), p.ok) << powod;
        if (!p.ok) {
            EXPECT_NE(powod.find(p.powodZawiera), std::string::npos) << powod;
            continue;
        }
        EXPECT_EQ(o.wersja, p.wersja);
        EXPECT_EQ(o.rozmiar.has_value(), p.rozmiar);
        EXPECT_EQ(o.sha256.has_value(), p.skrot);
        EXPECT_EQ(o.podpis.has_value(), p.podpis);
        if (p.rozmiar) {
            EXPECT_EQ(*o.rozmiar, 1234u);
        }
        if (p.skrot && p.cialo.find(Skrot1) != std::string::npos) {
            EXPECT_EQ(NaHex(o.sha256->data(), 32), Skrot1);
        }
        if (p.podpis) {
            for (int i = 0; i < 64; ++i) EXPECT_EQ((*o.podpis)[i], i);
        }
    }
}

TEST(Ogloszenie, PodpisanaTrescIBraki) {
    Ogloszenie o;
    std::string powod;
    ASSERT_TRUE(CzytajOgloszenie(" 2.0\t\r\nsha256=" + Skrot1 + "\n", o, powod));
    // The version is signed without the blanks around it that an editor may add.
    EXPECT_EQ(WersjaDoPodpisu(o), "2.0");
    Skrot s;
    ASSERT_TRUE(ZHex(Skrot1, s.data(), s.size()));
    EXPECT_EQ(TrescDoPodpisu("2.0", 1234, s),
              "Morvane: paczka moda, podpis v1\nwersja=2.0\nrozmiar=1234\nsha256=" + Skrot1 + "\n");
    EXPECT_EQ(BrakiDoPodpisu(o), "brak podpisu (linii podpis=)");
    ASSERT_TRUE(CzytajOgloszenie("2.0\nsha256=" + Skrot1 + "\npodpis=" + Podpis1 + "\n", o, powod));
    EXPECT_NE(BrakiDoPodpisu(o).find("rozmiar="), std::string::npos);
    ASSERT_TRUE(CzytajOgloszenie("2.0\nrozmiar=1\nsha256=" + Skrot1 + "\npodpis=" + Podpis1 + "\n", o, powod));
    EXPECT_EQ(BrakiDoPodpisu(o), "");
}

TEST(Ogloszenie, PorownaniePaczkiPodajeObieWartosci) {
    Ogloszenie o;
    std::string powod;
    ASSERT_TRUE(CzytajOgloszenie("2.0\nrozmiar=1234\nsha256=" + Skrot1 + "\n", o, powod));
    Skrot dobry, inny{};
    ZHex(Skrot1, dobry.data(), 32);
    EXPECT_EQ(PorownajZOgloszeniem(o, 1234, dobry), "");
    EXPECT_EQ(PorownajZOgloszeniem(o, 617, dobry), "rozmiar paczki 617 B, a ogłoszono 1234 B");
    EXPECT_EQ(PorownajZOgloszeniem(o, 1234, inny), "SHA-256 paczki " + std::string(64, '0') + ", a ogłoszono " + Skrot1);
    EXPECT_EQ(PorownajZOgloszeniem(Ogloszenie{}, 1, inny), "");  // nothing announced, nothing to compare
}

TEST(Klucze, UstawienieBudowania) {
    const std::string a(128, 'a'), b = std::string(64, '0') + std::string(64, 'B');
    std::vector<KluczPubliczny> k;
    EXPECT_TRUE(CzytajKlucze("", k));
    EXPECT_TRUE(k.empty());
    ASSERT_TRUE(CzytajKlucze(a + ";" + b, k));
    ASSERT_EQ(k.size(), 2u);
    EXPECT_EQ(IdKlucza(k[0]), std::string(16, 'a'));
    EXPECT_EQ(k[1][63], 0xBB);
    EXPECT_TRUE(CzytajKlucze(" " + a + ", " + b + " ", k));
    EXPECT_EQ(k.size(), 2u);
    for (const std::string& zle : {a.substr(2), a + "0", a + ";xyz", std::string(127, 'a') + "g"}) {
        EXPECT_FALSE(CzytajKlucze(zle, k)) << zle;
        EXPECT_TRUE(k.empty());
    }
}

// A stand-in for the system's ECDSA that accepts what the key `dobry` signs.
KluczPubliczny Klucz(uint8_t bajt) {
    KluczPubliczny k;
    k.fill(bajt);
    return k;
}
const KluczPubliczny Dobry = Klucz(0xB0);
bool TylkoDobry(const std::string&, const PodpisEcdsa&, const KluczPubliczny& k) { return k == Dobry; }

TEST(Klucze, KtoryKluczSprawdzaIComowiOdmowa) {
    const std::string baza = "2.0\nrozmiar=1\nsha256=" + Skrot1 + "\npodpis=" + Podpis1 + "\n";
    struct P {
        const char* opis;
        std::string dopisek;
        std::vector<KluczPubliczny> klucze;
        std::string powod, uzyty;
    };
    const std::string idA = std::string(16, 'a'), idB = "b0b0b0b0b0b0b0b0", idC = std::string(16, 'c');
    const P przypadki[] = {
        {"bez nazwy: kazdy klucz po kolei", "", {Klucz(0xAA), Dobry}, "", idB},
        {"nazwany znany dobry", "klucz=" + idB + "\n", {Klucz(0xAA), Dobry}, "", idB},
        {"nazwany znany, tresc zmieniona", "klucz=" + idA + "\n", {Klucz(0xAA), Dobry},
         "podpis nieważny - ogłoszenie zmienione albo podpis uszkodzony", ""},
        {"nazwany nieznany", "klucz=" + idC + "\n", {Klucz(0xAA), Dobry},
         "podpisano kluczem " + idC + ", którego ten launcher nie zna (zna: " + idA + ", " + idB + ")", ""},
        {"bez nazwy, zaden nie pasuje", "", {Klucz(0xAA)}, "podpis nie pasuje do żadnego klucza launchera (" + idA + ")", ""},
        {"bez kluczy", "", {}, "podpis nie pasuje do żadnego klucza launchera (żadnego)", ""},
    };
    for (const auto& p : przypadki) {
        SCOPED_TRACE(p.opis);
        Ogloszenie o;
        std::string powod, uzyty;
        ASSERT_TRUE(CzytajOgloszenie(baza + p.dopisek, o, powod)) << powod;
        EXPECT_EQ(OcenPodpis(o, p.klucze, TylkoDobry, uzyty), p.powod);
        EXPECT_EQ(uzyty, p.uzyty);
    }
    Ogloszenie bez;
    std::string powod, uzyty;
    ASSERT_TRUE(CzytajOgloszenie("2.0\n", bez, powod));
    EXPECT_EQ(OcenPodpis(bez, {Dobry}, TylkoDobry, uzyty), "brak podpisu (linii podpis=)");
}

}  // namespace

// ---- the journal's file (pure half) ------------------------------------------

namespace {

TEST(PlikDziennika, LinieDoZapisuIPominietePoIndeksieWszystkich) {
    const Dziennik d = {"c", "d", "e"};  // the last 3 of 5 lines ever written
    struct P { uint64_t zapisane; std::vector<std::string> linie; uint64_t pominiete; };
    const P przypadki[] = {
        {5, {}, 0},               // the file has everything
        {3, {"d", "e"}, 0},
        {2, {"c", "d", "e"}, 0},
        {0, {"c", "d", "e"}, 2},  // "a" and "b" left the journal first
    };
    for (const auto& p : przypadki) {
        const NoweLinie n = LinieDoZapisu(d, 5, p.zapisane);
        EXPECT_EQ(n.linie, p.linie) << p.zapisane;
        EXPECT_EQ(n.pominiete, p.pominiete) << p.zapisane;
        EXPECT_EQ(n.doKtorej, 5u);
    }
    const NoweLinie n = LinieDoZapisu(d, 5, 0);
    EXPECT_EQ(TekstDoPliku(n, "2026-12-11 01:02:03", true),
              "===== Launcher Morvane 1.0, uruchomiony 2026-12-11 01:02:03 =====\r\n"
              "2026-12-11 01:02:03  [pominięto 2 linii dziennika: przyszły szybciej, niż dało się je zapisać]\r\n"
              "2026-12-11 01:02:03  c\r\n2026-12-11 01:02:03  d\r\n2026-12-11 01:02:03  e\r\n");
    EXPECT_EQ(TekstDoPliku(LinieDoZapisu(d, 5, 4), "T", false), "T  e\r\n");
    EXPECT_EQ(TekstDziennika({"a", "BŁĄD: b", ""}), "a\r\nBŁĄD: b\r\n\r\n");
}

}  // namespace

// ---- resuming the package's download (pure half) --------------------------------

namespace {

TEST(Wznowienie, ZakresOdpowiedziWalidatorIPrzerwy) {
    struct Z { const char* naglowek; bool ok; uint64_t od, koniec, calosc; };
    const Z zakresy[] = {
        {"bytes 100-999/1000", true, 100, 999, 1000},
        {"bytes 100-499/1000", true, 100, 499, 1000},  // ends short of the file: the rest is asked for
        {"bytes 0-0/1", true, 0, 0, 1},
        {"bytes */1000", false, 0, 0, 0},         // unsatisfiable: no part at all
        {"bytes 100-999/*", false, 0, 0, 0},      // total unknown: can't tell the file
        {"bytes 100-1000/1000", false, 0, 0, 0},  // last byte past the total
        {"bytes 500-100/1000", false, 0, 0, 0},
        {"bytes 100-999/1000 ", false, 0, 0, 0},
        {"items 100-999/1000", false, 0, 0, 0},
        {"bytes -5-999/1000", false, 0, 0, 0},
        {"bytes 100-999/99999999999999999999999", false, 0, 0, 0},
    };
    for (const Z& z : zakresy) {
        uint64_t od = 7, koniec = 7, calosc = 7;
        EXPECT_EQ(CzytajZakres(z.naglowek, od, koniec, calosc), z.ok) << z.naglowek;
        if (z.ok) {
            EXPECT_EQ(std::make_tuple(od, koniec, calosc), std::make_tuple(z.od, z.koniec, z.calosc)) << z.naglowek;
        }
    }
    // A 206 of another file than the part's (a proxy ignoring If-Range).
    const std::string data = "Wed, 09 Dec 2026 10:00:00 GMT";
    EXPECT_TRUE(TenSamPlik("\"abc\"", "\"abc\"", "Thu, 10 Dec 2026 10:00:00 GMT"));
    EXPECT_FALSE(TenSamPlik("\"abc\"", "\"abd\"", data));
    EXPECT_TRUE(TenSamPlik("\"abc\"", "", data));  // nothing to tell by
    EXPECT_TRUE(TenSamPlik(data, "\"nowy\"", data));
    EXPECT_FALSE(TenSamPlik(data, "", "Thu, 10 Dec 2026 10:00:00 GMT"));
    for (uint32_t s : {408u, 429u, 500u, 502u, 503u, 504u}) EXPECT_TRUE(StatusDoPonowienia(s)) << s;
    for (uint32_t s : {200u, 206u, 400u, 403u, 404u, 416u, 600u}) EXPECT_FALSE(StatusDoPonowienia(s)) << s;
    // A weak ETag may not stand in If-Range, and then neither may the date.
    EXPECT_EQ(WalidatorWznowienia("\"abc\"", "Wed, 09 Dec 2026 10:00:00 GMT"), "\"abc\"");
    EXPECT_EQ(WalidatorWznowienia("W/\"abc\"", "Wed, 09 Dec 2026 10:00:00 GMT"), "");
    EXPECT_EQ(WalidatorWznowienia("", "Wed, 09 Dec 2026 10:00:00 GMT"), "Wed, 09 Dec 2026 10:00:00 GMT");
    EXPECT_EQ(WalidatorWznowienia("", ""), "");
    // Growing pauses, 30 s in all: the tries end.
    uint32_t razem = 0;
    for (int i = 1; i <= LiczbaPonowien; ++i) {
        EXPECT_GT(PrzerwaPrzedPonowieniem(i), i > 1 ? PrzerwaPrzedPonowieniem(i - 1) : 0u);
        razem += PrzerwaPrzedPonowieniem(i);
    }
    EXPECT_EQ(razem, 30000u);
    EXPECT_EQ(TekstWznowienia(120u * 1048576, 2), "Połączenie zerwane przy 120 MB - wznawiam (próba 2 z 6)...");
}

TEST(Wznowienie, ZapisCzesciTylkoCalyINiezmieniony) {
    const ZapisCzesci z{"http://127.0.0.1:80/v/", "\"abc\"", 1792014, "rozmiar=1792014 sha256=00ff"};
    const std::string tekst = TekstZapisuCzesci(z);
    ZapisCzesci w;
    ASSERT_TRUE(CzytajZapisCzesci(tekst, w));
    EXPECT_EQ(w, z);
    auto zmien = [&](const std::string& co, const std::string& na) {
        std::string t = tekst;
        t.replace(t.find(co), co.size(), na);
        return t;
    };
    const std::string zepsute[] = {
        tekst.substr(0, tekst.size() - 1),     // cut before its last LF
        tekst.substr(0, tekst.size() / 2),
        tekst + "dodatek=1\n",
        zmien("calosc=1792014", "calosc=0"),   // a part of nothing
        zmien("calosc=1792014", "calosc=12x"),
        zmien("calosc=1792014", "calosc=01792014"),  // not as written: changed by hand
        zmien("walidator=\"abc\"", "walidator="),  // nothing to ask If-Range with
        zmien("\n", "\r\n"),                  // edited on Windows: not ours any more
        zmien("v1", "v2"),
        zmien("serwer=", "adres="),
        "",
    };
    for (const std::string& t : zepsute) {
        ZapisCzesci x = z;
        EXPECT_FALSE(CzytajZapisCzesci(t, x)) << t;
        EXPECT_EQ(x, z) << "a refused record changed the result";
    }
}

}  // namespace

// ---- the block map and the cutting both sides share ----------------------------

namespace {

std::string Hex32(char z) { return std::string(32, z); }

TEST(MapaBlokow, CzytaTylkoPoprawnaMapeWGranicach) {
    const std::string naglowek = "Morvane: mapa bloków v1\n";
    struct M { const char* opis; std::string tekst; bool ok; };
    const M mapy[] = {
        {"dwa bloki", naglowek + "rozmiar=30\n10 " + Hex32('a') + "\n20 " + Hex32('0') + "\n", true},
        {"pusta", naglowek + "rozmiar=0\n", true},
        {"inny naglowek", "Morvane: mapa bloków v2\nrozmiar=10\n10 " + Hex32('a') + "\n", false},
        {"suma nie ta", naglowek + "rozmiar=11\n10 " + Hex32('a') + "\n", false},
        {"blok zerowy", naglowek + "rozmiar=0\n0 " + Hex32('a') + "\n", false},
        {"blok za duzy", naglowek + "rozmiar=131073\n131073 " + Hex32('a') + "\n", false},
        {"wiodace zero", naglowek + "rozmiar=10\n010 " + Hex32('a') + "\n", false},
        {"wielkie litery", naglowek + "rozmiar=10\n10 " + Hex32('A') + "\n", false},
        {"krotki skrot", naglowek + "rozmiar=10\n10 " + std::string(31, 'a') + "\n", false},
        {"bez konca linii", naglowek + "rozmiar=10\n10 " + Hex32('a'), false},
        {"CR LF", "Morvane: mapa bloków v1\r\nrozmiar=10\r\n10 " + Hex32('a') + "\r\n", false},
        {"rozmiar z plusem", naglowek + "rozmiar=+10\n10 " + Hex32('a') + "\n", false},
    };
    for (const M& m : mapy) {
        MapaBlokow w;
        std::string powod;
        EXPECT_EQ(CzytajMapeBlokow(m.tekst, w, powod), m.ok) << m.opis;
        if (m.ok) {
            EXPECT_EQ(TekstMapyBlokow(w), m.tekst) << m.opis;
        } else {
            EXPECT_FALSE(powod.empty()) << m.opis;
        }
    }
    // The limits: blocks, then bytes.
    std::string wiele = naglowek + "rozmiar=" + std::to_string(LimitMapyBlokow + 1) + "\n";
    for (size_t i = 0; i <= LimitMapyBlokow; ++i) wiele += "1 " + Hex32('b') + "\n";
    MapaBlokow w;
    std::string powod;
    EXPECT_FALSE(CzytajMapeBlokow(wiele, w, powod));
    EXPECT_EQ(powod, "za dużo bloków w mapie");
    EXPECT_FALSE(CzytajMapeBlokow(naglowek + "rozmiar=0\n" + std::string(LimitMapyBajtow, '\n'), w, powod));
    EXPECT_EQ(powod, "mapa bloków za duża");
}

// The cuts of a byte string fed in pieces of `kawalek` bytes.
std::vector<uint64_t> Ciecia(const std::string& dane, const std::vector<uint64_t>& granice, size_t kawalek) {
    Ciecie c;
    c.granice = granice;
    std::vector<uint64_t> w;
    for (size_t p = 0; p < dane.size();) {
        const size_t n = std::min(kawalek, dane.size() - p);
        for (size_t i = 0; i < n;) {
            bool ciecie = false;
            i += Tnij(c, reinterpret_cast<const uint8_t*>(dane.data()) + p + i, n - i, ciecie);
            if (ciecie) w.push_back(c.poczatek);
        }
        p += n;
    }
    return w;
}

TEST(MapaBlokow, CiecieZaleznieOdTresciIGranicZip) {
    std::mt19937_64 los(3);
    std::string dane(3 << 20, '\0');
    for (char& z : dane) z = (char)los();
    // Whatever the pieces it is fed in, the same cuts; blocks within bounds.
    const std::vector<uint64_t> a = Ciecia(dane, {}, 1 << 20), b = Ciecia(dane, {}, 4093);
    EXPECT_EQ(a, b);
    ASSERT_GT(a.size(), 30u);
    uint64_t poprzednie = 0;
    for (uint64_t c : a) {
        EXPECT_GE(c - poprzednie, MinBloku);
        EXPECT_LE(c - poprzednie, MaxBloku);
        poprzednie = c;
    }
    // Bytes inserted early move the later cuts with the content.
    const std::string wstawione = dane.substr(0, 5000) + std::string(777, 'x') + dane.substr(5000);
    const std::vector<uint64_t> c = Ciecia(wstawione, {}, 1 << 20);
    size_t wspolne = 0;
    for (uint64_t x : a)
        if (std::binary_search(c.begin(), c.end(), x + 777)) ++wspolne;
    EXPECT_GE(wspolne, a.size() - 2);
    // A boundary is a cut of its own, however close, and the hash starts anew there.
    const std::vector<uint64_t> g = Ciecia(dane, {100, 130, 200000}, 65536);
    EXPECT_EQ(std::vector<uint64_t>(g.begin(), g.begin() + 2), (std::vector<uint64_t>{100, 130}));
    EXPECT_NE(std::find(g.begin(), g.end(), 200000u), g.end());
    // Zeros: the longest block at a time.
    EXPECT_EQ(Ciecia(std::string(300000, '\0'), {}, 1 << 20), (std::vector<uint64_t>{131072, 262144}));
}

TEST(MapaBlokow, PlanBierzeZZiarnaCoMaIScalaZakresy) {
    auto blok = [](uint32_t d, uint8_t z) {
        Blok b;
        b.dlugosc = d;
        b.skrot.fill(z);
        return b;
    };
    MapaBlokow nowa;
    nowa.bloki = {blok(10, 1), blok(10, 2), blok(10, 9), blok(10, 3), blok(1000, 8), blok(10, 4)};
    nowa.rozmiar = 1050;
    // The seed has 1, 2, 3 and 4, with 3 and 4 apart.
    const std::vector<Blok> ziarno = {blok(10, 1), blok(10, 2), blok(10, 3), blok(5, 7), blok(10, 4)};
    const std::vector<uint64_t> poczatki = {0, 10, 20, 30, 35};
    auto opis = [](const std::vector<Odcinek>& p) {
        std::string w;
        for (const Odcinek& o : p)
            w += (o.zZiarna ? "z" + std::to_string(o.wZiarnie) : std::string("p")) + ":" + std::to_string(o.od) + "+" +
                 std::to_string(o.dlugosc) + " ";
        return w;
    };
    EXPECT_EQ(opis(PlanOdbudowy(nowa, ziarno, poczatki, 1, 100)), "z0:0+20 p:20+10 z20:30+10 p:40+1000 z35:1040+10 ");
    // A seed run between two fetched ranges shorter than the gap: one range.
    EXPECT_EQ(opis(PlanOdbudowy(nowa, ziarno, poczatki, 11, 100)), "z0:0+20 p:20+1020 z35:1040+10 ");
    // At most one request: the same.
    EXPECT_EQ(opis(PlanOdbudowy(nowa, ziarno, poczatki, 1, 1)), "z0:0+20 p:20+1020 z35:1040+10 ");
    // A map of 100 000 blocks, every other one in the seed, gaps of many
    // lengths: within the limit, the file covered in order, the shortest
    // gaps merged first.
    MapaBlokow duza;
    std::vector<Blok> wZiarnie;
    std::vector<uint64_t> gdzie;
    for (uint32_t i = 0; i < 100000; ++i) {
        Blok b = blok(1 + (i * 7919u) % 5000, 0);
        b.skrot[0] = (uint8_t)i;
        b.skrot[1] = (uint8_t)(i >> 8);
        b.skrot[2] = (uint8_t)(i >> 16);
        duza.bloki.push_back(b);
        if (i % 2) {
            wZiarnie.push_back(b);
            gdzie.push_back(duza.rozmiar);
        }
        duza.rozmiar += b.dlugosc;
    }
    const std::vector<Odcinek> plan = PlanOdbudowy(duza, wZiarnie, gdzie, 256, 64);
    uint64_t p = 0, najkrotszyZostaly = UINT64_MAX;
    size_t pobierane = 0;
    for (size_t i = 0; i < plan.size(); ++i) {
        EXPECT_EQ(plan[i].od, p);
        p += plan[i].dlugosc;
        pobierane += !plan[i].zZiarna;
        if (plan[i].zZiarna && i > 0 && i + 1 < plan.size()) najkrotszyZostaly = std::min(najkrotszyZostaly, plan[i].dlugosc);
    }
    EXPECT_EQ(p, duza.rozmiar);
    EXPECT_EQ(pobierane, 64u);
    EXPECT_GT(najkrotszyZostaly, 4900u);  // the 63 gaps kept are the longest
}

TEST(MapaBlokow, CzesciOdpowiedziWieloczesciowej) {
    EXPECT_EQ(GranicaCzesci("multipart/byteranges; boundary=00000042"), "--00000042");
    EXPECT_EQ(GranicaCzesci("Multipart/Byteranges; boundary=\"ab cd\""), "--ab cd");
    EXPECT_EQ(GranicaCzesci("application/zip"), "");
    const std::string cialo = "\r\n--g\r\nContent-Type: application/zip\r\nContent-Range: bytes 0-3/10\r\n\r\nabcd"
                              "\r\n--g\r\ncontent-range: bytes 6-7/10\r\n\r\nxy\r\n--g--\r\n";
    for (size_t kawalek : {cialo.size(), (size_t)1, (size_t)7}) {
        RozbiorCzesci r;
        r.granica = "--g";
        std::string dane, zakresy;
        bool ok = true;
        for (size_t p = 0; p < cialo.size() && ok; p += kawalek)
            ok = RozbierzCzesci(
                r, cialo.data() + p, std::min(kawalek, cialo.size() - p),
                [&](uint64_t od, uint64_t koniec, uint64_t calosc) {
                    zakresy += std::to_string(od) + "-" + std::to_string(koniec) + "/" + std::to_string(calosc) + " ";
                    return true;
                },
                [&](const char* b, size_t n) {
                    dane.append(b, n);
                    return true;
                });
        EXPECT_TRUE(ok) << kawalek;
        EXPECT_EQ(r.stan, 2) << kawalek;
        EXPECT_EQ(dane, "abcdxy") << kawalek;
        EXPECT_EQ(zakresy, "0-3/10 6-7/10 ") << kawalek;
    }
    // Not parts: refused, never taken for data.
    for (const std::string zle : {std::string("abcd"), std::string("\r\n--g\r\nContent-Range: bytes */10\r\n\r\nx"),
                                  std::string("\r\n--g--\r\nmore")}) {
        RozbiorCzesci r;
        r.granica = "--g";
        std::string dane;
        const bool ok = RozbierzCzesci(
            r, zle.data(), zle.size(), [](uint64_t, uint64_t, uint64_t) { return true; },
            [&](const char* b, size_t n) {
                dane.append(b, n);
                return true;
            });
        EXPECT_TRUE(!ok || r.stan != 2) << zle;
        EXPECT_EQ(dane, "") << zle;
    }
}

}  // namespace
