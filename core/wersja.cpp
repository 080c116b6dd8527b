// The launcher's version text, from the build (MORVANE_WERSJA): one copy per
// program, so that a test can build a launcher of another version.
#include "core/stan.h"

const char* const WersjaLaunchera = MORVANE_WERSJA;
