// The update-server address, HTTP downloads, the world-server probe and the
// check worker, against real servers on 127.0.0.1 (the Python test server,
// nginx, and listeners of our own on port 47100).
#include <gtest/gtest.h>
#include <winsock2.h>
#include <ws2tcpip.h>
#include <tlhelp32.h>

#include <filesystem>
#include <optional>
#include <thread>

#include "core/tekst.h"
#include "net/adres.h"
#include "net/pobierz.h"
#include "net/sprawdz.h"
#include "net/swiat.h"
#include "wspolne.h"

namespace {

std::wstring UrlTestowy(const std::wstring& baza) {
    auto [host, port] = AdresTestowy();
    return L"http://" + host + L":" + std::to_wstring(port) + baza;
}

class Siec : public ::testing::Test {
  protected:
    void SetUp() override {
        if (AdresTestowy().second == 0) GTEST_SKIP() << "run through tests/serwery/serwer_aktualizacji.py";
        WyczyscStan();
        SetEnvironmentVariableW(L"MRV_ADRES", nullptr);
        std::filesystem::create_directories(FolderDanych());
        DeleteFileW((FolderDanych() + L"\\adres.txt").c_str());
        DeleteFileW((FolderDanych() + L"\\wersja.txt").c_str());
    }
    void TearDown() override {
        SetEnvironmentVariableW(L"MRV_ADRES", nullptr);
        DeleteFileW((FolderDanych() + L"\\adres.txt").c_str());
        DeleteFileW((FolderDanych() + L"\\wersja.txt").c_str());
    }
};

// ---- the address ------------------------------------------------------------

struct PrzypadekAdresu {
    const char* opis;
    const wchar_t* zmienna;      // nullptr: unset
    std::optional<std::string> plik;  // nullopt: no adres.txt
    bool bezpieczny;
    std::wstring host;
    uint16_t port;
    std::wstring sciezka;
    std::string etykieta;
};

TEST_F(Siec, AdresZeZmiennejPlikuLubWbudowany) {
    const std::wstring wbHost = L"127.0.0.1", wbSciezka = L"/v0123456789abcdef01234567/";
    const PrzypadekAdresu przypadki[] = {
        {"zmienna wygrywa z plikiem", L"http://zmienna.example/m/", "http://plik.example/", false,
         L"zmienna.example", 80, L"/m/", "MRV_ADRES"},
        {"zmienna ze spacja na poczatku", L"  http://zmienna.example/", "http://plik.example/", false, wbHost,
         8080, wbSciezka, "wbudowany (zły adres.txt)"},
        {"zmienna nie http", L"ftp://zmienna.example/", std::nullopt, false, wbHost, 8080, wbSciezka,
         "wbudowany (zły adres.txt)"},
        {"pusta zmienna: decyduje plik", L"", "http://plik.example/baza/", false, L"plik.example", 80, L"/baza/",
         "adres.txt"},
        {"brak wszystkiego", nullptr, std::nullopt, false, wbHost, 8080, wbSciezka, "wbudowany"},
        {"pusty plik", nullptr, "", false, wbHost, 8080, wbSciezka, "wbudowany"},
        {"schemat wielkimi literami", nullptr, "HTTP://plik.example/", false, wbHost, 8080, wbSciezka, "wbudowany"},
        {"samo http://", nullptr, "http://", false, wbHost, 8080, wbSciezka, "wbudowany (zły adres.txt)"},
        {"BOM, spacje, CRLF", nullptr, "\xEF\xBB\xBF \thttp://plik.example/x/ \r\ndruga", false, L"plik.example",
         80, L"/x/", "adres.txt"},
        {"port i sciezka bez ukosnika", nullptr, "http://plik.example:9000/mod/pliki", false, L"plik.example", 9000,
         L"/mod/pliki/", "adres.txt"},
        {"https bez portu", nullptr, "https://bezpieczny.example/a", true, L"bezpieczny.example", 443, L"/a/",
         "adres.txt"},
        {"sam host", nullptr, "http://plik.example", false, L"plik.example", 80, L"/", "adres.txt"},
        {"host dluzszy niz 255", nullptr, "http://" + std::string(300, 'h') + "/", false, wbHost, 8080, wbSciezka,
         "wbudowany (zły adres.txt)"},
    };
    for (const auto& p : przypadki) {
        SCOPED_TRACE(p.opis);
        WyczyscStan();
        SetEnvironmentVariableW(L"MRV_ADRES", p.zmienna);
        std::wstring plik = FolderDanych() + L"\\adres.txt";
        DeleteFileW(plik.c_str());
        if (p.plik) ZapiszPlik(plik, *p.plik);
        AdresSerwera();
        std::lock_guard<std::mutex> l(Stan.blokada);
        EXPECT_EQ(Stan.serwer.bezpieczny, p.bezpieczny);
        EXPECT_EQ(Stan.serwer.host, p.host);
        EXPECT_EQ(Stan.serwer.port, p.port);
        EXPECT_EQ(Stan.serwer.sciezka, p.sciezka);
        EXPECT_EQ(Stan.dziennik, (Dziennik{"Serwer: " + std::string(p.bezpieczny ? "https://" : "http://") +
                                           NaUtf8(p.host) + " (" + p.etykieta + ")"}));
    }
}

TEST_F(Siec, DlugaZmiennaCzytanaCalosciowo) {
    const std::wstring sciezka = L"/" + std::wstring(1010, L'a') + L"/";
    const std::wstring adres = L"http://127.0.0.1:1234" + sciezka;
    ASSERT_GE(adres.size(), 1024u);
    SetEnvironmentVariableW(L"MRV_ADRES", adres.c_str());
    AdresSerwera();
    std::lock_guard<std::mutex> l(Stan.blokada);
    EXPECT_EQ(Stan.serwer.sciezka, sciezka);
    EXPECT_EQ(Stan.serwer.port, 1234);
    EXPECT_EQ(Stan.dziennik.back(), "Serwer: http://127.0.0.1 (MRV_ADRES)");
}

// ---- downloads ------------------------------------------------------------

struct Wynik {
    bool ok;
    std::string pamiec, blad;
    std::vector<std::pair<uint64_t, uint64_t>> postep;
};

Wynik Pobierz_(const std::wstring& baza, const std::wstring& zasob, const std::wstring& plik = L"",
               size_t limit = 0) {
    UstawSerwer(baza);
    Wynik w;
    w.ok = Pobierz(zasob, &w.pamiec, plik, [&](uint64_t a, uint64_t b) { w.postep.push_back({a, b}); }, w.blad,
                   limit);
    return w;
}

TEST_F(Siec, PobieranieDoPamieciIPlikuZPostepem) {
    TymczasowyFolder tmp;
    Wynik w = Pobierz_(L"/ok/", L"Morvane-najnowsza.zip", tmp / L"paczka.zip");
    ASSERT_TRUE(w.ok) << w.blad;
    EXPECT_EQ(w.blad, "");
    ASSERT_EQ(w.pamiec.size(), 300000u);
    EXPECT_EQ(CzytajPlik(tmp / L"paczka.zip"), w.pamiec);
    ASSERT_FALSE(w.postep.empty());
    uint64_t poprzedni = 0;
    for (auto [odebrane, zapowiedziane] : w.postep) {
        EXPECT_GT(odebrane, poprzedni);  // one call per non-empty chunk, running count
        EXPECT_LE(odebrane - poprzedni, 65536u);
        EXPECT_EQ(zapowiedziane, 300000u);
        poprzedni = odebrane;
    }
    EXPECT_EQ(poprzedni, 300000u);

    // The exact request: base path + resource, our agent, no-cache.
    Wynik zapis = Pobierz_(L"/", L"_ostatnie");
    ASSERT_TRUE(zapis.ok);
    EXPECT_NE(zapis.pamiec.find("\"sciezka\": \"/ok/Morvane-najnowsza.zip\""), std::string::npos) << zapis.pamiec;
    EXPECT_NE(zapis.pamiec.find("\"user-agent\": \"Morvane-launcher\""), std::string::npos) << zapis.pamiec;
    EXPECT_NE(zapis.pamiec.find("\"cache-control\": \"no-cache\""), std::string::npos) << zapis.pamiec;
}

TEST_F(Siec, KazdyBladMaSwojTekstIPlikJakMowi) {
    TymczasowyFolder tmp;
    const std::wstring plik = tmp / L"cel.bin";
    struct P {
        const char* opis;
        std::wstring baza;
        std::string blad;
        char znak;   // what arrived: a run of this byte; '\0': the old content stays
        size_t ile;  // its exact length; 0: any length but none
    };
    const P przypadki[] = {
        {"404", L"/status/404/", "serwer odpowiedział 404", '\0', 0},
        {"500", L"/status/500/", "serwer odpowiedział 500", '\0', 0},
        {"dlugosc wieksza niz cialo", L"/krotki/", "niepełny plik", 'x', 50},
        {"zerwane polaczenie", L"/zerwany/", "przerwane pobieranie", 'z', 0},
    };
    for (const auto& p : przypadki) {
        SCOPED_TRACE(p.opis);
        ZapiszPlik(plik, "stara tresc");
        Wynik w = Pobierz_(p.baza, L"x", plik);
        EXPECT_FALSE(w.ok);
        EXPECT_EQ(w.blad, p.blad);
        std::string po = CzytajPlik(plik);
        if (!p.znak) {
            EXPECT_EQ(po, "stara tresc");
        } else {
            EXPECT_FALSE(po.empty());
            EXPECT_EQ(po, std::string(p.ile ? p.ile : po.size(), p.znak));
        }
    }
}

TEST_F(Siec, BrakPolaczeniaIPustyHost) {
    TymczasowyFolder tmp;
    const std::wstring plik = tmp / L"cel.bin";
    ZapiszPlik(plik, "stara");
    // A port nobody listens on.
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, (sockaddr*)&a, sizeof a);
    int dl = sizeof a;
    getsockname(s, (sockaddr*)&a, &dl);
    closesocket(s);
    {
        std::lock_guard<std::mutex> l(Stan.blokada);
        Stan.serwer = Serwer{false, L"127.0.0.1", L"/", ntohs(a.sin_port)};
    }
    std::string blad;
    EXPECT_FALSE(Pobierz(L"wersja.txt", nullptr, plik, nullptr, blad));
    EXPECT_EQ(blad, "brak połączenia z serwerem aktualizacji (12029)");
    EXPECT_EQ(CzytajPlik(plik), "stara");

