#include "install/instaluj.h"

#include <windows.h>

#include <filesystem>

#include "core/linia.h"
#include "core/stan.h"
#include "core/tekst.h"
#include "app/wersje.h"
#include "install/folder_paczki.h"
#include "install/kopia_launchera.h"
#include "install/proces.h"
#include "install/wine.h"
#include "net/adres.h"
#include "net/pobierz.h"
#include "net/sprawdz.h"
#include "net/wznowienie.h"
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

// The version this run may install: the one the check showed the player, and
// in the signed mode never one older than the installed. Every signed
// announcement stays valid forever, so someone on the way could otherwise
// answer this second fetch with an old one and its old package.
bool WersjaDozwolona(const Ogloszenie& o, const std::string& klucz, const std::string& pokazana,
                     const std::string& zainstalowana) {
    if (o.wersja.empty()) return true;  // nothing announced: nothing to compare
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

// A package that differs from the announcement fetched just before it: most
// likely a publication that happened during the download. In the signed mode
// it may also have been changed on the way, and the player should know.
std::string PowodRozbieznosci() {
    return WymagaPodpisu() ? " Serwer mógł właśnie wydać nową wersję albo paczkę zmieniono po drodze - kliknij "
                             "Sprawdź ponownie, a jeśli to się powtarza, zgłoś to zespołowi moda."
                           : " Serwer mógł właśnie wydać nową wersję - kliknij Sprawdź ponownie.";
}

// The package file, written only through this handle, which lets nobody else
// write it meanwhile. What is checked is the digest of the bytes written
// here, never of whatever the file's path holds later.
struct PlikPaczki {
    HANDLE h = INVALID_HANDLE_VALUE;
    std::optional<SkrotWTle> skrot;  // only when there is something to compare it with
    uint64_t zapisane = 0;

    ~PlikPaczki() { Zamknij(); }
    bool Zapisz(const char* bajty, size_t ile) {
        DWORD n = 0;
        if (!WriteFile(h, bajty, (DWORD)ile, &n, nullptr) || n != ile) return false;
        if (skrot) skrot->Dodaj(bajty, ile);
        zapisane += ile;
        return true;
    }
    // Back to an empty file, and a digest of nothing.
    bool OdNowa() {
        LARGE_INTEGER zero{};
        if (!SetFilePointerEx(h, zero, nullptr, FILE_BEGIN) || !SetEndOfFile(h)) return false;
        if (skrot) {
            skrot.reset();
            skrot.emplace();
        }
        zapisane = 0;
        return true;
    }
    bool Zamknij() {
        if (h == INVALID_HANDLE_VALUE) return true;
        const bool ok = CloseHandle(h);
        h = INVALID_HANDLE_VALUE;
        return ok;
    }
};

// A stale file that can't be removed stops the run: another program holds
// it, and whatever it holds must not be taken for this run's bytes.
bool UsunStaryPlik(const std::wstring& sciezka) {
    if (DeleteFileW(sciezka.c_str()) || !PlikIstnieje(sciezka)) return true;
    LogujBlad("Nie mogę usunąć starej paczki (" + NaUtf8(sciezka) +
              "): trzyma ją inny program. Zamknij go i spróbuj ponownie.");
    return false;
}

// A fresh package file.
bool OtworzPaczke(const std::wstring& sciezka, PlikPaczki& plik, bool sprawdzana) {
    if (!UsunStaryPlik(sciezka)) return false;
    plik.h = CreateFileW(sciezka.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
    if (plik.h == INVALID_HANDLE_VALUE) {
        LogujBlad("Nie mogę zapisać paczki (" + NaUtf8(sciezka) + ").");
        return false;
    }
    if (sprawdzana) plik.skrot.emplace();
    return true;
}

// The package against the announced size and SHA-256, before anything is
// unpacked: a swapped, cut or stale package changes nothing.
bool ZgodnaZOgloszeniem(PlikPaczki& p, const Ogloszenie& o, const std::string& klucz, bool zDysku) {
    UstawStatus("Sprawdzam paczkę...", -1.0f);
    Skrot skrot{};
    uint64_t rozmiar = 0;
    if (!p.skrot->Zakoncz(skrot, rozmiar)) {
        LogujBlad("Paczka odrzucona: nie mogę policzyć jej SHA-256.");
        return false;
    }
    if (const std::string powod = PorownajZOgloszeniem(o, rozmiar, skrot); !powod.empty()) {
        LogujBlad("Paczka odrzucona: " + powod + "." +
                  (zDysku ? std::string(" To nie ta paczka, którą ogłasza serwer.") : PowodRozbieznosci()));
        return false;
    }
    Loguj("Paczka zgodna z ogłoszeniem wersji " + WersjaDoPodpisu(o) + ": " + std::to_string(rozmiar) +
          " B, SHA-256 " + NaHex(skrot.data(), skrot.size()) + (klucz.empty() ? "" : ", podpis klucza " + klucz) + ".");
    return true;
}

// Reads `z` from where it stands to its end in 1 MiB blocks, handing each
// to `blok`; false when a read or `blok` fails.
template <typename F>
bool CzytajDoKonca(HANDLE z, F blok) {
    std::vector<char> bufor(1 << 20);
    bool ok = true;
    for (DWORD n = 0; ok && (ok = ReadFile(z, bufor.data(), (DWORD)bufor.size(), &n, nullptr)) && n > 0;)
        ok = blok(bufor.data(), n);
    return ok;
}

// The player's own package (MRV_PACZKA) copied into the package file.
bool KopiujZDysku(const std::wstring& lokalna, PlikPaczki& plik) {
    HANDLE z = CreateFileW(lokalna.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (z == INVALID_HANDLE_VALUE) return false;
    const bool ok = CzytajDoKonca(z, [&](const char* b, DWORD n) { return plik.Zapisz(b, n); });
    CloseHandle(z);
    return ok;
}

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

std::string Megabajty(uint64_t bajty) {
    char b[32];
    snprintf(b, sizeof b, "%.0f", (double)bajty / 1048576.0);
    return b;
}

// Opens the part of the package that an earlier run could not finish, when
// its record says it is the beginning of the file the server and the
// announcement name now: its bytes are read back once, through the handle
// that then appends to them, into the digest. Anything else is thrown away
// and an empty part made.
bool OtworzCzesc(const std::wstring& czesc, const std::wstring& zapis, const ZapisCzesci& teraz, PlikPaczki& plik,
                 CelWznawiany& cel, bool sprawdzana) {
    const bool byla = PlikIstnieje(czesc);
    std::string tekst;
    ZapisCzesci rekord;
    if (byla && CzytajCalyPlik(zapis, tekst, 4096) && CzytajZapisCzesci(tekst, rekord) &&
        rekord.serwer == teraz.serwer && rekord.ogloszenie == teraz.ogloszenie) {
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
    const std::string tekst = TekstZapisuCzesci(z);
    HANDLE f = CreateFileW(zapis.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    DWORD n = 0;
    WriteFile(f, tekst.data(), (DWORD)tekst.size(), &n, nullptr);
    CloseHandle(f);
}

// Downloads the package into a part beside `sciezka`, resuming a part an
// earlier run left, and puts it at `sciezka` once it is whole. A break that
// outlasts the tries leaves the part and its record for the next install.
bool PobierzPaczke(const std::wstring& sciezka, const Ogloszenie& o, const std::string& klucz, bool sprawdzana) {
    const std::wstring folder = sciezka.substr(0, sciezka.find_last_of(L'\\'));
    const std::wstring czesc = folder + L"\\paczka.czesc", zapis = czesc + L".txt";
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
    bool zerwane = false;
    // Past the announced size the rest can only be refused: stop reading.
    bool pobrana = PobierzWznawiajac(L"Morvane-najnowsza.zip", cel, postep, bladPobrania, o.rozmiar.value_or(0),
                                     [] { return Stan.zamykanie.load(); }, &zerwane);
    if (!plik.Zamknij() && pobrana) {
        pobrana = false;
        bladPobrania = "nie mogę zapisać pliku";
    }
    if (!pobrana) {
        if (zerwane && !cel.walidator.empty() && cel.odebrane > 0) {
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

// What the window showed and what is installed: the bounds of this run.
struct Zamowienie {
    std::string pokazana, zainstalowana;
};

// Puts the package at `sciezka`: the player's own file from MRV_PACZKA when
// it names one, else the server's, with the download's progress shown; then
// checks it against the server's announcement.
bool ZdobadzPaczke(const std::wstring& sciezka, const Zamowienie& z) {
    Ogloszenie o;
    std::string klucz;
    if (!CzytajOgloszenieSerwera(o, klucz) || !WersjaDozwolona(o, klucz, z.pokazana, z.zainstalowana)) return false;
    const bool sprawdzana = o.rozmiar || o.sha256;
    const std::optional<std::wstring> lokalna = ZmiennaSrodowiska(L"MRV_PACZKA");
    const bool zDysku = lokalna && !lokalna->empty() && PlikIstnieje(*lokalna);
    if (!zDysku) return PobierzPaczke(sciezka, o, klucz, sprawdzana);
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
    const std::wstring kopia = dane + L"\\Morvane.exe";
    launcher = UmiescLauncher(dane);
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
    zamowienie.zainstalowana = CzytajWersjeZainstalowana(dane);
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

    if (naDysku) DeleteFileW(paczka.c_str());
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
