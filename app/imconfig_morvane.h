// Dear ImGui configuration for Morvane: a broken library rule (unbalanced
// push/pop, a bad argument) goes to a handler instead of assert(), so that
// release builds stay quiet and tests can fail on it.
#pragma once

void MorvaneBladImGui(const char* warunek, const char* plik, int linia);
#define IM_ASSERT(_EXPR) \
    do { \
        if (!(_EXPR)) MorvaneBladImGui(#_EXPR, __FILE__, __LINE__); \
    } while (0)
