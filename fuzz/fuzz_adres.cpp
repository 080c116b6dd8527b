// The server address's choice between MRV_ADRES and adres.txt, and the
// journal line, for any texts.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "net/wybor_adresu.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dane, size_t ile) {
    if (ile < 1) return 0;
    const std::string s(reinterpret_cast<const char*>(dane) + 1, ile - 1);
    const size_t podzial = s.find('\n');
    const std::string zm = s.substr(0, podzial), plik = podzial == std::string::npos ? "" : s.substr(podzial + 1);
    std::optional<std::wstring> zmienna;
    if (dane[0] & 1) zmienna = std::wstring(zm.begin(), zm.end());
    const ZrodloAdresu z = WybierzAdres(zmienna, plik);
    if (z == ZrodloAdresu::Zmienna && (!zmienna || zmienna->empty())) __builtin_trap();
    LiniaSerwera(dane[0] & 2, zm, plik);
    return 0;
}
