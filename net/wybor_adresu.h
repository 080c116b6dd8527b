// The pure part of choosing the server address. No Windows headers.
#pragma once

#include <optional>
#include <string>

enum class ZrodloAdresu { Wbudowany, Zmienna, Plik };

// zmienna: MRV_ADRES's value (nullopt when unset); plik: adres.txt's first
// line as UTF-8 (read only when the variable is unset or empty). A set,
// non-empty variable wins untested; the file only with an http(s) scheme.
ZrodloAdresu WybierzAdres(const std::optional<std::wstring>& zmienna, const std::string& plik);

// "Serwer: http://host (label)"; host and label already in UTF-8.
std::string LiniaSerwera(bool bezpieczny, const std::string& host, const std::string& etykieta);
