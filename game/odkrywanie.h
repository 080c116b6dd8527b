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

// Folds a discovery into Stan.gry / Stan.wybranaGra: the games already known
// (a picked folder no source lists) are checked again and kept while they
// hold the game, and the chosen one stays chosen while it is listed. Takes
// Stan.blokada itself, only to copy and to merge; returns the games' count.
size_t ScalGry(ZnalezioneGry znalezione);

// Helpers exposed for tests.
std::vector<std::wstring> BibliotekiSteam(const std::wstring& folderSteam);
