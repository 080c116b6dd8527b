// One HTTP GET of a resource under the update server's base path.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// The error text of a body longer than the caller's limit.
inline constexpr const char* BladZaDuzejOdpowiedzi = "za duża odpowiedź serwera";

using PostepPobierania = std::function<void(uint64_t odebrane, uint64_t zapowiedziane)>;

// Appends the body to *pamiec (when given) and/or writes it to plik (when not
// empty), calling postep after every chunk. On failure bladTekst gets one of
// the lowercase texts below and the result is false.
// limitBajtow: when not 0, a body longer than this fails with
// "za duża odpowiedź serwera" instead of growing *pamiec or the file without
// bound (a version file of megabytes, a package past its announced size).
bool Pobierz(const std::wstring& zasob, std::string* pamiec, const std::wstring& plik, const PostepPobierania& postep,
             std::string& bladTekst, uint64_t limitBajtow = 0);
