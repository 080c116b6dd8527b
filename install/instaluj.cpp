#include "install/instaluj.h"

#include <windows.h>

#include <filesystem>

#include "core/linia.h"
#include "core/stan.h"
#include "core/tekst.h"
#include "install/proces.h"
#include "install/wine.h"
#include "net/adres.h"
#include "net/pobierz.h"
#include "net/sprawdz.h"
#include "net/zaufanie.h"

namespace fs = std::filesystem;

namespace {

bool MaSkryptInstalacji(const std::wstring& folder) { return PlikIstnieje(folder + L"\\instaluj.ps1"); }

// The launcher's own program file, or empty.
std::wstring WlasnyProgram() {
    std::wstring bufor(520, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, bufor.data(), (DWORD)bufor.size());
        if (n == 0) return L"";
        if (n < bufor.size()) return bufor.substr(0, n);
        bufor.assign(bufor.size() * 2, L'\0');  // cut off: try a larger buffer
    }
}

// Unpacks the package into `cel` with tar, then PowerShell when tar did not
// give a whole package. The installed package's folder is moved aside first
// and comes back when neither unpacker produced one: a broken update must
// not take the uninstall script of the mod in the game with it. Reports its
// own errors.
bool Rozpakuj(const std::wstring& paczka, const std::wstring& cel) {
    const std::wstring odlozony = cel + L".poprzednia";
    std::error_code ec;
    if (PlikIstnieje(odlozony)) {
        // Left by a run that ended half-way: keep whichever copy is whole.
        if (MaSkryptInstalacji(cel)) fs::remove_all(odlozony, ec);
        else fs::remove_all(cel, ec);
    }
    if (PlikIstnieje(cel)) {
        fs::rename(cel, odlozony, ec);
        if (ec) {
            // Emptying it in place would take the uninstall script and leave
            // half a package if the update then failed: change nothing.
            LogujBlad("Nie mogę odsunąć zainstalowanej paczki (" + NaUtf8(cel) +
                      "): trzyma ją inny program. Zamknij go i spróbuj ponownie.");
            return false;
        }
    }
    fs::remove_all(cel, ec);
    fs::create_directories(cel, ec);

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
    if (ok) {
        fs::remove_all(odlozony, ec);
        return true;
    }
    // What a failed unpacker left is never run: its scripts may be cut short.
    fs::remove_all(cel, ec);
    if (PlikIstnieje(odlozony)) fs::rename(odlozony, cel, ec);
    else fs::create_directories(cel, ec);
    LogujBlad("Nie udało się rozpakować paczki.");
    return false;
}

