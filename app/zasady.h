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
    bool skryptUsuwania = false;
    std::string wersjaNaSerwerze;
    std::string status;
    std::string blad;
    Dziennik dziennik;
    int serwerSwiata = -1;
    bool zajety = false;
    bool graDziala = false;
    float postep = -1.0f;
    bool operator==(const Migawka&) const = default;
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

// Frames drawn after an input message or a change on screen: Dear ImGui
// shows a click's, a hover's or a new line's consequences a frame or two
// later (a popup opens, the journal scrolls to its end).
inline constexpr int KlatkiPoZdarzeniu = 4;
// How often an idle window compares Stan with what it drew last (ms).
inline constexpr unsigned OkresCzuwania = 100;

// Whether the frame loop draws now. `narysowana` is what the last frame
// showed (none before the first); `zapas` counts the frames still owed to
// the last event and is updated here. While a worker runs the window draws
// every refresh (its progress bar moves); otherwise only after an input
// message or a change in the snapshot, and a few frames after that.
bool RysowacKlatke(bool zdarzenie, const Migawka& teraz, const Migawka* narysowana, int& zapas);

// Whether the footer offers "Odinstaluj": with a mod installed, and also
// whenever the uninstall script is there, so that a game left half-changed
// by a failed install can always be restored.
bool PokazOdinstaluj(const Migawka& m);

// "nie zainstalowany" or "wersja X".
std::string TekstModu(const std::string& zainstalowana);
// The note after the mod version; empty text when the server's is unknown.
Napis NotkaModu(const std::string& serwer, const std::string& zainstalowana);
Napis TekstSerweraSwiata(int serwerSwiata);
// The line beside the main button: error, else status, else the hint.
Napis LiniaKomunikatu(const Migawka& m, Akcja akcja);
Barwa BarwaLiniiDziennika(const std::string& linia);
