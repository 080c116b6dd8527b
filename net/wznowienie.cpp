#include "net/wznowienie.h"

#include <charconv>
#include <cstdio>

namespace {

bool Liczba(const std::string& s, size_t& i, uint64_t& w) {
    const char* p = s.data() + i;
    auto [koniec, ec] = std::from_chars(p, s.data() + s.size(), w);
    if (ec != std::errc() || koniec == p) return false;
    i += (size_t)(koniec - p);
    return true;
}

const char* const Naglowek = "Morvane: część paczki v1";

}  // namespace

uint32_t PrzerwaPrzedPonowieniem(int ponowienie) {
    static const uint32_t przerwy[LiczbaPonowien] = {1000, 2000, 4000, 8000, 15000};
    if (ponowienie < 1) return 0;
    return przerwy[ponowienie > LiczbaPonowien ? LiczbaPonowien - 1 : ponowienie - 1];
}

bool CzytajZakres(const std::string& contentRange, uint64_t& od, uint64_t& koniec, uint64_t& calosc) {
    const std::string jednostka = "bytes ";
    if (contentRange.compare(0, jednostka.size(), jednostka) != 0) return false;
    size_t i = jednostka.size();
    uint64_t a = 0, b = 0, t = 0;
    if (!Liczba(contentRange, i, a) || i >= contentRange.size() || contentRange[i++] != '-') return false;
    if (!Liczba(contentRange, i, b) || i >= contentRange.size() || contentRange[i++] != '/') return false;
    if (!Liczba(contentRange, i, t) || i != contentRange.size()) return false;
    if (a > b || b >= t) return false;
    od = a;
    koniec = b;
    calosc = t;
    return true;
}

bool TenSamPlik(const std::string& walidator, const std::string& etag, const std::string& ostatniaZmiana) {
    // The validator is the strong ETag when the file had one, else its date.
    const bool etagiem = !walidator.empty() && walidator.front() == '"';
    const std::string& teraz = etagiem ? etag : ostatniaZmiana;
    return teraz.empty() || teraz == walidator;
}

bool StatusDoPonowienia(uint32_t status) { return status == 408 || status == 429 || (status >= 500 && status <= 599); }

std::string WalidatorWznowienia(const std::string& etag, const std::string& ostatniaZmiana) {
    // A strong ETag is a quoted string; W/"..." is weak.
    if (etag.size() >= 2 && etag.front() == '"' && etag.back() == '"') return etag;
    if (!etag.empty()) return "";  // weak: the date may not stand for these bytes either
    return ostatniaZmiana;
}

std::string TekstZapisuCzesci(const ZapisCzesci& z) {
    return std::string(Naglowek) + "\nserwer=" + z.serwer + "\nwalidator=" + z.walidator +
           "\ncalosc=" + std::to_string(z.calosc) + "\nogloszenie=" + z.ogloszenie + "\n";
}

bool CzytajZapisCzesci(const std::string& tekst, ZapisCzesci& z) {
    // Exactly the lines written above, in that order: anything else is not
    // a record this launcher can trust to name the part's bytes.
    ZapisCzesci w;
    size_t p = 0;
    auto linia = [&](std::string& wynik) {
        const size_t lf = tekst.find('\n', p);
        if (lf == std::string::npos) return false;
        wynik = tekst.substr(p, lf - p);
        p = lf + 1;
        return wynik.find('\r') == std::string::npos;
    };
    auto pole = [&](const char* nazwa, std::string& wartosc) {
        std::string l;
        if (!linia(l)) return false;
        const std::string przed = std::string(nazwa) + "=";
        if (l.compare(0, przed.size(), przed) != 0) return false;
        wartosc = l.substr(przed.size());
        return true;
    };
    std::string naglowek, calosc;
    if (!linia(naglowek) || naglowek != Naglowek) return false;
    if (!pole("serwer", w.serwer) || !pole("walidator", w.walidator) || !pole("calosc", calosc) ||
        !pole("ogloszenie", w.ogloszenie) || p != tekst.size())
        return false;
    size_t i = 0;
    if (!Liczba(calosc, i, w.calosc) || calosc != std::to_string(w.calosc) || w.calosc == 0 || w.walidator.empty())
        return false;
    z = w;
    return true;
}

std::string TekstWznowienia(uint64_t bajty, int proba) {
    char b[128];
    snprintf(b, sizeof b, "Połączenie zerwane przy %.0f MB - wznawiam (próba %d z %d)...", (double)bajty / 1048576.0,
             proba, LiczbaPonowien + 1);
    return b;
}
