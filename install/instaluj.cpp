#include "install/instaluj.h"

#include <windows.h>

#include <filesystem>

#include "core/linia.h"
#include "core/stan.h"
#include "core/tekst.h"
#include "core/wersje.h"
#include "install/folder_paczki.h"
#include "install/kopia_launchera.h"
#include "install/plik_paczki.h"
#include "install/pobieranie_paczki.h"
#include "install/pobieranie_zmian.h"
#include "install/proces.h"
#include "install/przejecie.h"
#include "install/wine.h"
#include "net/adres.h"
#include "net/sprawdz.h"
#include "net/zaufanie.h"

namespace fs = std::filesystem;

namespace {

bool MaSkryptInstalacji(const std::wstring& folder) { return PlikIstnieje(folder + L"\\instaluj.ps1"); }

// Unpacks the package beside the installed one with tar, then PowerShell
// when tar did not give a whole package, and swaps it in only then: a broken
// update, or a launcher stopped half-way, never takes the installed package
// with the uninstall script of the mod in the game. Reports its own errors.
bool Rozpakuj(const std::wstring& paczka, const std::wstring& dane) {
    const std::wstring cel = PrzygotujNowaPaczke(dane);
    if (cel.empty()) return false;
    // A package counts only when the unpacker that produced it ended with 0:
    // tar stopped by a cut zip has already written the scripts, which come
    // first in the archive, and nothing after them.
    const std::wstring system = FolderSystemowy();
    const uint32_t kod = UruchomProces(PolecenieTar(system, paczka, cel), cel);
    bool ok = kod == 0 && MaSkryptInstalacji(cel);
    if (!ok) {
        Loguj("tar nie dał rady (" + std::to_string(kod) + ") - rozpakowuję PowerShellem");
        ok = UruchomProces(PolecenieExpandArchive(paczka, cel), cel, ProgramPowerShell(system)) == 0 &&
             MaSkryptInstalacji(cel);
    }
    if (ok) return PodmienPaczke(dane);
    // What a failed unpacker left is never run: its scripts may be cut short.
    PorzucNowaPaczke(dane);
    LogujBlad("Nie udało się rozpakować paczki.");
    return false;
}

// The newest announcement of the package, fetched afresh: the package is
// compared with what the server says now, not with what the last check saw.
// Without an announcement a launcher built without keys installs as it
// always did; one built with keys installs nothing it can't verify. Nor is
// a kept part of a download built upon without one: it would be finished
// with nothing to check it against, and thrown away if it were restarted.
bool CzytajOgloszenieSerwera(Ogloszenie& o, std::string& klucz, bool zachowanaCzesc) {
    std::string cialo, bladPobrania;
    if (!PobierzWersje(cialo, bladPobrania)) {
        if (zachowanaCzesc) {
            LogujBlad("Serwer aktualizacji nie odpowiada (" + bladPobrania +
                      "). Pobrana część paczki zostaje na następną próbę.");
            return false;
        }
        if (!WymagaPodpisu()) return true;
        LogujBlad("Paczka odrzucona: nie da się jej sprawdzić, bo serwer aktualizacji nie odpowiada (" + bladPobrania +
                  ").");
        return false;
    }
    const std::string powod = OcenOgloszenie(cialo, o, klucz);
    if (powod.empty()) return true;
    LogujBlad("Paczka odrzucona: " + powod + ".");
    return false;
}

// The version this run may install: the one the check showed the player, and
// in the signed mode never one older than the installed. Every signed
// announcement stays valid forever, so someone on the way could otherwise
// answer this second fetch with an old one and its old package.
bool WersjaDozwolona(const Ogloszenie& o, const std::string& klucz, const std::string& pokazana,
                     const std::string& zainstalowana) {
    if (o.wersja.empty()) return true;  // nothing announced: nothing to compare
    // Both trimmed alike: the check shows the line as the server wrote it,
    // blanks before its end included.
    const std::string teraz = WersjaDoPodpisu(o), widziana = PierwszaLiniaTekstu(pokazana);
    if (!widziana.empty() && teraz != widziana) {
        LogujBlad("Paczka odrzucona: serwer ogłasza teraz wersję " + teraz + ", a sprawdzenie pokazało " + widziana +
                  " - kliknij Sprawdź ponownie.");
        return false;
    }
    if (!klucz.empty() && !zainstalowana.empty() && PorownajWersje(teraz, zainstalowana) < 0) {
        LogujBlad("Paczka odrzucona: serwer ogłasza wersję " + teraz + ", starszą niż zainstalowana " + zainstalowana +
                  ".");
        return false;
    }
    return true;
}

// The installed version as far as a downgrade goes: the version file, or the
// installed package's own copy of it when that says more. A failed update
// whose script removed the version file must not open the way back to any
// older signed package.
std::string NajwyzszaZainstalowana(const std::wstring& dane) {
    const std::string plik = CzytajWersjeZainstalowana(dane);
    const std::string wPaczce = JestFolderDanych(dane) ? CzytajPierwszaLinie(dane + L"\\paczka\\wersja.txt") : "";
    return plik.empty() || (!wPaczce.empty() && PorownajWersje(wPaczce, plik) > 0) ? wPaczce : plik;
}

// What the window showed and what is installed: the bounds of this run.
struct Zamowienie {
    std::string pokazana, zainstalowana;
};

// Puts the package at `sciezka`: the player's own file from MRV_PACZKA when
// it names one, else the server's, with the download's progress shown; then
// checks it against the server's announcement.
bool ZdobadzPaczke(const std::wstring& sciezka, const Zamowienie& z) {
    const std::optional<std::wstring> lokalna = ZmiennaSrodowiska(L"MRV_PACZKA");
    const bool zDysku = lokalna && !lokalna->empty() && PlikIstnieje(*lokalna);
    const bool zachowanaCzesc = !zDysku && JestZachowanaCzesc(sciezka.substr(0, sciezka.find_last_of(L'\\')));
    Ogloszenie o;
    std::string klucz;
    if (!CzytajOgloszenieSerwera(o, klucz, zachowanaCzesc) || !WersjaDozwolona(o, klucz, z.pokazana, z.zainstalowana))
        return false;
    const bool sprawdzana = o.rozmiar || o.sha256;
    if (!zDysku) {
        const MapaSerwera mapa = o.rozmiar && o.sha256 ? PobierzMapeSerwera(o) : MapaSerwera{};
        // Only what changed since the installed package, when the server's
        // map and the kept seed allow; a kept part resumes instead.
        const WynikZmian zmiany = zachowanaCzesc ? WynikZmian::Calosc : PobierzZmiany(sciezka, o, klucz, mapa);
        if (zmiany == WynikZmian::Przerwane) return false;
        if (zmiany == WynikZmian::Calosc && !PobierzPaczke(sciezka, o, klucz, sprawdzana)) return false;
        if (mapa.jest) ZapiszCalyPlik(MapaObok(sciezka), mapa.tekst);
        return true;
    }
    UstawStatus("Paczka z dysku (próba): " + NaUtf8(*lokalna), -1.0f);
    PlikPaczki plik;
    if (!OtworzPaczke(sciezka, plik, sprawdzana)) return false;
    if (!KopiujZDysku(*lokalna, plik) || !plik.Zamknij()) {
        LogujBlad("Nie mogę skopiować paczki z dysku.");
        return false;
    }
    return !sprawdzana || ZgodnaZOgloszeniem(plik, o, klucz, true);
}

// Unpacks the package into the data folder, puts the launcher's copy there
// and runs the package's install script for the game folder.
bool ZainstalujPaczke(const std::wstring& paczka, const std::wstring& dane, const std::wstring& gra,
                      KopiaLaunchera& launcher) {
    UstawStatus("Rozpakowuję...", -1.0f);
    if (!Rozpakuj(paczka, dane)) return false;
    const std::wstring folderPaczki = dane + L"\\paczka";
    UstawStatus("Instaluję (kopiuję ok. 400 MB do folderu gry)...", -1.0f);
    const std::wstring kopia = SciezkaKopii(dane);
    launcher = UmiescLauncher(dane, WlasnyProgram());
    const uint32_t kod = UruchomSkrypt(folderPaczki + L"\\instaluj.ps1", ArgumentyInstalacji(gra, kopia));
    if (kod == 0) return true;
    PrzywrocLauncher(dane, launcher);
    launcher = {};
    LogujBlad("Instalacja przerwana (kod " + std::to_string(kod) + ") - szczegóły w dzienniku niżej.");
    return false;
}

}  // namespace

