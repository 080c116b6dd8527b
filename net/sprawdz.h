#pragma once

#include <cstddef>

// Check worker: finds the game, reads both versions, probes the world server.
void Sprawdz();

// The most of "wersja.txt" that a check reads.
inline constexpr size_t LimitOdpowiedziWersji = 64 * 1024;
