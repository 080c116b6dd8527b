#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// Check worker: finds the game, reads both versions, probes the world server.
void Sprawdz();
// The same with `przed` run first, under the busy claim: whoever starts the
// check puts the data folder in order there (install/sprawdzenie.h), so
// that nothing else acts on it meanwhile.
void SprawdzPo(const std::function<void()>& przed);

// The most of "wersja.txt" that a check reads.
inline constexpr size_t LimitOdpowiedziWersji = 64 * 1024;
// The longest a check waits for "wersja.txt": far past what a working server
// needs for a few lines, short of a player giving up on "CZEKAJ...".
inline constexpr uint32_t LimitCzasuWersji = 30000;

// "wersja.txt" from the update server into `cialo`, within both limits; on
// failure `blad` gets Pobierz's text. The check and the install read it so.
bool PobierzWersje(std::string& cialo, std::string& blad);
