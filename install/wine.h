// Wine and Proton (Linux, Steam Deck) run the launcher, but their
// powershell.exe is a stub that prints nothing and exits 0: a package's
// scripts would "succeed" without doing anything.
#pragma once

#include <string>

// Whether the launcher runs under Wine or Proton (ntdll's wine_get_version).
bool DzialaPodWine();

// Whether the system's powershell.exe can run the package's scripts. On
// Windows always; under Wine only a PowerShell put into the prefix, not
// Wine's own stub (nor a missing one).
bool JestPrawdziwyPowerShell();
