// One launcher handing over to another (a newer one): the old one starts the
// new one with MORVANE_PRZEJECIE=<its process id> in its environment and
// keeps its mutex and its window until the new one says that its own window
// stands; the new one takes the mutex's name over (so a launcher started
// meanwhile finds one and goes), starts its check only once the old one has
// ended, and removes what the old one left. Never two launchers acting at
// once, never a moment with neither a launcher's window nor its mutex.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// Old side: starts `program` and waits until it says its window is up, at
// most `ms`. False when it ended first or did not say so in time (it is then
// ended, so that it can't come up later beside this one).
bool PrzekazLauncher(const std::wstring& program, uint32_t ms);

// New side, at start: the process id of the launcher that handed over, or 0.
// The variable is removed, so the game and the scripts don't inherit it.
DWORD PoprzedniLauncher();

// New side, once its window stands: tells the old one.
void ZglosGotowosc(DWORD poprzedni);

// New side: waits (bounded) until the old launcher has ended, then removes
// the copy it renamed aside ("<data>\Morvane.exe.stary").
void PoczekajNaPoprzedni(DWORD poprzedni);

// At start, for a launcher not run from "<data>\Morvane.exe": a newer one
// there takes over (an old download started from the desktop never runs
// instead of it). True when it did; else `powod` may say why it did not.
bool PrzekazNowszemuZDanych(std::string& powod);
