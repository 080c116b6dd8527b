// Test stand-in for Windows PowerShell (Wine's powershell.exe prints nothing
// and exits 0). It accepts only the two command lines the launcher builds,
// parsed with PowerShell's own quoting rules, so a quoting mistake in the
// launcher shows as a wrong path here:
//   ... -Command "$ProgressPreference='SilentlyContinue'; Expand-Archive
//        -LiteralPath '{zip}' -DestinationPath '{folder}' -Force"
//     unpacks for real (bsdtar);
//   ... -Command "[Console]::OutputEncoding=[Text.Encoding]::UTF8;
//        $ProgressPreference='SilentlyContinue'; & '{script}' {arguments}"
//     does what the script's "# dubler:" lines ask:
//       wypisz TEXT     prints TEXT (UTF-8) and CR LF
//       wersja TEXT     writes TEXT as the data folder's wersja.txt (the
//                       folder of -Launcher, else the script folder's parent)
//       usun-wersje     deletes that wersja.txt
//       czekaj MS       sleeps
//       kod N           exit code N (default 0)
// Every call is recorded (MORVANE_ZAPIS_POLECEN), -Gra and -Launcher as parsed.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "linux.h"

namespace {

const std::wstring Poczatek = L"powershell.exe -NoProfile -NonInteractive -ExecutionPolicy Bypass -Command \"";
const std::wstring Rozpakowanie = L"$ProgressPreference='SilentlyContinue'; Expand-Archive -LiteralPath ";
const std::wstring Skrypt =
    L"[Console]::OutputEncoding=[Text.Encoding]::UTF8; $ProgressPreference='SilentlyContinue'; & ";

bool Apostrof(wchar_t z) { return z == L'\'' || (z >= 0x2018 && z <= 0x201B); }

// A single-quoted string at `i` as PowerShell reads it: any of the quote
// characters opens and closes it, two in a row stand for the second one.
bool Cytat(const std::wstring& s, size_t& i, std::wstring& wynik) {
    if (i >= s.size() || !Apostrof(s[i])) return false;
    wynik.clear();
    for (++i; i < s.size(); ++i) {
        if (Apostrof(s[i])) {
            if (i + 1 < s.size() && Apostrof(s[i + 1])) {
                wynik += s[i + 1];
                ++i;
                continue;
            }
            ++i;
            return true;
        }
        wynik += s[i];
    }
    return false;
}

bool Slowo(const std::wstring& s, size_t& i, const std::wstring& slowo) {
    if (s.compare(i, slowo.size(), slowo) != 0) return false;
    i += slowo.size();
    return true;
}

int Odrzuc(const char* dlaczego) {
    printf("powershell.exe (test): %s\r\n", dlaczego);
    return 64;
}

std::wstring Nadrzedny(const std::wstring& p) {
    size_t k = p.find_last_of(L"\\/");
    return k == std::wstring::npos ? L"" : p.substr(0, k);
}

void Wypisz(const std::string& bajty) {
    DWORD w;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bajty.data(), (DWORD)bajty.size(), &w, nullptr);
}

int UruchomSkrypt(const std::wstring& skrypt, const std::wstring& gra, const std::wstring& launcher) {
    FILE* f = _wfopen(skrypt.c_str(), L"rb");
    if (!f) {
        Wypisz("& : The term '" + Utf8(skrypt) + "' is not recognized as the name of a cmdlet.\r\n");
        return 1;
    }
    std::string tresc;
    char b[4096];
    size_t n;
    while ((n = fread(b, 1, sizeof b, f)) > 0) tresc.append(b, n);
    fclose(f);
    const std::wstring dane = launcher.empty() ? Nadrzedny(Nadrzedny(skrypt)) : Nadrzedny(launcher);
    int kod = 0;
    size_t p = 0;
    while (p < tresc.size()) {
        size_t k = tresc.find('\n', p);
        if (k == std::string::npos) k = tresc.size();
        std::string linia = tresc.substr(p, k - p);
        p = k + 1;
        if (!linia.empty() && linia.back() == '\r') linia.pop_back();
        const std::string znacznik = "# dubler: ";
        if (linia.compare(0, znacznik.size(), znacznik) != 0) continue;
        linia.erase(0, znacznik.size());
        const size_t sp = linia.find(' ');
        const std::string polecenie = linia.substr(0, sp), reszta = sp == std::string::npos ? "" : linia.substr(sp + 1);
        if (polecenie == "wypisz") {
            Wypisz(reszta + "\r\n");
        } else if (polecenie == "wersja") {
            FILE* w = _wfopen((dane + L"\\wersja.txt").c_str(), L"wb");
            if (w) {
                fprintf(w, "%s\r\n", reszta.c_str());
                fclose(w);
            }
        } else if (polecenie == "usun-wersje") {
            DeleteFileW((dane + L"\\wersja.txt").c_str());
        } else if (polecenie == "czekaj") {
            Sleep((DWORD)atoi(reszta.c_str()));
        } else if (polecenie == "kod") {
            kod = atoi(reszta.c_str());
        }
    }
    return kod;
}

}  // namespace

int wmain() {
    const std::wstring linia = GetCommandLineW();
    size_t i = 0;
    if (!Slowo(linia, i, Poczatek) || linia.size() < i + 1 || linia.back() != L'"') {
        ZapiszWywolanie(L"powershell", BiezacyFolder(), linia);
        return Odrzuc("unexpected command line");
    }
    const std::wstring polecenie = linia.substr(i, linia.size() - i - 1);
    size_t j = 0;
    if (Slowo(polecenie, j, Rozpakowanie)) {
        std::wstring zip, cel;
        const bool ok = Cytat(polecenie, j, zip) && Slowo(polecenie, j, L" -DestinationPath ") &&
                        Cytat(polecenie, j, cel) && Slowo(polecenie, j, L" -Force") && j == polecenie.size();
        ZapiszWywolanie(L"expand-archive", BiezacyFolder(), linia, zip, cel);
        if (!ok) return Odrzuc("Expand-Archive: cannot parse");
        return RozpakujBsdtar(zip, cel) == 0 ? 0 : 1;
    }
    if (Slowo(polecenie, j, Skrypt)) {
        std::wstring skrypt, gra, launcher;
        bool ok = Cytat(polecenie, j, skrypt) && Slowo(polecenie, j, L" ");
        if (ok && j < polecenie.size())
            ok = Slowo(polecenie, j, L"-Gra ") && Cytat(polecenie, j, gra) && Slowo(polecenie, j, L" -Launcher ") &&
                 Cytat(polecenie, j, launcher) && j == polecenie.size();
        ZapiszWywolanie(L"skrypt", BiezacyFolder(), linia, gra, launcher);
        if (!ok) return Odrzuc("script call: cannot parse");
        return UruchomSkrypt(skrypt, gra, launcher);
    }
    ZapiszWywolanie(L"powershell", BiezacyFolder(), linia);
    return Odrzuc("unknown command");
}
