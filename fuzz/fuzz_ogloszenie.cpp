// The update server's announcement and the key list of the build setting,
// for any bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "net/ogloszenie.h"

static bool Nigdy(const std::string&, const PodpisEcdsa&, const KluczPubliczny&) { return false; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dane, size_t ile) {
    const std::string s(reinterpret_cast<const char*>(dane), ile);
    Ogloszenie o;
    std::string powod, uzyty;
    if (CzytajOgloszenie(s, o, powod)) {
        if (!powod.empty()) __builtin_trap();
        if (o.wersja.find_first_of("\r\n") != std::string::npos) __builtin_trap();
        std::vector<KluczPubliczny> klucze(1);
        if (OcenPodpis(o, klucze, Nigdy, uzyty).empty() || !uzyty.empty()) __builtin_trap();
        if (o.rozmiar && o.sha256) {
            const std::string tresc = TrescDoPodpisu(WersjaDoPodpisu(o), *o.rozmiar, *o.sha256);
            if (tresc.rfind(NaglowekPodpisu, 0) != 0) __builtin_trap();
        }
    } else if (powod.empty()) {
        __builtin_trap();
    }
    std::vector<uint8_t> b;
    if (ZBase64(s, b) && b.size() != s.size() / 4 * 3 - (s.size() && s.back() == '=') -
                                          (s.size() > 1 && s[s.size() - 2] == '='))
        __builtin_trap();
    std::vector<KluczPubliczny> klucze;
    if (!CzytajKlucze(s, klucze) && !klucze.empty()) __builtin_trap();
    return 0;
}
