// Paths put into PowerShell single quotes: after doubling, reading the text
// back by PowerShell's rules gives the path whole, and nothing after it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "install/polecenia.h"

static bool Apostrof(wchar_t z) { return z == L'\'' || (z >= 0x2018 && z <= 0x201B); }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dane, size_t ile) {
    std::wstring sciezka;
    for (size_t i = 0; i + 1 < ile; i += 2) sciezka += (wchar_t)(dane[i] | (dane[i + 1] << 8));
    const std::wstring cytat = L"'" + PodwojApostrofy(sciezka) + L"'";
    std::wstring odczyt;
    size_t i = 1;
    for (; i < cytat.size(); ++i) {
        if (Apostrof(cytat[i])) {
            if (i + 1 < cytat.size() && Apostrof(cytat[i + 1])) {
                odczyt += cytat[++i];
                continue;
            }
            break;
        }
        odczyt += cytat[i];
    }
    if (odczyt != sciezka || i != cytat.size() - 1) __builtin_trap();
    FolderNadrzedny(sciezka);
    if (FolderNadrzedny(sciezka).size() > sciezka.size()) __builtin_trap();
    return 0;
}
