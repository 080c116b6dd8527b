// One HTTP GET of a resource under the update server's base path.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// The error text of a body longer than the caller's limit.
inline constexpr const char* BladZaDuzejOdpowiedzi = "za duża odpowiedź serwera";

using PostepPobierania = std::function<void(uint64_t odebrane, uint64_t zapowiedziane)>;
// Takes each chunk of the body as it arrives; false when it could not keep
// it (a full disk): the download then stops with "nie mogę zapisać pliku".
using ZapisPobierania = std::function<bool(const char* bajty, size_t ile)>;

// Appends the body to *pamiec (when given) and/or writes it to plik (when not
// empty), calling postep after every chunk. On failure bladTekst gets one of
// the lowercase texts below and the result is false.
// limitBajtow: when not 0, a body longer than this fails with
// "za duża odpowiedź serwera" instead of growing *pamiec or the file without
// bound (a version file of megabytes, a package past its announced size).
// limitCzasuMs: when not 0, the whole call ends by then with
// "serwer odpowiada za wolno (ponad N s)": each read has its own time-out,
// so a server that trickles a byte now and then would otherwise keep the
// caller waiting for days.
bool Pobierz(const std::wstring& zasob, std::string* pamiec, const std::wstring& plik, const PostepPobierania& postep,
             std::string& bladTekst, uint64_t limitBajtow = 0, uint32_t limitCzasuMs = 0);

// The same, with each chunk handed to `zapis` (which never sees a byte past
// either limit) instead of a memory sink and a file.
bool PobierzDo(const std::wstring& zasob, const ZapisPobierania& zapis, const PostepPobierania& postep,
               std::string& bladTekst, uint64_t limitBajtow = 0, uint32_t limitCzasuMs = 0);
