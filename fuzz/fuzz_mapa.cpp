// The block map a server publishes beside the package, a multipart answer
// to a request for several ranges, and the zip directory of a seed, for any
// bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "net/mapa_blokow.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dane, size_t ile) {
    const std::string s(reinterpret_cast<const char*>(dane), ile);
    MapaBlokow m;
    std::string powod;
    if (CzytajMapeBlokow(s, m, powod)) {
        // What was read adds up, and is written back as the very same bytes.
        uint64_t suma = 0;
        for (const Blok& b : m.bloki) {
            if (b.dlugosc == 0 || b.dlugosc > MaxBloku) __builtin_trap();
            suma += b.dlugosc;
        }
        if (suma != m.rozmiar || TekstMapyBlokow(m) != s) __builtin_trap();
        // Against itself as the seed: nothing to fetch.
        std::vector<uint64_t> poczatki;
        uint64_t p = 0;
        for (const Blok& b : m.bloki) poczatki.push_back(std::exchange(p, p + b.dlugosc));
        for (const Odcinek& o : PlanOdbudowy(m, m.bloki, poczatki, 256, 64))
            if (!o.zZiarna) __builtin_trap();
    }
    // Parts: never more data bytes than the parts' ranges announce.
    RozbiorCzesci r;
    r.granica = "--g";
    uint64_t zapowiedziane = 0, oddane = 0;
    RozbierzCzesci(
        r, s.data(), s.size(),
        [&](uint64_t od, uint64_t koniec, uint64_t) {
            zapowiedziane += koniec - od + 1;
            return true;
        },
        [&](const char*, size_t n) {
            oddane += n;
            return true;
        });
    if (oddane > zapowiedziane) __builtin_trap();
    KatalogZip k;
    if (ZnajdzKatalogZip(s, s.size(), k) && k.poczatekKatalogu + k.rozmiarKatalogu > s.size()) __builtin_trap();
    for (uint64_t n : NaglowkiZKatalogu(s, 1u << 20))
        if (n >= (1u << 20)) __builtin_trap();
    return 0;
}
