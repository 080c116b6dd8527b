#include "app/zasady.h"

#include "core/wersje.h"

StanPrzycisku GlownyPrzycisk(const Migawka& m) {
    StanPrzycisku p;
    if (m.wybranaGra < 0) {
        p = {"WSKAŻ FOLDER GRY", !m.zajety, Akcja::WskazFolder};
    } else if (m.graDziala) {
        p = {"GRA DZIAŁA", false, Akcja::Brak};
    } else if (m.wersjaZainstalowana.empty()) {
        p = {"ZAINSTALUJ", !m.zajety && !m.wersjaNaSerwerze.empty(), Akcja::Instaluj};
    } else if (PorownajWersje(m.wersjaNaSerwerze, m.wersjaZainstalowana) > 0) {
        p = {"AKTUALIZUJ", !m.zajety, Akcja::Instaluj};
    } else {
        p = {"GRAJ", !m.zajety, Akcja::UruchomGre};
    }
    if (m.zajety) {
        p.etykieta = "CZEKAJ...";
        p.aktywny = false;
    }
    return p;
}

bool PokazOdinstaluj(const Migawka& m) { return !m.wersjaZainstalowana.empty() || m.skryptUsuwania; }

bool RysowacKlatke(bool zdarzenie, const Migawka& teraz, const Migawka* narysowana, int& zapas) {
    if (zdarzenie || !narysowana || !(teraz == *narysowana)) zapas = KlatkiPoZdarzeniu;
    if (zapas > 0) {
        --zapas;
        return true;
    }
    return teraz.zajety;
}

std::string TekstModu(const std::string& zainstalowana) {
    return zainstalowana.empty() ? "nie zainstalowany" : "wersja " + zainstalowana;
}

Napis NotkaModu(const std::string& serwer, const std::string& zainstalowana) {
    if (serwer.empty()) return {};
    if (NowszaWersja(serwer, zainstalowana)) return {"  (na serwerze nowsza: " + serwer + ")", Barwa::Zlota};
    return {"  (najnowsza)", Barwa::Przygaszona};
}

Napis TekstSerweraSwiata(int serwerSwiata) {
    if (serwerSwiata < 0) return {"sprawdzam...", Barwa::Przygaszona};
    if (serwerSwiata == 1) return {"włączony", Barwa::Zielona};
    return {"nie odpowiada - grać się da, ale bez innych graczy", Barwa::Bledu};
}

Napis LiniaKomunikatu(const Migawka& m, Akcja akcja) {
    if (!m.blad.empty()) return {m.blad, Barwa::Bledu};
    if (!m.status.empty()) return {m.status, Barwa::Zlota};
    if (akcja == Akcja::UruchomGre)
        return {"Brama Morvane otworzy się w grze sama: konto, postać, wejście do świata.", Barwa::Przygaszona};
    if (akcja == Akcja::Instaluj)
        return {"Pobranie ok. 175 MB, potem kopiowanie do folderu gry.", Barwa::Przygaszona};
    return {};
}

Barwa BarwaLiniiDziennika(const std::string& linia) {
    // "BŁĄD" is 6 bytes in UTF-8; a shorter line can't start with it.
    return linia.rfind("BŁĄD", 0) == 0 ? Barwa::Bledu : Barwa::Przygaszona;
}
