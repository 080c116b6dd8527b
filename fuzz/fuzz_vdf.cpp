// Steam's libraryfolders.vdf, line by line, as the launcher reads it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "game/sciezki.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dane, size_t ile) {
    const std::string tekst(reinterpret_cast<const char*>(dane), ile);
    std::vector<std::string> linie;
    size_t p = 0;
    while (p <= tekst.size()) {
        size_t k = tekst.find('\n', p);
        if (k == std::string::npos) k = tekst.size();
        linie.push_back(tekst.substr(p, k - p));
        p = k + 1;
    }
    for (const std::string& b : BibliotekiZVdf(linie)) {
        if (b.size() > tekst.size()) __builtin_trap();
        if (BezPodwojnychUkosnikow(b).size() > b.size()) __builtin_trap();
    }
    return 0;
}
