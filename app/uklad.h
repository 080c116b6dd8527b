// Pure decisions of the shell: window size and placement, the game watch's
// name test. No Windows headers.
#pragma once

#include <string>

inline constexpr int SzerokoscProjektu = 940;
inline constexpr int WysokoscProjektu = 620;

struct Rozmiar {
    int szerokosc;
    int wysokosc;
};

// Client area for a DPI scale: the design size times s, truncated.
Rozmiar RozmiarKlienta(float s);

// Top-left corner of an outer window of size w x h centred on (cx, cy).
int PoczatekOkna(int srodek, int rozmiar);

// Whether a process's executable name is the game's.
bool CzyNazwaGry(const std::wstring& nazwaPliku);
