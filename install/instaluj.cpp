#include "install/instaluj.h"

#include "core/stan.h"

// The installation itself comes with the process runner; until then the
// worker only keeps the busy rule.
void Instaluj() {
    if (!ZajmijPrace()) return;
    ZwolnijPrace();
}
