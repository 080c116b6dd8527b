#include "core/wersje.h"

#include <climits>

namespace {

// Like atol on one piece, but a number beyond 32 bits is clamped to the
// nearest limit instead of being undefined.
int32_t LiczbaJakAtol(const std::string& s, size_t od, size_t doo) {
    size_t i = od;
    while (i < doo && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r'))) ++i;
    bool minus = false;
    if (i < doo && (s[i] == '+' || s[i] == '-')) minus = s[i++] == '-';
    int64_t w = 0;
    for (; i < doo && s[i] >= '0' && s[i] <= '9'; ++i) {
        w = w * 10 + (s[i] - '0');
        if (w > (int64_t)INT32_MAX + 1) w = (int64_t)INT32_MAX + 1;  // stays clamped
    }
    if (minus) return (int32_t)(-w < INT32_MIN ? INT32_MIN : -w);
    return (int32_t)(w > INT32_MAX ? INT32_MAX : w);
}

}  // namespace

std::vector<int32_t> RozbierzWersje(const std::string& wersja) {
    std::vector<int32_t> wynik;
    size_t poz = 0;
    for (;;) {
        size_t kropka = wersja.find('.', poz);
        size_t koniec = kropka == std::string::npos ? wersja.size() : kropka;
        wynik.push_back(LiczbaJakAtol(wersja, poz, koniec));
        if (kropka == std::string::npos) break;
        poz = kropka + 1;
        if (poz > wersja.size()) break;
    }
    return wynik;
}

int PorownajWersje(const std::string& a, const std::string& b) {
    std::vector<int32_t> la = RozbierzWersje(a), lb = RozbierzWersje(b);
    for (size_t i = 0; i < la.size() && i < lb.size(); ++i)
        if (la[i] != lb[i]) return la[i] < lb[i] ? -1 : 1;
    if (la.size() != lb.size()) return la.size() < lb.size() ? -1 : 1;
    return 0;
}

bool NowszaWersja(const std::string& serwer, const std::string& zainstalowana) {
    if (zainstalowana.empty()) return !serwer.empty();
    return PorownajWersje(serwer, zainstalowana) > 0;
}
