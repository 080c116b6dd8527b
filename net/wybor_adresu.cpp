#include "net/wybor_adresu.h"

ZrodloAdresu WybierzAdres(const std::optional<std::wstring>& zmienna, const std::string& plik) {
    if (zmienna && !zmienna->empty()) return ZrodloAdresu::Zmienna;
    if (plik.rfind("http://", 0) == 0 || plik.rfind("https://", 0) == 0) return ZrodloAdresu::Plik;
    return ZrodloAdresu::Wbudowany;
}

std::string LiniaSerwera(bool bezpieczny, const std::string& host, const std::string& etykieta) {
    return std::string("Serwer: ") + (bezpieczny ? "https://" : "http://") + host + " (" + etykieta + ")";
}
