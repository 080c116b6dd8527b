// Trust in what the update server publishes: the announcement's signature
// and the package's size and digest, checked with the system's CNG.
#pragma once

#include <atomic>
#include <functional>
#include <string>

#include "net/ogloszenie.h"

// The public keys the launcher was built with (the build setting
// MORVANE_KLUCZE_PUBLICZNE, in net/klucze.cpp). Empty: the launcher was
// built without a key and requires no signature.
extern const char* const KluczePubliczneLaunchera;
bool WymagaPodpisu();

// Reads the announcement and, in a launcher built with keys, checks its
// signature. Empty when it can be trusted as far as this launcher asks,
// else a short Polish reason. `uzytyKlucz` names the key that verified.
std::string OcenOgloszenie(const std::string& cialo, Ogloszenie& o, std::string& uzytyKlucz);

// ECDSA P-256 with SHA-256 over `tresc`.
bool WeryfikujPodpis(const std::string& tresc, const PodpisEcdsa& podpis, const KluczPubliczny& klucz);

// The file's SHA-256 and size, read in blocks (a 175 MB package is never
// held in memory). False when it can't be read. With `koniecZapisu`, the file
// is being written meanwhile: what is there is read as it arrives, and the
// rest once the flag is set (after the writer has closed the file).
bool Sha256Pliku(const std::wstring& plik, Skrot& skrot, uint64_t& rozmiar,
                 const std::atomic<bool>* koniecZapisu = nullptr);

// Runs `zapis`, which writes `plik` anew, while a helper thread computes the
// file's SHA-256 as it grows: the digest then costs hardly more than its
// last block instead of a second pass over the whole package. `odczytany`
// says whether the digest could be made; the result is `zapis`'s.
bool ZapiszZeSkrotem(const std::wstring& plik, const std::function<bool()>& zapis, Skrot& skrot, uint64_t& rozmiar,
                     bool& odczytany);
