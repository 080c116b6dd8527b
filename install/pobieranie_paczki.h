// The package's download into the data folder: resumed from the part an
// earlier run left ("pobrane\paczka.czesc" with its record
// "paczka.czesc.txt"), and put at its place only once whole.
#pragma once

#include <string>

#include "net/ogloszenie.h"

// Whether an earlier run left a part of the package in `pobrane` (the
// folder) with a record that names what it is the beginning of.
bool JestZachowanaCzesc(const std::wstring& pobrane);

// Downloads the package to `sciezka`, then (`sprawdzana`) checks it against
// the announcement. A download that fails keeps its part for the next
// install unless something proved the part wrong. Reports its own errors.
bool PobierzPaczke(const std::wstring& sciezka, const Ogloszenie& o, const std::string& klucz, bool sprawdzana);
