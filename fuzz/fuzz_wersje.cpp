// Version texts from the server and the installed file: parsed, compared,
// and the order is consistent.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/wersje.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dane, size_t ile) {
    const std::string s(reinterpret_cast<const char*>(dane), ile);
    const size_t podzial = s.find('\n');
    const std::string a = s.substr(0, podzial), b = podzial == std::string::npos ? "" : s.substr(podzial + 1);
    RozbierzWersje(a);
    const int ab = PorownajWersje(a, b), ba = PorownajWersje(b, a);
    if ((ab > 0) != (ba < 0) || (ab == 0) != (ba == 0)) __builtin_trap();
    if (PorownajWersje(a, a) != 0) __builtin_trap();
    // An empty installed version is older than any published one (even
    // "-1"), so the order of the two calls only holds for two versions.
    if (!a.empty() && !b.empty() && NowszaWersja(a, b) && NowszaWersja(b, a)) __builtin_trap();
    if (NowszaWersja(a, b) != (b.empty() ? !a.empty() : ab > 0)) __builtin_trap();
    return 0;
}
