// One launcher handing over to another (a newer one): the old one starts the
// new one with MORVANE_PRZEJECIE=<its process id> in its environment and
// keeps its mutex and its window until the new one says that its first
// frame is on the screen; the new one takes the mutex's name over (so a
// launcher started meanwhile finds one and goes) and starts its check only
// once the old one has ended. Never two launchers acting at once, never a
// moment with neither a launcher's window nor its mutex. The copy the new
// one replaced stays as "Morvane.exe.stary" until the new one has ended a
// run normally (install/kopia_launchera.h).
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "install/kopia_launchera.h"

// Old side: starts `program` and waits, as long as it lives, until it says
// its window is up; `dlugo` is called once when that takes longer than a
// cold start on a busy machine should. False when it ended first, or could
// not be started.
bool PrzekazLauncher(const std::wstring& program, const std::function<void()>& dlugo);

// After a successful install that brought a newer launcher: says so, starts
// it and lets it take over; the window then closes. When it does not come
// up, the previous launcher is put back (checked, and said only when it
// stands) and a later start tries the new one again, a few times at most.
void PrzekazNowemuLauncherowi(const std::wstring& dane, const KopiaLaunchera& k);

// New side, at start: the process id of the launcher that handed over, or 0.
// The variable is removed, so the game and the scripts don't inherit it.
DWORD PoprzedniLauncher();

// New side, once its first frame is on the screen: tells the old one.
void ZglosGotowosc(DWORD poprzedni);

// New side: waits (bounded) until the old launcher has ended.
void PoczekajNaPoprzedni(DWORD poprzedni);

// At start, for a launcher with no handover under way: first puts back what
// an unfinished handover left (install/kopia_launchera.h); then a newer
// launcher takes over: the data folder's copy when this one runs from
// elsewhere (an old download started from the desktop never runs instead
// of it), or the installed package's own when an earlier handover to it
// failed. True when one did; else `powod` may say why none did.
bool PrzekazNaStarcie(const std::wstring& dane, const Program& wlasny, std::string& powod);
