// The one-line files' reader: signature, UTF-16 units, the first line cut
// and trimmed. Any bytes a file may hold.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/linia.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dane, size_t ile) {
    std::string bajty(reinterpret_cast<const char*>(dane), ile);
    const KodowaniePliku k = RozpoznajKodowanie(bajty);
    if (k == KodowaniePliku::Utf16LE) {
        const std::u16string j = JednostkiUtf16LE(bajty);
        if (j.size() != bajty.size() / 2) __builtin_trap();
    }
    const std::string linia = PierwszaLiniaTekstu(bajty);
    if (linia.find_first_of("\r\n") != std::string::npos) __builtin_trap();
    if (!linia.empty() && (linia.front() == ' ' || linia.front() == '\t' || linia.back() == ' ' || linia.back() == '\t'))
        __builtin_trap();
    if (DoKoncaLinii(bajty).size() > bajty.size()) __builtin_trap();
    return 0;
}
