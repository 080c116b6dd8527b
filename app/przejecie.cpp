#include "app/przejecie.h"

#include <vector>

#include "app/wersje.h"
#include "core/linia.h"
#include "core/stan.h"
#include "core/tekst.h"
#include "install/kopia_launchera.h"
#include "net/zaufanie.h"

namespace {

const wchar_t* const ZmiennaPrzejecia = L"MORVANE_PRZEJECIE";

std::wstring NazwaZdarzenia(DWORD poprzedni) { return L"Morvane-launcher-gotowy-" + std::to_wstring(poprzedni); }

// The environment of this process with MORVANE_PRZEJECIE set to its id.
std::vector<wchar_t> SrodowiskoPrzejecia() {
    SetEnvironmentVariableW(ZmiennaPrzejecia, std::to_wstring(GetCurrentProcessId()).c_str());
    std::vector<wchar_t> blok;
    if (wchar_t* s = GetEnvironmentStringsW()) {
        const wchar_t* p = s;
        while (*p) p += wcslen(p) + 1;
        blok.assign((const wchar_t*)s, p + 1);
        FreeEnvironmentStringsW(s);
    }
    SetEnvironmentVariableW(ZmiennaPrzejecia, nullptr);
    return blok;
}

}  // namespace

bool PrzekazLauncher(const std::wstring& program, uint32_t ms) {
    HANDLE gotowy = CreateEventW(nullptr, TRUE, FALSE, NazwaZdarzenia(GetCurrentProcessId()).c_str());
    if (!gotowy) return false;
    std::vector<wchar_t> srodowisko = SrodowiskoPrzejecia();
    std::wstring linia = L"\"" + program + L"\"";
    STARTUPINFOW si = {sizeof si};
    PROCESS_INFORMATION pi = {};
    // Its own folder as its working folder, as a double click would give it.
    const std::wstring folder = program.substr(0, program.find_last_of(L'\\'));
    if (!CreateProcessW(program.c_str(), linia.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                        srodowisko.data(), folder.c_str(), &si, &pi)) {
        CloseHandle(gotowy);
        return false;
    }
    CloseHandle(pi.hThread);
    HANDLE czekaj[2] = {gotowy, pi.hProcess};
    const bool wstal = WaitForMultipleObjects(2, czekaj, FALSE, ms) == WAIT_OBJECT_0;
    if (!wstal) {
        TerminateProcess(pi.hProcess, 1);
        WaitForSingleObject(pi.hProcess, 5000);
    }
    CloseHandle(pi.hProcess);
    CloseHandle(gotowy);
    return wstal;
}

DWORD PoprzedniLauncher() {
    const std::optional<std::wstring> w = ZmiennaSrodowiska(ZmiennaPrzejecia);
    SetEnvironmentVariableW(ZmiennaPrzejecia, nullptr);
    if (!w || w->empty()) return 0;
    return (DWORD)wcstoul(w->c_str(), nullptr, 10);
}

void ZglosGotowosc(DWORD poprzedni) {
    if (HANDLE e = OpenEventW(EVENT_MODIFY_STATE, FALSE, NazwaZdarzenia(poprzedni).c_str())) {
        SetEvent(e);
        CloseHandle(e);
    }
}

void PoczekajNaPoprzedni(DWORD poprzedni) {
    if (HANDLE p = OpenProcess(SYNCHRONIZE, FALSE, poprzedni)) {
        WaitForSingleObject(p, 15000);
        CloseHandle(p);
    }
    const std::wstring dane = FolderDanych();
    if (!JestFolderDanych(dane)) return;
    // A running program's file can't be removed: the old one may need a
    // moment after its process handle signals.
    const std::wstring stary = dane + L"\\Morvane.exe.stary";
    for (int i = 0; i < 50 && PlikIstnieje(stary) && !DeleteFileW(stary.c_str()); ++i) Sleep(100);
}

bool PrzekazNowszemuZDanych(std::string& powod) {
    const std::wstring dane = FolderDanych();
    if (!JestFolderDanych(dane)) return false;
    const std::wstring kopia = dane + L"\\Morvane.exe";
    if (RowneBezWielkosciAZ(WlasnyProgram(), kopia) || !PlikIstnieje(kopia)) return false;
    const std::string w = WersjaPliku(kopia);
    if (w.empty() || PorownajWersje(w, WersjaLaunchera) <= 0) return false;
    // A launcher built with keys runs no launcher but the one its verified
    // package brought: the copy must be that package's, byte for byte.
    if (WymagaPodpisu()) {
        std::string a, b;
        if (!CzytajCalyPlik(kopia, a) || !CzytajCalyPlik(dane + L"\\paczka\\Morvane.exe", b) || a != b) return false;
    }
    if (PrzekazLauncher(kopia, 20000)) return true;
    powod = "Nowszy launcher z folderu danych (" + w + ") nie uruchomił się - działa ten.";
    return false;
}
