// Updates that download only what changed: the package installed last
// ("pobrane\zainstalowana.zip", the seed) is cut into blocks as the mod
// team's kit cut the new package (net/mapa_blokow.h); the new package is
// written in order from the seed's blocks and the changed ones, fetched by
// byte ranges, through the same writer and digest as a download.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "net/mapa_blokow.h"
#include "net/ogloszenie.h"

// Where the seed is kept, in the folder of downloads.
std::wstring SciezkaZiarna(const std::wstring& pobrane);
// A package's block map kept beside it ("<package>.bloki"): the server's map
// of the package just installed, kept with it as the seed's, so the next
// update need not cut and hash the whole seed again. Only ever a hint: a
// map that does not describe the seed leads to a file that fails the
// digest, and to the whole download.
std::wstring MapaObok(const std::wstring& paczka);
// The server's block map of the announced package, fetched once per install:
// for rebuilding it, and kept beside it for the next update.
struct MapaSerwera {
    bool jest = false;   // one that reads and names the announced size
    std::string tekst;   // as the server gave it
    MapaBlokow mapa;
    std::string powod;   // why there is none
};
MapaSerwera PobierzMapeSerwera(const Ogloszenie& o);

// A package file cut into blocks as the kit cuts it (the zip's entries'
// headers and data starts are cuts too); read in pieces, never whole.
// False when it can't be read.
bool PotnijPlik(const std::wstring& sciezka, std::vector<Blok>& bloki, std::vector<uint64_t>& poczatki);

enum class WynikZmian {
    Gotowe,     // the package is at its place and matches the announcement
    Calosc,     // nothing gained or something did not fit: download it whole (said why)
    Przerwane,  // the launcher is closing, or the file can't be written (reported)
};
// Rebuilds the announced package at `sciezka` (the announcement must name
// its size and SHA-256) from the seed and the blocks the server's map `m`
// names as changed.
WynikZmian PobierzZmiany(const std::wstring& sciezka, const Ogloszenie& o, const std::string& klucz,
                        const MapaSerwera& m);
