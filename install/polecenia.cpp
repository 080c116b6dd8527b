#include "install/polecenia.h"

#include <cstdio>

namespace {

const wchar_t* const PoczatekSkryptu =
    L"powershell.exe -NoProfile -NonInteractive -ExecutionPolicy Bypass -Command \""
    L"[Console]::OutputEncoding=[Text.Encoding]::UTF8; $ProgressPreference='SilentlyContinue'; & '";

const wchar_t* const PoczatekRozpakowania =
    L"powershell.exe -NoProfile -NonInteractive -ExecutionPolicy Bypass -Command \""
    L"$ProgressPreference='SilentlyContinue'; Expand-Archive -LiteralPath '";

bool Separator(wchar_t z) { return z == L'\\' || z == L'/'; }

// Length of the root: "C:", "C:\", "\\server\share\", "\\?\C:\" and the
// separators after it.
size_t DlugoscKorzenia(const std::wstring& s) {
    size_t i = 0;
    if (s.size() >= 2 && Separator(s[0]) && Separator(s[1])) {
        // A share (or a \\?\ prefix): the next two components are the root.
        i = 2;
        for (int skladnik = 0; skladnik < 2 && i < s.size(); ++skladnik) {
            while (i < s.size() && !Separator(s[i])) ++i;
            if (skladnik == 0) {
                while (i < s.size() && Separator(s[i])) ++i;
                // \\?\C:\ : the drive after the prefix is the root's end.
                if (s.compare(2, 2, L"?\\") == 0 || s.compare(2, 2, L".\\") == 0) {
                    if (i + 1 < s.size() && s[i + 1] == L':') i += 2;
                    break;
                }
            }
        }
    } else if (s.size() >= 2 && s[1] == L':') {
        i = 2;
    }
    while (i < s.size() && Separator(s[i])) ++i;
    return i;
}

}  // namespace

std::wstring PodwojApostrofy(const std::wstring& tekst) {
    std::wstring wynik;
    wynik.reserve(tekst.size() + 8);
    for (wchar_t z : tekst) {
        wynik += z;
        if (z == L'\'' || (z >= 0x2018 && z <= 0x201B)) wynik += z;
    }
    return wynik;
}

std::wstring PolecenieSkryptu(const std::wstring& skrypt, const std::wstring& argumenty) {
    return PoczatekSkryptu + PodwojApostrofy(skrypt) + L"' " + argumenty + L"\"";
}

std::wstring FolderNadrzedny(const std::wstring& sciezka) {
    const size_t korzen = DlugoscKorzenia(sciezka);
    if (korzen >= sciezka.size()) return sciezka;
    size_t koniec = sciezka.size();
    while (koniec > korzen && !Separator(sciezka[koniec - 1])) --koniec;  // last component
    while (koniec > korzen && Separator(sciezka[koniec - 1])) --koniec;   // its separators
    return sciezka.substr(0, koniec);
}

std::wstring ArgumentyInstalacji(const std::wstring& gra, const std::wstring& launcher) {
    return L"-Gra '" + PodwojApostrofy(gra) + L"' -Launcher '" + PodwojApostrofy(launcher) + L"'";
}

std::wstring PolecenieTar(const std::wstring& folderSystemowy, const std::wstring& paczka, const std::wstring& cel) {
    return L"\"" + folderSystemowy + L"\\tar.exe\" -xf \"" + paczka + L"\" -C \"" + cel + L"\"";
}

std::wstring PolecenieExpandArchive(const std::wstring& paczka, const std::wstring& cel) {
    return PoczatekRozpakowania + PodwojApostrofy(paczka) + L"' -DestinationPath '" + PodwojApostrofy(cel) +
           L"' -Force\"";
}

std::wstring ProgramPowerShell(const std::wstring& folderSystemowy) {
    return folderSystemowy.empty() ? L"" : folderSystemowy + L"\\WindowsPowerShell\\v1.0\\powershell.exe";
}

std::wstring ProgramCmd(const std::wstring& folderSystemowy) {
    return folderSystemowy.empty() ? L"" : folderSystemowy + L"\\cmd.exe";
}

bool ToProgramWbudowanyWine(const std::string& poczatekPliku) {
    return poczatekPliku.find("Wine builtin DLL") != std::string::npos;
}

bool FolderBezpiecznyDlaCmd(const std::wstring& folder) {
    if (folder.empty()) return false;
    for (wchar_t z : folder)
        if (z == L'%' || z == L'!' || z == L'"' || z < 0x20) return false;
    return true;
}

std::wstring PolecenieUsunieciaFolderu(const std::wstring& folder) {
    const std::wstring usun = L" & rmdir /s /q \"" + folder + L"\" 2>nul";
    // Tries at about 3, 5 and 10 s: the first after the planned closing
    // (2.5 s), the later ones for a launcher that took longer to end. A
    // missing folder makes a try do nothing. (No loop: Wine's cmd.exe cannot
    // run a bracketed block inside "for /l".)
    return L"cmd.exe /c ping 127.0.0.1 -n 4 >nul" + usun + L" & ping 127.0.0.1 -n 3 >nul" + usun +
           L" & ping 127.0.0.1 -n 6 >nul" + usun;
}

std::string TekstPostepuPaczki(uint64_t odebrane, uint64_t calosc) {
    char bufor[96];
    snprintf(bufor, sizeof bufor, "Pobieram paczkę moda... %.0f z %.0f MB", (double)odebrane / 1048576.0,
             (double)calosc / 1048576.0);
    return bufor;
}

std::vector<std::string> DodajWyjscie(CiecieLinii& c, const char* bajty, size_t ile) {
    std::vector<std::string> linie;
    c.reszta.append(bajty, ile);
    size_t poczatek = 0;
    for (size_t lf; (lf = c.reszta.find('\n', poczatek)) != std::string::npos; poczatek = lf + 1) {
        size_t koniec = lf;
        while (koniec > poczatek && (c.reszta[koniec - 1] == '\r' || c.reszta[koniec - 1] == ' ')) --koniec;
        if (koniec > poczatek) linie.emplace_back(c.reszta, poczatek, koniec - poczatek);
    }
    c.reszta.erase(0, poczatek);
    return linie;
}

std::string ResztaWyjscia(CiecieLinii& c) {
    std::string r;
    r.swap(c.reszta);
    return r;
}
