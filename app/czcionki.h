#pragma once

struct ImFont;

// Loads the body and display fonts into the current ImGui atlas. Both are
// always set; neither leaves Polish letters unreadable when any suitable font
// is on the machine.
void ZaladujCzcionki(ImFont** tekst, ImFont** ozdobna);
