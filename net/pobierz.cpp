#include "net/pobierz.h"

#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "core/stan.h"
#include "net/wznowienie.h"

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

// A response header as text (ASCII), empty when the answer has none.
std::string Naglowek(HINTERNET zadanie, DWORD ktory) {
    wchar_t b[512];
    DWORD rozmiar = sizeof b;
    if (!WinHttpQueryHeaders(zadanie, ktory, WINHTTP_HEADER_NAME_BY_INDEX, b, &rozmiar, WINHTTP_NO_HEADER_INDEX))
        return "";
    std::string w;
    for (DWORD i = 0; i < rozmiar / sizeof(wchar_t); ++i) w += b[i] < 0x80 ? (char)b[i] : '?';
    return w;
}

}  // namespace

bool ZapytajRaz(const std::wstring& zasob, const std::wstring& naglowki, const OcenaNaglowkow& ocena,
                const ZapisPobierania& zapis, const PostepPobierania& postep, std::string& bladTekst,
                uint64_t limitBajtow, uint32_t limitCzasuMs, Niepowodzenie* jak) {
    Niepowodzenie niepotrzebne;
    if (!jak) jak = &niepotrzebne;
    *jak = Niepowodzenie::Inne;
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
    const std::wstring wszystkie = L"Cache-Control: no-cache\r\n" + naglowki;
    if (!WinHttpSendRequest(h.zadanie, wszystkie.c_str(), (DWORD)-1, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !WinHttpReceiveResponse(h.zadanie, nullptr)) {
        bladTekst = "brak połączenia z serwerem aktualizacji (" + std::to_string(GetLastError()) + ")";
        *jak = Niepowodzenie::BrakPolaczenia;
        return false;
    }
    DWORD status = 0, dlugosc = 0, rozmiar = sizeof(DWORD);
    WinHttpQueryHeaders(h.zadanie, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX,
                        &status, &rozmiar, WINHTTP_NO_HEADER_INDEX);
    rozmiar = sizeof(DWORD);
    if (!WinHttpQueryHeaders(h.zadanie, WINHTTP_QUERY_CONTENT_LENGTH | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &dlugosc, &rozmiar, WINHTTP_NO_HEADER_INDEX))
        dlugosc = 0;
    const NaglowkiOdpowiedzi n{status, dlugosc, Naglowek(h.zadanie, WINHTTP_QUERY_ETAG),
                               Naglowek(h.zadanie, WINHTTP_QUERY_LAST_MODIFIED),
                               Naglowek(h.zadanie, WINHTTP_QUERY_CONTENT_RANGE),
                               Naglowek(h.zadanie, WINHTTP_QUERY_CONTENT_TYPE)};
    if (std::string odmowa = ocena(n); !odmowa.empty()) {
        bladTekst = odmowa;
        if (StatusDoPonowienia(n.status)) *jak = Niepowodzenie::Zajety;
        return false;
    }
    std::vector<char> bufor(65536, 0);
    uint64_t odebrane = 0;
    for (;;) {
        DWORD przeczytane = 0;
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
        if (odczytano && doOdczytu > 0) odczytano = WinHttpReadData(h.zadanie, bufor.data(), doOdczytu, &przeczytane);
        if (!odczytano) {
            bladTekst = limitCzasuMs && naOdbior() == 0 ? zaWolno() : "przerwane pobieranie";
            *jak = Niepowodzenie::Zerwane;
            return false;
        }
        if (przeczytane == 0) {
            if (dlugosc != 0 && dlugosc != odebrane) {
                bladTekst = "niepełny plik";
                *jak = Niepowodzenie::Zerwane;
                return false;
            }
            return true;
        }
        // Past the announced length too: the body can only be another one.
        // Checked before the chunk is handed on, so nothing past the limit
        // is ever written.
        if ((limitBajtow && odebrane + przeczytane > limitBajtow) || (dlugosc && odebrane + przeczytane > dlugosc)) {
            bladTekst = BladZaDuzejOdpowiedzi;
            return false;
        }
        // A file that can't take the bytes (a full disk) would be a broken
        // package reported as a good one: stop here and say so.
        if (!zapis(bufor.data(), przeczytane)) {
            bladTekst = "nie mogę zapisać pliku";
            return false;
        }
        odebrane += przeczytane;
        if (postep) postep(odebrane, dlugosc);
    }
}

bool PobierzDo(const std::wstring& zasob, const ZapisPobierania& zapis, const PostepPobierania& postep,
               std::string& bladTekst, uint64_t limitBajtow, uint32_t limitCzasuMs) {
    auto tylko200 = [](const NaglowkiOdpowiedzi& n) {
        return n.status == 200 ? std::string() : "serwer odpowiedział " + std::to_string(n.status);
    };
    return ZapytajRaz(zasob, L"", tylko200, zapis, postep, bladTekst, limitBajtow, limitCzasuMs, nullptr);
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

bool Przerwa(uint32_t ms, const std::function<bool()>& przerwij) {
    for (const ULONGLONG koniec = GetTickCount64() + ms; GetTickCount64() < koniec;) {
        if (przerwij && przerwij()) return false;
        Sleep(50);
    }
    return !(przerwij && przerwij());
}

bool PobierzWznawiajac(const std::wstring& zasob, CelWznawiany& cel, const PostepPobierania& postep,
                       std::string& bladTekst, uint64_t limitCalosci, const std::function<bool()>& przerwij) {
    // Answers that end short of the file but brought bytes are progress, not
    // failed tries; a server sending one byte at a time still runs out of them.
    int krotkie = 0;
    for (int ponowienie = 0;;) {
        // Bytes that nothing can vouch for are not built upon.
        if (cel.odebrane > 0 && cel.walidator.empty()) {
            if (!cel.odNowa()) {
                cel.podwazony = true;
                bladTekst = "nie mogę zapisać pliku";
                return false;
            }
            cel.odebrane = 0;
        }
        const uint64_t od = cel.odebrane;
        const std::wstring naglowki =
            od == 0 ? L""
                    : L"Range: bytes=" + std::to_wstring(od) + L"-\r\nIf-Range: " +
                          std::wstring(cel.walidator.begin(), cel.walidator.end()) + L"\r\n";
        bool innyPlik = false, zaDuzo = false, nieZapisano = false;
        auto ocena = [&](const NaglowkiOdpowiedzi& n) -> std::string {
            if (od > 0 && n.status == 206) {
                uint64_t poczatek = 0, koniec = 0, calosc = 0;
                if (!CzytajZakres(n.zakres, poczatek, koniec, calosc) || poczatek != od ||
                    (cel.calosc && calosc != cel.calosc) || (n.dlugosc && n.dlugosc != koniec - poczatek + 1)) {
                    cel.podwazony = true;
                    return "serwer odesłał nie tę część pliku (" + n.zakres + ")";
                }
                if (!TenSamPlik(cel.walidator, n.etag, n.ostatniaZmiana)) {
                    innyPlik = true;
                    return "serwer odesłał część innego pliku";
                }
                cel.calosc = calosc;
                return "";
            }
            if (n.status != 200) return "serwer odpowiedział " + std::to_string(n.status);
            // The whole file: the first answer, or the file changed on the
            // server, or a server that ignores ranges.
            if (od > 0) {
                Loguj("Serwer wysyła całą paczkę od nowa - pobieram ją od początku.");
                if (!cel.odNowa()) {
                    nieZapisano = true;
                    return "nie mogę zapisać pliku";
                }
                cel.odebrane = 0;
            }
            cel.walidator = WalidatorWznowienia(n.etag, n.ostatniaZmiana);
            cel.calosc = n.dlugosc;
            if (cel.nowaCalosc) cel.nowaCalosc();
            return "";
        };
        auto dopisz = [&](const char* bajty, size_t ile) {
            if (limitCalosci && cel.odebrane + ile > limitCalosci) return !(zaDuzo = true);
            if (!cel.dopisz(bajty, ile)) return !(nieZapisano = true);
            cel.odebrane += ile;
            return true;
        };
        auto postepCalosci = [&](uint64_t, uint64_t) {
            if (postep) postep(cel.odebrane, cel.calosc);
        };
        Niepowodzenie jak = Niepowodzenie::Inne;
        if (ZapytajRaz(zasob, naglowki, ocena, dopisz, postepCalosci, bladTekst, 0, 0, &jak)) {
            if (cel.calosc == 0 || cel.odebrane >= cel.calosc) return true;
            // A whole answer that is not the whole file: a 206 of fewer bytes
            // than asked for. The rest is asked for.
            if (cel.odebrane > od && ++krotkie <= 1000) continue;
            bladTekst = "niepełny plik";
            jak = Niepowodzenie::Zerwane;
        }
        if (zaDuzo) bladTekst = BladZaDuzejOdpowiedzi;
        if (zaDuzo || nieZapisano) cel.podwazony = true;
        if (innyPlik) {
            // The bytes held are of a file the server no longer has.
            Loguj("Serwer odesłał część innego pliku niż zaczęta - pobieram paczkę od początku.");
            if (!cel.odNowa()) {
                cel.podwazony = true;
                bladTekst = "nie mogę zapisać pliku";
                return false;
            }
            cel.odebrane = 0;
            cel.walidator.clear();
        }
        // A server that can't be reached at all fails as it always did; one
        // lost during this download (a router restarting), or one that is
        // busy for a moment, is tried again.
        const bool przejsciowe = jak == Niepowodzenie::Zerwane || jak == Niepowodzenie::Zajety || innyPlik ||
                                 (jak == Niepowodzenie::BrakPolaczenia && ponowienie > 0);
        if (!przejsciowe || ponowienie == LiczbaPonowien) return false;
        ++ponowienie;
        const float czesc = cel.calosc ? (float)((double)cel.odebrane / (double)cel.calosc) : 0.0f;
        UstawStatus(TekstWznowienia(cel.odebrane, ponowienie + 1), czesc);
        if (!Przerwa(PrzerwaPrzedPonowieniem(ponowienie), przerwij)) return false;
    }
}
