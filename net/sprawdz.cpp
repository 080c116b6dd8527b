#include "net/sprawdz.h"

#include "core/linia.h"
#include "core/stan.h"
#include "core/tekst.h"
#include "game/odkrywanie.h"
#include "net/adres.h"
#include "net/pobierz.h"
#include "net/swiat.h"
#include "net/zaufanie.h"

bool PobierzWersje(std::string& cialo, std::string& blad) {
    // The version file is a few short lines; a server answering with
    // megabytes here is broken, and none must be held in memory.
    return Pobierz(L"wersja.txt", &cialo, L"", nullptr, blad, LimitOdpowiedziWersji, LimitCzasuWersji);
}

void Sprawdz() { SprawdzPo({}); }

void SprawdzPo(const std::function<void()>& przed) {
    if (!ZajmijPrace()) return;
    {
        std::lock_guard<std::mutex> l(Stan.blokada);
        Stan.blad.clear();
        Stan.serwerSwiata = -1;
    }
    // After the clearing: what it reports in red stays shown.
    if (przed) przed();
    UstawStatus("Szukam gry i sprawdzam wersję...", -1.0f);
    AdresSerwera();
    ZnalezioneGry znalezione = ZnajdzGry();
    const std::wstring dane = FolderDanych();
    const std::string zainstalowana = CzytajWersjeZainstalowana(dane);
    const bool skryptUsuwania = JestSkryptUsuwania(dane);

    std::string cialo, bladPobrania;
    const bool pobrano = PobierzWersje(cialo, bladPobrania);
    // The published version is the body's first line as it stands: no
    // trimming, no signature removed.
    std::string naSerwerze = pobrano ? DoKoncaLinii(cialo) : std::string();
    // A version whose announcement this launcher can't trust is not offered:
    // its install could only be refused.
    std::string odrzucona, klucz;
    if (pobrano) {
        Ogloszenie ogloszenie;
        odrzucona = OcenOgloszenie(cialo, ogloszenie, klucz);
        if (!odrzucona.empty()) naSerwerze.clear();
    }

    const size_t ileGier = ScalGry(std::move(znalezione));
    {
        std::lock_guard<std::mutex> l(Stan.blokada);
        Stan.wersjaZainstalowana = zainstalowana;
        Stan.skryptUsuwania = skryptUsuwania;
        Stan.wersjaNaSerwerze = naSerwerze;
    }
    if (ileGier == 0)
        Loguj("Nie znalazłem gry - wskaż folder The Witcher 3.");
    else
        Loguj("Znalezione gry: " + std::to_string(ileGier));
    if (!pobrano) LogujBlad("Serwer aktualizacji nie odpowiada: " + bladPobrania);
    if (!odrzucona.empty()) LogujBlad("Wersja z serwera odrzucona: " + odrzucona + ".");
    if (!klucz.empty()) Loguj("Wersja z serwera podpisana kluczem " + klucz + ".");

    const bool swiat = SprawdzSerwerSwiata();
    {
        std::lock_guard<std::mutex> l(Stan.blokada);
        Stan.serwerSwiata = swiat ? 1 : 0;
    }
    UstawStatus("", -1.0f);
    ZwolnijPrace();
}
