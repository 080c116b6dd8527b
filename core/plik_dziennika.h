// The journal kept in a file in the data folder, so that a player can send
// it to the mod team after closing the launcher. The window's journal is the
// source: a writer takes the lines the file has not got yet straight from it
// (no second list), outside the lock, on its own short-lived thread, so
// neither the workers nor the window ever wait for the disk.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/stan.h"

inline constexpr const wchar_t* NazwaPlikuDziennika = L"dziennik.txt";
inline constexpr const wchar_t* NazwaPoprzedniegoDziennika = L"dziennik-poprzedni.txt";
// Past this size the file becomes the previous one and a new one starts.
inline constexpr uint64_t LimitPlikuDziennika = 1024 * 1024;

// The journal's lines that the file has not got yet. The journal holds the
// last dziennik.size() of `wszystkie` lines ever written to it; `zapisane`
// of them are in the file. Lines that left the journal before the file got
// them (a flood of hundreds in one moment) are only counted.
struct NoweLinie {
    std::vector<std::string> linie;
    uint64_t pominiete = 0;
    uint64_t doKtorej = 0;  // what `zapisane` becomes once they are written
};
NoweLinie LinieDoZapisu(const Dziennik& dziennik, uint64_t wszystkie, uint64_t zapisane);

// The text appended to the file: a run's opening line first when asked, a
// note of left-out lines, then each line behind the local time. CR LF ends,
// for Notepad.
std::string TekstDoPliku(const NoweLinie& n, const std::string& czas, bool poczatekUruchomienia);

// Pure text of the journal as the window shows it, for the clipboard.
std::string TekstDziennika(const Dziennik& dziennik);

// Called by the frame loop on every pass: when the journal has lines that
// were not tried yet and no write runs, one write starts on its own thread.
void ZapiszDziennikWTle();
// At the end of the loop: waits for a write under way, then writes the rest.
// False, writing nothing, when that write still runs after `czekajMs`.
bool ZapiszDziennikNaKoniec(uint32_t czekajMs = 5000);

// The one write at a time: true when the caller got the flag.
bool ZajmijZapisDziennika();
void ZwolnijZapisDziennika();
