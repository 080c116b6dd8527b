#include "game/uruchom.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>

#include "core/stan.h"
#include "core/tekst.h"
#include "game/sciezki.h"

static void ZapiszZnacznikStartu() {
    FILE* plik = _wfopen((FolderDanych() + L"\\start_rp.txt").c_str(), L"wb");
    if (!plik) return;  // the start goes on without it
    std::string tresc = TrescZnacznikaStartu();
    fwrite(tresc.data(), 1, tresc.size(), plik);
    fclose(plik);
}

void UruchomGre() {
    ZnalezionaGra gra;
    {
        std::lock_guard<std::mutex> l(Stan.blokada);
        if (Stan.wybranaGra < 0 || Stan.wybranaGra >= (int)Stan.gry.size()) return;
        gra = Stan.gry[Stan.wybranaGra];
    }
    ZapiszZnacznikStartu();

    bool ok;
    if (gra.rodzaj == "Steam") {
        ok = (INT_PTR)ShellExecuteW(nullptr, L"open", AdresSteam, nullptr, nullptr, SW_SHOWNORMAL) > 32;
    } else {
        std::wstring polecenie = PolecenieGry(gra.folder);
        std::wstring folderRoboczy = FolderRoboczyGry(gra.folder);
        STARTUPINFOW si = {sizeof si};
        PROCESS_INFORMATION pi = {};
        ok = CreateProcessW(nullptr, polecenie.data(), nullptr, nullptr, FALSE, 0, nullptr, folderRoboczy.c_str(), &si,
                            &pi);
        if (ok) {
            CloseHandle(pi.hProcess);
            CloseHandle(pi.hThread);
        }
    }

    if (ok) {
        UstawStatus("Uruchamiam grę... Brama Morvane otworzy się sama w menu gry.", -1.0f);
        Stan.terminZamkniecia.store(GetTickCount64() + 4000);
    } else {
        LogujBlad("Nie udało się uruchomić gry.");
    }
}
