#include "net/ogloszenie.h"

#include "core/linia.h"

namespace {

// A value as a person can read it in the journal, cut short.
std::string Pokaz(const std::string& w) { return "\"" + (w.size() > 80 ? w.substr(0, 80) + "..." : w) + "\""; }

bool CzytajLiczbe(const std::string& w, uint64_t& wynik) {
    if (w.empty() || w.size() > 20) return false;
    uint64_t n = 0;
    for (char z : w) {
        if (z < '0' || z > '9') return false;
        const uint64_t cyfra = (uint64_t)(z - '0');
        if (n > (UINT64_MAX - cyfra) / 10) return false;
        n = n * 10 + cyfra;
    }
    wynik = n;
    return true;
}

int WartoscBase64(char z) {
    if (z >= 'A' && z <= 'Z') return z - 'A';
    if (z >= 'a' && z <= 'z') return z - 'a' + 26;
    if (z >= '0' && z <= '9') return z - '0' + 52;
    if (z == '+') return 62;
    if (z == '/') return 63;
    return -1;
}

int WartoscHex(char z) {
    if (z >= '0' && z <= '9') return z - '0';
    if (z >= 'a' && z <= 'f') return z - 'a' + 10;
    if (z >= 'A' && z <= 'F') return z - 'A' + 10;
    return -1;
}

}  // namespace

std::string NaHex(const uint8_t* bajty, size_t ile) {
    static const char* cyfry = "0123456789abcdef";
    std::string w;
    w.reserve(ile * 2);
    for (size_t i = 0; i < ile; ++i) {
        w += cyfry[bajty[i] >> 4];
        w += cyfry[bajty[i] & 15];
    }
    return w;
}

bool ZHex(const std::string& tekst, uint8_t* wynik, size_t ile) {
    if (tekst.size() != ile * 2) return false;
    for (size_t i = 0; i < ile; ++i) {
        const int a = WartoscHex(tekst[2 * i]), b = WartoscHex(tekst[2 * i + 1]);
        if (a < 0 || b < 0) return false;
        wynik[i] = (uint8_t)(a * 16 + b);
    }
    return true;
}

bool ZBase64(const std::string& tekst, std::vector<uint8_t>& wynik) {
    wynik.clear();
    if (tekst.size() % 4 != 0) return false;
    for (size_t i = 0; i < tekst.size(); i += 4) {
        const bool ostatnia = i + 4 == tekst.size();
        int v[4], dopelnienie = 0;
        for (int j = 0; j < 4; ++j) {
            const char z = tekst[i + j];
            if (z == '=' && ostatnia && j >= 2) {
                v[j] = 0;
                ++dopelnienie;
                continue;
            }
            if (dopelnienie) return false;  // a digit after '='
            v[j] = WartoscBase64(z);
            if (v[j] < 0) return false;
        }
        const uint32_t n = (uint32_t)(v[0] << 18 | v[1] << 12 | v[2] << 6 | v[3]);
        // Only one spelling of each value: bits that no byte uses must be 0.
        if ((dopelnienie == 1 && (n & 0xFF)) || (dopelnienie == 2 && (n & 0xFFFF))) return false;
        wynik.push_back((uint8_t)(n >> 16));
        if (dopelnienie < 2) wynik.push_back((uint8_t)(n >> 8));
        if (dopelnienie < 1) wynik.push_back((uint8_t)n);
    }
    return true;
}

