#include "install/kopia_launchera.h"

#include <windows.h>

#include <vector>

#include "core/stan.h"
#include "core/tekst.h"
#include "install/wybor_launchera.h"

namespace {

std::wstring Kopia(const std::wstring& dane) { return SciezkaKopii(dane); }
std::wstring Stary(const std::wstring& dane) { return Kopia(dane) + L".stary"; }
std::wstring Proby(const std::wstring& dane) { return Kopia(dane) + L".proby"; }

std::wstring NazwaSystemu() {
    std::wstring bufor(520, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, bufor.data(), (DWORD)bufor.size());
        if (n == 0) return L"";
        if (n < bufor.size()) return bufor.substr(0, n);
        bufor.assign(bufor.size() * 2, L'\0');  // cut off: try a larger buffer
    }
}

// A read-only file can be neither deleted nor overwritten on Windows, and a
// zip's read-only entry arrives so: every file this launcher replaces or
// takes back is cleared first, or one such copy would block every update.
void ZdejmijTylkoDoOdczytu(const std::wstring& sciezka) {
    const DWORD a = GetFileAttributesW(sciezka.c_str());
    if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesW(sciezka.c_str(), a & ~FILE_ATTRIBUTE_READONLY);
}

// Copies `z` to `na` through "<na>.nowy", flushed to the disk before it is
// renamed into place: a power cut leaves either the previous file or the
// whole new one at `na`, never a cut one.
bool KopiujBezpiecznie(const std::wstring& z, const std::wstring& na) {
    const std::wstring tymczasowy = na + L".nowy";
    ZdejmijTylkoDoOdczytu(tymczasowy);
    DeleteFileW(tymczasowy.c_str());
    if (!CopyFileW(z.c_str(), tymczasowy.c_str(), FALSE)) return false;
    ZdejmijTylkoDoOdczytu(tymczasowy);
    HANDLE h = CreateFileW(tymczasowy.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    const bool zapisany = h != INVALID_HANDLE_VALUE && FlushFileBuffers(h);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    ZdejmijTylkoDoOdczytu(na);
    if (zapisany && MoveFileExW(tymczasowy.c_str(), na.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileW(tymczasowy.c_str());
    return false;
}

// Moves the copy aside under a free "Morvane.exe.zly" name. A rename works
// on a file that is open (the image of a process that just ended, a scanner
// reading it) where delete and overwrite don't; such a holder may also deny
// the rename for a moment, so it is tried for a few seconds. Empty when it
// could not be moved.
std::wstring OdsunNaBok(const std::wstring& dane) {
    const std::wstring kopia = Kopia(dane);
    std::wstring cel = kopia + L".zly";
    for (int i = 1; PlikIstnieje(cel); ++i) cel = kopia + L".zly-" + std::to_wstring(i);
    ZdejmijTylkoDoOdczytu(kopia);
    for (int proba = 0; proba < 100; ++proba) {
        if (MoveFileExW(kopia.c_str(), cel.c_str(), MOVEFILE_WRITE_THROUGH)) return cel;
        if (!PlikIstnieje(kopia)) return L"";
        Sleep(100);
    }
    return L"";
}

// Every launcher taken back that could not be removed then.
void UsunOdsuniete(const std::wstring& dane) {
    WIN32_FIND_DATAW d;
    HANDLE h = FindFirstFileExW((Kopia(dane) + L".zly*").c_str(), FindExInfoBasic, &d, FindExSearchNameMatch, nullptr,
                                0);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring sciezka = dane + L"\\" + d.cFileName;
        ZdejmijTylkoDoOdczytu(sciezka);
        DeleteFileW(sciezka.c_str());
    } while (FindNextFileW(h, &d));
    FindClose(h);
}

// What stands at the copy's place now, for a message that says so.
std::string CoStoi(const std::wstring& dane) {
    const std::wstring kopia = Kopia(dane);
    if (!PlikIstnieje(kopia)) return "w " + NaUtf8(kopia) + " nie ma teraz launchera";
    const std::string w = WersjaPliku(kopia);
    return "w " + NaUtf8(kopia) + " stoi teraz launcher " + (w.empty() ? "bez wersji" : w);
}

// A copy of the running launcher at `na`, read from its file only while that
// is still the running launcher: after a rename its old path may name
// another file (the very launcher being taken back).
bool KopiujWlasny(const Program& wlasny, const std::wstring& na) {
    return ToTenPlik(wlasny, wlasny.sciezka) && KopiujBezpiecznie(wlasny.sciezka, na);
}

}  // namespace

std::optional<Tozsamosc> TozsamoscPliku(const std::wstring& sciezka) {
    HANDLE h = CreateFileW(sciezka.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION i{};
    const bool ok = GetFileInformationByHandle(h, &i);
    CloseHandle(h);
    if (!ok) return std::nullopt;
    return Tozsamosc{i.dwVolumeSerialNumber, ((uint64_t)i.nFileIndexHigh << 32) | i.nFileIndexLow};
}

Program OpiszProgram(const std::wstring& sciezka) { return Program{sciezka, TozsamoscPliku(sciezka)}; }

bool ToTenPlik(const Program& p, const std::wstring& sciezka) {
    return p.tozsamosc && TozsamoscPliku(sciezka) == p.tozsamosc;
}

std::wstring SciezkaKopii(const std::wstring& dane) { return dane + L"\\Morvane.exe"; }

std::string WersjaNieudanych(const std::wstring& dane) {
    std::string t;
    if (!CzytajCalyPlik(Proby(dane), t, 256)) return "";
    return t.substr(0, t.find('\n'));
}

int NieudaneStarty(const std::wstring& dane, const std::string& wersja) {
    std::string t;
    if (!CzytajCalyPlik(Proby(dane), t, 256)) return 0;
    const size_t lf = t.find('\n');
    if (lf == std::string::npos || t.substr(0, lf) != wersja) return 0;
    return atoi(t.c_str() + lf + 1);
}

void ZapiszNieudanyStart(const std::wstring& dane, const std::string& wersja) {
    ZapiszCalyPlik(Proby(dane), wersja + "\n" + std::to_string(NieudaneStarty(dane, wersja) + 1) + "\n");
}

const Program& WlasnyProgram() {
    static const Program wlasny = OpiszProgram(NazwaSystemu());
    return wlasny;
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

KopiaLaunchera UmiescLauncher(const std::wstring& dane, const Program& wlasny) {
    const std::wstring kopia = Kopia(dane), stary = Stary(dane), wPaczce = dane + L"\\paczka\\Morvane.exe";
    KopiaLaunchera k;
    k.wlasny = wlasny;
    const bool zDanych = ToTenPlik(wlasny, kopia);
    const bool paczkaMa = PlikIstnieje(wPaczce);
    const std::string wersjaPaczki = paczkaMa ? WersjaPliku(wPaczce) : "";
    const bool byla = PlikIstnieje(kopia);
    const std::string wersjaKopii = byla ? WersjaPliku(kopia) : "";
    const WyborLaunchera wybor = WybierzLauncher(WersjaLaunchera, wersjaPaczki, zDanych ? "" : wersjaKopii, zDanych);
    if (paczkaMa && wybor != WyborLaunchera::ZPaczki)
        Loguj(wersjaPaczki.empty()
                  ? std::string("Launcher w paczce nie ma czytelnej wersji - zostaje obecny.")
                  : "Launcher w paczce (" + wersjaPaczki + ") nie jest nowszy od tego (" + WersjaLaunchera +
                        ") - zostaje obecny.");
    if (wybor == WyborLaunchera::Wlasny) {
        if (!KopiujWlasny(wlasny, kopia)) Loguj("Nie mogę umieścić kopii launchera w " + NaUtf8(kopia) + ".");
        return k;
    }
    if (wybor == WyborLaunchera::Zostaw) {
        if (!zDanych) Loguj("W folderze danych jest nowszy launcher (" + wersjaKopii + ") - zostaje.");
        return k;
    }
    // A copy kept from an earlier handover goes: the one standing now (the
    // running one, when it runs from there) is the one to come back to.
    ZdejmijTylkoDoOdczytu(stary);
    const bool bezStarego = DeleteFileW(stary.c_str()) || !PlikIstnieje(stary);
    // A running program can be renamed, not overwritten: the one there goes
    // aside (and comes back if anything fails), the package's takes its name.
    ZdejmijTylkoDoOdczytu(kopia);
    if (!bezStarego || (byla && !MoveFileExW(kopia.c_str(), stary.c_str(), MOVEFILE_WRITE_THROUGH))) {
        Loguj("Nie mogę umieścić nowego launchera (" + wersjaPaczki + ") w " + NaUtf8(kopia) + " - zostaje obecny.");
        return k;
    }
    if (!KopiujBezpiecznie(wPaczce, kopia)) {
        const bool wrocil = byla ? MoveFileExW(stary.c_str(), kopia.c_str(), MOVEFILE_WRITE_THROUGH)
                                 : KopiujWlasny(wlasny, kopia);
        Loguj("Nie mogę umieścić nowego launchera (" + wersjaPaczki + ") w " + NaUtf8(kopia) + " - zostaje obecny.");
        if (!wrocil) LogujBlad("Nie mogę przywrócić launchera w " + NaUtf8(kopia) + ": " + CoStoi(dane) + ".");
        return k;
    }
    k.zPaczki = true;
    k.wersja = wersjaPaczki;
    Loguj("Nowy launcher z paczki: " + wersjaPaczki + ".");
    return k;
}

std::optional<std::string> CofnijLauncher(const std::wstring& dane, const KopiaLaunchera& k) {
    const std::wstring kopia = Kopia(dane), stary = Stary(dane);
    // The new one goes aside first: until then nothing else is touched.
    if (PlikIstnieje(kopia) && OdsunNaBok(dane).empty()) {
        LogujBlad("Nie mogę wycofać nowego launchera z " + NaUtf8(kopia) + ": trzyma go inny program. " +
                  (PlikIstnieje(stary) ? "Poprzedni czeka obok jako Morvane.exe.stary i wróci przy następnym "
                                         "uruchomieniu launchera."
                                       : "Zamknij ten program i uruchom launcher ponownie."));
        return std::nullopt;
    }
    // What stood before comes back, whoever runs; only when nothing stood,
    // the running launcher stands there, as every install leaves one.
    const bool zeStarego = PlikIstnieje(stary);
    const std::string oczekiwana = zeStarego ? WersjaPliku(stary) : WersjaLaunchera;
    bool ok = false;
    if (zeStarego) {
        ZdejmijTylkoDoOdczytu(stary);
        ok = MoveFileExW(stary.c_str(), kopia.c_str(), MOVEFILE_WRITE_THROUGH) || KopiujBezpiecznie(stary, kopia);
    } else {
        ok = KopiujWlasny(k.wlasny, kopia);
    }
    // Believed only once it reads back: the kept copy goes only then.
    ok = ok && WersjaPliku(kopia) == oczekiwana;
    if (ok && PlikIstnieje(stary)) DeleteFileW(stary.c_str());
    // Without any copy the desktop's shortcut would start nothing: this one.
    if (!ok && !PlikIstnieje(kopia)) KopiujWlasny(k.wlasny, kopia);
    UsunOdsuniete(dane);
    if (ok) return oczekiwana;
    LogujBlad("Nie udało się przywrócić poprzedniego launchera: " + CoStoi(dane) +
              (PlikIstnieje(stary) ? ", a poprzedni czeka obok jako Morvane.exe.stary i wróci przy następnym "
                                     "uruchomieniu launchera."
                                   : "."));
    return std::nullopt;
}

void PrzywrocLauncher(const std::wstring& dane, const KopiaLaunchera& k) {
    if (!k.zPaczki) return;
    if (const auto w = CofnijLauncher(dane, k)) Loguj("Przywróciłem poprzedni launcher (" + *w + ").");
}

void NaprawKopieLaunchera(const std::wstring& dane, const Program& wlasny) {
    if (!JestFolderDanych(dane)) return;
    UsunOdsuniete(dane);
    const std::wstring kopia = Kopia(dane), stary = Stary(dane);
    if (!PlikIstnieje(stary) || ToTenPlik(wlasny, kopia)) return;
    // The copy that replaced it never ended a run: it was cut off while it
    // was being put there, or died before its first run ended.
    const std::string nowa = PlikIstnieje(kopia) ? WersjaPliku(kopia) : "";
    KopiaLaunchera k;
    k.wlasny = wlasny;
    if (const auto w = CofnijLauncher(dane, k))
        Loguj("Przywróciłem poprzedni launcher (" + *w + "): nowy" + (nowa.empty() ? "" : " (" + nowa + ")") +
              " nie zakończył poprawnie żadnego uruchomienia.");
}

void ZakonczonyPrzebieg(const std::wstring& dane, const Program& wlasny) {
    if (!JestFolderDanych(dane) || !ToTenPlik(wlasny, Kopia(dane))) return;
    const std::wstring stary = Stary(dane);
    ZdejmijTylkoDoOdczytu(stary);
    DeleteFileW(stary.c_str());
    // It came up and ended: no failed tries of it are left to count.
    DeleteFileW(Proby(dane).c_str());
}
