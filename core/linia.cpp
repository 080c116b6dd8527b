#include "core/linia.h"

#include <algorithm>

KodowaniePliku RozpoznajKodowanie(std::string& bajty) {
    if (bajty.size() >= 2 && (unsigned char)bajty[0] == 0xFF && (unsigned char)bajty[1] == 0xFE) {
        size_t par = (bajty.size() - 2) / 2;
        bajty = bajty.substr(2, par * 2);
        return KodowaniePliku::Utf16LE;
    }
    if (bajty.size() >= 3 && (unsigned char)bajty[0] == 0xEF && (unsigned char)bajty[1] == 0xBB &&
        (unsigned char)bajty[2] == 0xBF)
        bajty.erase(0, 3);
    return KodowaniePliku::Utf8;
}

std::string DoKoncaLinii(const std::string& tekst) { return tekst.substr(0, tekst.find_first_of("\r\n")); }

std::string PierwszaLiniaTekstu(const std::string& tekst) {
    std::string linia = DoKoncaLinii(tekst);
    size_t ostatni = linia.find_last_not_of(" \t");
    if (ostatni == std::string::npos) return {};
    linia.erase(ostatni + 1);
    return linia.substr(linia.find_first_not_of(" \t"));
}

std::u16string JednostkiUtf16LE(const std::string& bajty) {
    std::u16string wynik(bajty.size() / 2, u'\0');
    for (size_t i = 0; i < wynik.size(); ++i)
        wynik[i] = (char16_t)((unsigned char)bajty[2 * i] | ((unsigned char)bajty[2 * i + 1] << 8));
    return wynik;
}

static wchar_t MalaAZ(wchar_t z) { return (z >= L'A' && z <= L'Z') ? (wchar_t)(z - L'A' + L'a') : z; }

bool RowneBezWielkosciAZ(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (MalaAZ(a[i]) != MalaAZ(b[i])) return false;
    return true;
}

std::wstring SciezkaDluga(const std::wstring& sciezka) {
    if (sciezka.rfind(L"\\\\?\\", 0) == 0) return sciezka;
    const bool dysk = sciezka.size() >= 3 && sciezka[1] == L':' && sciezka[2] == L'\\' &&
                      ((sciezka[0] >= L'A' && sciezka[0] <= L'Z') || (sciezka[0] >= L'a' && sciezka[0] <= L'z'));
    const bool siec = sciezka.size() > 2 && sciezka.rfind(L"\\\\", 0) == 0 && sciezka[2] != L'\\' &&
                      sciezka[2] != L'.' && sciezka[2] != L'?';
    if (sciezka.find(L'/') != std::wstring::npos) return sciezka;
    for (size_t p = 0; p < sciezka.size();) {  // "." or ".." as a part: left to the system
        const size_t k = std::min(sciezka.find(L'\\', p), sciezka.size());
        const std::wstring czesc = sciezka.substr(p, k - p);
        if (czesc == L"." || czesc == L"..") return sciezka;
        p = k + 1;
    }
    if (dysk) return L"\\\\?\\" + sciezka;
    if (siec) return L"\\\\?\\UNC\\" + sciezka.substr(2);
    return sciezka;
}
