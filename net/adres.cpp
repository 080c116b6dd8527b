#include "net/adres.h"

#include <windows.h>
#include <winhttp.h>

#include "core/tekst.h"
#include "net/wybor_adresu.h"

#ifndef MORVANE_ADRES_WBUDOWANY
#define MORVANE_ADRES_WBUDOWANY "http://127.0.0.1:8080/v0123456789abcdef01234567/"
#endif
#define MORVANE_SZEROKI_(x) L##x
#define MORVANE_SZEROKI(x) MORVANE_SZEROKI_(x)
const wchar_t* const AdresWbudowany = MORVANE_SZEROKI(MORVANE_ADRES_WBUDOWANY);

Serwer RozbierzAdres(std::wstring adres) {
    if (adres.empty() || adres.back() != L'/') adres += L'/';
    Serwer wynik;
    wchar_t host[256] = {}, sciezka[1024] = {};
    URL_COMPONENTS czesci = {};
    czesci.dwStructSize = sizeof czesci;
    czesci.lpszHostName = host;
    czesci.dwHostNameLength = 256;
    czesci.lpszUrlPath = sciezka;
    czesci.dwUrlPathLength = 1024;
    if (!WinHttpCrackUrl(adres.c_str(), 0, 0, &czesci) || czesci.dwHostNameLength == 0) return Serwer{};
    if (czesci.nScheme != INTERNET_SCHEME_HTTP && czesci.nScheme != INTERNET_SCHEME_HTTPS) return Serwer{};
    wynik.bezpieczny = czesci.nScheme == INTERNET_SCHEME_HTTPS;
    wynik.host.assign(host, czesci.dwHostNameLength);
    wynik.port = czesci.nPort;
    wynik.sciezka.assign(sciezka, czesci.dwUrlPathLength);
    if (wynik.sciezka.empty() || wynik.sciezka.back() != L'/') wynik.sciezka += L'/';
    return wynik;
}

void AdresSerwera() {
    std::optional<std::wstring> zmienna = ZmiennaSrodowiska(L"MRV_ADRES");
    std::string plik;
    if (!zmienna || zmienna->empty()) plik = CzytajPierwszaLinie(FolderDanych() + L"\\adres.txt");
    std::wstring adres = AdresWbudowany;
    std::string etykieta = "wbudowany";
    switch (WybierzAdres(zmienna, plik)) {
    case ZrodloAdresu::Zmienna: adres = *zmienna, etykieta = "MRV_ADRES"; break;
    case ZrodloAdresu::Plik: adres = NaUtf16(plik), etykieta = "adres.txt"; break;
    case ZrodloAdresu::Wbudowany: break;
    }
    Serwer s = RozbierzAdres(adres);
    if (s.host.empty()) {
        s = RozbierzAdres(AdresWbudowany);
        etykieta = "wbudowany (zły adres.txt)";
    }
    {
        std::lock_guard<std::mutex> l(Stan.blokada);
        Stan.serwer = s;
    }
    Loguj(LiniaSerwera(s.bezpieczny, NaUtf8(s.host), etykieta));
}
