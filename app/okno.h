#pragma once

// Draws the launcher's one screen from a snapshot of Stan; once per frame.
void RysujOkno();

struct ImVec2;
// The main button's widget: dark red, display font, disabled when asked.
bool DuzyPrzycisk(const char* etykieta, bool aktywny, ImVec2 rozmiar);
