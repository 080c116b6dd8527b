#pragma once

// Check worker: finds the game, reads both versions, probes the world server.
void Sprawdz();
