#include "app/okno.h"

#include "app/powloka.h"
#include "app/wskaz.h"
#include "app/zasady.h"
#include "core/plik_dziennika.h"
#include "core/stan.h"
#include "core/tekst.h"
#include "game/uruchom.h"
#include "imgui.h"
#include "install/instaluj.h"
#include "install/odinstaluj.h"
#include "install/sprawdzenie.h"

namespace {

const ImVec4 Zloty(0.902f, 0.784f, 0.525f, 1.0f);
const ImVec4 Przygaszony(0.66f, 0.61f, 0.51f, 1.0f);
const ImVec4 Czerwony(0.88f, 0.50f, 0.43f, 1.0f);
const ImVec4 Zielony(0.55f, 0.78f, 0.45f, 1.0f);
const ImVec4 Stopka(0.91f, 0.87f, 0.78f, 0.45f);

ImVec4 Kolor(Barwa b) {
    switch (b) {
    case Barwa::Zlota: return Zloty;
    case Barwa::Przygaszona: return Przygaszony;
    case Barwa::Bledu: return Czerwony;
    case Barwa::Zielona: return Zielony;
    case Barwa::Domyslna: break;
    }
    return ImGui::GetStyle().Colors[ImGuiCol_Text];
}

}  // namespace

Migawka ZrobMigawke() {
    Migawka m;
    {
        std::lock_guard<std::mutex> l(Stan.blokada);
        m.gry = Stan.gry;
        m.wybranaGra = Stan.wybranaGra;
        m.wersjaZainstalowana = Stan.wersjaZainstalowana;
        m.skryptUsuwania = Stan.skryptUsuwania;
        m.wersjaNaSerwerze = Stan.wersjaNaSerwerze;
        m.status = Stan.status;
        m.blad = Stan.blad;
        m.dziennik = Stan.dziennik;
        m.serwerSwiata = Stan.serwerSwiata;
    }
    m.zajety = Stan.zajety.load();
    m.graDziala = Stan.graDziala.load();
    m.postep = Stan.postep.load();
    return m;
}

