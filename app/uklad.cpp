#include "app/uklad.h"

#include "core/linia.h"

Rozmiar RozmiarKlienta(float s) {
    return {(int)(SzerokoscProjektu * s), (int)(WysokoscProjektu * s)};
}

int PoczatekOkna(int srodek, int rozmiar) { return srodek - rozmiar / 2; }

bool CzyNazwaGry(const std::wstring& nazwaPliku) { return RowneBezWielkosciAZ(nazwaPliku, L"witcher3.exe"); }
