// Which launcher the install leaves at "<data>\Morvane.exe". Pure: no
// Windows headers, so this also builds natively for fuzzing and sanitizers.
#pragma once

#include <string>

enum class WyborLaunchera {
    Wlasny,   // a copy of the running launcher (as every install did)
    ZPaczki,  // the newer one the verified package carries
    Zostaw,   // what is there: the running launcher itself, or a newer one
};

// `wlasna`: the running launcher's version; `wPaczce`: that of the package's
// Morvane.exe ("" when it has none, or none that can be read); `wDanych`:
// that of the file already at "<data>\Morvane.exe" ("" when there is none,
// or it can't be read); `zDanych`: the running launcher is that file. A
// launcher there is never replaced by an older one.
WyborLaunchera WybierzLauncher(const std::string& wlasna, const std::string& wPaczce, const std::string& wDanych,
                               bool zDanych);
