// The check as the launcher starts it: the data folder is put in order first,
// under the check's own busy claim, so that nothing else acts on it meanwhile.
#pragma once

#include <windows.h>

// What an interrupted update left in the package folder is put back, then
// the check runs (the start's and "Sprawdź ponownie"'s worker).
void SprawdzPoNaprawie();

// A new launcher's first check: it waits, under the claim and saying so,
// until the launcher that handed over to it has ended.
void SprawdzPoPrzejeciu(DWORD poprzedni);
