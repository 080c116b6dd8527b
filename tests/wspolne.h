// Small fixtures shared by the Windows test suites.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <utility>

#include "core/stan.h"

// A fresh folder under the temp folder, removed with everything in it at the
// end of the test.
struct TymczasowyFolder {
    std::wstring sciezka;
    TymczasowyFolder();
    ~TymczasowyFolder();
    std::wstring operator/(const std::wstring& nazwa) const { return sciezka + L"\\" + nazwa; }
};

void ZapiszPlik(const std::wstring& sciezka, const std::string& bajty);
std::string CzytajPlik(const std::wstring& sciezka);
void UsunDrzewo(const std::wstring& sciezka);

// The test program's own path, and its folder (where the build puts the
// helper programs and test packages).
std::wstring ProgramTestu();
std::wstring FolderTestu();

// host:port of the test update server, from the driver that started it
// (tests/serwery/serwer_aktualizacji.py --uruchom); port 0 without one.
std::pair<std::wstring, uint16_t> AdresTestowy(const char* zmienna = "MORVANE_SERWER");
// That server with the given base path as Stan.serwer.
void UstawSerwer(const std::wstring& baza);

// Polls the condition every 20 ms until it holds or `ms` have passed;
// returns its last answer.
bool CzekajNa(const std::function<bool()>& warunek, DWORD ms);

// Back to the state at program start (journal, texts, flags, lists).
void WyczyscStan();
Dziennik KopiaDziennika();

// Puts the stand-ins for tar.exe and powershell.exe where the launcher looks
// for the system's own (Wine has neither; see tests/dublery).
bool WstawDublery();

// Every file and folder under `folder` with its size and content, one line
// each in a fixed order: two trees are equal when nothing in them changed.
std::string ObrazDrzewa(const std::wstring& folder);

// Whether the folder lists `plik` (a link to a device has no attributes).
bool WFolderze(const std::wstring& plik);

// A path as Linux sees it (Wine's own call), or empty.
std::wstring SciezkaLinuksowa(const std::wstring& sciezka);

// Runs a Linux program on the path's Linux name and waits until `gotowe`
// holds (Wine does not wait for a Linux program). For what Wine can't do
// itself: a link to /dev/full, a Linux symbolic link to a folder.
bool PoLinuksowemu(const std::wstring& polecenie, const std::wstring& plik, const std::function<bool()>& gotowe);