namespace {

std::string EtykietaGry(const ZnalezionaGra& g) { return g.rodzaj + "  -  " + NaUtf8(g.folder); }

void Tlo(float X0, float Y0, float W, float H) {
    ImDrawList* dl = ImGui::GetWindowDrawList();
    dl->AddRectFilledMultiColor(ImVec2(X0, Y0), ImVec2(X0 + W, Y0 + H), IM_COL32(26, 20, 16, 255),
                                IM_COL32(14, 11, 9, 255), IM_COL32(8, 6, 5, 255), IM_COL32(18, 13, 10, 255));
    const float Y = Y0 + 0.205f * H;
    const ImU32 przezroczysty = IM_COL32(201, 164, 92, 0), pelny = IM_COL32(201, 164, 92, 140);
    dl->AddRectFilledMultiColor(ImVec2(X0 + 40, Y), ImVec2(X0 + W - 40, Y + 1), przezroczysty, pelny, pelny,
                                przezroczysty);
}

void WierszGry(const Migawka& m, float s, float u) {
    ImGui::TextColored(Przygaszony, "Gra");
    ImGui::SameLine(150 * s);
    std::string podglad = m.wybranaGra < 0 ? "nie znaleziono" : EtykietaGry(m.gry[m.wybranaGra]);
    ImGui::SetNextItemWidth(u - 320 * s);
    ImGui::BeginDisabled(m.zajety);
    if (ImGui::BeginCombo("##gra", podglad.c_str(), 0)) {
        for (size_t i = 0; i < m.gry.size(); ++i) {
            ImGui::PushID((int)i);
            if (ImGui::Selectable(EtykietaGry(m.gry[i]).c_str(), (int)i == m.wybranaGra)) {
                std::lock_guard<std::mutex> l(Stan.blokada);
                // The list may have been replaced since the snapshot.
                if (i < Stan.gry.size()) Stan.wybranaGra = (int)i;
            }
            ImGui::PopID();
        }
        ImGui::EndCombo();
    }
    ImGui::SameLine();
    if (ImGui::Button("Wskaż folder...", ImVec2(160 * s, 0))) WskazFolderGry();
    ImGui::EndDisabled();
}

void Dziennik_(const Migawka& m) {
    ImGui::PushFont(CzcionkaTekstu, 15.0f);
    // Wrapped at the journal's edge: a refusal names two keys or two digests,
    // and half a reason helps nobody. The copy and the file keep one line each.
    ImGui::PushTextWrapPos(0.0f);
    for (const std::string& linia : m.dziennik)
        ImGui::TextColored(Kolor(BarwaLiniiDziennika(linia)), "%s", linia.c_str());
    ImGui::PopTextWrapPos();
    // Follow new lines until the player scrolls up.
    if (ImGui::GetScrollY() >= ImGui::GetScrollMaxY() - 5) ImGui::SetScrollHereY(1.0f);
    ImGui::PopFont();
}

// The whole journal, as the window shows it, to the clipboard as Unicode
// text: what a player pastes into a message to the mod team.
void KopiujDziennik(const Dziennik& dziennik) {
    const std::wstring tekst = NaUtf16(TekstDziennika(dziennik));
    bool ok = false;
    if (OpenClipboard(OknoGlowne)) {
        EmptyClipboard();
        if (HGLOBAL pamiec = GlobalAlloc(GMEM_MOVEABLE, (tekst.size() + 1) * sizeof(wchar_t))) {
            memcpy(GlobalLock(pamiec), tekst.c_str(), (tekst.size() + 1) * sizeof(wchar_t));
            GlobalUnlock(pamiec);
            ok = SetClipboardData(CF_UNICODETEXT, pamiec) != nullptr;
            if (!ok) GlobalFree(pamiec);  // the clipboard did not take it
        }
        CloseClipboard();
    }
    std::lock_guard<std::mutex> l(Stan.blokada);
    Stan.status = ok ? "Dziennik skopiowany do schowka (" + std::to_string(dziennik.size()) + " linii)."
                     : "Nie udało się skopiować dziennika do schowka.";
}

void Stopka_(const Migawka& m, float s, float W, float H, float margines) {
    ImGui::SetCursorPos(ImVec2(margines, H - 46 * s));
    ImGui::PushFont(CzcionkaTekstu, 14.0f);
    ImGui::TextColored(Stopka,
                       "Nieoficjalny utwór fanowski. Nieautoryzowany i niewspierany przez CD PROJEKT RED.  Launcher %s",
                       WersjaLaunchera);
    ImGui::SameLine(W - margines - 260 * s);
    ImGui::BeginDisabled(m.zajety || m.graDziala);
    if (ImGui::SmallButton("Sprawdź ponownie")) UruchomWatek(SprawdzPoNaprawie);
    ImGui::SameLine();
    if (PokazOdinstaluj(m) && ImGui::SmallButton("Odinstaluj")) {
        if (MessageBoxW(OknoGlowne, L"Usunąć mod Morvane z gry? Twoje konto i postacie na serwerze zostają.",
                        L"Morvane", MB_YESNO | MB_ICONQUESTION) == IDYES)
            UruchomWatek(Odinstaluj);
    }
    ImGui::EndDisabled();
    ImGui::PopFont();
}

}  // namespace

bool DuzyPrzycisk(const char* etykieta, bool aktywny, ImVec2 rozmiar) {
    ImGui::BeginDisabled(!aktywny);
    ImGui::PushStyleColor(ImGuiCol_Button, aktywny ? ImVec4(0.478f, 0.122f, 0.086f, 1.0f) : ImVec4(0.25f, 0.22f, 0.20f, 1.0f));
    ImGui::PushStyleColor(ImGuiCol_ButtonHovered, ImVec4(0.627f, 0.161f, 0.11f, 1.0f));
    ImGui::PushStyleColor(ImGuiCol_ButtonActive, ImVec4(0.72f, 0.20f, 0.12f, 1.0f));
    ImGui::PushStyleColor(ImGuiCol_Text, ImVec4(0.957f, 0.914f, 0.824f, 1.0f));
    ImGui::PushFont(CzcionkaOzdobna, 26.0f);
    bool klik = ImGui::Button(etykieta, rozmiar);
    ImGui::PopFont();
    ImGui::PopStyleColor(4);
    ImGui::EndDisabled();
    return klik;
}

