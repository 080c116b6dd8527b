#include "install/wybor_launchera.h"

#include "core/wersje.h"

WyborLaunchera WybierzLauncher(const std::string& wlasna, const std::string& wPaczce, const std::string& wDanych,
                               bool zDanych) {
    if (!wPaczce.empty() && PorownajWersje(wPaczce, wlasna) > 0 &&
        (zDanych || wDanych.empty() || PorownajWersje(wPaczce, wDanych) >= 0))
        return WyborLaunchera::ZPaczki;
    if (zDanych) return WyborLaunchera::Zostaw;
    if (!wDanych.empty() && PorownajWersje(wDanych, wlasna) > 0) return WyborLaunchera::Zostaw;
    return WyborLaunchera::Wlasny;
}
