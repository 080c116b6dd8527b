// Pure text helpers used by the one-line file reader; no Windows headers, so
// they also build natively for fuzzing.
#pragma once

#include <string>

// What a small settings file's bytes are, judged by their signature.
enum class KodowaniePliku { Utf8, Utf16LE };

// Drops a UTF-8 signature; tells whether the rest is UTF-16 LE (after FF FE).
// For UTF-16 the returned bytes are the units after the signature (an odd
// last byte dropped).
KodowaniePliku RozpoznajKodowanie(std::string& bajty);

// The text up to, not including, the first CR or LF (all of it without one).
std::string DoKoncaLinii(const std::string& tekst);

// DoKoncaLinii, then spaces and tabs trimmed at the end, then at the start.
// Nothing else is trimmed.
std::string PierwszaLiniaTekstu(const std::string& tekst);

// UTF-16 LE bytes to UTF-16 units.
std::u16string JednostkiUtf16LE(const std::string& bajty);

// Names and paths are equal when they match with A-Z compared without regard
// to case and every other character exactly (Polish letters included).
bool RowneBezWielkosciAZ(const std::wstring& a, const std::wstring& b);

// The same absolute path in the form that Windows takes past 260 characters
// ("\\?\C:\..." or "\\?\UNC\server\share\..."). A relative path, or one
// already in that form, comes back as it is: the prefix switches off the
// system's own handling of "." and ".." and of "/", which only a full
// path with backslashes may do without.
std::wstring SciezkaDluga(const std::wstring& sciezka);
