#include "net/wybor_adresu.h"

KandydatAdresu WybierzAdres(const std::optional<std::wstring>& zmienna, const std::string& plik,
                            const std::wstring& wbudowany, std::wstring (*naUtf16)(const std::string&)) {
    if (zmienna && !zmienna->empty()) return {*zmienna, L"MRV_ADRES"};
    if ((plik.size() >= 7 && plik.compare(0, 7, "http://") == 0) ||
        (plik.size() >= 8 && plik.compare(0, 8, "https://") == 0))
        return {naUtf16(plik), L"adres.txt"};
    return {wbudowany, L"wbudowany"};
}

std::string LiniaSerwera(bool bezpieczny, const std::string& host, const std::string& etykieta) {
    return std::string("Serwer: ") + (bezpieczny ? "https://" : "http://") + host + " (" + etykieta + ")";
}

std::string WersjaZOdpowiedzi(const std::string& cialo) { return cialo.substr(0, cialo.find_first_of("\r\n")); }
