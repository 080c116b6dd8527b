#pragma once

// Starts the chosen game (Steam copy through Steam, others directly), leaves
// the launch marker and plans the launcher's closing. Interface thread.
void UruchomGre();
