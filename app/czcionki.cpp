#include "app/czcionki.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "core/tekst.h"
#include "imgui.h"

namespace {

// Preferred first; the later ones are what Wine, Proton and Debian offer when
// the Windows fonts are missing. All carry the Polish letters.
// Liberation keeps Arial's and Times' widths, so the layout stays close to
// the Windows look; DejaVu is wider but nearly everywhere.
const wchar_t* const PlikiTekstu[] = {L"segoeui.ttf", L"tahoma.ttf", L"arial.ttf", L"verdana.ttf",
                                      L"LiberationSans-Regular.ttf", L"DejaVuSans.ttf"};
const wchar_t* const PlikiOzdobne[] = {L"georgia.ttf", L"times.ttf", L"LiberationSerif-Regular.ttf",
                                       L"DejaVuSerif.ttf"};
// Under Wine the host's fonts are reachable through Z:.
const wchar_t* const FolderyZapasowe[] = {L"Z:\\usr\\share\\wine\\fonts",
                                          L"Z:\\usr\\share\\fonts\\truetype\\liberation2",
                                          L"Z:\\usr\\share\\fonts\\truetype\\dejavu",
                                          L"Z:\\usr\\share\\fonts\\truetype\\liberation"};

std::wstring FolderCzcionek() {
    PWSTR sciezka = nullptr;
    std::wstring wynik;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Fonts, 0, nullptr, &sciezka)) && sciezka) wynik = sciezka;
    CoTaskMemFree(sciezka);
    if (wynik.empty()) {
        wchar_t bufor[MAX_PATH];
        UINT n = GetWindowsDirectoryW(bufor, MAX_PATH);
        if (n > 0 && n < MAX_PATH) wynik = std::wstring(bufor) + L"\\Fonts";
    }
    return wynik;
}

constexpr size_t NajwiekszaCzcionka = 64u << 20;  // no font is this large

// Loads one file; keeps it only when it has the letters our texts need.
ImFont* SprobujCzcionke(const std::wstring& sciezka) {
    std::string dane;
    if (!CzytajCalyPlik(sciezka, dane, NajwiekszaCzcionka + 1) || dane.size() <= 12 ||
        dane.size() > NajwiekszaCzcionka)
        return nullptr;
    ImGuiIO& io = ImGui::GetIO();
    void* kopia = IM_ALLOC(dane.size());
    memcpy(kopia, dane.data(), dane.size());
    ImFontConfig cfg;
    std::string nazwa = NaUtf8(sciezka.substr(sciezka.find_last_of(L"\\/") + 1));
    snprintf(cfg.Name, sizeof cfg.Name, "%s", nazwa.c_str());
    ImFont* font = io.Fonts->AddFontFromMemoryTTF(kopia, (int)dane.size(), 18.0f, &cfg);
    if (!font) return nullptr;
    for (ImWchar z : {0x0105, 0x0119, 0x0142, 0x015B, 0x017C, 0x0104, 0x0141, 0x00F3})
        if (!font->IsGlyphInFont(z)) {
            io.Fonts->RemoveFont(font);
            return nullptr;
        }
    return font;
}

// The system's Fonts folder first, then the host's under Wine.
std::vector<std::wstring> FolderyCzcionek() {
    std::vector<std::wstring> foldery;
    std::wstring systemowy = FolderCzcionek();
    if (!systemowy.empty()) foldery.push_back(systemowy);
    for (const wchar_t* f : FolderyZapasowe) foldery.push_back(f);
    return foldery;
}

ImFont* PierwszaDostepna(const std::vector<std::wstring>& foldery, const wchar_t* const* pliki, size_t ile) {
    for (size_t i = 0; i < ile; ++i)
        for (const std::wstring& folder : foldery)
            if (ImFont* f = SprobujCzcionke(folder + L"\\" + pliki[i])) return f;
    return nullptr;
}

}  // namespace

void ZaladujCzcionki(ImFont** tekst, ImFont** ozdobna) {
    ImGuiIO& io = ImGui::GetIO();
    const std::vector<std::wstring> foldery = FolderyCzcionek();
    *tekst = PierwszaDostepna(foldery, PlikiTekstu, std::size(PlikiTekstu));
    if (!*tekst) *tekst = io.Fonts->AddFontDefault();
    *ozdobna = PierwszaDostepna(foldery, PlikiOzdobne, std::size(PlikiOzdobne));
    if (!*ozdobna) *ozdobna = *tekst;
    io.FontDefault = *tekst;
}
