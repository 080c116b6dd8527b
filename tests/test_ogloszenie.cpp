// The update server's announcement: what is read from it, what is refused,
// and which key is tried; and what the journal's file gets. Pure: runs under
// Wine and natively.
#include <gtest/gtest.h>

#include "core/plik_dziennika.h"
#include "net/ogloszenie.h"
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