    {
        std::lock_guard<std::mutex> l(Stan.blokada);
        Stan.serwer = Serwer{};
    }
    blad.clear();
    EXPECT_FALSE(Pobierz(L"wersja.txt", nullptr, L"", nullptr, blad));
    EXPECT_TRUE(blad == "nie mogę otworzyć połączenia" || blad.rfind("brak połączenia z serwerem aktualizacji (", 0) == 0)
        << blad;
}

TEST_F(Siec, BezDlugosciPustyIZlyPlik) {
    TymczasowyFolder tmp;
    Wynik w = Pobierz_(L"/chunked/", L"x");
    ASSERT_TRUE(w.ok) << w.blad;
    EXPECT_EQ(w.pamiec.size(), 5000u);
    for (auto [odebrane, zapowiedziane] : w.postep) EXPECT_EQ(zapowiedziane, 0u);

    Wynik pusty = Pobierz_(L"/pusty/", L"x", tmp / L"pusty.bin");
    EXPECT_TRUE(pusty.ok);
    EXPECT_TRUE(pusty.postep.empty());
    EXPECT_TRUE(PlikIstnieje(tmp / L"pusty.bin"));
    EXPECT_EQ(CzytajPlik(tmp / L"pusty.bin"), "");

    Wynik zlyPlik = Pobierz_(L"/ok/", L"wersja.txt", tmp / L"brak\\folderu\\plik.bin");
    EXPECT_FALSE(zlyPlik.ok);
    EXPECT_EQ(zlyPlik.blad, "nie mogę zapisać pliku");

    Wynik ogromny = Pobierz_(L"/ogromny/", L"wersja.txt", L"", LimitOdpowiedziWersji);
    EXPECT_FALSE(ogromny.ok);
    EXPECT_EQ(ogromny.blad, "za duża odpowiedź serwera");
    EXPECT_LE(ogromny.pamiec.size(), LimitOdpowiedziWersji);
}

