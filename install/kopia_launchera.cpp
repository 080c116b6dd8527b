#include "install/kopia_launchera.h"

#include <windows.h>

#include <vector>

#include "app/przejecie.h"
#include "core/linia.h"
#include "core/stan.h"
#include "core/tekst.h"
#include "install/wybor_launchera.h"

namespace {

std::wstring Stary(const std::wstring& kopia) { return kopia + L".stary"; }

}  // namespace

std::wstring WlasnyProgram() {
    std::wstring bufor(520, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, bufor.data(), (DWORD)bufor.size());
        if (n == 0) return L"";
        if (n < bufor.size()) return bufor.substr(0, n);
        bufor.assign(bufor.size() * 2, L'\0');  // cut off: try a larger buffer
    }
}

std::string WersjaPliku(const std::wstring& program) {
    DWORD uchwyt = 0;
    const DWORD rozmiar = GetFileVersionInfoSizeW(program.c_str(), &uchwyt);
    if (rozmiar == 0) return "";
    std::vector<uint8_t> dane(rozmiar);
    if (!GetFileVersionInfoW(program.c_str(), 0, rozmiar, dane.data())) return "";
    struct Jezyk {
        WORD jezyk, strona;
    };
    Jezyk* jezyki = nullptr;
    UINT dlugosc = 0;
    if (!VerQueryValueW(dane.data(), L"\\VarFileInfo\\Translation", (void**)&jezyki, &dlugosc) || dlugosc < 4)
        return "";
    wchar_t klucz[64];
    swprintf(klucz, 64, L"\\StringFileInfo\\%04x%04x\\ProductVersion", jezyki[0].jezyk, jezyki[0].strona);
    wchar_t* tekst = nullptr;
    if (!VerQueryValueW(dane.data(), klucz, (void**)&tekst, &dlugosc) || dlugosc == 0) return "";
    return NaUtf8(std::wstring(tekst, wcsnlen(tekst, dlugosc)));
}

KopiaLaunchera UmiescLauncher(const std::wstring& dane) {
    const std::wstring kopia = dane + L"\\Morvane.exe", wPaczce = dane + L"\\paczka\\Morvane.exe";
    const std::wstring wlasny = WlasnyProgram();
    KopiaLaunchera k;
    k.zDanych = RowneBezWielkosciAZ(wlasny, kopia);
    const bool paczkaMa = PlikIstnieje(wPaczce);
    const std::string wersjaPaczki = paczkaMa ? WersjaPliku(wPaczce) : "";
    const std::string wersjaKopii = !k.zDanych && PlikIstnieje(kopia) ? WersjaPliku(kopia) : "";
    const WyborLaunchera wybor = WybierzLauncher(WersjaLaunchera, wersjaPaczki, wersjaKopii, k.zDanych);
    if (paczkaMa && wybor != WyborLaunchera::ZPaczki)
        Loguj(wersjaPaczki.empty()
                  ? std::string("Launcher w paczce nie ma czytelnej wersji - zostaje obecny.")
                  : "Launcher w paczce (" + wersjaPaczki + ") nie jest nowszy od tego (" + WersjaLaunchera +
                        ") - zostaje obecny.");
    if (wybor == WyborLaunchera::Wlasny) {
        CopyFileW(wlasny.c_str(), kopia.c_str(), FALSE);
        return k;
    }
    if (wybor == WyborLaunchera::Zostaw) {
        if (!k.zDanych) Loguj("W folderze danych jest nowszy launcher (" + wersjaKopii + ") - zostaje.");
        return k;
    }
    // A running program can be renamed, not overwritten: the one there goes
    // aside (and comes back if anything fails), the package's takes its name.
    const std::wstring stary = Stary(kopia);
    DeleteFileW(stary.c_str());
    const bool byla = PlikIstnieje(kopia);
    if ((byla && !MoveFileExW(kopia.c_str(), stary.c_str(), 0)) || !CopyFileW(wPaczce.c_str(), kopia.c_str(), TRUE)) {
        if (!byla)
            CopyFileW(wlasny.c_str(), kopia.c_str(), FALSE);
        else if (!PlikIstnieje(kopia))
            MoveFileExW(stary.c_str(), kopia.c_str(), 0);
        Loguj("Nie mogę umieścić nowego launchera (" + wersjaPaczki + ") w " + NaUtf8(kopia) + " - zostaje obecny.");
        return k;
    }
    k.zPaczki = true;
    k.wersja = wersjaPaczki;
    Loguj("Nowy launcher z paczki: " + wersjaPaczki + ".");
    return k;
}

// Takes the package's launcher away again. With `poprzedni` the copy it
// replaced comes back (for a launcher run from there: this very program,
// renamed aside); else, or when there was none, this launcher stands there.
void Cofnij(const std::wstring& dane, bool poprzedni) {
    const std::wstring kopia = dane + L"\\Morvane.exe", stary = Stary(kopia);
    DeleteFileW(kopia.c_str());
    if (!(poprzedni && PlikIstnieje(stary) && MoveFileExW(stary.c_str(), kopia.c_str(), 0)))
        CopyFileW(WlasnyProgram().c_str(), kopia.c_str(), FALSE);
    DeleteFileW(stary.c_str());
}

void PrzywrocLauncher(const std::wstring& dane, const KopiaLaunchera& k) {
    if (k.zPaczki) Cofnij(dane, true);
}

void PrzekazNowemuLauncherowi(const std::wstring& dane, const KopiaLaunchera& k) {
    if (!k.zPaczki) return;
    UstawStatus("Nowy launcher " + k.wersja + " - uruchamiam go ponownie.", -1.0f);
    // Time for a cold start on a slow disk or a busy machine, not for ever.
    if (PrzekazLauncher(dane + L"\\Morvane.exe", 20000)) {
        Stan.terminZamkniecia.store(GetTickCount64());
        return;
    }
    // This launcher puts itself back, so that what starts next is one that runs.
    Cofnij(dane, k.zDanych);
    LogujBlad("Nowy launcher " + k.wersja + " nie uruchomił się - przywróciłem ten (" + WersjaLaunchera +
              "). Mod jest zainstalowany; zgłoś to zespołowi moda.");
}
