#pragma once

#include "app/zasady.h"

// The copy of Stan that a frame draws from, taken under the lock.
Migawka ZrobMigawke();

// Draws the launcher's one screen from that snapshot.
void RysujOkno(const Migawka& m);

struct ImVec2;
// The main button's widget: dark red, display font, disabled when asked.
bool DuzyPrzycisk(const char* etykieta, bool aktywny, ImVec2 rozmiar);
