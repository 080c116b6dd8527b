#include "install/folder_paczki.h"

#include <windows.h>

#include "core/linia.h"
#include "core/stan.h"
#include "core/tekst.h"

namespace {

const wchar_t* const Nowa = L"\\paczka.nowa";
const wchar_t* const Poprzednia = L"\\paczka.poprzednia";
const wchar_t* const Stara = L"\\paczka.stara";

bool UsunWpis(const std::wstring& sciezka, DWORD atrybuty) {
    if (atrybuty & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(sciezka.c_str(), atrybuty & ~FILE_ATTRIBUTE_READONLY);
    if (!(atrybuty & FILE_ATTRIBUTE_DIRECTORY)) return DeleteFileW(sciezka.c_str());
    // A junction or a directory link: only the link goes. Descending into it
    // would empty its target, which may be the game folder or the user's
    // documents. (Wine shows a Linux symbolic link so too, and can't remove
    // it: it then stays, and so does the folder holding it.)
    if (atrybuty & FILE_ATTRIBUTE_REPARSE_POINT) return RemoveDirectoryW(sciezka.c_str());
    bool ok = true;
    WIN32_FIND_DATAW d;
    HANDLE h = FindFirstFileExW((sciezka + L"\\*").c_str(), FindExInfoBasic, &d, FindExSearchNameMatch, nullptr, 0);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring nazwa = d.cFileName;
            if (nazwa != L"." && nazwa != L"..") ok = UsunWpis(sciezka + L"\\" + nazwa, d.dwFileAttributes) && ok;
        } while (FindNextFileW(h, &d));
        FindClose(h);
    }
    return RemoveDirectoryW(sciezka.c_str()) && ok;
}

bool Przenies(const std::wstring& z, const std::wstring& na) { return MoveFileExW(z.c_str(), na.c_str(), 0); }

// A free name for a replaced package on its way out: one that couldn't go
// yet (a file in use) must not block the next update.
std::wstring NazwaStarej(const std::wstring& dane) {
    std::wstring nazwa = dane + Stara;
    for (int i = 1; PlikIstnieje(nazwa); ++i) nazwa = dane + Stara + L"-" + std::to_wstring(i);
    return nazwa;
}

// Every replaced package still there.
void UsunStare(const std::wstring& dane) {
    WIN32_FIND_DATAW d;
    HANDLE h = FindFirstFileExW((dane + Stara + L"*").c_str(), FindExInfoBasic, &d, FindExSearchNameMatch, nullptr, 0);
    if (h == INVALID_HANDLE_VALUE) return;
    do UsunFolder(dane + L"\\" + d.cFileName);
    while (FindNextFileW(h, &d));
    FindClose(h);
}

}  // namespace

bool UsunFolder(const std::wstring& folder) {
    // A package may hold paths past 260 characters under the data folder:
    // without the long form they could be neither listed nor removed.
    const std::wstring dluga = SciezkaDluga(folder);
    const DWORD a = GetFileAttributesW(dluga.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return !PlikIstnieje(dluga);
    return UsunWpis(dluga, a);
}

void NaprawFolderPaczki(const std::wstring& dane) {
    if (!JestFolderDanych(dane)) return;
    const std::wstring paczka = dane + L"\\paczka";
    // Never swapped in, or already replaced: neither is anybody's package.
    UsunFolder(dane + Nowa);
    UsunStare(dane);
    if (!PlikIstnieje(dane + Poprzednia)) return;
    // The launcher stopped during a swap, before the new package's script
    // ran: the game still has what the previous package installed.
    const std::wstring stara = NazwaStarej(dane);
    if (PlikIstnieje(paczka) && !(Przenies(paczka, stara) && (UsunFolder(stara), true))) {
        LogujBlad("Nie mogę przywrócić zainstalowanej paczki (" + NaUtf8(paczka) +
                  "): trzyma ją inny program. Zamknij go i uruchom launcher ponownie.");
        return;
    }
    if (!Przenies(dane + Poprzednia, paczka)) {
        LogujBlad("Nie mogę przywrócić zainstalowanej paczki z " + NaUtf8(dane + Poprzednia) +
                  ". Zamknij programy, które mogą jej używać, i uruchom launcher ponownie.");
        return;
    }
    Loguj("Przywróciłem zainstalowaną paczkę po przerwanej aktualizacji.");
}

std::wstring PrzygotujNowaPaczke(const std::wstring& dane) {
    const std::wstring nowa = dane + Nowa;
    if (!UsunFolder(nowa) || !CreateDirectoryW(nowa.c_str(), nullptr)) {
        LogujBlad("Nie mogę przygotować folderu " + NaUtf8(nowa) + ". Zamknij programy, które mogą go używać, i "
                  "spróbuj ponownie.");
        return L"";
    }
    return nowa;
}

void PorzucNowaPaczke(const std::wstring& dane) { UsunFolder(dane + Nowa); }

bool PodmienPaczke(const std::wstring& dane) {
    const std::wstring paczka = dane + L"\\paczka", nowa = dane + Nowa, poprzednia = dane + Poprzednia;
    const bool bylaPaczka = PlikIstnieje(paczka);
    if (bylaPaczka && !Przenies(paczka, poprzednia)) {
        PorzucNowaPaczke(dane);
        LogujBlad("Nie mogę odsunąć zainstalowanej paczki (" + NaUtf8(paczka) +
                  "): trzyma ją inny program. Zamknij go i spróbuj ponownie.");
        return false;
    }
    if (!Przenies(nowa, paczka)) {
        PorzucNowaPaczke(dane);
        if (bylaPaczka && !Przenies(poprzednia, paczka))
            LogujBlad("Nie mogę przywrócić zainstalowanej paczki z " + NaUtf8(poprzednia) + ".");
        LogujBlad("Nie mogę umieścić nowej paczki w " + NaUtf8(paczka) + ". Zamknij programy, które mogą go używać, "
                  "i spróbuj ponownie.");
        return false;
    }
    if (!bylaPaczka) return true;
    // Renamed before anything of the new package runs: a previous package
    // still standing under its own name would be taken for the installed one.
    const std::wstring stara = NazwaStarej(dane);
    if (!Przenies(poprzednia, stara)) {
        const bool cofniete = Przenies(paczka, nowa) && Przenies(poprzednia, paczka);
        PorzucNowaPaczke(dane);
        LogujBlad(cofniete ? "Nie mogę usunąć zainstalowanej paczki (" + NaUtf8(poprzednia) +
                                 "): trzyma ją inny program. Zamknij go i spróbuj ponownie."
                           : "Nie mogę przywrócić zainstalowanej paczki z " + NaUtf8(poprzednia) +
                                 ". Zamknij programy, które mogą jej używać, i uruchom launcher ponownie.");
        return false;
    }
    // What can't go now (a file in use) goes at the next start.
    UsunFolder(stara);
    return true;
}
