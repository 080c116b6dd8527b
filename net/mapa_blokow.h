// The block map published beside the package ("Morvane-najnowsza.zip.bloki")
// and the cutting that both sides of it share: the mod team's kit cuts the
// new package, the launcher cuts the package it installed last (the seed),
// and blocks with the same length and digest are the same bytes. Pure: no
// Windows headers, so this also builds natively for fuzzing and sanitizers.
//
// The map's text (ASCII, LF line ends):
//   Morvane: mapa bloków v1
//   rozmiar=<the package's size in bytes>
//   <length> <the first 16 bytes of the block's SHA-256, 32 hex digits>
//   ... one line per block, in the file's order
// The map is not signed and need not be: it only says which bytes to try.
// What is rebuilt from it must match the signed size and SHA-256 before
// anything is unpacked, so a stale or hostile map can only cost a download.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Content-defined blocks: a cut where a rolling hash of the last bytes hits
// a pattern, so bytes inserted or grown early in the file move the cuts
// after them with the content instead of shifting every later block. About
// 32 KiB on average: a mod's changed texture or script costs a few blocks,
// and a 175 MiB package has some 6 000 of them (a map of about 300 KiB).
// Never under 8 KiB (a map of tiny blocks would cost more than it saves)
// nor over 128 KiB (a cut is forced, so runs of zeros still split).
inline constexpr uint32_t MinBloku = 8 * 1024;
inline constexpr uint32_t MaxBloku = 128 * 1024;
inline constexpr uint64_t MaskaCiecia = (1u << 15) - 1;  // one cut in 32 KiB of rolling hash

// What the launcher takes from a server as a map at most.
inline constexpr size_t LimitMapyBajtow = 4 * 1024 * 1024;
inline constexpr size_t LimitMapyBlokow = 100000;

using SkrotBloku = std::array<uint8_t, 16>;

struct Blok {
    uint32_t dlugosc = 0;
    SkrotBloku skrot{};
    bool operator==(const Blok&) const = default;
};

struct MapaBlokow {
    uint64_t rozmiar = 0;
    std::vector<Blok> bloki;
};

// Reads a map; false (with a short Polish reason) for anything but the form
// above within the limits, blocks between 1 B and MaxBloku whose lengths
// add up to `rozmiar`.
bool CzytajMapeBlokow(const std::string& tekst, MapaBlokow& mapa, std::string& powod);
std::string TekstMapyBlokow(const MapaBlokow& mapa);

// The rolling cutter, fed the file's bytes in order. A cut is also made at
// every place in `granice` (offsets in the file, ascending), where the
// hash starts anew: the zip's entries' headers and data starts, so a
// changed header (every file's time, after a fresh checkout) costs its own
// bytes and not the block around it.
struct Ciecie {
    std::vector<uint64_t> granice;
    size_t nastepnaGranica = 0;
    uint64_t pozycja = 0;    // bytes fed so far
    uint64_t poczatek = 0;   // where the current block began
    uint64_t hasz = 0;
};
// Feeds up to `ile` bytes; returns how many were taken up to and including
// a cut (then `Ciecie::poczatek` is the new block's start and the block that
// ended is [old poczatek, pozycja)), or `ile` when none fell in them.
size_t Tnij(Ciecie& c, const uint8_t* bajty, size_t ile, bool& ciecie);

// Where a zip's entries' local headers and data start and where its central
// directory starts, from the end of the file (`koncowka`: the file's last
// bytes, up to 64 KiB + 22) and the central directory itself: the offsets
// of the local headers, each of whose 30-byte header the caller then reads
// to find the data start (DlugoscNaglowkaLokalnego). Empty for anything
// that is not a plain zip (zip64, damaged): the cuts are then content only.
struct KatalogZip {
    uint64_t poczatekKatalogu = 0, rozmiarKatalogu = 0;
};
bool ZnajdzKatalogZip(const std::string& koncowka, uint64_t rozmiarPliku, KatalogZip& k);
std::vector<uint64_t> NaglowkiZKatalogu(const std::string& katalog, uint64_t rozmiarPliku);
// 30 + name + extra of a local header's first 30 bytes; 0 when they are none.
uint64_t DlugoscNaglowkaLokalnego(const std::string& naglowek30);

// The plan of a rebuild: each new block either from the seed at an offset,
// or fetched; neighbouring fetched blocks form one range, and ranges closer
// than `scalOdstep` are fetched as one (the seed's bytes between them are
// cheaper than another round trip), until at most `maxZapytan` remain.
struct Odcinek {
    uint64_t od = 0, dlugosc = 0;  // in the new file
    bool zZiarna = false;
    uint64_t wZiarnie = 0;         // where, when from the seed
};
std::vector<Odcinek> PlanOdbudowy(const MapaBlokow& nowa, const std::vector<Blok>& ziarno,
                                  const std::vector<uint64_t>& poczatkiZiarna, uint64_t scalOdstep,
                                  size_t maxZapytan);

// The ranges of one request ("Range: bytes=a-b,c-d,..."): a server answers
// several with a multipart/byteranges body, each part headed by its own
// Content-Range. Read as the bytes arrive, never whole.
struct RozbiorCzesci {
    std::string granica;   // "--" and the boundary that Content-Type names
    int stan = 0;          // 0 before a part, 1 in a part's data, 2 after the last part
    std::string bufor;     // a boundary line and part headers being gathered
    uint64_t zostalo = 0;  // the current part's bytes still to come
};
// The boundary of a "multipart/byteranges; boundary=..." Content-Type; empty
// for any other type.
std::string GranicaCzesci(const std::string& contentType);
// Feeds the body's bytes: `naCzesc` gets each part's range (first and last
// byte, the file's size) before its bytes go to `naDane`; either may refuse.
// False for a body that is not well-formed parts.
bool RozbierzCzesci(RozbiorCzesci& r, const char* bajty, size_t ile,
                    const std::function<bool(uint64_t od, uint64_t koniec, uint64_t calosc)>& naCzesc,
                    const std::function<bool(const char*, size_t)>& naDane);
