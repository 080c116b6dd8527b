#include "install/odinstaluj.h"

#include <windows.h>

#include "core/stan.h"
#include "core/tekst.h"
#include "install/folder_paczki.h"
#include "install/proces.h"
#include "install/wine.h"

namespace {

// Starts the command that removes the data folder after the launcher has
// closed, and lets it go.
void UruchomUsuwanieFolderu(const std::wstring& dane) {
    const std::wstring system = FolderSystemowy();
    if (system.empty()) return;
    std::wstring linia = PolecenieUsunieciaFolderu(dane);
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    // No console window (CREATE_NO_WINDOW alone: with DETACHED_PROCESS the
    // system ignores it), and the system folder as its working folder so
    // that it holds no handle inside the folder it removes.
    if (!CreateProcessW(ProgramCmd(system).c_str(), linia.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        system.c_str(), &si, &pi))
        return;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

}  // namespace

void Odinstaluj() {
    if (!ZajmijPrace(true)) return;
    const std::wstring dane = FolderDanych();
    UstawStatus("Usuwam mod z gry...", -1.0f);
    NaprawFolderPaczki(dane);
    const std::wstring skrypt = SkryptUsuwania(dane);
    if (!JestSkryptUsuwania(dane)) {
        LogujBlad("Brak plików instalacji - nie ma czego usuwać przez launcher.");
    } else if (!JestPrawdziwyPowerShell()) {
        // Wine's stub would "succeed" without restoring a single game file,
        // and the launcher would then remove its data folder with the
        // package that can still do it.
        LogujBlad("Usuwanie moda wymaga Windows PowerShell, którego nie ma w Wine ani w Protonie. Usuń mod na "
                  "Windows albo przywróć pliki gry ręcznie (opis w README launchera).");
    } else {
        const uint32_t kod = UruchomSkrypt(skrypt, L"");
        if (kod != 0) {
            LogujBlad("Usuwanie przerwane (kod " + std::to_string(kod) + ").");
        } else {
            if (!FolderBezpiecznyDlaCmd(dane))
                Loguj("Folder danych zostaje (jego ścieżki nie da się bezpiecznie przekazać do cmd.exe): " +
                      NaUtf8(dane));
            else
                UruchomUsuwanieFolderu(dane);
            UstawStatus("Mod usunięty. Launcher zamknie się za chwilę.", -1.0f);
            Stan.terminZamkniecia.store(GetTickCount64() + 2500);
        }
    }
    {
        std::lock_guard<std::mutex> l(Stan.blokada);
        Stan.wersjaZainstalowana = CzytajWersjeZainstalowana(dane);
        Stan.skryptUsuwania = JestSkryptUsuwania(dane);
    }
    ZwolnijPrace();
}
