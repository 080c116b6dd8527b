#include "net/sprawdz.h"

#include "core/stan.h"

void Sprawdz() {
    if (!ZajmijPrace()) return;
    ZwolnijPrace();
}
