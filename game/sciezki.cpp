#include "game/sciezki.h"

#include "core/stan.h"

std::wstring PostacKanoniczna(std::wstring sciezka) {
    while (!sciezka.empty() && (sciezka.back() == L'\\' || sciezka.back() == L'/')) sciezka.pop_back();
    for (wchar_t& z : sciezka)
        if (z == L'/') z = L'\\';
    return sciezka;
}

std::string BezPodwojnychUkosnikow(const std::string& wartosc) {
    std::string wynik;
    for (size_t i = 0; i < wartosc.size(); ++i) {
        if (wartosc[i] == '\\' && i + 1 < wartosc.size() && wartosc[i + 1] == '\\') ++i;
        wynik += wartosc[i];
    }
    return wynik;
}

std::vector<std::string> BibliotekiZVdf(const std::vector<std::string>& linie) {
    static const std::string klucz = "\"path\"";
    std::vector<std::string> wynik;
    for (const std::string& linia : linie) {
        if (linia.size() < 6) continue;
        size_t k = linia.find(klucz);
        if (k == std::string::npos) continue;
        size_t otwarcie = linia.find('"', k + klucz.size());
        if (otwarcie == std::string::npos || otwarcie + 1 >= linia.size()) continue;
        size_t zamkniecie = linia.find('"', otwarcie + 1);
        if (zamkniecie == std::string::npos) continue;
        wynik.push_back(BezPodwojnychUkosnikow(linia.substr(otwarcie + 1, zamkniecie - otwarcie - 1)));
    }
    return wynik;
}

std::wstring FolderRoboczyGry(const std::wstring& folderGry) { return folderGry + L"\\bin\\x64_dx12"; }

std::wstring PolecenieGry(const std::wstring& folderGry) {
    return L"\"" + FolderRoboczyGry(folderGry) + L"\\witcher3.exe\"";
}

std::string TrescZnacznikaStartu() { return std::string("start z launchera ") + WersjaLaunchera + "\r\n"; }
