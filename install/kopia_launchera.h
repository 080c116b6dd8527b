// The launcher's copy in the data folder ("<data>\Morvane.exe", the path the
// install script gets): the running launcher's, or a newer one that came in
// the verified package, which the running launcher then hands over to.
//
//   Morvane.exe        the copy
//   Morvane.exe.stary  the copy it replaced, kept until the new one has
//                      ended one run normally; put back when it did not
//   Morvane.exe.nowy   a copy being written; renamed to its place only
//                      once whole and flushed
//   Morvane.exe.zly*   a new launcher taken back; removed when it can be
//   Morvane.exe.proby  the failed starts of a new launcher, for the starts
//                      that try it again
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// A file as the disk knows it (the volume's serial number and the file's
// index), whatever its path's spelling: 8.3 names, links, subst drives and
// case beyond A-Z all name one file so.
struct Tozsamosc {
    uint32_t wolumin = 0;
    uint64_t indeks = 0;
    bool operator==(const Tozsamosc&) const = default;
};
std::optional<Tozsamosc> TozsamoscPliku(const std::wstring& sciezka);

// A program file and who it was when it was named.
struct Program {
    std::wstring sciezka;
    std::optional<Tozsamosc> tozsamosc;
};
Program OpiszProgram(const std::wstring& sciezka);

// The running launcher as it was at its start: renaming its file later (as
// the handover does) changes neither what the system still names as its
// path nor which file it is.
const Program& WlasnyProgram();

// Whether `p` is (still) the file at `sciezka`.
bool ToTenPlik(const Program& p, const std::wstring& sciezka);

// "<data>\Morvane.exe".
std::wstring SciezkaKopii(const std::wstring& dane);

// The ProductVersion text of a program file's version resource; empty when
// the file has none (or can't be read).
std::string WersjaPliku(const std::wstring& program);

// The starts of a new launcher that failed to come up ("Morvane.exe.proby":
// one version and its count); 0 for any other version.
int NieudaneStarty(const std::wstring& dane, const std::string& wersja);
// The version the record names (empty without one).
std::string WersjaNieudanych(const std::wstring& dane);
void ZapiszNieudanyStart(const std::wstring& dane, const std::string& wersja);

// What the install did to the copy, for undoing it or handing over.
struct KopiaLaunchera {
    bool zPaczki = false;  // the package's newer launcher now stands there
    std::string wersja;    // its version
    Program wlasny;        // the running launcher
};

// Puts the right launcher at "<data>\Morvane.exe" (see install/wybor_launchera.h).
// The one it replaces is kept as "Morvane.exe.stary".
KopiaLaunchera UmiescLauncher(const std::wstring& dane, const Program& wlasny);

// Takes the package's launcher back: it goes aside by rename (which works
// on a file still open), and what stood before comes back, or the running
// launcher when nothing stood. The version that stands now when it reads
// back as expected; else nothing, with what stands said in red.
std::optional<std::string> CofnijLauncher(const std::wstring& dane, const KopiaLaunchera& k);

// The install failed after the package's launcher was put there.
void PrzywrocLauncher(const std::wstring& dane, const KopiaLaunchera& k);

// At start, with no handover under way: a kept "Morvane.exe.stary" beside a
// copy that is missing, has no version, or never ended a run normally (the
// running launcher is not that copy) is put back. Leftovers of taken-back
// launchers go.
void NaprawKopieLaunchera(const std::wstring& dane, const Program& wlasny);

// At the end of a normal run: when the running launcher is the data
// folder's copy, it has ended a run, and the copy it replaced can go.
void ZakonczonyPrzebieg(const std::wstring& dane, const Program& wlasny);