TEST_F(Siec, PelnyDyskToBladZapisuNieSukces) {
    // Linux's /dev/full, reached through Wine's Z: drive, takes no byte.
    const std::wstring pelny = L"Z:\\dev\\full";
    FILE* proba = _wfopen(pelny.c_str(), L"wb");
    if (!proba) GTEST_SKIP() << "no /dev/full here";
    fclose(proba);
    Wynik w = Pobierz_(L"/ok/", L"Morvane-najnowsza.zip", pelny);
    EXPECT_FALSE(w.ok);
    EXPECT_EQ(w.blad, "nie mogę zapisać pliku");
    EXPECT_LT(w.pamiec.size(), 300000u);  // stopped at the first failed chunk
}

TEST_F(Siec, PaczkaPonad175MiBTrafiaDoPlikuBezPamieci) {
    TymczasowyFolder tmp;
    UstawSerwer(L"/duzy/");
    uint64_t ostatni = 0, zapowiedziany = 0;
    std::string blad;
    ASSERT_TRUE(Pobierz(L"Morvane-najnowsza.zip", nullptr, tmp / L"paczka.zip",
                        [&](uint64_t a, uint64_t b) { ostatni = a, zapowiedziany = b; }, blad))
        << blad;
    EXPECT_EQ(ostatni, 183500800u);
    EXPECT_EQ(zapowiedziany, 183500800u);
    EXPECT_EQ(std::filesystem::file_size(tmp / L"paczka.zip"), 183500800u);
}

