#include "app/wskaz.h"

#include <windows.h>
#include <shobjidl.h>

#include "app/powloka.h"
#include "core/linia.h"
#include "core/stan.h"
#include "game/folder.h"
#include "game/sciezki.h"

void PrzyjmijWskazanyFolder(const std::wstring& sciezka) {
    std::lock_guard<std::mutex> l(Stan.blokada);
    const size_t przed = Stan.gry.size();
    SprawdzFolderGry(Stan.gry, sciezka);
    if (Stan.gry.size() > przed) {
        Stan.wybranaGra = (int)Stan.gry.size() - 1;
        return;
    }
    if (Stan.gry.empty()) {
        Stan.blad = BladFolderuBezGry;
        return;
    }
    const std::wstring szukany = PostacKanoniczna(sciezka);
    for (size_t i = 0; i < Stan.gry.size(); ++i)
        if (RowneBezWielkosciAZ(Stan.gry[i].folder, szukany)) {
            Stan.wybranaGra = (int)i;
            return;
        }
    Stan.blad = BladFolderuBezGry;
}

void WskazFolderGry() {
    IFileOpenDialog* dialog = nullptr;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&dialog))) || !dialog)
        return;
    FILEOPENDIALOGOPTIONS opcje = 0;
    if (FAILED(dialog->GetOptions(&opcje))) opcje = 0;
    dialog->SetOptions(opcje | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM);
    dialog->SetTitle(L"Wskaż folder gry The Witcher 3 (ten z folderem bin)");
    if (SUCCEEDED(dialog->Show(OknoGlowne))) {
        IShellItem* element = nullptr;
        if (SUCCEEDED(dialog->GetResult(&element)) && element) {
            PWSTR sciezka = nullptr;
            if (SUCCEEDED(element->GetDisplayName(SIGDN_FILESYSPATH, &sciezka)) && sciezka)
                PrzyjmijWskazanyFolder(sciezka);
            CoTaskMemFree(sciezka);
            element->Release();
        }
    }
    dialog->Release();
}
