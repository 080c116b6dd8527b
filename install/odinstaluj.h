#pragma once

// Uninstall worker (body of a detached thread).
void Odinstaluj();