int LiczbaWatkow() {
    HANDLE m = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 t = {sizeof t};
    int n = 0;
    for (BOOL ok = Thread32First(m, &t); ok; ok = Thread32Next(m, &t))
        if (t.th32OwnerProcessID == GetCurrentProcessId()) ++n;
    CloseHandle(m);
    return n;
}

// Wine's GetProcessHandleCount answers 0; the system-wide handle list
// (what Process Explorer reads) is real there and on Windows.
DWORD LiczbaUchwytow() {
    struct Wpis {
        PVOID obiekt;
        ULONG_PTR pid, uchwyt;
        ULONG dostep;
        USHORT a, b;
        ULONG atrybuty, zarezerwowane;
    };
    struct Lista {
        ULONG_PTR ile, zarezerwowane;
        Wpis wpisy[1];
    };
    using NtQsi = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    auto fn = (NtQsi)(void*)GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation");
    std::vector<char> bufor(1 << 20);
    ULONG potrzeba = 0;
    LONG st;
    while ((st = fn(0x40, bufor.data(), (ULONG)bufor.size(), &potrzeba)) == (LONG)0xC0000004)
        bufor.resize(bufor.size() * 2);
    if (st != 0) return 0;
    auto* lista = (Lista*)bufor.data();
    DWORD n = 0;
    for (ULONG_PTR i = 0; i < lista->ile; ++i)
        if (lista->wpisy[i].pid == GetCurrentProcessId()) ++n;
    return n;
}

TEST_F(Siec, TysiacNieudanychWywolanNieZostawiaUchwytowAniWatkow) {
    // The count must really move, or the comparison below proves nothing.
    const DWORD przedProba = LiczbaUchwytow();
    HANDLE proba = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    const bool liczySie = LiczbaUchwytow() == przedProba + 1;
    CloseHandle(proba);

    std::string blad;
    for (int i = 0; i < 20; ++i) Pobierz_(L"/status/404/", L"x");  // warm-up
    const DWORD uchwyty = LiczbaUchwytow();
    const int watki = LiczbaWatkow();
    for (int i = 0; i < 1000; ++i) {
        Wynik w = Pobierz_(i % 2 ? L"/status/404/" : L"/krotki/", L"x");
        ASSERT_FALSE(w.ok);
    }
    if (liczySie) EXPECT_LE(LiczbaUchwytow(), uchwyty + 5);
    else ADD_FAILURE() << "GetProcessHandleCount does not count here";
    EXPECT_LE(LiczbaWatkow(), watki + 2);
}

// ---- the world server -----------------------------------------------------

