// What the window shows, decided from one snapshot of Stan. Pure: tests call
// these without a window.
#pragma once

#include <string>
#include <vector>

#include "core/stan.h"

// The copy of Stan that one frame draws from.
struct Migawka {
    std::vector<ZnalezionaGra> gry;
    int wybranaGra = -1;
    std::string wersjaZainstalowana;
    std::string wersjaNaSerwerze;
    std::string status;
    std::string blad;
    Dziennik dziennik;
    int serwerSwiata = -1;
    bool zajety = false;
    bool graDziala = false;
};

enum class Akcja { Brak, Instaluj, UruchomGre, WskazFolder };
enum class Barwa { Zlota, Przygaszona, Bledu, Zielona, Domyslna };

struct Napis {
    std::string tekst;
    Barwa barwa = Barwa::Domyslna;
};

struct StanPrzycisku {
    std::string etykieta;  // what the button shows ("CZEKAJ..." while busy)
    bool aktywny;
    Akcja akcja;           // also decides the hint, even while busy
};

StanPrzycisku GlownyPrzycisk(const Migawka& m);

// "nie zainstalowany" or "wersja X".
std::string TekstModu(const std::string& zainstalowana);
// The note after the mod version; empty text when the server's is unknown.
Napis NotkaModu(const std::string& serwer, const std::string& zainstalowana);
Napis TekstSerweraSwiata(int serwerSwiata);
// The line beside the main button: error, else status, else the hint.
Napis LiniaKomunikatu(const Migawka& m, Akcja akcja);
Barwa BarwaLiniiDziennika(const std::string& linia);
