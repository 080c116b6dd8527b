#include "net/pobierz.h"

#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "core/stan.h"

namespace {

// Closes whatever was opened, in reverse order, on every path.
struct Uchwyty {
    HINTERNET sesja = nullptr, polaczenie = nullptr, zadanie = nullptr;
    ~Uchwyty() {
        if (zadanie) WinHttpCloseHandle(zadanie);
        if (polaczenie) WinHttpCloseHandle(polaczenie);
        if (sesja) WinHttpCloseHandle(sesja);
    }
};

struct Plik {
    FILE* f = nullptr;
    ~Plik() {
        if (f) fclose(f);
    }
};

}  // namespace

bool PobierzDo(const std::wstring& zasob, const ZapisPobierania& zapis, const PostepPobierania& postep,
               std::string& bladTekst, uint64_t limitBajtow, uint32_t limitCzasuMs) {
    const ULONGLONG start = GetTickCount64();
    // What is left of the call's own limit for the next wait, within the
    // 30 s that each receive may take; 0 once it has run out.
    auto naOdbior = [&]() -> DWORD {
        if (!limitCzasuMs) return 30000;
        const ULONGLONG minelo = GetTickCount64() - start;
        return minelo >= limitCzasuMs ? 0 : (DWORD)std::min<ULONGLONG>(30000, limitCzasuMs - minelo);
    };
    auto zaWolno = [&] { return "serwer odpowiada za wolno (ponad " + std::to_string(limitCzasuMs / 1000) + " s)"; };
    Serwer serwer;
    {
        std::lock_guard<std::mutex> l(Stan.blokada);
        serwer = Stan.serwer;
    }
    Uchwyty h;
    h.sesja = WinHttpOpen(L"Morvane-launcher", WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, WINHTTP_NO_PROXY_NAME,
                          WINHTTP_NO_PROXY_BYPASS, 0);
    if (h.sesja) h.polaczenie = WinHttpConnect(h.sesja, serwer.host.c_str(), serwer.port, 0);
    const std::wstring cel = serwer.sciezka + zasob;
    if (h.polaczenie)
        h.zadanie = WinHttpOpenRequest(h.polaczenie, L"GET", cel.c_str(), nullptr, WINHTTP_NO_REFERER,
                                       WINHTTP_DEFAULT_ACCEPT_TYPES, serwer.bezpieczny ? WINHTTP_FLAG_SECURE : 0);
    if (!h.sesja || !h.polaczenie || !h.zadanie) {
        bladTekst = "nie mogę otworzyć połączenia";
        return false;
    }
    WinHttpSetTimeouts(h.zadanie, 10000, 10000, 15000, (int)naOdbior());
    if (!WinHttpSendRequest(h.zadanie, L"Cache-Control: no-cache\r\n", (DWORD)-1, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !WinHttpReceiveResponse(h.zadanie, nullptr)) {
        bladTekst = "brak połączenia z serwerem aktualizacji (" + std::to_string(GetLastError()) + ")";
        return false;
    }
    DWORD status = 0, dlugosc = 0, rozmiar = sizeof(DWORD);
    WinHttpQueryHeaders(h.zadanie, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX,
                        &status, &rozmiar, WINHTTP_NO_HEADER_INDEX);
    rozmiar = sizeof(DWORD);
    if (!WinHttpQueryHeaders(h.zadanie, WINHTTP_QUERY_CONTENT_LENGTH | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &dlugosc, &rozmiar, WINHTTP_NO_HEADER_INDEX))
        dlugosc = 0;
    if (status != 200) {
        bladTekst = "serwer odpowiedział " + std::to_string(status);
        return false;
    }
    std::vector<char> bufor(65536, 0);
    uint64_t odebrane = 0;
    for (;;) {
        DWORD n = 0;
        DWORD czas = naOdbior();
        if (czas == 0) {
            bladTekst = zaWolno();
            return false;
        }
        DWORD doOdczytu = (DWORD)bufor.size();
        bool odczytano = true;
        if (limitCzasuMs) {
            WinHttpSetOption(h.zadanie, WINHTTP_OPTION_RECEIVE_TIMEOUT, &czas, sizeof czas);
            // A read may wait to fill its whole buffer, past the limit, when
            // the bytes trickle in: read only what has arrived.
            DWORD dostepne = 0;
            odczytano = WinHttpQueryDataAvailable(h.zadanie, &dostepne);
            doOdczytu = std::min<DWORD>(dostepne, doOdczytu);
        }
        if (odczytano && doOdczytu > 0) odczytano = WinHttpReadData(h.zadanie, bufor.data(), doOdczytu, &n);
        if (!odczytano) {
            bladTekst = limitCzasuMs && naOdbior() == 0 ? zaWolno() : "przerwane pobieranie";
            return false;
        }
        if (n == 0) {
            if (dlugosc != 0 && dlugosc != odebrane) {
                bladTekst = "niepełny plik";
                return false;
            }
            return true;
        }
        // Past the announced length too: the body can only be another one.
        // Checked before the chunk is handed on, so nothing past the limit
        // is ever written.
        if ((limitBajtow && odebrane + n > limitBajtow) || (dlugosc && odebrane + n > dlugosc)) {
            bladTekst = BladZaDuzejOdpowiedzi;
            return false;
        }
        // A file that can't take the bytes (a full disk) would be a broken
        // package reported as a good one: stop here and say so.
        if (!zapis(bufor.data(), n)) {
            bladTekst = "nie mogę zapisać pliku";
            return false;
        }
        odebrane += n;
        if (postep) postep(odebrane, dlugosc);
    }
}

bool Pobierz(const std::wstring& zasob, std::string* pamiec, const std::wstring& plik, const PostepPobierania& postep,
             std::string& bladTekst, uint64_t limitBajtow, uint32_t limitCzasuMs) {
    // The file is opened with the first chunk: an answer other than 200
    // leaves an existing file as it was.
    Plik cel;
    bool otwarty = false;
    auto otworz = [&] {
        if (!otwarty && !plik.empty()) cel.f = _wfopen(plik.c_str(), L"wb");
        otwarty = true;
        return plik.empty() || cel.f != nullptr;
    };
    auto zapis = [&](const char* bajty, size_t ile) {
        if (!otworz()) return false;
        if (pamiec) pamiec->append(bajty, ile);
        return !cel.f || fwrite(bajty, 1, ile, cel.f) == ile;
    };
    if (!PobierzDo(zasob, zapis, postep, bladTekst, limitBajtow, limitCzasuMs)) return false;
    // An empty body still makes an empty file; a file whose last bytes could
    // not be flushed is no whole body.
    const bool zapisany = otworz() && (!cel.f || fclose(cel.f) == 0);
    cel.f = nullptr;
    if (!zapisany) bladTekst = "nie mogę zapisać pliku";
    return zapisany;
}
