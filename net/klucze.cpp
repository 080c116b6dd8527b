// The mod team's public keys built into this launcher: a build setting, so
// that a launcher trusts only packages its own team signed.
#include "net/zaufanie.h"

#ifndef MORVANE_KLUCZE_PUBLICZNE
#define MORVANE_KLUCZE_PUBLICZNE ""
#endif

const char* const KluczePubliczneLaunchera = MORVANE_KLUCZE_PUBLICZNE;
