#include "net/mapa_blokow.h"

#include <algorithm>
#include <charconv>
#include <unordered_map>

#include "net/wznowienie.h"

namespace {

const char* const NaglowekMapy = "Morvane: mapa bloków v1";

// The rolling hash's table: 256 fixed numbers (splitmix64 from "Morvane1"),
// the same in the mod team's kit (tools/paczka_moda.py).
struct TablicaGear {
    uint64_t w[256];
    constexpr TablicaGear() : w{} {
        uint64_t x = 0x4D6F7276616E6531ull;
        for (auto& v : w) {
            uint64_t z = (x += 0x9E3779B97F4A7C15ull);
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
            v = z ^ (z >> 31);
        }
    }
};
constexpr TablicaGear Gear;

// The high bits of the hash depend on the last 64 bytes: the window.
constexpr uint64_t WzorCiecia = MaskaCiecia << 49;

int Cyfra(char z) {
    if (z >= '0' && z <= '9') return z - '0';
    if (z >= 'a' && z <= 'f') return z - 'a' + 10;
    return -1;
}

uint32_t Le16(const std::string& s, size_t i) { return (uint8_t)s[i] | (uint32_t)(uint8_t)s[i + 1] << 8; }
uint32_t Le32(const std::string& s, size_t i) { return Le16(s, i) | Le16(s, i + 2) << 16; }

}  // namespace

bool CzytajMapeBlokow(const std::string& tekst, MapaBlokow& mapa, std::string& powod) {
    MapaBlokow m;
    if (tekst.size() > LimitMapyBajtow) return (powod = "mapa bloków za duża", false);
    size_t p = 0;
    auto linia = [&](std::string& w) {
        const size_t lf = tekst.find('\n', p);
        if (lf == std::string::npos) return false;
        w = tekst.substr(p, lf - p);
        p = lf + 1;
        return true;
    };
    std::string l;
    if (!linia(l) || l != NaglowekMapy) return (powod = "to nie mapa bloków w wersji 1", false);
    if (!linia(l) || l.compare(0, 8, "rozmiar=") != 0) return (powod = "mapa bloków bez rozmiaru", false);
    {
        const char* a = l.data() + 8;
        const char* b = l.data() + l.size();
        auto [k, ec] = std::from_chars(a, b, m.rozmiar);
        if (ec != std::errc() || k != b || a == b || (*a == '0' && b - a > 1))
            return (powod = "zły rozmiar w mapie bloków", false);
    }
    uint64_t suma = 0;
    while (p < tekst.size()) {
        if (!linia(l)) return (powod = "ucięta mapa bloków", false);
        if (m.bloki.size() >= LimitMapyBlokow) return (powod = "za dużo bloków w mapie", false);
        Blok b;
        const size_t spacja = l.find(' ');
        if (spacja == std::string::npos || spacja == 0 || l.size() != spacja + 1 + 32 || l[0] == '0')
            return (powod = "zły wiersz mapy bloków", false);
        auto [k, ec] = std::from_chars(l.data(), l.data() + spacja, b.dlugosc);
        if (ec != std::errc() || k != l.data() + spacja || b.dlugosc == 0 || b.dlugosc > MaxBloku)
            return (powod = "zła długość bloku", false);
        for (size_t i = 0; i < 16; ++i) {
            const int g = Cyfra(l[spacja + 1 + 2 * i]), d = Cyfra(l[spacja + 2 + 2 * i]);
            if (g < 0 || d < 0) return (powod = "zły skrót bloku", false);
            b.skrot[i] = (uint8_t)(g * 16 + d);
        }
        suma += b.dlugosc;
        m.bloki.push_back(b);
    }
    if (suma != m.rozmiar) return (powod = "bloki mapy nie składają się na jej rozmiar", false);
    mapa = std::move(m);
    return true;
}

std::string TekstMapyBlokow(const MapaBlokow& mapa) {
    static const char* hex = "0123456789abcdef";
    std::string t = std::string(NaglowekMapy) + "\nrozmiar=" + std::to_string(mapa.rozmiar) + "\n";
    for (const Blok& b : mapa.bloki) {
        t += std::to_string(b.dlugosc) + " ";
        for (uint8_t z : b.skrot) t += std::string{hex[z >> 4], hex[z & 15]};
        t += "\n";
    }
    return t;
}

