// Every state of the window renders as whole Dear ImGui frames without a
// back end, and no library rule is broken (balanced push/pop and the rest).
#include <gtest/gtest.h>

#include "app/czcionki.h"
#include "app/imgui_straz.h"
#include "app/okno.h"
#include "app/powloka.h"
#include "imgui.h"
#include "imgui_internal.h"
#include "wspolne.h"

namespace {

std::vector<std::string> BledyImGui;

struct Kontekst {
    explicit Kontekst(float s) {
        ObslugaBleduImGuiTestu = [](const char* w, const char* plik, int linia) {
            BledyImGui.push_back(std::string(w) + " @ " + plik + ":" + std::to_string(linia));
        };
        ImGui::CreateContext();
        ImGuiIO& io = ImGui::GetIO();
        io.IniFilename = nullptr;
        io.BackendFlags |= ImGuiBackendFlags_RendererHasTextures;
        io.DisplaySize = ImVec2(940 * s, 620 * s);
        ImGui::GetStyle().ScaleAllSizes(s);
        ImGui::GetStyle().FontScaleDpi = s;
        ZaladujCzcionki(&CzcionkaTekstu, &CzcionkaOzdobna);
    }
    ~Kontekst() {
        ImGui::DestroyContext();
        ObslugaBleduImGuiTestu = nullptr;
    }
    void Klatki(int ile) {
        for (int i = 0; i < ile; ++i) {
            ImGui::GetIO().DeltaTime = 1.0f / 60;
            ImGui::NewFrame();
            RysujOkno(ZrobMigawke());
            ImGui::Render();
        }
    }
};

struct PrzypadekOkna {
    const char* nazwa;
    int gry, wybrana;
    std::string zainst, serwer, status, blad;
    bool zajety, dziala;
    float postep;
    int linie;
    int swiat;
};

// The shared state as one case describes it.
void UstawStan(const PrzypadekOkna& p) {
    WyczyscStan();
    {
        std::lock_guard<std::mutex> l(Stan.blokada);
        for (int i = 0; i < p.gry; ++i)
            Stan.gry.push_back({L"D:\\Gry\\Wiedźmin %s " + std::to_wstring(i), i ? "GOG" : "Steam"});
        Stan.wybranaGra = p.wybrana;
        Stan.wersjaZainstalowana = p.zainst;
        Stan.wersjaNaSerwerze = p.serwer;
        Stan.status = p.status;
        Stan.blad = p.blad;
        Stan.serwerSwiata = p.swiat;
        for (int i = 0; i < p.linie; ++i)
            Stan.dziennik.push_back(i % 7 == 0 ? "BŁĄD: linia %s " + std::to_string(i)
                                               : "  wyjście skryptu " + std::to_string(i));
    }
    Stan.zajety = p.zajety;
    Stan.graDziala = p.dziala;
    Stan.postep = p.postep;
}

TEST(OknoBezEkranu, KazdyStanRysujeSieBezNaruszeniaRegulBiblioteki) {
    const PrzypadekOkna przypadki[] = {
        {"brak gry", 0, -1, "", "1.0", "", "", false, false, -1, 3, -1},
        {"instalacja", 1, 0, "", "1.0", "", "", false, false, -1, 3, 1},
        {"instalacja bez serwera", 1, 0, "", "", "", "Serwer aktualizacji nie odpowiada: x", false, false, -1, 3, 0},
        {"aktualizacja", 2, 1, "1.2", "1.10", "", "", false, false, -1, 3, 1},
        {"graj", 2, 0, "1.3", "1.2", "", "", false, false, -1, 3, 1},
        {"zajety 0.5", 1, 0, "", "1.0", "Pobieram paczkę moda... 87 z 175 MB", "", true, false, 0.5f, 3, 1},
        {"zajety bez ulamka", 1, 0, "", "1.0", "Szukam gry i sprawdzam wersję...", "", true, false, -1, 3, -1},
        {"pelny dziennik z bledami", 1, 0, "1.0", "1.0", "", "", false, false, -1, 300, 1},
        {"gra dziala", 1, 0, "1.0", "1.0", "", "", false, true, -1, 3, 1},
        {"blad i status", 1, 0, "1.0", "1.0", "status", "%s%s%n blad", false, false, -1, 3, 0},
    };
    for (float s : {1.0f, 1.5f}) {
        for (const auto& p : przypadki) {
            SCOPED_TRACE(std::string(p.nazwa) + " s=" + std::to_string(s));
            UstawStan(p);
            BledyImGui.clear();
            {
                Kontekst k(s);
                k.Klatki(3);
            }
            EXPECT_EQ(BledyImGui, std::vector<std::string>{});
        }
    }
    WyczyscStan();
}

// What a frame of the real window draws, as text: Dear ImGui's own log of
// every rendered text and label.
std::string TekstOkna(Kontekst& k) {
    k.Klatki(2);
    ImGui::GetIO().DeltaTime = 1.0f / 60;
    ImGui::NewFrame();
    ImGui::LogToBuffer();
    RysujOkno(ZrobMigawke());
    std::string tekst = GImGui->LogBuffer.c_str();
    ImGui::LogFinish();
    ImGui::Render();
    return tekst;
}

TEST(OknoBezEkranu, KazdyStanPokazujeSwojPrzyciskWskazowkeIWiersze) {
    struct P {
        PrzypadekOkna stan;
        std::vector<std::string> sa, niema;
    };
    const std::string grajHint = "Brama Morvane otworzy się w grze sama: konto, postać, wejście do świata.";
    const std::string instHint = "Pobranie ok. 175 MB, potem kopiowanie do folderu gry.";
    const P przypadki[] = {
        {{"brak gry", 0, -1, "", "1.0", "", "", false, false, -1, 0, -1},
         {"WSKAŻ FOLDER GRY", "nie znaleziono", "sprawdzam..."}, {"Odinstaluj", instHint}},
        {{"instalacja", 1, 0, "", "1.0", "", "", false, false, -1, 0, 1},
         {"ZAINSTALUJ", "nie zainstalowany", "(na serwerze nowsza: 1.0)", "włączony", instHint},
         {"Odinstaluj", "GRAJ"}},
        {{"aktualizacja", 1, 0, "1.2", "1.10", "", "", false, false, -1, 0, 1},
         {"AKTUALIZUJ", "wersja 1.2", "(na serwerze nowsza: 1.10)", "Odinstaluj", instHint}, {"GRAJ"}},
        {{"graj", 1, 0, "1.3", "1.2", "", "", false, false, -1, 0, 0},
         {"GRAJ", "wersja 1.3", "(najnowsza)", "nie odpowiada - grać się da, ale bez innych graczy", grajHint,
          "Odinstaluj"},
         {"ZAINSTALUJ", "AKTUALIZUJ"}},
        {{"zajety", 1, 0, "", "1.0", "Pobieram paczkę moda... 87 z 175 MB", "", true, false, 0.5f, 0, 1},
         {"CZEKAJ...", "Pobieram paczkę moda... 87 z 175 MB"}, {"ZAINSTALUJ", instHint}},
        {{"gra dziala", 1, 0, "1.0", "1.0", "", "", false, true, -1, 0, 1}, {"GRA DZIAŁA"}, {"GRAJ"}},
        {{"blad", 1, 0, "1.0", "1.0", "status", "Serwer aktualizacji nie odpowiada: x", false, false, -1, 0, 0},
         {"GRAJ", "Serwer aktualizacji nie odpowiada: x"}, {"status"}},
    };
    for (const auto& p : przypadki) {
        SCOPED_TRACE(p.stan.nazwa);
        UstawStan(p.stan);
        Kontekst k(1.0f);
        const std::string tekst = TekstOkna(k);
        for (const std::string& t : p.sa) EXPECT_NE(tekst.find(t), std::string::npos) << t << "\n" << tekst;
        for (const std::string& t : p.niema) EXPECT_EQ(tekst.find(t), std::string::npos) << t << "\n" << tekst;
    }
    WyczyscStan();
}

// Clicks go through Dear ImGui's own input queue, as the Win32 back end
// feeds it: open the game list, pick the second entry.
TEST(OknoBezEkranu, WyborZListyGierZmieniaWybranaGre) {
    WyczyscStan();
    {
        std::lock_guard<std::mutex> l(Stan.blokada);
        for (int i = 0; i < 3; ++i) Stan.gry.push_back({L"D:\\Gra" + std::to_wstring(i), "inna"});
        Stan.wybranaGra = 0;
        Stan.wersjaZainstalowana = "1.0";
    }
    BledyImGui.clear();
    Kontekst k(1.0f);
    ImGuiIO& io = ImGui::GetIO();
    auto klik = [&](float x, float y) {
        io.AddMousePosEvent(x, y);
        k.Klatki(2);
        io.AddMouseButtonEvent(0, true);
        k.Klatki(2);
        io.AddMouseButtonEvent(0, false);
        k.Klatki(2);
    };
    klik(300, 166);  // the combo box: 194..726 x 150..182
    klik(300, 218);  // second row of its list: rows of 18 px, 9 px apart, from y 182
    std::lock_guard<std::mutex> l(Stan.blokada);
    EXPECT_EQ(Stan.wybranaGra, 1);
    EXPECT_EQ(BledyImGui, std::vector<std::string>{});
}

TEST(OknoBezEkranu, StrazZglaszaNiezrownowazonyPush) {
    // The guard itself works: an unbalanced push is reported.
    BledyImGui.clear();
    {
        Kontekst k(1.0f);
        ImGui::NewFrame();
        ImGui::Begin("x");
        ImGui::PushStyleColor(ImGuiCol_Text, ImVec4(1, 1, 1, 1));
        ImGui::End();
        ImGui::Render();
    }
    EXPECT_FALSE(BledyImGui.empty());
}

}  // namespace
