#include "install/odinstaluj.h"

#include "core/stan.h"

// Removal comes with the process runner; until then only the busy rule.
void Odinstaluj() {
    if (!ZajmijPrace()) return;
    ZwolnijPrace();
}
