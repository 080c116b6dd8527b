// The unpacked package in the data folder ("paczka"), kept whole at every
// moment: an update unpacks beside it and swaps the new one in only once its
// unpacker has succeeded. Whenever the launcher stops (killed, power lost,
// closed with "Tak"), one whole package is, or is put back, at "paczka" with
// the uninstall script that matches what its install did to the game.
//
//   paczka.nowa        being unpacked; never run from, removed when left
//   paczka.poprzednia  the installed one during the swap; when left, no
//                      script of the new one has run yet, so it wins
//   paczka.stara       the replaced one on its way out; removed when left
#pragma once

#include <string>

// Removes a folder with everything in it. A link inside (a junction or a
// symbolic link, which a package or its script may create) is removed
// itself, never followed: its target may be the game folder. True when
// nothing is left (or nothing was there).
bool UsunFolder(const std::wstring& folder);

// Puts back what an interrupted update left, before the check, the install
// or the uninstall reads the folder. Reports what it did in the journal, and
// a failure in red.
void NaprawFolderPaczki(const std::wstring& dane);

// The folder the install unpacks into, emptied and made anew; empty (the
// error reported) when a leftover can't be removed.
std::wstring PrzygotujNowaPaczke(const std::wstring& dane);

// Puts the unpacked new package at "paczka" and removes the installed one.
// False, with the error reported and the installed package in place, when
// the swap can't be made.
bool PodmienPaczke(const std::wstring& dane);

// Removes what an unpacker left when it failed.
void PorzucNowaPaczke(const std::wstring& dane);