// The newest announcement of the package, fetched afresh: the package is
// compared with what the server says now, not with what the last check saw.
// Without an announcement a launcher built without keys installs as it
// always did; one built with keys installs nothing it can't verify.
bool CzytajOgloszenieSerwera(Ogloszenie& o, std::string& klucz) {
    std::string cialo, bladPobrania;
    if (!PobierzWersje(cialo, bladPobrania)) {
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

// A package that differs from the announcement fetched just before it: most
// likely a publication that happened during the download.
const char* const NowszaNaSerwerze = " Serwer mógł właśnie wydać nową wersję - kliknij Sprawdź ponownie.";

// The package file's size and SHA-256, as read from the disk.
struct OdczytPaczki {
    Skrot skrot{};
    uint64_t rozmiar = 0;
    bool odczytany = false;
};

// The package against the announced size and SHA-256, before anything is
// unpacked: a swapped, cut or stale package changes nothing.
bool ZgodnaZOgloszeniem(const OdczytPaczki& p, const Ogloszenie& o, const std::string& klucz, bool zDysku) {
    UstawStatus("Sprawdzam paczkę...", -1.0f);
    if (!p.odczytany) {
        LogujBlad("Paczka odrzucona: nie mogę jej odczytać.");
        return false;
    }
    if (const std::string powod = PorownajZOgloszeniem(o, p.rozmiar, p.skrot); !powod.empty()) {
        LogujBlad("Paczka odrzucona: " + powod + "." +
                  (zDysku ? " To nie ta paczka, którą ogłasza serwer." : NowszaNaSerwerze));
        return false;
    }
    Loguj("Paczka zgodna z ogłoszeniem: " + std::to_string(p.rozmiar) + " B, SHA-256 " +
          NaHex(p.skrot.data(), p.skrot.size()) + (klucz.empty() ? "" : ", podpis klucza " + klucz) + ".");
    return true;
}

// Puts the package at `paczka`: the player's own file from MRV_PACZKA when
// it names one, else the server's, with the download's progress shown; then
// checks it against the server's announcement.
bool ZdobadzPaczke(const std::wstring& paczka) {
    Ogloszenie o;
    std::string klucz;
    if (!CzytajOgloszenieSerwera(o, klucz)) return false;
    const bool sprawdzana = o.rozmiar || o.sha256;
    OdczytPaczki odczyt;
    const std::optional<std::wstring> lokalna = ZmiennaSrodowiska(L"MRV_PACZKA");
    if (lokalna && !lokalna->empty() && PlikIstnieje(*lokalna)) {
        UstawStatus("Paczka z dysku (próba): " + NaUtf8(*lokalna), -1.0f);
        if (!CopyFileW(lokalna->c_str(), paczka.c_str(), FALSE)) {
            LogujBlad("Nie mogę skopiować paczki z dysku.");
            return false;
        }
        if (!sprawdzana) return true;
        // The copy is what gets unpacked, so the copy is what is checked.
        odczyt.odczytany = Sha256Pliku(paczka, odczyt.skrot, odczyt.rozmiar);
        return ZgodnaZOgloszeniem(odczyt, o, klucz, true);
    }
    UstawStatus("Pobieram paczkę moda...", 0.0f);
    auto postep = [](uint64_t odebrane, uint64_t calosc) {
        if (calosc == 0) return;
        Stan.postep.store((float)((double)odebrane / (double)calosc));
        const std::string tekst = TekstPostepuPaczki(odebrane, calosc);
        std::lock_guard<std::mutex> l(Stan.blokada);
        Stan.status = tekst;
    };
    std::string bladPobrania;
    // Past the announced size the rest can only be refused: stop reading.
    auto pobierz = [&] {
        return Pobierz(L"Morvane-najnowsza.zip", nullptr, paczka, postep, bladPobrania, o.rozmiar.value_or(0));
    };
    const bool pobrana =
        sprawdzana ? ZapiszZeSkrotem(paczka, pobierz, odczyt.skrot, odczyt.rozmiar, odczyt.odczytany) : pobierz();
    if (!pobrana) {
        if (o.rozmiar && bladPobrania == BladZaDuzejOdpowiedzi)
            LogujBlad("Paczka odrzucona: serwer wysyła więcej niż ogłoszone " + std::to_string(*o.rozmiar) + " B." +
                      NowszaNaSerwerze);
        else
            LogujBlad("Pobieranie nie wyszło: " + bladPobrania);
        return false;
    }
    return !sprawdzana || ZgodnaZOgloszeniem(odczyt, o, klucz, false);
}

// Unpacks the package into the data folder, puts the launcher's copy there
// and runs the package's install script for the game folder.
bool ZainstalujPaczke(const std::wstring& paczka, const std::wstring& dane, const std::wstring& gra) {
    UstawStatus("Rozpakowuję...", -1.0f);
    const std::wstring folderPaczki = dane + L"\\paczka";
    if (!Rozpakuj(paczka, folderPaczki)) return false;
    UstawStatus("Instaluję (kopiuję ok. 400 MB do folderu gry)...", -1.0f);
    const std::wstring kopia = dane + L"\\Morvane.exe";
    const std::wstring wlasny = WlasnyProgram();
    if (!RowneBezWielkosciAZ(wlasny, kopia)) CopyFileW(wlasny.c_str(), kopia.c_str(), FALSE);
    const uint32_t kod = UruchomSkrypt(folderPaczki + L"\\instaluj.ps1", ArgumentyInstalacji(gra, kopia));
    if (kod == 0) return true;
    LogujBlad("Instalacja przerwana (kod " + std::to_string(kod) + ") - szczegóły w dzienniku niżej.");
    return false;
}

}  // namespace

void Instaluj() {
    if (!ZajmijPrace(true)) return;
    std::wstring gra;
    {
        std::lock_guard<std::mutex> l(Stan.blokada);
        Stan.blad.clear();
        if (Stan.wybranaGra >= 0 && Stan.wybranaGra < (int)Stan.gry.size()) gra = Stan.gry[Stan.wybranaGra].folder;
    }
    const std::wstring dane = FolderDanych();
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

    const bool sukces = !gra.empty() && naDysku && ZdobadzPaczke(paczka) && ZainstalujPaczke(paczka, dane, gra);

    if (naDysku) fs::remove(paczka, ec);
    {
        std::lock_guard<std::mutex> l(Stan.blokada);
        Stan.wersjaZainstalowana = CzytajWersjeZainstalowana(dane);
        Stan.skryptUsuwania = JestSkryptUsuwania(dane);
    }
    if (sukces) AdresSerwera();
    UstawStatus(sukces ? "Gotowe - możesz grać." : "", -1.0f);
    ZwolnijPrace();
}
