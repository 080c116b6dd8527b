// Version order: lists of integers split at dots. Pure.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

std::vector<int32_t> RozbierzWersje(const std::string& wersja);
int PorownajWersje(const std::string& a, const std::string& b);
bool NowszaWersja(const std::string& serwer, const std::string& zainstalowana);
