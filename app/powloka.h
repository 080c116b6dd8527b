// The program's entry, its window and graphics, and the frame loop.
#pragma once

#include <windows.h>

#include <cstdint>

struct ID3D11Device;
struct ImFont;

// Owned by the interface thread.
extern HWND OknoGlowne;
extern ImFont* CzcionkaTekstu;   // body font
extern ImFont* CzcionkaOzdobna;  // display font

// Everything wWinMain does; returns the process exit code.
int UruchomLauncher(HINSTANCE instancja);

// Whether a process named witcher3.exe (any letter case) runs now.
bool SprawdzCzyGraDziala();

// Starts a worker body on a new thread and lets it go.
void UruchomWatek(void (*cialo)());

// Frames drawn and presented since the process started.
uint64_t NarysowaneKlatki();
