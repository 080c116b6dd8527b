// A child's output cut into journal lines, read in pieces of any size: the
// same lines whatever the pieces, none with a LF, none ending in CR or space.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "install/polecenia.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dane, size_t ile) {
    if (ile < 1) return 0;
    const size_t kawalek = dane[0] % 17 + 1;
    const char* b = reinterpret_cast<const char*>(dane) + 1;
    const size_t n = ile - 1;
    CiecieLinii calosc, kawalki;
    std::vector<std::string> raz = DodajWyjscie(calosc, b, n), poKawalku;
    for (size_t i = 0; i < n; i += kawalek) {
        auto l = DodajWyjscie(kawalki, b + i, kawalek < n - i ? kawalek : n - i);
        poKawalku.insert(poKawalku.end(), l.begin(), l.end());
    }
    if (raz != poKawalku || ResztaWyjscia(calosc) != ResztaWyjscia(kawalki)) __builtin_trap();
    for (const std::string& l : raz)
        if (l.empty() || l.find('\n') != std::string::npos || l.back() == '\r' || l.back() == ' ') __builtin_trap();
    return 0;
}
