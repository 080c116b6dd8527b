// The package file an install writes ("pobrane\paczka.zip", or the part of
// a download), and its check against the server's announcement.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "net/zaufanie.h"

// Written only through this handle, which lets nobody else write the file
// meanwhile. What is checked is the digest of the bytes written here, never
// of whatever the file's path holds later.
struct PlikPaczki {
    HANDLE h = INVALID_HANDLE_VALUE;
    std::optional<SkrotWTle> skrot;  // only when there is something to compare it with
    uint64_t zapisane = 0;

    ~PlikPaczki() { Zamknij(); }
    bool Zapisz(const char* bajty, size_t ile);
    // Back to an empty file, and a digest of nothing.
    bool OdNowa();
    bool Zamknij();
};

// Removes a stale file; false (reported) when another program holds it:
// whatever it holds must not be taken for this run's bytes.
bool UsunStaryPlik(const std::wstring& sciezka);

// A fresh package file; `sprawdzana`: its digest is computed as it is written.
bool OtworzPaczke(const std::wstring& sciezka, PlikPaczki& plik, bool sprawdzana);

// Reads `z` from where it stands to its end in 1 MiB blocks, handing each to
// `blok`; false when a read or `blok` fails.
bool CzytajDoKonca(HANDLE z, const std::function<bool(const char*, DWORD)>& blok);

// The player's own package (MRV_PACZKA) copied into the package file.
bool KopiujZDysku(const std::wstring& lokalna, PlikPaczki& plik);

// The bytes written against the announced size and SHA-256: empty when they
// match (the journal then says so, with the digest), else why not.
std::string RoznicaZOgloszeniem(PlikPaczki& p, const Ogloszenie& o, const std::string& klucz);

// The same, before anything is unpacked: a swapped, cut or stale package
// changes nothing, and the refusal is reported. `zDysku`: the player's own
// file, which the refusal then names.
bool ZgodnaZOgloszeniem(PlikPaczki& p, const Ogloszenie& o, const std::string& klucz, bool zDysku);

// Why a package may differ from the announcement fetched just before it.
std::string PowodRozbieznosci();

// "175" for 175 MiB, as the progress texts count.
std::string Megabajty(uint64_t bajty);
