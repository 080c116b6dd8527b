#include "game/odkrywanie.h"

#include <windows.h>

#include "core/linia.h"
#include "core/tekst.h"
#include "game/folder.h"
#include "game/sciezki.h"

namespace {

// Steam's real file is a few kilobytes; anything past this is not one.
constexpr size_t NajwiekszyVdf = 16u << 20;

bool CzytajTekstRejestru(HKEY klucz, const std::wstring& podklucz, const wchar_t* wartosc, std::wstring& wynik) {
    wchar_t bufor[1024];
    DWORD rozmiar = sizeof bufor;
    if (RegGetValueW(klucz, podklucz.c_str(), wartosc, RRF_RT_REG_SZ, nullptr, bufor, &rozmiar) != ERROR_SUCCESS)
        return false;
    wynik.assign(bufor, wcsnlen(bufor, rozmiar / sizeof(wchar_t)));
    return true;
}

std::vector<std::string> LinieVdf(const std::wstring& sciezka) {
    std::vector<std::string> linie;
    std::string bajty;
    if (!CzytajCalyPlik(sciezka, bajty, NajwiekszyVdf)) return linie;
    // Text mode: CR LF reads as LF.
    size_t poz = 0;
    while (poz < bajty.size()) {
        size_t lf = bajty.find('\n', poz);
        size_t koniec = lf == std::string::npos ? bajty.size() : lf;
        size_t dlugosc = koniec - poz;
        if (lf != std::string::npos && dlugosc > 0 && bajty[koniec - 1] == '\r') --dlugosc;
        linie.emplace_back(bajty, poz, dlugosc);
        poz = koniec + 1;
    }
    return linie;
}

void GryGog(std::vector<ZnalezionaGra>& lista, const wchar_t* sciezkaKlucza) {
    HKEY klucz;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, sciezkaKlucza, 0, KEY_READ, &klucz) != ERROR_SUCCESS) return;
    for (DWORD i = 0;; ++i) {
        wchar_t nazwa[256] = {};
        DWORD dlugosc = 256;
        if (RegEnumKeyExW(klucz, i, nazwa, &dlugosc, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        std::wstring podklucz = std::wstring(sciezkaKlucza) + L"\\" + nazwa;
        // A value that can't be read stays empty: no title, or an empty path
        // that SprawdzFolderGry rejects.
        std::wstring tytul, folder;
        CzytajTekstRejestru(HKEY_LOCAL_MACHINE, podklucz, L"gameName", tytul);
        if (tytul.find(L"Witcher 3") == std::wstring::npos) continue;
        CzytajTekstRejestru(HKEY_LOCAL_MACHINE, podklucz, L"path", folder);
        SprawdzFolderGry(lista, folder);
    }
    RegCloseKey(klucz);
}

}  // namespace

std::vector<std::wstring> BibliotekiSteam(const std::wstring& folderSteam) {
    std::vector<std::wstring> biblioteki{folderSteam};
    for (const std::string& b : BibliotekiZVdf(LinieVdf(folderSteam + L"\\steamapps\\libraryfolders.vdf")))
        biblioteki.push_back(NaUtf16(b));
    return biblioteki;
}

ZnalezioneGry ZnajdzGry() {
    ZnalezioneGry wynik;
    wynik.zapisany = NaUtf16(CzytajPierwszaLinie(FolderDanych() + L"\\gra.txt"));
    SprawdzFolderGry(wynik.lista, wynik.zapisany);

    std::wstring steam;
    if (CzytajTekstRejestru(HKEY_CURRENT_USER, L"Software\\Valve\\Steam", L"SteamPath", steam) && !steam.empty()) {
        for (wchar_t& z : steam)
            if (z == L'/') z = L'\\';
        for (const std::wstring& biblioteka : BibliotekiSteam(steam))
            SprawdzFolderGry(wynik.lista, biblioteka + L"\\steamapps\\common\\The Witcher 3");
    }

    GryGog(wynik.lista, L"SOFTWARE\\WOW6432Node\\GOG.com\\Games");
    GryGog(wynik.lista, L"SOFTWARE\\GOG.com\\Games");
    return wynik;
}

size_t ScalGry(ZnalezioneGry znalezione) {
    std::vector<ZnalezionaGra> znane;
    {
        std::lock_guard<std::mutex> l(Stan.blokada);
        znane = Stan.gry;
    }
    // On disk, without the lock: a folder on a network share that went
    // offline takes the share's time-out, and the window takes the lock
    // every frame.
    for (const ZnalezionaGra& g : znane) SprawdzFolderGry(znalezione.lista, g.folder);

    std::lock_guard<std::mutex> l(Stan.blokada);
    const std::wstring zachowany = (Stan.wybranaGra >= 0 && Stan.wybranaGra < (int)Stan.gry.size())
                                       ? Stan.gry[Stan.wybranaGra].folder
                                       : znalezione.zapisany;
    Stan.gry = std::move(znalezione.lista);
    Stan.wybranaGra = Stan.gry.empty() ? -1 : 0;
    for (size_t i = 0; i < Stan.gry.size(); ++i)
        if (RowneBezWielkosciAZ(Stan.gry[i].folder, zachowany)) Stan.wybranaGra = (int)i;
    return Stan.gry.size();
}