bool CzytajOgloszenie(const std::string& cialo, Ogloszenie& o, std::string& powod) {
    o = Ogloszenie{};
    o.wersja = DoKoncaLinii(cialo);
    size_t p = cialo.find('\n');
    while (p != std::string::npos) {
        const size_t start = p + 1;
        p = cialo.find('\n', start);
        std::string linia = cialo.substr(start, p == std::string::npos ? std::string::npos : p - start);
        const size_t koniec = linia.find_last_not_of(" \t\r");
        linia.erase(koniec == std::string::npos ? 0 : koniec + 1);
        const size_t rowna = linia.find('=');
        if (rowna == std::string::npos) continue;
        const std::string nazwa = linia.substr(0, rowna), w = linia.substr(rowna + 1);
        auto powtorzona = [&](bool jest) {
            // Two values of one name: a signer and a reader could each take
            // a different one.
            if (jest) powod = "linia " + nazwa + "= powtórzona";
            return jest;
        };
        if (nazwa == "rozmiar") {
            if (powtorzona(o.rozmiar.has_value())) return false;
            uint64_t n;
            if (!CzytajLiczbe(w, n)) {
                powod = "linia rozmiar= nie podaje liczby bajtów: " + Pokaz(w);
                return false;
            }
            o.rozmiar = n;
        } else if (nazwa == "sha256") {
            if (powtorzona(o.sha256.has_value())) return false;
            Skrot s;
            if (!ZHex(w, s.data(), s.size())) {
                powod = "linia sha256= nie ma 64 cyfr szesnastkowych: " + Pokaz(w);
                return false;
            }
            o.sha256 = s;
        } else if (nazwa == "klucz") {
            if (powtorzona(o.klucz.has_value())) return false;
            uint8_t k[8];
            if (!ZHex(w, k, sizeof k)) {
                powod = "linia klucz= nie ma 16 cyfr szesnastkowych: " + Pokaz(w);
                return false;
            }
            o.klucz = NaHex(k, sizeof k);
        } else if (nazwa == "podpis") {
            if (powtorzona(o.podpis.has_value())) return false;
            std::vector<uint8_t> b;
            if (!ZBase64(w, b) || b.size() != 64) {
                powod = "linia podpis= nie jest 64 bajtami w base64: " + Pokaz(w);
                return false;
            }
            PodpisEcdsa s;
            std::copy(b.begin(), b.end(), s.begin());
            o.podpis = s;
        }
    }
    return true;
}

std::string WersjaDoPodpisu(const Ogloszenie& o) { return PierwszaLiniaTekstu(o.wersja); }

std::string TrescDoPodpisu(const std::string& wersja, uint64_t rozmiar, const Skrot& sha256) {
    return std::string(NaglowekPodpisu) + "\nwersja=" + wersja + "\nrozmiar=" + std::to_string(rozmiar) +
           "\nsha256=" + NaHex(sha256.data(), sha256.size()) + "\n";
}

std::string BrakiDoPodpisu(const Ogloszenie& o) {
    if (!o.podpis) return "brak podpisu (linii podpis=)";
    if (!o.rozmiar || !o.sha256) return "podpis bez rozmiaru i skrótu paczki (brak linii rozmiar= lub sha256=)";
    return "";
}

bool CzytajKlucze(const std::string& tekst, std::vector<KluczPubliczny>& klucze) {
    klucze.clear();
    size_t p = 0;
    while (p < tekst.size()) {
        const size_t start = tekst.find_first_not_of("; ,\t\r\n", p);
        if (start == std::string::npos) break;
        const size_t koniec = tekst.find_first_of("; ,\t\r\n", start);
        const std::string slowo = tekst.substr(start, koniec - start);
        KluczPubliczny k;
        if (!ZHex(slowo, k.data(), k.size())) {
            klucze.clear();
            return false;
        }
        klucze.push_back(k);
        p = koniec;
    }
    return true;
}

std::string IdKlucza(const KluczPubliczny& k) { return NaHex(k.data(), 8); }

std::string PorownajZOgloszeniem(const Ogloszenie& o, uint64_t rozmiar, const Skrot& sha256) {
    if (o.rozmiar && *o.rozmiar != rozmiar)
        return "rozmiar paczki " + std::to_string(rozmiar) + " B, a ogłoszono " + std::to_string(*o.rozmiar) + " B";
    if (o.sha256 && *o.sha256 != sha256)
        return "SHA-256 paczki " + NaHex(sha256.data(), sha256.size()) + ", a ogłoszono " +
               NaHex(o.sha256->data(), o.sha256->size());
    return "";
}

std::string OcenPodpis(const Ogloszenie& o, const std::vector<KluczPubliczny>& klucze, WeryfikacjaPodpisu weryfikuj,
                       std::string& uzytyKlucz) {
    if (std::string braki = BrakiDoPodpisu(o); !braki.empty()) return braki;
    const std::string tresc = TrescDoPodpisu(WersjaDoPodpisu(o), *o.rozmiar, *o.sha256);
    std::string znane;
    bool ktorys = false;
    for (const KluczPubliczny& k : klucze) {
        znane += (znane.empty() ? "" : ", ") + IdKlucza(k);
        if (o.klucz && *o.klucz != IdKlucza(k)) continue;
        ktorys = true;
        if (weryfikuj(tresc, *o.podpis, k)) {
            uzytyKlucz = IdKlucza(k);
            return "";
        }
    }
    if (znane.empty()) znane = "żadnego";
    if (!ktorys && o.klucz)
        return "podpisano kluczem " + *o.klucz + ", którego ten launcher nie zna (zna: " + znane + ")";
    if (o.klucz) return "podpis nieważny - ogłoszenie zmienione albo podpis uszkodzony";
    return "podpis nie pasuje do żadnego klucza launchera (" + znane + ")";
}
