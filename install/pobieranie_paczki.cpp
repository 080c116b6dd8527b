#include "install/pobieranie_paczki.h"

#include <windows.h>

#include "core/stan.h"
#include "core/tekst.h"
#include "install/plik_paczki.h"
#include "install/polecenia.h"
#include "net/pobierz.h"
#include "net/wznowienie.h"

namespace {

std::wstring Czesc(const std::wstring& pobrane) { return pobrane + L"\\paczka.czesc"; }
std::wstring Zapis(const std::wstring& pobrane) { return Czesc(pobrane) + L".txt"; }

// The server as the record of a part names it: a part is resumed only from
// the server it came from.
std::string AdresDoZapisu() {
    Serwer s;
    {
        std::lock_guard<std::mutex> l(Stan.blokada);
        s = Stan.serwer;
    }
    return std::string(s.bezpieczny ? "https://" : "http://") + NaUtf8(s.host) + ":" + std::to_string(s.port) +
           NaUtf8(s.sciezka);
}

std::string OgloszenieDoZapisu(const Ogloszenie& o) {
    std::string w;
    if (o.rozmiar) w += "rozmiar=" + std::to_string(*o.rozmiar);
    if (o.sha256) w += (w.empty() ? "" : " ") + std::string("sha256=") + NaHex(o.sha256->data(), o.sha256->size());
    return w;
}

bool CzytajRekord(const std::wstring& zapis, ZapisCzesci& rekord) {
    std::string tekst;
    return CzytajCalyPlik(zapis, tekst, 4096) && CzytajZapisCzesci(tekst, rekord);
}

// Opens the part of the package that an earlier run could not finish, when
// its record says it is the beginning of the file the server and the
// announcement name now: its bytes are read back once, through the handle
// that then appends to them, into the digest. Anything else is thrown away
// and an empty part made.
bool OtworzCzesc(const std::wstring& czesc, const std::wstring& zapis, const ZapisCzesci& teraz, PlikPaczki& plik,
                 CelWznawiany& cel, bool sprawdzana) {
    const bool byla = PlikIstnieje(czesc);
    ZapisCzesci rekord;
    if (byla && CzytajRekord(zapis, rekord) && rekord.serwer == teraz.serwer && rekord.ogloszenie == teraz.ogloszenie) {
        plik.h = CreateFileW(czesc.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (sprawdzana) plik.skrot.emplace();
        const bool ok = plik.h != INVALID_HANDLE_VALUE && CzytajDoKonca(plik.h, [&](const char* b, DWORD n) {
            if (plik.skrot) plik.skrot->Dodaj(b, n);
            plik.zapisane += n;
            return true;
        });
        if (ok && plik.zapisane > 0 && plik.zapisane < rekord.calosc) {
            cel.odebrane = plik.zapisane;
            cel.walidator = rekord.walidator;
            cel.calosc = rekord.calosc;
            Loguj("Wznawiam przerwane pobieranie: " + Megabajty(cel.odebrane) + " z " + Megabajty(cel.calosc) +
                  " MB już jest.");
            return true;
        }
        plik.Zamknij();
        plik.skrot.reset();
        plik.zapisane = 0;
    }
    if (byla) Loguj("Przerwane pobieranie porzucone: to nie początek paczki, którą serwer ogłasza teraz.");
    DeleteFileW(zapis.c_str());
    return OtworzPaczke(czesc, plik, sprawdzana);
}

void ZapiszRekord(const std::wstring& zapis, const ZapisCzesci& z) {
    // Without a validator the part can't be resumed: no record at all.
    if (z.walidator.empty()) {
        DeleteFileW(zapis.c_str());
        return;
    }
    ZapiszCalyPlik(zapis, TekstZapisuCzesci(z));
}

}  // namespace

bool JestZachowanaCzesc(const std::wstring& pobrane) {
    ZapisCzesci rekord;
    return PlikIstnieje(Czesc(pobrane)) && CzytajRekord(Zapis(pobrane), rekord);
}

bool PobierzPaczke(const std::wstring& sciezka, const Ogloszenie& o, const std::string& klucz, bool sprawdzana) {
    const std::wstring folder = sciezka.substr(0, sciezka.find_last_of(L'\\'));
    const std::wstring czesc = Czesc(folder), zapis = Zapis(folder);
    UstawStatus("Pobieram paczkę moda...", 0.0f);
    if (!UsunStaryPlik(sciezka)) return false;
    ZapisCzesci teraz{AdresDoZapisu(), "", 0, OgloszenieDoZapisu(o)};
    PlikPaczki plik;
    CelWznawiany cel;
    if (!OtworzCzesc(czesc, zapis, teraz, plik, cel, sprawdzana)) return false;
    cel.dopisz = [&](const char* b, size_t n) { return plik.Zapisz(b, n); };
    cel.odNowa = [&] { return plik.OdNowa(); };
    cel.nowaCalosc = [&] {
        teraz.walidator = cel.walidator;
        teraz.calosc = cel.calosc;
        ZapiszRekord(zapis, teraz);
    };
    auto postep = [](uint64_t odebrane, uint64_t calosc) {
        if (calosc == 0) return;
        Stan.postep.store((float)((double)odebrane / (double)calosc));
        const std::string tekst = TekstPostepuPaczki(odebrane, calosc);
        std::lock_guard<std::mutex> l(Stan.blokada);
        Stan.status = tekst;
    };
    std::string bladPobrania;
    // Past the announced size the rest can only be refused: stop reading.
    bool pobrana = PobierzWznawiajac(L"Morvane-najnowsza.zip", cel, postep, bladPobrania, o.rozmiar.value_or(0),
                                     [] { return Stan.zamykanie.load(); });
    if (!plik.Zamknij() && pobrana) {
        pobrana = false;
        cel.podwazony = true;
        bladPobrania = "nie mogę zapisać pliku";
    }
    if (!pobrana) {
        // Kept unless something proved it wrong: a server that is down or
        // busy now says nothing about the bytes already here.
        if (!cel.podwazony && !cel.walidator.empty() && cel.odebrane > 0 && PlikIstnieje(zapis)) {
            Loguj("Pobrana część paczki (" + Megabajty(cel.odebrane) +
                  " MB) zostaje: następna instalacja pobierze tylko resztę.");
        } else {
            DeleteFileW(czesc.c_str());
            DeleteFileW(zapis.c_str());
        }
        if (o.rozmiar && bladPobrania == BladZaDuzejOdpowiedzi)
            LogujBlad("Paczka odrzucona: serwer wysyła więcej niż ogłoszone " + std::to_string(*o.rozmiar) + " B." +
                      PowodRozbieznosci());
        else
            LogujBlad("Pobieranie nie wyszło: " + bladPobrania);
        return false;
    }
    // Whole: it is the package now, and no longer anything to resume.
    DeleteFileW(zapis.c_str());
    if (!MoveFileExW(czesc.c_str(), sciezka.c_str(), 0)) {
        DeleteFileW(czesc.c_str());
        LogujBlad("Pobieranie nie wyszło: nie mogę zapisać pliku");
        return false;
    }
    return !sprawdzana || ZgodnaZOgloszeniem(plik, o, klucz, false);
}
