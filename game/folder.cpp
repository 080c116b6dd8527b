#include "game/folder.h"

#include <windows.h>

#include "core/linia.h"
#include "core/tekst.h"
#include "game/sciezki.h"

static std::string RodzajKopii(const std::wstring& folder) {
    if (PlikIstnieje(folder + L"\\bin\\x64_dx12\\steam_api64.dll")) return "Steam";
    WIN32_FIND_DATAW dane;
    HANDLE h = FindFirstFileW((folder + L"\\goggame-*.info").c_str(), &dane);
    if (h != INVALID_HANDLE_VALUE) {
        FindClose(h);
        return "GOG";
    }
    return "inna";
}

void SprawdzFolderGry(std::vector<ZnalezionaGra>& lista, std::wstring kandydat) {
    std::wstring folder = PostacKanoniczna(std::move(kandydat));
    if (folder.empty()) return;
    if (!PlikIstnieje(folder + L"\\bin\\x64_dx12\\witcher3.exe")) return;
    for (const ZnalezionaGra& g : lista)
        if (RowneBezWielkosciAZ(g.folder, folder)) return;
    std::string rodzaj = RodzajKopii(folder);
    lista.push_back({std::move(folder), std::move(rodzaj)});
}
