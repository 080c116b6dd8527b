// The update server's address: MRV_ADRES, then adres.txt, then the built-in.
#pragma once

#include <string>

#include "core/stan.h"

// Resolves the address, stores it in Stan.serwer and logs "Serwer: ...".
// Called without Stan.blokada held.
void AdresSerwera();

// Splits an http(s) address; the default Serwer (empty host) when unusable.
Serwer RozbierzAdres(std::wstring adres);

// Compiled in per deployment (CMake: MORVANE_ADRES_WBUDOWANY).
extern const wchar_t* const AdresWbudowany;