size_t Tnij(Ciecie& c, const uint8_t* bajty, size_t ile, bool& ciecie) {
    ciecie = false;
    for (size_t i = 0; i < ile; ++i) {
        // A boundary of the zip: the block ends before it, the hash starts anew.
        while (c.nastepnaGranica < c.granice.size() && c.granice[c.nastepnaGranica] <= c.pozycja) {
            const uint64_t g = c.granice[c.nastepnaGranica++];
            if (g == c.pozycja && c.pozycja > c.poczatek) {
                c.poczatek = c.pozycja;
                c.hasz = 0;
                ciecie = true;
                return i;
            }
        }
        c.hasz = (c.hasz << 1) + Gear.w[bajty[i]];
        ++c.pozycja;
        const uint64_t dl = c.pozycja - c.poczatek;
        if ((dl >= MinBloku && (c.hasz & WzorCiecia) == 0) || dl >= MaxBloku) {
            c.poczatek = c.pozycja;
            c.hasz = 0;
            ciecie = true;
            return i + 1;
        }
    }
    return ile;
}

bool ZnajdzKatalogZip(const std::string& koncowka, uint64_t rozmiarPliku, KatalogZip& k) {
    if (koncowka.size() < 22 || koncowka.size() > rozmiarPliku) return false;
    for (size_t i = koncowka.size() - 22 + 1; i-- > 0;) {
        if (Le32(koncowka, i) != 0x06054b50) continue;
        const uint64_t rozmiar = Le32(koncowka, i + 12), poczatek = Le32(koncowka, i + 16);
        const uint64_t gdzie = rozmiarPliku - koncowka.size() + i;  // the record's own place
        if (rozmiar == 0xFFFFFFFF || poczatek == 0xFFFFFFFF || poczatek + rozmiar > gdzie) return false;
        k.poczatekKatalogu = poczatek;
        k.rozmiarKatalogu = rozmiar;
        return true;
    }
    return false;
}

std::vector<uint64_t> NaglowkiZKatalogu(const std::string& katalog, uint64_t rozmiarPliku) {
    std::vector<uint64_t> w;
    for (size_t i = 0; i + 46 <= katalog.size();) {
        if (Le32(katalog, i) != 0x02014b50) return {};
        const uint64_t naglowek = Le32(katalog, i + 42);
        if (naglowek == 0xFFFFFFFF || naglowek >= rozmiarPliku) return {};
        w.push_back(naglowek);
        i += 46 + (size_t)Le16(katalog, i + 28) + Le16(katalog, i + 30) + Le16(katalog, i + 32);
    }
    std::sort(w.begin(), w.end());
    w.erase(std::unique(w.begin(), w.end()), w.end());
    return w;
}

uint64_t DlugoscNaglowkaLokalnego(const std::string& n) {
    if (n.size() < 30 || Le32(n, 0) != 0x04034b50) return 0;
    return 30 + (uint64_t)Le16(n, 26) + Le16(n, 28);
}

std::vector<Odcinek> PlanOdbudowy(const MapaBlokow& nowa, const std::vector<Blok>& ziarno,
                                  const std::vector<uint64_t>& poczatkiZiarna, uint64_t scalOdstep,
                                  size_t maxZapytan) {
    struct Klucz {
        size_t operator()(const Blok& b) const {
            size_t h = b.dlugosc;
            for (uint8_t z : b.skrot) h = h * 131 + z;
            return h;
        }
    };
    std::unordered_map<Blok, uint64_t, Klucz> wZiarnie;
    for (size_t i = 0; i < ziarno.size() && i < poczatkiZiarna.size(); ++i) wZiarnie.emplace(ziarno[i], poczatkiZiarna[i]);
    std::vector<Odcinek> plan;
    uint64_t od = 0;
    for (const Blok& b : nowa.bloki) {
        const auto z = wZiarnie.find(b);
        Odcinek o{od, b.dlugosc, z != wZiarnie.end(), z != wZiarnie.end() ? z->second : 0};
        od += b.dlugosc;
        if (!plan.empty()) {
            Odcinek& p = plan.back();
            // Neighbours of one kind, and seed bytes that follow on in the seed too.
            if (p.zZiarna == o.zZiarna && (!o.zZiarna || p.wZiarnie + p.dlugosc == o.wZiarnie)) {
                p.dlugosc += o.dlugosc;
                continue;
            }
        }
        plan.push_back(o);
    }
    // Ranges to fetch merge over the seed's bytes between them when those
    // are shorter than the gap, and past the limit, the nearest first. The
    // gaps to merge are chosen by their length (one pass, whatever the map
    // holds): those shorter than `prog`, and `rowne` of those equal to it.
    auto odstep = [&](size_t i) {
        return i > 0 && i + 1 < plan.size() && plan[i].zZiarna && !plan[i - 1].zZiarna && !plan[i + 1].zZiarna;
    };
    std::vector<uint64_t> odstepy;
    for (size_t i = 0; i < plan.size(); ++i)
        if (odstep(i)) odstepy.push_back(plan[i].dlugosc);
    const size_t pobierane = (size_t)std::count_if(plan.begin(), plan.end(), [](const Odcinek& o) { return !o.zZiarna; });
    const size_t krotsze = (size_t)std::count_if(odstepy.begin(), odstepy.end(), [&](uint64_t d) { return d < scalOdstep; });
    uint64_t prog = scalOdstep;
    size_t rowne = 0;
    if (pobierane - krotsze > maxZapytan) {
        const size_t k = std::min(pobierane - maxZapytan, odstepy.size());  // merges needed
        if (k == 0) return plan;
        std::nth_element(odstepy.begin(), odstepy.begin() + (ptrdiff_t)(k - 1), odstepy.end());
        prog = odstepy[k - 1];
        rowne = k - (size_t)std::count_if(odstepy.begin(), odstepy.end(), [&](uint64_t d) { return d < prog; });
    }
    std::vector<Odcinek> scalony;
    for (size_t i = 0; i < plan.size(); ++i) {
        bool scal = odstep(i) && plan[i].dlugosc < prog;
        if (odstep(i) && plan[i].dlugosc == prog && rowne > 0) {
            scal = true;
            --rowne;
        }
        if (!scal) {
            scalony.push_back(plan[i]);
            continue;
        }
        scalony.back().dlugosc += plan[i].dlugosc + plan[i + 1].dlugosc;
        ++i;
    }
    return scalony;
}

