#include "install/plik_paczki.h"

#include <cstdio>
#include <vector>

#include "core/stan.h"
#include "core/tekst.h"

bool PlikPaczki::Zapisz(const char* bajty, size_t ile) {
    DWORD n = 0;
    if (!WriteFile(h, bajty, (DWORD)ile, &n, nullptr) || n != ile) return false;
    if (skrot) skrot->Dodaj(bajty, ile);
    zapisane += ile;
    return true;
}

bool PlikPaczki::OdNowa() {
    LARGE_INTEGER zero{};
    if (!SetFilePointerEx(h, zero, nullptr, FILE_BEGIN) || !SetEndOfFile(h)) return false;
    if (skrot) {
        skrot.reset();
        skrot.emplace();
    }
    zapisane = 0;
    return true;
}

bool PlikPaczki::Zamknij() {
    if (h == INVALID_HANDLE_VALUE) return true;
    const bool ok = CloseHandle(h);
    h = INVALID_HANDLE_VALUE;
    return ok;
}

bool UsunStaryPlik(const std::wstring& sciezka) {
    if (DeleteFileW(sciezka.c_str()) || !PlikIstnieje(sciezka)) return true;
    LogujBlad("Nie mogę usunąć starej paczki (" + NaUtf8(sciezka) +
              "): trzyma ją inny program. Zamknij go i spróbuj ponownie.");
    return false;
}

bool OtworzPaczke(const std::wstring& sciezka, PlikPaczki& plik, bool sprawdzana) {
    if (!UsunStaryPlik(sciezka)) return false;
    plik.h = CreateFileW(sciezka.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
    if (plik.h == INVALID_HANDLE_VALUE) {
        LogujBlad("Nie mogę zapisać paczki (" + NaUtf8(sciezka) + ").");
        return false;
    }
    if (sprawdzana) plik.skrot.emplace();
    return true;
}

bool CzytajDoKonca(HANDLE z, const std::function<bool(const char*, DWORD)>& blok) {
    std::vector<char> bufor(1 << 20);
    bool ok = true;
    for (DWORD n = 0; ok && (ok = ReadFile(z, bufor.data(), (DWORD)bufor.size(), &n, nullptr)) && n > 0;)
        ok = blok(bufor.data(), n);
    return ok;
}

bool KopiujZDysku(const std::wstring& lokalna, PlikPaczki& plik) {
    HANDLE z = CreateFileW(lokalna.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (z == INVALID_HANDLE_VALUE) return false;
    const bool ok = CzytajDoKonca(z, [&](const char* b, DWORD n) { return plik.Zapisz(b, n); });
    CloseHandle(z);
    return ok;
}

std::string PowodRozbieznosci() {
    // Most likely a publication during the download; in the signed mode the
    // package may also have been changed on the way, and the player should know.
    return WymagaPodpisu() ? " Serwer mógł właśnie wydać nową wersję albo paczkę zmieniono po drodze - kliknij "
                             "Sprawdź ponownie, a jeśli to się powtarza, zgłoś to zespołowi moda."
                           : " Serwer mógł właśnie wydać nową wersję - kliknij Sprawdź ponownie.";
}

namespace {
const char* const BezSkrotu = "nie mogę policzyć jej SHA-256";
}  // namespace

std::string RoznicaZOgloszeniem(PlikPaczki& p, const Ogloszenie& o, const std::string& klucz) {
    Skrot skrot{};
    uint64_t rozmiar = 0;
    if (!p.skrot->Zakoncz(skrot, rozmiar)) return BezSkrotu;
    if (std::string powod = PorownajZOgloszeniem(o, rozmiar, skrot); !powod.empty()) return powod;
    Loguj("Paczka zgodna z ogłoszeniem wersji " + WersjaDoPodpisu(o) + ": " + std::to_string(rozmiar) +
          " B, SHA-256 " + NaHex(skrot.data(), skrot.size()) + (klucz.empty() ? "" : ", podpis klucza " + klucz) + ".");
    return "";
}

bool ZgodnaZOgloszeniem(PlikPaczki& p, const Ogloszenie& o, const std::string& klucz, bool zDysku) {
    UstawStatus("Sprawdzam paczkę...", -1.0f);
    const std::string powod = RoznicaZOgloszeniem(p, o, klucz);
    if (powod.empty()) return true;
    // A digest that could not be computed says nothing about the server.
    LogujBlad("Paczka odrzucona: " + powod + "." +
              (powod == BezSkrotu ? std::string()
               : zDysku           ? std::string(" To nie ta paczka, którą ogłasza serwer.")
                                  : PowodRozbieznosci()));
    return false;
}

std::string Megabajty(uint64_t bajty) {
    char b[32];
    snprintf(b, sizeof b, "%.0f", (double)bajty / 1048576.0);
    return b;
}