// A listener on 127.0.0.1:47100. The system completes connections into its
// backlog without an accept; a backlog of 0 fills up at once.
struct Nasluch {
    SOCKET s = INVALID_SOCKET;
    explicit Nasluch(int kolejka = 4) {
        s = socket(AF_INET, SOCK_STREAM, 0);
        BOOL tak = TRUE;
        setsockopt(s, SOL_SOCKET, SO_REUSEADDR, (char*)&tak, sizeof tak);
        sockaddr_in a = {};
        a.sin_family = AF_INET;
        a.sin_port = htons(47100);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (bind(s, (sockaddr*)&a, sizeof a) != 0 || listen(s, kolejka) != 0) {
            closesocket(s);
            s = INVALID_SOCKET;
        }
    }
    ~Nasluch() {
        if (s != INVALID_SOCKET) closesocket(s);
    }
};

void UstawHost(const std::wstring& host) {
    std::lock_guard<std::mutex> l(Stan.blokada);
    Stan.serwer = Serwer{false, host, L"/", 8080};
}

class Swiat : public ::testing::Test {
  protected:
    WSADATA wsa;
    void SetUp() override {
        WSAStartup(MAKEWORD(2, 2), &wsa);
        WyczyscStan();
    }
    void TearDown() override { WSACleanup(); }
};

TEST_F(Swiat, NasluchujacyPortDajeTakIPolaczenieBezDanych) {
    Nasluch n;
    ASSERT_NE(n.s, INVALID_SOCKET);
    UstawHost(L"127.0.0.1");
    std::string odebrane = "?";
    std::thread przyjmij([&] {
        SOCKET k = accept(n.s, nullptr, nullptr);
        char b[16];
        int r = recv(k, b, sizeof b, 0);
        odebrane = r == 0 ? "" : "dane lub blad: " + std::to_string(r);
        closesocket(k);
    });
    EXPECT_TRUE(SprawdzSerwerSwiata());
    przyjmij.join();
    EXPECT_EQ(odebrane, "");  // closed, nothing sent
}

TEST_F(Swiat, ZamknietyPortPustyHostIPv6DajaNie) {
    UstawHost(L"127.0.0.1");
    ULONGLONG start = GetTickCount64();
    EXPECT_FALSE(SprawdzSerwerSwiata());
    EXPECT_LT(GetTickCount64() - start, 2500u);

    UstawHost(L"");
    start = GetTickCount64();
    EXPECT_FALSE(SprawdzSerwerSwiata());
    EXPECT_LT(GetTickCount64() - start, 500u);

    // Names with only IPv6 addresses, even with something listening on the
    // IPv4 loopback: the probe asks for IPv4 only.
    Nasluch n;
    ASSERT_NE(n.s, INVALID_SOCKET);
    for (const char* host : {"::1", "ip6-localhost"}) {
        addrinfo wsk = {}, *wynik = nullptr;
        wsk.ai_family = AF_INET6;
        if (getaddrinfo(host, "47100", &wsk, &wynik) != 0) continue;  // not resolvable here at all
        freeaddrinfo(wynik);
        UstawHost(NaUtf16(host));
        EXPECT_FALSE(SprawdzSerwerSwiata()) << host;
    }
    UstawHost(L"127.0.0.1");
    EXPECT_TRUE(SprawdzSerwerSwiata());  // the listener itself is reachable
}

TEST_F(Swiat, NieodpowiadajacyAdresKonczySiePoTrzechSekundach) {
    // A listener whose backlog is full: further connection attempts get no
    // answer at all, as from a filtered address.
    Nasluch pelny(0);
    ASSERT_NE(pelny.s, INVALID_SOCKET);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_port = htons(47100);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::vector<SOCKET> kolejka;
    for (int i = 0; i < 4; ++i) {
        SOCKET k = socket(AF_INET, SOCK_STREAM, 0);
        u_long nieblokujacy = 1;
        ioctlsocket(k, FIONBIO, &nieblokujacy);
        connect(k, (sockaddr*)&a, sizeof a);
        kolejka.push_back(k);
    }
    Sleep(300);
    UstawHost(L"127.0.0.1");
    const ULONGLONG start = GetTickCount64();
    const bool wynik = SprawdzSerwerSwiata();
    const ULONGLONG czas = GetTickCount64() - start;
    for (SOCKET k : kolejka) closesocket(k);
    EXPECT_FALSE(wynik);
    EXPECT_GE(czas, 2500u);
    EXPECT_LT(czas, 6000u) << "the probe's 3-second limit did not end the attempt";
}

