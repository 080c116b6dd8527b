// Writing the journal's file: the platform half of core/plik_dziennika.h.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <vector>
#include <thread>

#include "core/plik_dziennika.h"
#include "core/tekst.h"

namespace {

// One write at a time; the rest is owned by the write that holds the flag.
std::atomic<bool> ZapisTrwa{false};
// Journal lines tried so far (the loop starts a write only past this).
std::atomic<uint64_t> Probowane{0};
uint64_t Zapisane = 0;
bool PierwszyZapis = true;

std::string CzasLokalny() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    char b[32];
    snprintf(b, sizeof b, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
    return b;
}

bool Dopisz(const std::wstring& plik, const std::string& tekst) {
    HANDLE f = CreateFileW(plik.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD n = 0;
    const bool ok = WriteFile(f, tekst.data(), (DWORD)tekst.size(), &n, nullptr) && n == tekst.size();
    CloseHandle(f);
    return ok;
}

// Makes a file past the limit the previous one. The size is read from, and
// the rename made through, one handle: a second launcher rotating at the
// same moment (the old and the new one of a handover) then renames the very
// file it measured. By path, it could measure the old file and rename the
// new small one over the previous file, which would be lost.
void ObrocJesliDuzy(const std::wstring& plik, const std::wstring& poprzedni) {
    HANDLE f = CreateFileW(plik.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    LARGE_INTEGER rozmiar{};
    if (GetFileSizeEx(f, &rozmiar) && (uint64_t)rozmiar.QuadPart > LimitPlikuDziennika) {
        std::vector<uint8_t> bufor(sizeof(FILE_RENAME_INFO) + poprzedni.size() * sizeof(wchar_t));
        auto* r = reinterpret_cast<FILE_RENAME_INFO*>(bufor.data());
        r->ReplaceIfExists = TRUE;
        r->RootDirectory = nullptr;
        r->FileNameLength = (DWORD)(poprzedni.size() * sizeof(wchar_t));
        memcpy(r->FileName, poprzedni.data(), r->FileNameLength);
        SetFileInformationByHandle(f, FileRenameInfo, r, (DWORD)bufor.size());
    }
    CloseHandle(f);
}

// One write: the lines the file lacks, taken under the lock, written
// outside it. The caller holds ZapisTrwa.
void Zapisz() {
    NoweLinie n;
    {
        std::lock_guard<std::mutex> l(Stan.blokada);
        n = LinieDoZapisu(Stan.dziennik, Stan.linieDziennika.load(), Zapisane);
    }
    Probowane.store(n.doKtorej);
    if (n.linie.empty() && n.pominiete == 0) return;
    const std::wstring dane = FolderDanych();
    // No data folder: nothing is written at a drive root. A data folder not
    // made yet (a first start): the lines wait in the journal until it is.
    if (!JestFolderDanych(dane) || !PlikIstnieje(dane)) return;
    const std::wstring plik = dane + L"\\" + NazwaPlikuDziennika;
    ObrocJesliDuzy(plik, dane + L"\\" + NazwaPoprzedniegoDziennika);
    // A full disk or a read-only file costs the file these lines, and
    // nothing else: the launcher and its window go on.
    if (Dopisz(plik, TekstDoPliku(n, CzasLokalny(), PierwszyZapis))) PierwszyZapis = false;
    Zapisane = n.doKtorej;
}

}  // namespace

bool ZajmijZapisDziennika() { return !ZapisTrwa.exchange(true); }
void ZwolnijZapisDziennika() { ZapisTrwa.store(false); }

void ZapiszDziennikWTle() {
    if (Stan.linieDziennika.load() == Probowane.load() || !ZajmijZapisDziennika()) return;
    std::thread([] {
        Zapisz();
        ZwolnijZapisDziennika();
    }).detach();
}

bool ZapiszDziennikNaKoniec(uint32_t czekajMs) {
    // Only with the flag held: a write still running past the wait (a disk
    // that hangs) owns the file, and a second one beside it would write
    // lines or the run's opening line twice.
    const ULONGLONG koniec = GetTickCount64() + czekajMs;
    while (!ZajmijZapisDziennika()) {
        if (GetTickCount64() >= koniec) return false;
        Sleep(10);
    }
    Zapisz();
    ZwolnijZapisDziennika();
    return true;
}
