#include "install/pobieranie_zmian.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "core/stan.h"
#include "core/tekst.h"
#include "install/plik_paczki.h"
#include "net/pobierz.h"
#include "net/wznowienie.h"
#include "net/zaufanie.h"

namespace {

// Ranges of changed blocks closer than this are fetched as one: the seed's
// bytes between them cost less than another part's headers.
constexpr uint64_t ScalOdstep = 256;
// Ranges asked for in one request (a line of a few KiB, which every server
// takes), and the requests of one update at most: a release that changed
// every entry's header is fetched in a few dozen round trips; beyond that,
// the nearest ranges merge (more bytes, fewer round trips).
constexpr size_t ZakresowNaZapytanie = 200;
constexpr size_t MaxZapytan = 64;
// Past this share of the package to fetch, the whole download is cheaper
// (and it resumes).
constexpr double NieWiecejNiz = 0.8;

struct Uchwyt {
    HANDLE h = INVALID_HANDLE_VALUE;
    ~Uchwyt() {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
};

bool CzytajOd(HANDLE h, uint64_t od, void* bufor, DWORD ile) {
    OVERLAPPED gdzie{};
    gdzie.Offset = (DWORD)od;
    gdzie.OffsetHigh = (DWORD)(od >> 32);
    DWORD n = 0;
    return ReadFile(h, bufor, ile, &n, &gdzie) && n == ile;
}

// The cuts the zip's structure gives: each entry's local header and data
// start, and the central directory. None for a file that is not a plain zip.
std::vector<uint64_t> GraniceZip(HANDLE h, uint64_t rozmiar) {
    const uint64_t ogon = std::min<uint64_t>(rozmiar, 65535 + 22);
    std::string koncowka(ogon, '\0');
    KatalogZip k;
    if (!CzytajOd(h, rozmiar - ogon, koncowka.data(), (DWORD)ogon) || !ZnajdzKatalogZip(koncowka, rozmiar, k) ||
        k.rozmiarKatalogu > 64u * 1024 * 1024)
        return {};
    std::string katalog(k.rozmiarKatalogu, '\0');
    if (!CzytajOd(h, k.poczatekKatalogu, katalog.data(), (DWORD)katalog.size())) return {};
    std::vector<uint64_t> granice;
    for (uint64_t n : NaglowkiZKatalogu(katalog, rozmiar)) {
        std::string naglowek(30, '\0');
        granice.push_back(n);
        if (n + 30 <= rozmiar && CzytajOd(h, n, naglowek.data(), 30))
            if (const uint64_t d = DlugoscNaglowkaLokalnego(naglowek)) granice.push_back(n + d);
    }
    granice.push_back(k.poczatekKatalogu);
    std::sort(granice.begin(), granice.end());
    granice.erase(std::unique(granice.begin(), granice.end()), granice.end());
    return granice;
}

// "9.4 MB", or "12 KB" below a megabyte: a small update is not "0.0 MB".
std::string Rozmiar(uint64_t bajty) {
    char b[32];
    if (bajty < 1048576)
        snprintf(b, sizeof b, "%.0f KB", (double)bajty / 1024.0);
    else
        snprintf(b, sizeof b, "%.1f MB", (double)bajty / 1048576.0);
    return b;
}

// The seed's kept map, when it is one and names the seed's size.
bool CzytajMapeZiarna(const std::wstring& ziarno, std::vector<Blok>& bloki, std::vector<uint64_t>& poczatki) {
    std::string tekst, powod;
    MapaBlokow m;
    WIN32_FILE_ATTRIBUTE_DATA a;
    if (!GetFileAttributesExW(ziarno.c_str(), GetFileExInfoStandard, &a) ||
        !CzytajCalyPlik(MapaObok(ziarno), tekst, LimitMapyBajtow) || !CzytajMapeBlokow(tekst, m, powod) ||
        m.rozmiar != ((uint64_t)a.nFileSizeHigh << 32 | a.nFileSizeLow))
        return false;
    uint64_t od = 0;
    for (const Blok& b : m.bloki) {
        bloki.push_back(b);
        poczatki.push_back(od);
        od += b.dlugosc;
    }
    return true;
}

// A rebuild under way: the new file written in the order of its plan, from
// the seed or from the parts of answers.
struct Odbudowa {
    const std::vector<Odcinek>& plan;
    uint64_t rozmiar;       // the new file's
    HANDLE ziarno;
    PlikPaczki& plik;
    size_t nastepny = 0;    // the plan's next segment to write
    uint64_t pobrano = 0;   // bytes fetched so far
    std::string dlaczego;   // why it stopped: the whole download then
    std::vector<uint8_t> bufor = std::vector<uint8_t>(1 << 20);
};

// The seed's segments up to the plan's next fetched one; true when that one
// starts at `od` and is `dlugosc` long (a part must be exactly it).
bool ZZiarnaDo(Odbudowa& o, uint64_t od, uint64_t dlugosc) {
    for (; o.nastepny < o.plan.size() && o.plan[o.nastepny].zZiarna && o.dlaczego.empty(); ++o.nastepny) {
        const Odcinek& d = o.plan[o.nastepny];
        for (uint64_t i = 0; i < d.dlugosc && o.dlaczego.empty();) {
            const DWORD n = (DWORD)std::min<uint64_t>(o.bufor.size(), d.dlugosc - i);
            if (!CzytajOd(o.ziarno, d.wZiarnie + i, o.bufor.data(), n))
                o.dlaczego = "nie mogę przeczytać poprzedniej paczki";
            else if (!o.plik.Zapisz((const char*)o.bufor.data(), n))
                o.dlaczego = "nie mogę zapisać pliku";
            i += n;
        }
    }
    return o.dlaczego.empty() && o.nastepny < o.plan.size() && o.plan[o.nastepny].od == od &&
           o.plan[o.nastepny].dlugosc == dlugosc;
}

// One request for the fetched segments `grupa`, tried again while it fails
// before any of its bytes were written (bytes half-written can't be taken
// back). False with `o.dlaczego` set, or when the launcher is closing.
bool PobierzGrupe(Odbudowa& o, const std::vector<const Odcinek*>& grupa, const std::function<void()>& pokaz) {
    std::wstring zakresy;
    uint64_t wGrupie = 0;
    for (const Odcinek* d : grupa) {
        zakresy += (zakresy.empty() ? L"" : L",") + std::to_wstring(d->od) + L"-" + std::to_wstring(d->od + d->dlugosc - 1);
        wGrupie += d->dlugosc;
    }
    const std::wstring naglowki = L"Range: bytes=" + zakresy + L"\r\n";
    auto zamykanie = [] { return Stan.zamykanie.load(); };
    for (int proba = 0;; ++proba) {
        uint64_t wTym = 0, zostalo = 0;
        RozbiorCzesci czesci;
        // A part's bytes go where the plan has them, after the seed's bytes
        // before them: only the very ranges asked for, in order.
        auto naCzesc = [&](uint64_t od, uint64_t koniec, uint64_t calosc) {
            if (calosc != o.rozmiar || zostalo != 0 || !ZZiarnaDo(o, od, koniec - od + 1)) return false;
            zostalo = koniec - od + 1;
            return true;
        };
        auto naDane = [&](const char* b, size_t n) {
            if (n > zostalo || zamykanie() || !o.plik.Zapisz(b, n)) return false;
            wTym += n;
            o.pobrano += n;
            if ((zostalo -= n) == 0) ++o.nastepny;
            return true;
        };
        auto ocena = [&](const NaglowkiOdpowiedzi& n) -> std::string {
            if (n.status != 206) return "serwer odpowiedział " + std::to_string(n.status) + " zamiast części pliku";
            czesci.granica = GranicaCzesci(n.typ);
            if (!czesci.granica.empty()) return "";
            uint64_t od = 0, koniec = 0, calosc = 0;
            if (!CzytajZakres(n.zakres, od, koniec, calosc) || !naCzesc(od, koniec, calosc))
                return "serwer odesłał nie tę część pliku (" + n.zakres + ")";
            return "";
        };
        auto zapis = [&](const char* b, size_t n) {
            return czesci.granica.empty() ? naDane(b, n) : RozbierzCzesci(czesci, b, n, naCzesc, naDane);
        };
        std::string blad;
        Niepowodzenie jak = Niepowodzenie::Inne;
        const bool ok =
            ZapytajRaz(L"Morvane-najnowsza.zip", naglowki, ocena, zapis, [&](uint64_t, uint64_t) { pokaz(); }, blad, 0,
                       0, &jak);
        if (zamykanie()) return false;
        if (ok && wTym == wGrupie && zostalo == 0 && (czesci.granica.empty() || czesci.stan == 2)) return true;
        if (wTym > 0 || jak == Niepowodzenie::Inne || proba == LiczbaPonowien) {
            o.dlaczego = ok || blad.empty() ? "serwer nie odesłał części, o które prosiłem" : blad;
            return false;
        }
        if (!Przerwa(PrzerwaPrzedPonowieniem(proba + 1), zamykanie)) return false;
    }
}

}  // namespace

std::wstring MapaObok(const std::wstring& paczka) { return paczka + L".bloki"; }

MapaSerwera PobierzMapeSerwera(const Ogloszenie& o) {
    MapaSerwera m;
    std::string blad;
    if (!Pobierz(L"Morvane-najnowsza.zip.bloki", &m.tekst, L"", nullptr, blad, LimitMapyBajtow, 30000))
        m.powod = "serwer nie podaje mapy bloków (" + blad + ")";
    else if (CzytajMapeBlokow(m.tekst, m.mapa, m.powod) && (!o.rozmiar || m.mapa.rozmiar != *o.rozmiar))
        m.powod = "mapa bloków opisuje inny plik";
    m.jest = m.powod.empty();
    if (!m.jest) m.tekst.clear();
    return m;
}

std::wstring SciezkaZiarna(const std::wstring& pobrane) { return pobrane + L"\\zainstalowana.zip"; }

bool PotnijPlik(const std::wstring& sciezka, std::vector<Blok>& bloki, std::vector<uint64_t>& poczatki) {
    Uchwyt f;
    f.h = CreateFileW(sciezka.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    LARGE_INTEGER r{};
    if (f.h == INVALID_HANDLE_VALUE || !GetFileSizeEx(f.h, &r)) return false;
    Ciecie c;
    c.granice = GraniceZip(f.h, (uint64_t)r.QuadPart);
    Sha256Kawalkami sha;
    std::vector<uint8_t> bufor(1 << 20);
    auto zamknijBlok = [&](uint64_t od, uint64_t doo) {
        Skrot s;
        if (!sha.Zakoncz(s)) return false;
        Blok b;
        b.dlugosc = (uint32_t)(doo - od);
        std::copy_n(s.begin(), b.skrot.size(), b.skrot.begin());
        bloki.push_back(b);
        poczatki.push_back(od);
        return true;
    };
    for (uint64_t przeczytane = 0; przeczytane < (uint64_t)r.QuadPart;) {
        const DWORD ile = (DWORD)std::min<uint64_t>(bufor.size(), (uint64_t)r.QuadPart - przeczytane);
        if (!CzytajOd(f.h, przeczytane, bufor.data(), ile)) return false;
        przeczytane += ile;
        for (size_t i = 0; i < ile;) {
            const uint64_t poczatek = c.poczatek;
            bool ciecie = false;
            const size_t n = Tnij(c, bufor.data() + i, ile - i, ciecie);
            if (!sha.Dodaj(bufor.data() + i, n)) return false;
            i += n;
            if (ciecie && !zamknijBlok(poczatek, c.poczatek)) return false;
        }
    }
    return c.pozycja == c.poczatek || zamknijBlok(c.poczatek, c.pozycja);
}

WynikZmian PobierzZmiany(const std::wstring& sciezka, const Ogloszenie& o, const std::string& klucz,
                        const MapaSerwera& m) {
    const std::wstring pobrane = sciezka.substr(0, sciezka.find_last_of(L'\\'));
    const std::wstring ziarno = SciezkaZiarna(pobrane);
    if (!o.rozmiar || !o.sha256 || !PlikIstnieje(ziarno)) return WynikZmian::Calosc;
    if (!m.jest) {
        Loguj("Pobieram całą paczkę: " + m.powod + ".");
        return WynikZmian::Calosc;
    }
    UstawStatus("Sprawdzam, co się zmieniło...", -1.0f);
    const MapaBlokow& mapa = m.mapa;
    std::vector<Blok> bloki;
    std::vector<uint64_t> poczatki;
    // The seed's own map, kept from when it was installed, spares cutting
    // and hashing the whole seed again; without one it is cut now.
    if (!CzytajMapeZiarna(ziarno, bloki, poczatki) && !PotnijPlik(ziarno, bloki, poczatki)) {
        Loguj("Pobieram całą paczkę: nie mogę przeczytać poprzedniej paczki.");
        return WynikZmian::Calosc;
    }
    const std::vector<Odcinek> plan = PlanOdbudowy(mapa, bloki, poczatki, ScalOdstep, MaxZapytan * ZakresowNaZapytanie);
    std::vector<const Odcinek*> doPobrania;
    uint64_t bajtyDoPobrania = 0;
    for (const Odcinek& d : plan)
        if (!d.zZiarna) {
            doPobrania.push_back(&d);
            bajtyDoPobrania += d.dlugosc;
        }
    if ((double)bajtyDoPobrania > NieWiecejNiz * (double)mapa.rozmiar) {
        Loguj("Pobieram całą paczkę: zmieniła się prawie cała.");
        return WynikZmian::Calosc;
    }

    PlikPaczki plik;
    if (!UsunStaryPlik(sciezka) || !OtworzPaczke(sciezka, plik, true)) return WynikZmian::Przerwane;
    Uchwyt z;
    z.h = CreateFileW(ziarno.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    Odbudowa odb{plan, mapa.rozmiar, z.h, plik};
    if (z.h == INVALID_HANDLE_VALUE) odb.dlaczego = "nie mogę przeczytać poprzedniej paczki";
    const std::string razem = Rozmiar(bajtyDoPobrania);
    auto pokaz = [&] {
        Stan.postep.store(bajtyDoPobrania ? (float)((double)odb.pobrano / (double)bajtyDoPobrania) : 1.0f);
        const std::string t =
            "Pobieram zmiany: " + Rozmiar(odb.pobrano) + " z " + razem + " (reszta z poprzedniej paczki)...";
        std::lock_guard<std::mutex> l(Stan.blokada);
        Stan.status = t;
    };
    UstawStatus("Pobieram zmiany: 0 KB z " + razem + " (reszta z poprzedniej paczki)...", 0.0f);
    for (size_t g = 0; g < doPobrania.size() && odb.dlaczego.empty(); g += ZakresowNaZapytanie) {
        const std::vector<const Odcinek*> grupa(doPobrania.begin() + (ptrdiff_t)g,
                                                doPobrania.begin() + (ptrdiff_t)std::min(g + ZakresowNaZapytanie,
                                                                                          doPobrania.size()));
        if (Stan.zamykanie.load() || (!PobierzGrupe(odb, grupa, pokaz) && odb.dlaczego.empty())) {
            // Closing stops it as it stops a download: nothing of the new
            // package is used, the installed one stays as it is.
            plik.Zamknij();
            DeleteFileW(sciezka.c_str());
            LogujBlad("Pobieranie nie wyszło: przerwane pobieranie");
            return WynikZmian::Przerwane;
        }
    }
    // The seed's bytes after the last fetched segment.
    if (odb.dlaczego.empty()) ZZiarnaDo(odb, mapa.rozmiar, 0);
    if (odb.dlaczego.empty() && odb.nastepny != plan.size()) odb.dlaczego = "serwer nie odesłał części, o które prosiłem";
    if (!plik.Zamknij() && odb.dlaczego.empty()) odb.dlaczego = "nie mogę zapisać pliku";
    if (odb.dlaczego.empty()) {
        Loguj("Pobrano " + Rozmiar(odb.pobrano) + ", z poprzedniej paczki " + Rozmiar(mapa.rozmiar - odb.pobrano) +
              ".");
        // Whether the seed changed under its kept map or the server sent
        // another file can't be told here: the whole download decides, and
        // the install after it keeps a new seed with its own map.
        if (!RoznicaZOgloszeniem(plik, o, klucz).empty()) odb.dlaczego = "złożona paczka nie zgadza się z ogłoszeniem";
    }
    if (odb.dlaczego.empty()) return WynikZmian::Gotowe;
    DeleteFileW(sciezka.c_str());
    Loguj("Pobieram całą paczkę: " + odb.dlaczego + ".");
    return WynikZmian::Calosc;
}
