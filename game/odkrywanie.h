#pragma once

#include <string>
#include <vector>

#include "core/stan.h"

struct ZnalezioneGry {
    std::vector<ZnalezionaGra> lista;
    std::wstring zapisany;  // gra.txt's first line, as read
};

// Looks in gra.txt, the Steam libraries and GOG's registry keys, in that
// order. Reads files and the registry only, never Stan.
ZnalezioneGry ZnajdzGry();

// Folds a discovery into Stan.gry / Stan.wybranaGra, keeping the player's
// choice while it still holds the game. The caller holds Stan.blokada.
void ScalGry(std::vector<ZnalezionaGra> lista, const std::wstring& zapisany);

// Helpers exposed for tests.
std::vector<std::wstring> BibliotekiSteam(const std::wstring& folderSteam);
