#include "core/stan.h"

StanLaunchera& Stan = *new StanLaunchera;

void DopiszLinie(Dziennik& dziennik, std::string linia) {
    dziennik.push_back(std::move(linia));
    if (dziennik.size() > LimitDziennika)
        dziennik.erase(dziennik.begin(), dziennik.begin() + UsuwaneNaRaz);
}

void Loguj(const std::string& linia) {
    std::string kopia = linia;
    std::lock_guard<std::mutex> l(Stan.blokada);
    DopiszLinie(Stan.dziennik, std::move(kopia));
    Stan.linieDziennika.fetch_add(1);
}

void UstawStatus(const std::string& tekst, float postep) {
    {
        std::lock_guard<std::mutex> l(Stan.blokada);
        Stan.status = tekst;
    }
    Stan.postep.exchange(postep);
    Loguj(tekst);
}

void LogujBlad(const std::string& tekst) {
    std::string linia = "BŁĄD: " + tekst;
    std::lock_guard<std::mutex> l(Stan.blokada);
    Stan.blad = tekst;
    // No trimming here: the next Loguj trims.
    Stan.dziennik.push_back(std::move(linia));
    Stan.linieDziennika.fetch_add(1);
}

bool ZajmijPrace(bool zmianaModu) {
    if (Stan.zajety.exchange(true)) return false;
    if (Stan.terminZamkniecia.load() != 0) {
        Stan.zajety.store(false);
        return false;
    }
    Stan.zmianaModu.store(zmianaModu);
    return true;
}

void ZmianaModuZakonczona() { Stan.zmianaModu.store(false); }

void ZwolnijPrace() {
    Stan.zmianaModu.store(false);
    Stan.zajety.store(false);
}
