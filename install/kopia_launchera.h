// The launcher's copy in the data folder ("<data>\Morvane.exe", the path the
// install script gets): the running launcher's, or a newer one that came in
// the verified package, which the running launcher then hands over to.
#pragma once

#include <string>

// The launcher's own program file, or empty.
std::wstring WlasnyProgram();

// The ProductVersion text of a program file's version resource; empty when
// the file has none (or can't be read).
std::string WersjaPliku(const std::wstring& program);

// What the install did to the copy, for undoing it or handing over.
struct KopiaLaunchera {
    bool zPaczki = false;   // the package's newer launcher now stands there
    std::string wersja;     // its version
    bool zDanych = false;   // the running launcher is (was) that very file
};

// Puts the right launcher at "<data>\Morvane.exe" (see install/wybor_launchera.h).
// The one it replaces is kept as "Morvane.exe.stary" until the new one runs.
KopiaLaunchera UmiescLauncher(const std::wstring& dane);

// The install failed after the package's launcher was put there: the
// previous one comes back.
void PrzywrocLauncher(const std::wstring& dane, const KopiaLaunchera& k);

// After a successful install that brought a newer launcher: says so, starts
// it and lets it take over; the window then closes. When it does not come up
// in time, this launcher puts itself back at "<data>\Morvane.exe", stays and
// says so in red.
void PrzekazNowemuLauncherowi(const std::wstring& dane, const KopiaLaunchera& k);
