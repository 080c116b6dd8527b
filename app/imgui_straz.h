#pragma once

// Set by tests to learn of broken Dear ImGui rules; null in the product,
// where the library then carries on as its release build does.
using ObslugaBleduImGui = void (*)(const char* warunek, const char* plik, int linia);
extern ObslugaBleduImGui ObslugaBleduImGuiTestu;