void Instaluj() {
    if (!ZajmijPrace(true)) return;
    std::wstring gra;
    Zamowienie zamowienie;
    {
        std::lock_guard<std::mutex> l(Stan.blokada);
        Stan.blad.clear();
        if (Stan.wybranaGra >= 0 && Stan.wybranaGra < (int)Stan.gry.size()) gra = Stan.gry[Stan.wybranaGra].folder;
        zamowienie.pokazana = Stan.wersjaNaSerwerze;
    }
    const std::wstring dane = FolderDanych();
    zamowienie.zainstalowana = NajwyzszaZainstalowana(dane);
    if (gra.empty()) LogujBlad("Najpierw wskaż folder gry.");
    const bool saDane = JestFolderDanych(dane);
    if (!saDane) LogujBlad("Nie znalazłem folderu danych użytkownika (LOCALAPPDATA).");
    // Under Wine or Proton the package's script could not run: say so before
    // 175 MB are downloaded for nothing, and touch nothing.
    const bool bezPowerShella = !gra.empty() && saDane && !JestPrawdziwyPowerShell();
    if (bezPowerShella)
        LogujBlad("Instalacja moda wymaga Windows PowerShell, którego nie ma w Wine ani w Protonie. Zainstaluj mod "
                  "na Windows i przenieś folder gry albo skopiuj pliki z paczki ręcznie (opis w README launchera).");
    // Without a data folder every path below would be relative to the root
    // of the current drive: nothing is created or removed there.
    const bool naDysku = saDane && !bezPowerShella;
    const std::wstring paczka = dane + L"\\pobrane\\paczka.zip";
    std::error_code ec;
    if (naDysku) fs::create_directories(dane + L"\\pobrane", ec);
    if (naDysku && !gra.empty()) NaprawFolderPaczki(dane);

    KopiaLaunchera launcher;
    const bool sukces = !gra.empty() && naDysku && ZdobadzPaczke(paczka, zamowienie) &&
                        ZainstalujPaczke(paczka, dane, gra, launcher);

    // The installed package is the seed of the next update, with its map
    // when one came; any other goes.
    const std::wstring ziarno = SciezkaZiarna(dane + L"\\pobrane");
    if (naDysku && sukces && MoveFileExW(paczka.c_str(), ziarno.c_str(), MOVEFILE_REPLACE_EXISTING) &&
        !MoveFileExW(MapaObok(paczka).c_str(), MapaObok(ziarno).c_str(), MOVEFILE_REPLACE_EXISTING))
        DeleteFileW(MapaObok(ziarno).c_str());
    if (naDysku) {
        DeleteFileW(paczka.c_str());
        DeleteFileW(MapaObok(paczka).c_str());
    }
    {
        std::lock_guard<std::mutex> l(Stan.blokada);
        Stan.wersjaZainstalowana = CzytajWersjeZainstalowana(dane);
        Stan.skryptUsuwania = JestSkryptUsuwania(dane);
    }
    if (sukces) AdresSerwera();
    UstawStatus(sukces ? "Gotowe - możesz grać." : "", -1.0f);
    PrzekazNowemuLauncherowi(dane, launcher);
    ZwolnijPrace();
}