// ---- the check worker -----------------------------------------------------

TEST_F(Siec, SprawdzenieZGraISwiatemScalaIZapisuje) {
    TymczasowyFolder tmp;
    const std::wstring gra = tmp / L"Gra", wskazana = tmp / L"Wskazana";
    for (const std::wstring& f : {gra, wskazana}) ZapiszPlik(f + L"\\bin\\x64_dx12\\witcher3.exe", "MZ");
    ZapiszPlik(FolderDanych() + L"\\gra.txt", NaUtf8(gra) + "\r\n");
    SetEnvironmentVariableW(L"MRV_ADRES", UrlTestowy(L"/ok/").c_str());
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    Nasluch swiat;
    ASSERT_NE(swiat.s, INVALID_SOCKET);
    Sprawdz();
    {
        std::lock_guard<std::mutex> l(Stan.blokada);
        ASSERT_EQ(Stan.gry.size(), 1u);
        EXPECT_EQ(Stan.gry[0].folder, gra);
        EXPECT_EQ(Stan.wybranaGra, 0);
        EXPECT_EQ(Stan.serwerSwiata, 1);
        EXPECT_EQ(Stan.wersjaNaSerwerze, "1.0");
        auto [host, port] = AdresTestowy();
        EXPECT_EQ(Stan.dziennik, (Dziennik{"Szukam gry i sprawdzam wersję...",
                                           "Serwer: http://" + NaUtf8(host) + " (MRV_ADRES)", "Znalezione gry: 1", ""}));
        // The player picks a folder no source knows.
        Stan.gry.push_back({wskazana, "inna"});
        Stan.wybranaGra = 1;
    }
    Sprawdz();
    DeleteFileW((FolderDanych() + L"\\gra.txt").c_str());
    WSACleanup();
    std::lock_guard<std::mutex> l(Stan.blokada);
    ASSERT_EQ(Stan.gry.size(), 2u);
    EXPECT_EQ(Stan.gry[1].folder, wskazana);
    EXPECT_EQ(Stan.wybranaGra, 1);
    EXPECT_EQ(Stan.serwerSwiata, 1);
    EXPECT_EQ(Stan.dziennik.end()[-2], "Znalezione gry: 2");
}

struct PrzypadekSprawdzenia {
    const char* opis;
    std::wstring baza;
    std::string wersjaPlik;       // the installed version file's bytes ("" : none)
    std::string naSerwerze;
    std::string zainstalowana;
    std::string blad;
};

TEST_F(Siec, SprawdzenieKolejnoscDziennikaIWyniki) {
    const PrzypadekSprawdzenia przypadki[] = {
        {"wersja z CRLF", L"/ok/", "\xEF\xBB\xBF" "1.0\t\r\n", "1.0", "1.0", ""},
        {"404", L"/status/404/", "", "", "", "Serwer aktualizacji nie odpowiada: serwer odpowiedział 404"},
        {"spacja i BOM zostaja", L"/v/%EF%BB%BF%201.2%0Ax/", "", "\xEF\xBB\xBF 1.2", "", ""},
        {"pusta odpowiedz", L"/pusty/", "0.9", "", "0.9", ""},
        {"ogromna odpowiedz", L"/ogromny/", "", "", "", "Serwer aktualizacji nie odpowiada: za duża odpowiedź serwera"},
    };
    for (const auto& p : przypadki) {
        SCOPED_TRACE(p.opis);
        WyczyscStan();
        {
            std::lock_guard<std::mutex> l(Stan.blokada);
            Stan.blad = "stary blad";  // cleared at the start
        }
        DeleteFileW((FolderDanych() + L"\\wersja.txt").c_str());
        if (!p.wersjaPlik.empty()) ZapiszPlik(FolderDanych() + L"\\wersja.txt", p.wersjaPlik);
        SetEnvironmentVariableW(L"MRV_ADRES", UrlTestowy(p.baza).c_str());
        Sprawdz();
        auto [host, port] = AdresTestowy();
        Dziennik oczekiwany{"Szukam gry i sprawdzam wersję...", "Serwer: http://" + NaUtf8(host) + " (MRV_ADRES)",
                            "Nie znalazłem gry - wskaż folder The Witcher 3."};
        if (!p.blad.empty()) oczekiwany.push_back("BŁĄD: " + p.blad);
        oczekiwany.push_back("");
        std::lock_guard<std::mutex> l(Stan.blokada);
        EXPECT_EQ(Stan.dziennik, oczekiwany);
        EXPECT_EQ(Stan.wersjaNaSerwerze, p.naSerwerze);
        EXPECT_EQ(Stan.wersjaZainstalowana, p.zainstalowana);
        EXPECT_EQ(Stan.blad, p.blad);
        EXPECT_EQ(Stan.status, "");
        EXPECT_EQ(Stan.serwerSwiata, 0);  // probed in every case; nothing listens here
        EXPECT_EQ(Stan.wybranaGra, -1);
        EXPECT_FALSE(Stan.zajety.load());
    }
}

