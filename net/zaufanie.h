// Trust in what the update server publishes: the announcement's signature
// and the package's size and digest, checked with the system's CNG.
#pragma once

#include <memory>
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

// SHA-256 of the bytes handed to it, computed on a thread of its own while
// the caller goes on writing them: the digest of a 175 MB package then costs
// hardly more than its last block. It is the digest of exactly the bytes
// handed in, never of whatever a file's path points to later.
struct SkrotWTle {
    SkrotWTle();
    ~SkrotWTle();
    SkrotWTle(const SkrotWTle&) = delete;
    SkrotWTle& operator=(const SkrotWTle&) = delete;
    // Copies the bytes; waits only while a few MiB are still unhashed.
    void Dodaj(const char* bajty, size_t ile);
    // Waits for the rest. False when the system's SHA-256 failed.
    bool Zakoncz(Skrot& skrot, uint64_t& rozmiar);

  private:
    struct Wnetrze;
    std::unique_ptr<Wnetrze> w;
};

// SHA-256 of bytes handed in pieces, on the caller's own thread: one block
// of a package at a time (a block map's blocks are at most 128 KiB).
struct Sha256Kawalkami {
    Sha256Kawalkami();
    ~Sha256Kawalkami();
    Sha256Kawalkami(const Sha256Kawalkami&) = delete;
    Sha256Kawalkami& operator=(const Sha256Kawalkami&) = delete;
    bool Dodaj(const uint8_t* bajty, size_t ile);
    // The digest of everything added since the last Zakoncz; starts anew.
    bool Zakoncz(Skrot& skrot);

  private:
    struct Wnetrze;
    std::unique_ptr<Wnetrze> w;
};
