// The pure part of choosing the server address. No Windows headers.
#pragma once

#include <optional>
#include <string>

#include "core/stan.h"

struct KandydatAdresu {
    std::wstring adres;
    std::wstring etykieta;  // "wbudowany", "MRV_ADRES" or "adres.txt"
};

// zmienna: MRV_ADRES's value (nullopt when unset); plik: adres.txt's first
// line as UTF-8 (read only when the variable is unset or empty).
KandydatAdresu WybierzAdres(const std::optional<std::wstring>& zmienna, const std::string& plik,
                            const std::wstring& wbudowany,
                            std::wstring (*naUtf16)(const std::string&));

// "Serwer: http://host (label)"; host and label already in UTF-8.
std::string LiniaSerwera(bool bezpieczny, const std::string& host, const std::string& etykieta);

// The version published on the server: the body up to the first CR or LF.
std::string WersjaZOdpowiedzi(const std::string& cialo);
