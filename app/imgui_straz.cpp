#include "app/imgui_straz.h"

ObslugaBleduImGui ObslugaBleduImGuiTestu = nullptr;

void MorvaneBladImGui(const char* warunek, const char* plik, int linia) {
    if (ObslugaBleduImGuiTestu) ObslugaBleduImGuiTestu(warunek, plik, linia);
}
