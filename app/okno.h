#pragma once

// Draws the launcher's one screen from a snapshot of Stan; once per frame.
void RysujOkno();