std::string GranicaCzesci(const std::string& typ) {
    std::string maly = typ;
    for (char& z : maly) z = (char)(z >= 'A' && z <= 'Z' ? z - 'A' + 'a' : z);
    if (maly.rfind("multipart/byteranges", 0) != 0) return "";
    const size_t b = maly.find("boundary=");
    if (b == std::string::npos) return "";
    std::string g = typ.substr(b + 9);
    g = g.substr(0, g.find(';'));
    if (g.size() >= 2 && g.front() == '"' && g.back() == '"') g = g.substr(1, g.size() - 2);
    if (g.empty() || g.size() > 70) return "";
    return "--" + g;
}

bool RozbierzCzesci(RozbiorCzesci& r, const char* bajty, size_t ile,
                    const std::function<bool(uint64_t, uint64_t, uint64_t)>& naCzesc,
                    const std::function<bool(const char*, size_t)>& naDane) {
    for (size_t i = 0; i < ile;) {
        if (r.stan == 2) {  // after the closing boundary: its line end only
            if (bajty[i] != '\r' && bajty[i] != '\n') return false;
            ++i;
            continue;
        }
        if (r.stan == 1) {
            const size_t n = (size_t)std::min<uint64_t>(r.zostalo, ile - i);
            if (!naDane(bajty + i, n)) return false;
            i += n;
            if ((r.zostalo -= n) == 0) r.stan = 0;
            continue;
        }
        // Before a part: a line break, the boundary, then the part's headers.
        r.bufor += bajty[i++];
        if (r.bufor.size() > 8192) return false;
        const size_t g = r.bufor.find(r.granica);
        if (g == std::string::npos) continue;
        if (r.bufor.find_first_not_of("\r\n") != g) return false;
        const size_t po = g + r.granica.size();
        if (r.bufor.size() >= po + 2 && r.bufor.compare(po, 2, "--") == 0) {
            r.stan = 2;
            r.bufor.clear();
            continue;
        }
        const size_t koniecNaglowkow = r.bufor.find("\r\n\r\n", po);
        if (koniecNaglowkow == std::string::npos) continue;
        std::string zakres;
        for (size_t p = r.bufor.find("\r\n", po); p < koniecNaglowkow;) {
            const size_t k = r.bufor.find("\r\n", p + 2);
            std::string linia = r.bufor.substr(p + 2, k - p - 2);
            std::string nazwa = linia.substr(0, linia.find(':'));
            for (char& z : nazwa) z = (char)(z >= 'A' && z <= 'Z' ? z - 'A' + 'a' : z);
            const size_t wartosc = linia.find_first_not_of(' ', 14);
            if (nazwa == "content-range" && wartosc != std::string::npos) zakres = linia.substr(wartosc);
            p = k;
        }
        uint64_t od = 0, koniec = 0, calosc = 0;
        if (!CzytajZakres(zakres, od, koniec, calosc) || !naCzesc(od, koniec, calosc)) return false;
        r.bufor.clear();
        r.stan = 1;
        r.zostalo = koniec - od + 1;
    }
    return true;
}