void RysujOkno(const Migawka& m) {
    const float s = ImGui::GetStyle().FontScaleDpi;
    const ImGuiViewport* vp = ImGui::GetMainViewport();
    const float X0 = vp->Pos.x, Y0 = vp->Pos.y, W = vp->Size.x, H = vp->Size.y;
    const float margines = 44 * s, u = W - 2 * margines;

    ImGui::SetNextWindowPos(vp->Pos, ImGuiCond_Always, ImVec2(0, 0));
    ImGui::SetNextWindowSize(vp->Size, ImGuiCond_Always);
    ImGui::Begin("##launcher", nullptr,
                 ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove |
                     ImGuiWindowFlags_NoScrollbar | ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoSavedSettings |
                     ImGuiWindowFlags_NoBringToFrontOnFocus);
    Tlo(X0, Y0, W, H);

    ImGui::SetCursorPos(ImVec2(margines, 30 * s));
    ImGui::PushFont(CzcionkaOzdobna, 46.0f);
    ImGui::TextColored(Zloty, "MORVANE");
    ImGui::PopFont();
    ImGui::SetCursorPosX(margines);
    ImGui::PushFont(CzcionkaOzdobna, 19.0f);
    ImGui::TextColored(Przygaszony, "Velmorra - launcher");
    ImGui::PopFont();

    ImGui::SetCursorPos(ImVec2(margines, 150 * s));
    ImGui::BeginGroup();
    ImGui::AlignTextToFramePadding();
    WierszGry(m, s, u);
    ImGui::TextColored(Przygaszony, "Mod");
    ImGui::SameLine(150 * s);
    ImGui::Text("%s", TekstModu(m.wersjaZainstalowana).c_str());
    Napis notka = NotkaModu(m.wersjaNaSerwerze, m.wersjaZainstalowana);
    if (!notka.tekst.empty()) {
        ImGui::SameLine();
        ImGui::TextColored(Kolor(notka.barwa), "%s", notka.tekst.c_str());
    }
    ImGui::TextColored(Przygaszony, "Serwer świata");
    ImGui::SameLine(150 * s);
    Napis swiat = TekstSerweraSwiata(m.serwerSwiata);
    ImGui::TextColored(Kolor(swiat.barwa), "%s", swiat.tekst.c_str());
    ImGui::EndGroup();

    const StanPrzycisku przycisk = GlownyPrzycisk(m);
    ImGui::SetCursorPos(ImVec2(margines, 300 * s));
    if (DuzyPrzycisk(przycisk.etykieta.c_str(), przycisk.aktywny, ImVec2(300 * s, 64 * s))) {
        switch (przycisk.akcja) {
        case Akcja::Instaluj: UruchomWatek(Instaluj); break;
        case Akcja::UruchomGre: UruchomGre(); break;
        case Akcja::WskazFolder: WskazFolderGry(); break;
        case Akcja::Brak: break;
        }
    }

    ImGui::SameLine();
    ImGui::BeginGroup();
    ImGui::Dummy(ImVec2(0, 6 * s));
    if (m.zajety) {
        ImGui::ProgressBar(m.postep >= 0 ? m.postep : -(float)ImGui::GetTime(), ImVec2(u - 320 * s, 10 * s), "");
    }
    ImGui::PushTextWrapPos(u + margines);
    Napis komunikat = LiniaKomunikatu(m, przycisk.akcja);
    if (!komunikat.tekst.empty()) ImGui::TextColored(Kolor(komunikat.barwa), "%s", komunikat.tekst.c_str());
    ImGui::PopTextWrapPos();
    ImGui::EndGroup();

    ImGui::SetCursorPos(ImVec2(margines, 392 * s));
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(10 * s, 8 * s));
    const float wysokoscDziennika = H - 392 * s - 64 * s - 24 * s;
    if (ImGui::BeginChild("##dziennik", ImVec2(u, wysokoscDziennika),
                          ImGuiChildFlags_Borders | ImGuiChildFlags_AlwaysUseWindowPadding, 0))
        Dziennik_(m);
    ImGui::EndChild();
    ImGui::PopStyleVar();

    // Under the journal, at its right edge: the footer's row keeps its
    // buttons where they were.
    ImGui::PushFont(CzcionkaTekstu, 14.0f);
    const char* kopiuj = "Kopiuj dziennik";
    const float szerokosc = ImGui::CalcTextSize(kopiuj).x + 2 * ImGui::GetStyle().FramePadding.x;
    ImGui::SetCursorPos(ImVec2(margines + u - szerokosc, 392 * s + wysokoscDziennika + 5 * s));
    if (ImGui::SmallButton(kopiuj) || ImGui::IsKeyChordPressed(ImGuiMod_Ctrl | ImGuiKey_C)) KopiujDziennik(m.dziennik);
    ImGui::PopFont();

    Stopka_(m, s, W, H, margines);
    ImGui::End();
}
