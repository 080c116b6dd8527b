#pragma once

#include <string>
#include <vector>

#include "core/stan.h"

// The one way into a found-games list: normalises the candidate, accepts it
// only when bin\x64_dx12\witcher3.exe is there, drops duplicates (A-Z case
// ignored) and gives it its store kind.
void SprawdzFolderGry(std::vector<ZnalezionaGra>& lista, std::wstring kandydat);
