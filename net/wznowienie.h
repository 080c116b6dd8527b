// Resuming the package's download: what the server's answer to a range
// request says, the record kept beside a part of the package, and the
// pauses between tries. Pure: no Windows headers, so this also builds
// natively for fuzzing and sanitizers.
#pragma once

#include <cstdint>
#include <string>

// Tries after the first one, and the pause before each: a Wi-Fi hiccup or a
// router's restart is over within these half a minute, a dead server is
// given up on.
inline constexpr int LiczbaPonowien = 5;
uint32_t PrzerwaPrzedPonowieniem(int ponowienie);  // 1-based, in ms: 1, 2, 4, 8, 15 s

// "bytes N-M/T" of a 206 answer: its first and last byte and the whole
// file's size. False for anything else ("bytes */T", an unknown total, M
// past T, ...).
bool CzytajZakres(const std::string& contentRange, uint64_t& od, uint64_t& koniec, uint64_t& calosc);

// Whether a 206's ETag and Last-Modified still name the file whose bytes
// `walidator` vouches for. A cache or proxy that ignores If-Range answers
// with a range of whatever it holds now: appended, it would splice two
// files together. Missing headers are no proof of another file.
bool TenSamPlik(const std::string& walidator, const std::string& etag, const std::string& ostatniaZmiana);

// An answer worth asking again, as a dropped connection is: the server or a
// proxy on the way is overloaded or restarting (5xx, 408, 429).
bool StatusDoPonowienia(uint32_t status);

// What If-Range may carry for the bytes already here: a strong ETag (a weak
// one, W/"...", may not be used there), else the Last-Modified date; empty
// when the server gave neither and the download can't be resumed.
std::string WalidatorWznowienia(const std::string& etag, const std::string& ostatniaZmiana);

// The record beside a part of the package ("paczka.czesc.txt"): which file
// the part's bytes are the beginning of. A part is resumed only when the
// server and the announcement are still the ones it was fetched under.
struct ZapisCzesci {
    std::string serwer;     // the address the part came from
    std::string walidator;  // what If-Range carries
    uint64_t calosc = 0;    // the whole file's size, as the server named it
    std::string ogloszenie; // the announced size and SHA-256 ("" when none)
    bool operator==(const ZapisCzesci&) const = default;
};
std::string TekstZapisuCzesci(const ZapisCzesci& z);
// False for a record that is cut, changed by hand or from another version.
bool CzytajZapisCzesci(const std::string& tekst, ZapisCzesci& z);

// "Połączenie zerwane przy 120 MB - wznawiam (próba 2 z 6)..."
std::string TekstWznowienia(uint64_t bajty, int proba);