// The slow cases wait about 30 s each, side by side so the suite waits once:
// a download from a server that stops after a few bytes (and stays silent
// for 45 s) ends by the receive time-out; a check against a server that
// trickles a byte a second, which no receive time-out ends, by its own limit.
TEST_F(Siec, ZatrzymanyISaczacySerwerKonczaSieWCzasieADrugiePrzyciskniecieNicNieRobi) {
    UstawSerwer(L"/stoi/");
    const ULONGLONG start = GetTickCount64();
    ULONGLONG czasPobierania = 0;
    std::string bladPobierania;
    bool okPobierania = true;
    std::thread pobieranie([&] {
        okPobierania = Pobierz(L"x", nullptr, L"", nullptr, bladPobierania);
        czasPobierania = GetTickCount64() - start;
    });
    Sleep(300);  // the download has read its server address by now

    SetEnvironmentVariableW(L"MRV_ADRES", UrlTestowy(L"/sacze/").c_str());
    std::thread pierwszy(Sprawdz);
    while (KopiaDziennika().size() < 2) Sleep(10);  // the first is inside its body
    Sprawdz();                                        // returns at once
    EXPECT_TRUE(Stan.zajety.load());
    EXPECT_EQ(KopiaDziennika().size(), 2u);
    pierwszy.join();
    const ULONGLONG czasSprawdzenia = GetTickCount64() - start;
    EXPECT_FALSE(Stan.zajety.load());
    EXPECT_GE(czasSprawdzenia, 29000u);
    EXPECT_LT(czasSprawdzenia, 40000u) << "the check's own limit did not end it";
    {
        std::lock_guard<std::mutex> l(Stan.blokada);
        EXPECT_EQ(Stan.blad, "Serwer aktualizacji nie odpowiada: serwer odpowiada za wolno (ponad 30 s)");
        EXPECT_EQ(Stan.wersjaNaSerwerze, "");
    }

    pobieranie.join();
    EXPECT_FALSE(okPobierania);
    EXPECT_EQ(bladPobierania, "przerwane pobieranie");
    EXPECT_GE(czasPobierania, 25000u);
    EXPECT_LT(czasPobierania, 40000u) << "the receive time-out did not end the download";
}

TEST_F(Siec, PelneSprawdzenieNaNginx) {
    const char* nginx = getenv("MORVANE_NGINX");
    if (!nginx) GTEST_SKIP() << "nginx is not installed";
    SetEnvironmentVariableW(L"MRV_ADRES", (L"http://" + NaUtf16(nginx)).c_str());
    Sprawdz();
    {
        std::lock_guard<std::mutex> l(Stan.blokada);
        EXPECT_EQ(Stan.wersjaNaSerwerze, "2.5");
        EXPECT_EQ(Stan.blad, "");
    }
    std::string paczka, blad;
    ASSERT_TRUE(Pobierz(L"Morvane-najnowsza.zip", &paczka, L"", nullptr, blad)) << blad;
    EXPECT_EQ(paczka.size(), 300000u);
}

}  // namespace
