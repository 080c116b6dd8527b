// The launcher's one shared state record and the three ways of reporting
// into it. The interface thread and at most one worker share it.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

// One found installation of the game.
struct ZnalezionaGra {
    std::wstring folder;  // canonical: no trailing separator, backslashes only
    std::string rodzaj;   // "Steam", "GOG" or "inna"
    bool operator==(const ZnalezionaGra&) const = default;
};

// The update server's address, split.
struct Serwer {
    bool bezpieczny = false;
    std::wstring host;
    std::wstring sciezka;
    uint16_t port = 80;
};

using Dziennik = std::vector<std::string>;

struct StanLaunchera {
    std::atomic<float> postep{-1.0f};
    int wybranaGra = -1;      // -1 or a valid index of gry
    int serwerSwiata = -1;    // -1 unknown/probing, 0 down, 1 on
    std::mutex blokada;       // guards every non-atomic field
    Serwer serwer;
    std::string wersjaZainstalowana;
    bool skryptUsuwania = false;  // the installed package's uninstall script is there
    std::string status;
    std::string wersjaNaSerwerze;
    std::string blad;
    std::vector<ZnalezionaGra> gry;
    Dziennik dziennik;
    // Lines ever written to the journal (it keeps only the last of them);
    // raised under the lock with each line, read without it to see news.
    std::atomic<uint64_t> linieDziennika{0};
    std::atomic<bool> zajety{false};
    std::atomic<bool> graDziala{false};
    std::atomic<uint64_t> terminZamkniecia{0};
    // An install or uninstall runs: closing the window now would leave its
    // child writing into a closed pipe, half-way through the game folder.
    std::atomic<bool> zmianaModu{false};
    // The window has closed and the process is about to end: a worker
    // starts nothing new (a download's next try) that would be cut off.
    std::atomic<bool> zamykanie{false};
};

// Lives for the whole process: detached workers may still touch it while the
// process ends, so it is never destroyed.
extern StanLaunchera& Stan;

// From the build's MORVANE_WERSJA (core/wersja.cpp).
extern const char* const WersjaLaunchera;
inline constexpr size_t LimitDziennika = 300;
inline constexpr size_t UsuwaneNaRaz = 100;

// Appends a line and drops the oldest 100 once the journal passes 300 lines.
void DopiszLinie(Dziennik& dziennik, std::string linia);

void Loguj(const std::string& linia);
void UstawStatus(const std::string& tekst, float postep);
void LogujBlad(const std::string& tekst);

// Busy claim of a worker: true when this caller got the flag. Once a closing
// is planned no worker starts: it would be cut off by the closing. An install
// or uninstall claims with zmianaModu, which the release clears again.
bool ZajmijPrace(bool zmianaModu = false);
void ZwolnijPrace();
// The install's changes to the game are over while its claim still runs
// (the handover to a new launcher): closing the window cuts nothing now.
void ZmianaModuZakonczona();
