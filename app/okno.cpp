#include "app/okno.h"

#include "app/powloka.h"
#include "core/stan.h"
#include "imgui.h"

void RysujOkno() {
    const ImGuiViewport* vp = ImGui::GetMainViewport();
    ImGui::SetNextWindowPos(vp->Pos, ImGuiCond_Always);
    ImGui::SetNextWindowSize(vp->Size, ImGuiCond_Always);
    ImGui::Begin("##launcher", nullptr, 0x212F);
    Dziennik dziennik;
    {
        std::lock_guard<std::mutex> l(Stan.blokada);
        dziennik = Stan.dziennik;
    }
    ImGui::PushFont(CzcionkaOzdobna, 46.0f);
    ImGui::TextUnformatted("MORVANE");
    ImGui::PopFont();
    ImGui::TextUnformatted("Zażółć gęślą jaźń");
    for (const std::string& linia : dziennik) ImGui::TextUnformatted(linia.c_str());
    ImGui::End();
}
