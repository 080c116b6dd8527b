// Text conversion, the data folder and the one-line settings files.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

std::string NaUtf8(const std::wstring& tekst);
std::wstring NaUtf16(const std::string& tekst);

// The user's local application data folder followed by "\Morvane", or empty.
std::wstring FolderDanych();

// Whether FolderDanych found a folder. Without one, "\pobrane", "\paczka" or
// "\wersja.txt" appended to it would name places at the current drive's root.
bool JestFolderDanych(const std::wstring& dane);

// The installed mod version: the first line of the data folder's
// wersja.txt; empty when it is missing or there is no data folder.
std::string CzytajWersjeZainstalowana(const std::wstring& dane);

// The installed package's uninstall script, and whether it is there. It can
// be there without an installed version: an install script that failed
// half-way through the game folder, or an update's that removed the version
// file, and then it is the player's way back to the original game.
std::wstring SkryptUsuwania(const std::wstring& dane);
bool JestSkryptUsuwania(const std::wstring& dane);

bool PlikIstnieje(const std::wstring& sciezka);

// The file's bytes, at most `limit` of them; false when it is missing, a
// folder, or can't be read.
bool CzytajCalyPlik(const std::wstring& sciezka, std::string& bajty, size_t limit = SIZE_MAX);

// A small file written whole, or not left at all: a cut record or map would
// be misread later, where none is only missed. False when it was not written.
bool ZapiszCalyPlik(const std::wstring& sciezka, const std::string& bajty);

// First line of a small file as UTF-8, trimmed; empty when it can't be read.
std::string CzytajPierwszaLinie(const std::wstring& sciezka);

// An environment variable's whole value, however long (a value past 1023 or
// 259 characters is read in full, not misread); nullopt when it is not set.
std::optional<std::wstring> ZmiennaSrodowiska(const wchar_t* nazwa);
