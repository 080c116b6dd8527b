#include "install/przejecie.h"

#include <vector>

#include "core/linia.h"
#include "core/stan.h"
#include "core/tekst.h"
#include "core/wersje.h"
#include "install/wybor_launchera.h"
#include "net/zaufanie.h"

namespace {

const wchar_t* const ZmiennaPrzejecia = L"MORVANE_PRZEJECIE";

// How many starts may try a new launcher that failed to come up: a slow
// disk or a scanner deserves another chance, a broken build does not
// deserve a failed start every time.
constexpr int LimitProb = 3;

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

// The launcher that was put back after `nowa` failed, in the words the
// player reads.
std::string Przywrocony(const std::string& w) { return (w == WersjaLaunchera ? "ten (" : "poprzedni (") + w + ")"; }

// The new launcher did not come up: the previous one comes back, and the
// failure is counted for the starts that try it again.
void PoNieudanym(const std::wstring& dane, const KopiaLaunchera& k, const std::string& gdzie) {
    ZapiszNieudanyStart(dane, k.wersja);
    if (const auto w = CofnijLauncher(dane, k))
        LogujBlad("Nowy launcher " + k.wersja + " nie uruchomił się - przywróciłem " + Przywrocony(*w) + "." + gdzie);
    else
        LogujBlad("Nowy launcher " + k.wersja + " nie uruchomił się, a poprzedniego nie udało się przywrócić "
                  "(szczegóły wyżej)." + gdzie);
}

// The installed package's launcher, when an earlier handover to it failed
// and it may be tried once more: placed and handed over to.
bool PonowZPaczki(const std::wstring& dane, const Program& wlasny, std::string& powod) {
    // Nothing failed (the usual start): no program file is read.
    const std::string w = WersjaNieudanych(dane);
    if (w.empty()) return false;
    const std::wstring wPaczce = dane + L"\\paczka\\Morvane.exe", kopia = SciezkaKopii(dane);
    if (!PlikIstnieje(wPaczce) || WersjaPliku(wPaczce) != w) return false;
    // Only when the install itself would put it there (see install/wybor_launchera.h).
    const bool zDanych = ToTenPlik(wlasny, kopia);
    const std::string wKopii = !zDanych && PlikIstnieje(kopia) ? WersjaPliku(kopia) : "";
    if (WybierzLauncher(WersjaLaunchera, w, wKopii, zDanych) != WyborLaunchera::ZPaczki) return false;
    const int proby = NieudaneStarty(dane, w);
    if (proby >= LimitProb) {
        powod = "Nowy launcher " + w + " z paczki nie uruchomił się " + std::to_string(proby) + " razy - działa ten.";
        return false;
    }
    Loguj("Ponawiam przejście na nowy launcher " + w + " z zainstalowanej paczki (próba " + std::to_string(proby + 1) +
          " z " + std::to_string(LimitProb) + ").");
    const KopiaLaunchera k = UmiescLauncher(dane, wlasny);
    if (!k.zPaczki) return false;
    if (PrzekazLauncher(kopia, nullptr)) return true;
    PoNieudanym(dane, k, "");
    return false;
}

}  // namespace

bool PrzekazLauncher(const std::wstring& program, const std::function<void()>& dlugo) {
    // A name someone else made first is not this launcher's to wait on: a
    // program that set it would pass for the new launcher being up.
    HANDLE gotowy = CreateEventW(nullptr, TRUE, FALSE, NazwaZdarzenia(GetCurrentProcessId()).c_str());
    if (!gotowy) return false;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(gotowy);
        return false;
    }
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
    // Its window comes to the front, as this one's would.
    AllowSetForegroundWindow(pi.dwProcessId);
    HANDLE czekaj[2] = {gotowy, pi.hProcess};
    // An antivirus scanning a new program can hold its start for long: a
    // slow start is waited out, never cut off (a launcher killed half-way
    // through its start would be taken for a broken one).
    DWORD wynik = WaitForMultipleObjects(2, czekaj, FALSE, 15000);
    if (wynik == WAIT_TIMEOUT) {
        if (dlugo) dlugo();
        wynik = WaitForMultipleObjects(2, czekaj, FALSE, INFINITE);
    }
    CloseHandle(pi.hProcess);
    CloseHandle(gotowy);
    return wynik == WAIT_OBJECT_0;
}

void PrzekazNowemuLauncherowi(const std::wstring& dane, const KopiaLaunchera& k) {
    if (!k.zPaczki) return;
    UstawStatus("Nowy launcher " + k.wersja + " - uruchamiam go ponownie.", -1.0f);
    // The mod is installed: closing this window now cuts nothing half-way.
    ZmianaModuZakonczona();
    const bool wstal = PrzekazLauncher(SciezkaKopii(dane), [&] {
        UstawStatus("Nowy launcher " + k.wersja + " jeszcze się uruchamia - czekam na jego okno...", -1.0f);
    });
    if (wstal) {
        Stan.terminZamkniecia.store(GetTickCount64());
        return;
    }
    PoNieudanym(dane, k, " Mod jest zainstalowany; zgłoś to zespołowi moda.");
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
}

bool PrzekazNaStarcie(const std::wstring& dane, const Program& wlasny, std::string& powod) {
    if (!JestFolderDanych(dane)) return false;
    NaprawKopieLaunchera(dane, wlasny);
    const std::wstring kopia = SciezkaKopii(dane);
    if (PlikIstnieje(kopia) && !ToTenPlik(wlasny, kopia)) {
        const std::string w = WersjaPliku(kopia);
        // A launcher built with keys runs no launcher but the one its
        // verified package brought: the copy must be that package's, byte
        // for byte.
        std::string a, b;
        const bool zaufany = !WymagaPodpisu() || (CzytajCalyPlik(kopia, a) &&
                                                  CzytajCalyPlik(dane + L"\\paczka\\Morvane.exe", b) && a == b);
        if (!w.empty() && PorownajWersje(w, WersjaLaunchera) > 0 && zaufany) {
            if (PrzekazLauncher(kopia, nullptr)) return true;
            powod = "Nowszy launcher z folderu danych (" + w + ") nie uruchomił się - działa ten.";
            return false;
        }
    }
    return PonowZPaczki(dane, wlasny, powod);
}
