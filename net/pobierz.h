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

// Sleeps `ms`, in short steps so that a closing launcher is not kept
// waiting; false when `przerwij` cut it short.
bool Przerwa(uint32_t ms, const std::function<bool()>& przerwij);

// The same, with each chunk handed to `zapis` (which never sees a byte past
// either limit) instead of a memory sink and a file.
bool PobierzDo(const std::wstring& zasob, const ZapisPobierania& zapis, const PostepPobierania& postep,
               std::string& bladTekst, uint64_t limitBajtow = 0, uint32_t limitCzasuMs = 0);

// What an answer's headers said, before any byte of its body is read.
struct NaglowkiOdpowiedzi {
    uint32_t status = 0;
    uint64_t dlugosc = 0;  // Content-Length; 0 when none
    std::string etag, ostatniaZmiana, zakres;  // ETag, Last-Modified, Content-Range
    std::string typ;                           // Content-Type
};
// Judges the headers: an empty text takes the answer, any other refuses it
// with that text as the call's error.
using OcenaNaglowkow = std::function<std::string(const NaglowkiOdpowiedzi&)>;

// What kind of failure ended a request, for whoever tries again.
enum class Niepowodzenie {
    Inne,            // the server's answer, a file, a limit: a new try gets the same
    BrakPolaczenia,  // no answer at all (refused, unreachable, TLS)
    Zerwane,         // after the answer began: a read failed or stalled past its
                     // time-out, or the body ended short of its length
    Zajety,          // an answer refused with 5xx, 408 or 429: busy for a moment
};

// One GET of `zasob` and its read loop, the one place that talks to the
// server. `naglowki`: request headers besides Cache-Control, each ending in
// CR LF. On failure `*jak` (when given) says what kind it was.
bool ZapytajRaz(const std::wstring& zasob, const std::wstring& naglowki, const OcenaNaglowkow& ocena,
                const ZapisPobierania& zapis, const PostepPobierania& postep, std::string& bladTekst,
                uint64_t limitBajtow, uint32_t limitCzasuMs, Niepowodzenie* jak);

// The file a resumable download fills, and what it already holds.
struct CelWznawiany {
    uint64_t odebrane = 0;   // bytes already in the file
    std::string walidator;   // what If-Range carries for them; empty: they can't be resumed
    uint64_t calosc = 0;     // the whole file's size as the server named it; 0 unknown
    ZapisPobierania dopisz;  // appends bytes
    // Empties the file (and whatever is computed from its bytes) when the
    // server sends the whole file anew; false when it can't.
    std::function<bool()> odNowa;
    // The server named a new validator and size: worth recording.
    std::function<void()> nowaCalosc;
    // Set when something proved the bytes held wrong or unusable: a range
    // other than the one asked for, more than the limit, a failed write.
    // Only then is the file not worth keeping for a later try; a server
    // that is down, busy or gone silent proves nothing about it.
    bool podwazony = false;
};

// Fetches `zasob` into `cel`, appending to what it holds: after a break, or
// an answer that ended short of the whole file, the rest is asked for
// (Range, with If-Range carrying the validator). A break, a 5xx, 408 or 429
// is tried again up to LiczbaPonowien more times with growing pauses, each
// said in the status line and the journal. A 200 instead of a 206, or a 206
// of another file, starts the file over. The whole file never grows past
// `limitCalosci` (when not 0). No try starts once `przerwij` says so (the
// launcher is closing).
bool PobierzWznawiajac(const std::wstring& zasob, CelWznawiany& cel, const PostepPobierania& postep,
                       std::string& bladTekst, uint64_t limitCalosci, const std::function<bool()>& przerwij);
