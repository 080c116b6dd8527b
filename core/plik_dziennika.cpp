#include "core/plik_dziennika.h"

#include <algorithm>

NoweLinie LinieDoZapisu(const Dziennik& dziennik, uint64_t wszystkie, uint64_t zapisane) {
    NoweLinie n;
    n.doKtorej = wszystkie;
    const uint64_t najstarsza = wszystkie - std::min<uint64_t>(wszystkie, dziennik.size());
    const uint64_t od = std::max(zapisane, najstarsza);
    n.pominiete = od - zapisane;
    for (uint64_t i = od; i < wszystkie; ++i) n.linie.push_back(dziennik[i - najstarsza]);
    return n;
}

std::string TekstDoPliku(const NoweLinie& n, const std::string& czas, bool poczatekUruchomienia) {
    std::string t;
    if (poczatekUruchomienia)
        t += "===== Launcher Morvane " + std::string(WersjaLaunchera) + ", uruchomiony " + czas + " =====\r\n";
    if (n.pominiete)
        t += czas + "  [pominięto " + std::to_string(n.pominiete) + " linii dziennika: przyszły szybciej, niż dało się je zapisać]\r\n";
    for (const std::string& linia : n.linie) t += czas + "  " + linia + "\r\n";
    return t;
}

std::string TekstDziennika(const Dziennik& dziennik) {
    std::string t;
    for (const std::string& linia : dziennik) t += linia + "\r\n";
    return t;
}
