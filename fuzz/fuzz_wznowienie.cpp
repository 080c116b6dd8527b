// A 206 answer's Content-Range and the record kept beside a part of the
// package, for any bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "net/wznowienie.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dane, size_t ile) {
    const std::string s(reinterpret_cast<const char*>(dane), ile);
    uint64_t od = 0, koniec = 0, calosc = 0;
    if (CzytajZakres(s, od, koniec, calosc) && (od > koniec || koniec >= calosc)) __builtin_trap();
    ZapisCzesci z;
    if (CzytajZapisCzesci(s, z)) {
        // What was read is written back as the very same bytes.
        if (TekstZapisuCzesci(z) != s || z.walidator.empty() || z.calosc == 0) __builtin_trap();
    }
    const std::string w = WalidatorWznowienia(s, "data");
    if (!w.empty() && w != s && w != "data") __builtin_trap();
    return 0;
}
