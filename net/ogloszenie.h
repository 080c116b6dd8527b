// What the update server's "wersja.txt" announces. Its first line is the
// version, read as it always was; the lines after it may name the package's
// size and SHA-256 and carry the mod team's signature of both:
//
//   2.0
//   rozmiar=183500800
//   sha256=<64 hex digits>
//   klucz=<16 hex digits: the first 8 bytes of the signing key's X>
//   podpis=<base64 of the 64-byte ECDSA P-256 signature r||s>
//
// Pure: no Windows headers, so it also builds natively for fuzzing. The
// signature itself is checked with the system's CNG (net/zaufanie.cpp).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

using Skrot = std::array<uint8_t, 32>;
using PodpisEcdsa = std::array<uint8_t, 64>;
using KluczPubliczny = std::array<uint8_t, 64>;  // X||Y of a P-256 point

struct Ogloszenie {
    std::string wersja;  // the first line: what the check shows
    std::optional<uint64_t> rozmiar;
    std::optional<Skrot> sha256;
    std::optional<std::string> klucz;  // 16 lowercase hex digits
    std::optional<PodpisEcdsa> podpis;
};

// The first line that opens every signed text: a signature of ours can't be
// taken for a signature of anything else the key might ever sign.
inline constexpr const char* NaglowekPodpisu = "Morvane: paczka moda, podpis v1";

// Reads the body. Lines after the first end at LF; a CR and blanks at their
// end (a file saved on Windows) are dropped. A line of a known name with a
// value of the wrong form, or a known name given twice, fails with a short
// Polish reason; any other line is the server's own and is passed over.
bool CzytajOgloszenie(const std::string& cialo, Ogloszenie& o, std::string& powod);

// The version as it is signed: the first line without blanks around it.
std::string WersjaDoPodpisu(const Ogloszenie& o);

// The exact bytes a signature covers: the fixed first line, then the
// version, the size and the digest, one "name=value" and LF each.
std::string TrescDoPodpisu(const std::string& wersja, uint64_t rozmiar, const Skrot& sha256);

// What is missing for a signed install, as a short Polish reason; empty when
// the size, the digest and the signature are all there.
std::string BrakiDoPodpisu(const Ogloszenie& o);

// The launcher's public keys, as the build setting lists them: 128 hex
// digits each, separated by ';', ',' or blanks. False (and no keys) when
// anything else stands there.
bool CzytajKlucze(const std::string& tekst, std::vector<KluczPubliczny>& klucze);

// The short name of a key: its X's first 8 bytes in hex.
std::string IdKlucza(const KluczPubliczny& k);

// The size and digest found in the package file against the announced ones,
// as a short Polish reason with both values; empty when they agree (or the
// announcement names neither).
std::string PorownajZOgloszeniem(const Ogloszenie& o, uint64_t rozmiar, const Skrot& sha256);

std::string NaHex(const uint8_t* bajty, size_t ile);
bool ZHex(const std::string& tekst, uint8_t* wynik, size_t ile);
// Standard base64 with its '=' padding; false for anything else.
bool ZBase64(const std::string& tekst, std::vector<uint8_t>& wynik);

// Checks the announcement's signature against the launcher's keys with
// `weryfikuj` (the system's ECDSA). With a "klucz=" line only the key of that
// name is tried, so a mod team learns whether the launcher lacks its key or
// the text was changed. Empty when a key verifies (its name goes to
// `uzytyKlucz`), else a short Polish reason.
using WeryfikacjaPodpisu = bool (*)(const std::string& tresc, const PodpisEcdsa& podpis, const KluczPubliczny& klucz);
std::string OcenPodpis(const Ogloszenie& o, const std::vector<KluczPubliczny>& klucze, WeryfikacjaPodpisu weryfikuj,
                       std::string& uzytyKlucz);
