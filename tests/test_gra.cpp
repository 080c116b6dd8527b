// Finding, validating, merging, picking and starting the game, against real
// folders and the real registry of the test prefix.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include <filesystem>

#include "app/wskaz.h"
#include "core/tekst.h"
#include "game/folder.h"
#include "game/odkrywanie.h"
#include "game/uruchom.h"
#include "wspolne.h"

namespace {

// A game folder as the stores leave it. With no exe content, the caller
// copies a real program in: written fresh, never over a stand-in file (once
// in many runs Wine then refused to start it as a bad image).
void ZrobGre(const std::wstring& folder, const std::string& rodzaj, const std::string& exe = "MZ") {
    std::filesystem::create_directories(folder + L"\\bin\\x64_dx12");
    if (!exe.empty()) ZapiszPlik(folder + L"\\bin\\x64_dx12\\witcher3.exe", exe);
    if (rodzaj == "Steam") ZapiszPlik(folder + L"\\bin\\x64_dx12\\steam_api64.dll", "MZ");
    if (rodzaj == "GOG") ZapiszPlik(folder + L"\\goggame-1207664643.info", "{}");
}

void UstawRejestr(HKEY korzen, const std::wstring& klucz, const wchar_t* nazwa, const std::wstring& wartosc) {
    ASSERT_EQ(RegSetKeyValueW(korzen, klucz.c_str(), nazwa, REG_SZ, wartosc.c_str(),
                              (DWORD)((wartosc.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
}

// Leaves the registry and the data folder as the test found them.
struct CzystyRejestr {
    CzystyRejestr() { Sprzataj(); }
    ~CzystyRejestr() { Sprzataj(); }
    static void Sprzataj() {
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Valve");
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\WOW6432Node\\GOG.com");
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\GOG.com");
        RegDeleteTreeW(HKEY_CLASSES_ROOT, L"steam");
        DeleteFileW((FolderDanych() + L"\\gra.txt").c_str());
        DeleteFileW((FolderDanych() + L"\\start_rp.txt").c_str());
    }
};

std::wstring NaUkosniki(std::wstring w) {
    for (auto& z : w)
        if (z == L'\\') z = L'/';
    return w;
}

std::wstring WielkieAZ(std::wstring w) {
    for (auto& z : w)
        if (z >= L'a' && z <= L'z') z = (wchar_t)(z - 32);
    return w;
}

std::vector<std::pair<std::wstring, std::string>> Pary(const std::vector<ZnalezionaGra>& lista) {
    std::vector<std::pair<std::wstring, std::string>> w;
    for (const auto& g : lista) w.emplace_back(g.folder, g.rodzaj);
    return w;
}

TEST(FolderGry, PostacRodzajIDuplikaty) {
    TymczasowyFolder tmp;
    const std::wstring steam = tmp / L"Steam Gry\\The Witcher 3";
    const std::wstring gog = tmp / L"GOG Galaxy\\Wiedźmin & 100% ^ 'x'";
    const std::wstring inna = tmp / L"Inna";
    const std::wstring obie = tmp / L"Obie";
    const std::wstring folderGog = tmp / L"FolderGog";
    ZrobGre(steam, "Steam");
    ZrobGre(gog, "GOG");
    ZrobGre(inna, "inna");
    ZrobGre(obie, "Steam");
    ZapiszPlik(obie + L"\\goggame-1.info", "{}");
    ZrobGre(folderGog, "inna");
    std::filesystem::create_directories(folderGog + L"\\goggame-2.info");  // a folder matches too
    std::filesystem::create_directories(tmp / L"BezExe\\bin\\x64_dx12");
    ZapiszPlik(tmp / L"BezExe\\bin\\x64_dx12\\steam_api64.dll", "MZ");

    std::vector<ZnalezionaGra> lista;
    SprawdzFolderGry(lista, NaUkosniki(steam) + L"/");
    SprawdzFolderGry(lista, gog + L"\\\\");
    SprawdzFolderGry(lista, inna);
    SprawdzFolderGry(lista, obie);
    SprawdzFolderGry(lista, folderGog);
    // rejected: no exe, empty, only separators, missing, duplicates in any A-Z case
    SprawdzFolderGry(lista, tmp / L"BezExe");
    SprawdzFolderGry(lista, L"");
    SprawdzFolderGry(lista, L"\\/\\");
    SprawdzFolderGry(lista, tmp / L"Brak");
    SprawdzFolderGry(lista, WielkieAZ(steam) + L"\\");
    SprawdzFolderGry(lista, inna + L" ");  // a trailing space is another (missing) folder

    EXPECT_EQ(Pary(lista), (std::vector<std::pair<std::wstring, std::string>>{
                               {steam, "Steam"}, {gog, "GOG"}, {inna, "inna"}, {obie, "Steam"}, {folderGog, "GOG"}}));
}

TEST(FolderGry, PolskaLiteraWInnejWielkosciToInnyFolder) {
    TymczasowyFolder tmp;
    ZrobGre(tmp / L"gra\u0105", "inna");
    ZrobGre(tmp / L"gra\u0104", "inna");
    std::vector<ZnalezionaGra> lista;
    SprawdzFolderGry(lista, tmp / L"gra\u0105");
    SprawdzFolderGry(lista, tmp / L"gra\u0104");
    // Wine's file system ignores case, so both names reach the same files,
    // yet the launcher lists them as two entries: only A-Z fold.
    EXPECT_EQ(lista.size(), 2u);
}

TEST(Odkrywanie, KolejnoscZrodelIWybor) {
    CzystyRejestr rejestr;
    TymczasowyFolder tmp;
    const std::wstring zapisana = tmp / L"Zapisana";
    const std::wstring steamFolder = tmp / L"Steam";
    const std::wstring bibliotekaD = tmp / L"SteamLibrary";
    const std::wstring gogA = tmp / L"GOG\\Wiedźmin 3";
    const std::wstring gogB = tmp / L"GOG\\Drugi";
    const std::wstring gogDuze = tmp / L"GOG\\DUZE";
    ZrobGre(zapisana, "GOG");
    ZrobGre(steamFolder + L"\\steamapps\\common\\The Witcher 3", "Steam");
    ZrobGre(bibliotekaD + L"\\steamapps\\common\\The Witcher 3", "Steam");
    ZrobGre(gogA, "GOG");
    ZrobGre(gogB, "GOG");
    ZrobGre(gogDuze, "GOG");

    std::filesystem::create_directories(FolderDanych());
    ZapiszPlik(FolderDanych() + L"\\gra.txt", "\xEF\xBB\xBF  " + NaUtf8(zapisana) + "\\\t\r\n");
    UstawRejestr(HKEY_CURRENT_USER, L"Software\\Valve\\Steam", L"SteamPath", NaUkosniki(steamFolder));
    auto podwoj = [](std::string s) {
        std::string w;
        for (char z : s) w += z == '\\' ? "\\\\" : std::string(1, z);
        return w;
    };
    ZapiszPlik(steamFolder + L"\\steamapps\\libraryfolders.vdf",
               "\"libraryfolders\"\r\n{\r\n\t\"0\"\r\n\t{\r\n\t\t\"path\"\t\t\"" + podwoj(NaUtf8(steamFolder)) +
                   "\"\r\n\t}\r\n\t\"1\"\r\n\t{\r\n\t\t\"path\"\t\t\"" + podwoj(NaUtf8(bibliotekaD)) +
                   "\"\r\n\t}\r\n}\r\n");
    const std::wstring wow = L"SOFTWARE\\WOW6432Node\\GOG.com\\Games\\";
    const std::wstring gog = L"SOFTWARE\\GOG.com\\Games\\";
    UstawRejestr(HKEY_LOCAL_MACHINE, wow + L"1207664643", L"gameName",
                 L"The Witcher 3: Wild Hunt - Game of the Year Edition");
    UstawRejestr(HKEY_LOCAL_MACHINE, wow + L"1207664643", L"path", gogA);
    UstawRejestr(HKEY_LOCAL_MACHINE, wow + L"1", L"gameName", L"THE WITCHER 3");  // case-sensitive title
    UstawRejestr(HKEY_LOCAL_MACHINE, wow + L"1", L"path", gogDuze);
    UstawRejestr(HKEY_LOCAL_MACHINE, wow + L"2", L"gameName", L"Gwint");
    UstawRejestr(HKEY_LOCAL_MACHINE, gog + L"1207664643", L"gameName", L"The Witcher 3");  // same game again
    UstawRejestr(HKEY_LOCAL_MACHINE, gog + L"1207664643", L"path", gogA + L"\\");
    UstawRejestr(HKEY_LOCAL_MACHINE, gog + L"3", L"gameName", L"The Witcher 3 drugi");
    UstawRejestr(HKEY_LOCAL_MACHINE, gog + L"3", L"path", gogB);
    UstawRejestr(HKEY_LOCAL_MACHINE, gog + L"4", L"gameName", L"The Witcher 3 bez sciezki");

    ZnalezioneGry wynik = ZnajdzGry();
    EXPECT_EQ(wynik.zapisany, zapisana + L"\\");
    EXPECT_EQ(Pary(wynik.lista),
              (std::vector<std::pair<std::wstring, std::string>>{
                  {zapisana, "GOG"},
                  {steamFolder + L"\\steamapps\\common\\The Witcher 3", "Steam"},
                  {bibliotekaD + L"\\steamapps\\common\\The Witcher 3", "Steam"},
                  {gogA, "GOG"},
                  {gogB, "GOG"}}));

    // gra.txt naming a folder without the game: the first Steam find is chosen.
    ZapiszPlik(FolderDanych() + L"\\gra.txt", NaUtf8(tmp / L"Brak") + "\r\n");
    wynik = ZnajdzGry();
    ASSERT_EQ(wynik.lista.size(), 4u);
    WyczyscStan();
    ScalGry(wynik);
    {
        std::lock_guard<std::mutex> l(Stan.blokada);
        EXPECT_EQ(Stan.wybranaGra, 0);
        EXPECT_EQ(Stan.gry[0].rodzaj, "Steam");
    }
}

TEST(Odkrywanie, GraGogZKazdegoZDwochKluczyOsobno) {
    // GOG Galaxy is a 32-bit program: on 64-bit Windows its games stand
    // under WOW6432Node, and a game there alone must be found, as must one
    // under the plain key alone.
    for (const wchar_t* klucz : {L"SOFTWARE\\WOW6432Node\\GOG.com\\Games\\", L"SOFTWARE\\GOG.com\\Games\\"}) {
        SCOPED_TRACE(NaUtf8(klucz));
        CzystyRejestr rejestr;
        TymczasowyFolder tmp;
        const std::wstring gra = tmp / L"GOG Games\\The Witcher 3 Wild Hunt GOTY";
        ZrobGre(gra, "GOG");
        UstawRejestr(HKEY_LOCAL_MACHINE, std::wstring(klucz) + L"1207664643", L"gameName", L"The Witcher 3");
        UstawRejestr(HKEY_LOCAL_MACHINE, std::wstring(klucz) + L"1207664643", L"path", gra);
        EXPECT_EQ(Pary(ZnajdzGry().lista), (std::vector<std::pair<std::wstring, std::string>>{{gra, "GOG"}}));
    }
}

TEST(Odkrywanie, ZleWartosciRejestruNicNieDaja) {
    CzystyRejestr rejestr;
    TymczasowyFolder tmp;
    ZrobGre(tmp / L"Steam\\steamapps\\common\\The Witcher 3", "Steam");
    // Too long for the 1023-character buffer, though it names a real folder.
    std::wstring dluga = tmp / L"Steam";
    dluga += std::wstring(1100, L'\\');
    UstawRejestr(HKEY_CURRENT_USER, L"Software\\Valve\\Steam", L"SteamPath", dluga);
    EXPECT_TRUE(ZnajdzGry().lista.empty());
    DWORD liczba = 5;
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Valve\\Steam", L"SteamPath", REG_DWORD, &liczba, sizeof liczba);
    EXPECT_TRUE(ZnajdzGry().lista.empty());
    UstawRejestr(HKEY_CURRENT_USER, L"Software\\Valve\\Steam", L"SteamPath", tmp / L"Steam");
    EXPECT_EQ(ZnajdzGry().lista.size(), 1u);  // the same folder, readable: found
}

TEST(Odkrywanie, PlikVdfZeSmieciamiNieSzkodzi) {
    CzystyRejestr rejestr;
    TymczasowyFolder tmp;
    const std::wstring steam = tmp / L"Steam";
    ZrobGre(steam + L"\\steamapps\\common\\The Witcher 3", "Steam");
    std::string smieci(20u << 20, '\0');  // 20 MiB, one line, no quotes closing
    for (size_t i = 0; i < smieci.size(); ++i) smieci[i] = (char)((i * 2654435761u) >> 13);
    ZapiszPlik(steam + L"\\steamapps\\libraryfolders.vdf", "\"path\" \"" + smieci);
    UstawRejestr(HKEY_CURRENT_USER, L"Software\\Valve\\Steam", L"SteamPath", steam);
    EXPECT_EQ(ZnajdzGry().lista.size(), 1u);
    std::filesystem::create_directories(steam + L"\\steamapps\\libraryfolders.vdf.d");
    EXPECT_EQ(BibliotekiSteam(steam + L"\\brak").size(), 1u);
}

// ScalGry takes the lock itself; the checks below read Stan under it.
struct Wybor {
    std::vector<std::wstring> foldery;
    int wybrana;
};
Wybor StanGier() {
    std::lock_guard<std::mutex> l(Stan.blokada);
    Wybor w{{}, Stan.wybranaGra};
    for (const auto& g : Stan.gry) w.foldery.push_back(g.folder);
    return w;
}

TEST(Scalanie, WyborGraczaPrzetrwaDopokiJestGra) {
    TymczasowyFolder tmp;
    const std::wstring a = tmp / L"A", b = tmp / L"B", wskazana = tmp / L"Wskazana";
    ZrobGre(a, "Steam");
    ZrobGre(b, "GOG");
    ZrobGre(wskazana, "inna");
    WyczyscStan();
    // nothing anywhere
    EXPECT_EQ(ScalGry({}), 0u);
    EXPECT_EQ(StanGier().wybrana, -1);
    // first check: entry 0
    EXPECT_EQ(ScalGry({{{a, "Steam"}, {b, "GOG"}}, L""}), 2u);
    EXPECT_EQ(StanGier().wybrana, 0);
    // the player picked a folder no source knows: it stays, after the finds, chosen
    {
        std::lock_guard<std::mutex> l(Stan.blokada);
        Stan.gry.push_back({wskazana, "inna"});
        Stan.wybranaGra = 2;
    }
    EXPECT_EQ(ScalGry({{{a, "Steam"}, {b, "GOG"}}, L""}), 3u);
    EXPECT_EQ(StanGier().foldery, (std::vector<std::wstring>{a, b, wskazana}));
    EXPECT_EQ(StanGier().wybrana, 2);
    // the chosen folder lost its exe: it drops out, entry 0 is chosen
    DeleteFileW((wskazana + L"\\bin\\x64_dx12\\witcher3.exe").c_str());
    EXPECT_EQ(ScalGry({{{a, "Steam"}, {b, "GOG"}}, L""}), 2u);
    EXPECT_EQ(StanGier().wybrana, 0);
    // choice of B kept when the sources now list it first
    {
        std::lock_guard<std::mutex> l(Stan.blokada);
        Stan.wybranaGra = 1;
    }
    ScalGry({{{b, "GOG"}, {a, "Steam"}}, L""});
    EXPECT_EQ(StanGier().wybrana, 0);
    EXPECT_EQ(StanGier().foldery.front(), b);
}

TEST(Scalanie, SprawdzanieNaDyskuNieTrzymaBlokady) {
    // Many known folders make the check on disk take a while (more of them
    // until it takes long enough to measure on this machine); the window's
    // per-frame lock must not wait for it.
    TymczasowyFolder tmp;
    ZrobGre(tmp / L"Jest", "inna");
    std::vector<ZnalezionaGra> znane;
    auto ustawZnane = [&] {
        std::lock_guard<std::mutex> l(Stan.blokada);
        Stan.gry = znane;
        Stan.wybranaGra = (int)znane.size() - 1;
    };
    ULONGLONG calosc = 0;
    for (int ile = 2000; ile <= 64000 && calosc < 250; ile *= 2) {
        znane.clear();
        for (int i = 0; i < ile; ++i) znane.push_back({tmp / (L"Brak" + std::to_wstring(i)), "inna"});
        znane.push_back({tmp / L"Jest", "inna"});
        WyczyscStan();
        ustawZnane();
        const ULONGLONG start = GetTickCount64();
        ScalGry({});
        calosc = GetTickCount64() - start;
    }
    ASSERT_GE(calosc, 250u) << "too fast to tell";

    ustawZnane();
    std::atomic<bool> koniec{false};
    ULONGLONG najdluzej = 0;
    std::thread okno([&] {
        while (!koniec) {
            const ULONGLONG a = GetTickCount64();
            { std::lock_guard<std::mutex> l(Stan.blokada); }
            najdluzej = std::max(najdluzej, GetTickCount64() - a);
            Sleep(1);
        }
    });
    ScalGry({});
    koniec = true;
    okno.join();
    EXPECT_LT(najdluzej, calosc / 3) << "the lock was held " << najdluzej << " ms of " << calosc;
    EXPECT_EQ(StanGier().foldery, std::vector<std::wstring>{tmp / L"Jest"});
    EXPECT_EQ(StanGier().wybrana, 0);
}

TEST(WskazanieFolderu, PrzypadkiPoWyborzeWOknie) {
    TymczasowyFolder tmp;
    const std::wstring gra = tmp / L"Gra Ąę", druga = tmp / L"Druga";
    ZrobGre(gra, "GOG");
    ZrobGre(druga, "inna");
    std::filesystem::create_directories(tmp / L"Pusty");
    WyczyscStan();
    auto stan = [] {
        std::lock_guard<std::mutex> l(Stan.blokada);
        return std::make_tuple(Stan.gry.size(), Stan.wybranaGra, Stan.blad);
    };

    PrzyjmijWskazanyFolder(tmp / L"Pusty");  // no game, empty list
    EXPECT_EQ(stan(), std::make_tuple(size_t(0), -1, std::string(BladFolderuBezGry)));
    EXPECT_EQ(std::string(BladFolderuBezGry).size(), 89u);

    PrzyjmijWskazanyFolder(gra);  // new valid folder: appended and chosen; the error stays
    EXPECT_EQ(stan(), std::make_tuple(size_t(1), 0, std::string(BladFolderuBezGry)));

    PrzyjmijWskazanyFolder(druga + L"\\");
    EXPECT_EQ(std::get<1>(stan()), 1);

    PrzyjmijWskazanyFolder(WielkieAZ(gra) + L"\\");  // same folder, other case, trailing backslash
    EXPECT_EQ(stan(), std::make_tuple(size_t(2), 0, std::string(BladFolderuBezGry)));

    {
        std::lock_guard<std::mutex> l(Stan.blokada);
        Stan.blad.clear();
    }
    PrzyjmijWskazanyFolder(tmp / L"Pusty");  // no game, non-empty list: choice unchanged
    EXPECT_EQ(stan(), std::make_tuple(size_t(2), 0, std::string(BladFolderuBezGry)));
    EXPECT_TRUE(KopiaDziennika().empty());  // the picker writes no journal line
}

// ---- starting the game -----------------------------------------------------

std::string CzekajNaLog(const std::wstring& log, DWORD ms = 15000) {
    for (DWORD t = 0; t < ms; t += 100) {
        if (PlikIstnieje(log)) return CzytajPlik(log);
        Sleep(100);
    }
    return "";
}

void WybierzGre(const std::wstring& folder, const std::string& rodzaj) {
    WyczyscStan();
    std::lock_guard<std::mutex> l(Stan.blokada);
    Stan.gry = {{folder, rodzaj}};
    Stan.wybranaGra = 0;
}

std::string Znacznik() { return CzytajPlik(FolderDanych() + L"\\start_rp.txt"); }

TEST(UruchomienieGry, KopiaInnaStartujeBezposrednioZFolderuBin) {
    CzystyRejestr rejestr;
    TymczasowyFolder tmp;
    const std::wstring folder = tmp / L"Gry 'Wiedźmin' & 100% ^ x";
    const std::wstring exe = folder + L"\\bin\\x64_dx12\\witcher3.exe";
    ZrobGre(folder, "GOG", "");
    ASSERT_TRUE(CopyFileW((FolderTestu() + L"\\" + NaUtf16(ZAPISZ_EXE)).c_str(), exe.c_str(), TRUE));
    std::filesystem::create_directories(FolderDanych());
    ZapiszPlik(FolderDanych() + L"\\start_rp.txt", std::string(100, 'x'));

    WybierzGre(folder, "GOG");
    const ULONGLONG przed = GetTickCount64();
    UruchomGre();
    EXPECT_EQ(Znacznik(), "start z launchera 1.0\r\n");  // rewritten, not appended
    // Wine quotes an unquoted path with spaces on its own, so the exact
    // command text is pinned by the PolecenieGry test; here the real start.
    const std::string log = CzekajNaLog(exe + L".log");
    EXPECT_EQ(log, "\"" + NaUtf8(exe) + "\"\n" + NaUtf8(folder) + "\\bin\\x64_dx12\n");
    uint64_t termin = Stan.terminZamkniecia.load();
    EXPECT_GE(termin, przed + 4000);
    EXPECT_LE(termin, GetTickCount64() + 4000);
    std::lock_guard<std::mutex> l(Stan.blokada);
    EXPECT_EQ(Stan.status, "Uruchamiam grę... Brama Morvane otworzy się sama w menu gry.");
    EXPECT_EQ(Stan.dziennik, (Dziennik{Stan.status}));
    EXPECT_EQ(Stan.blad, "");
}

TEST(UruchomienieGry, KopiaSteamIdzieTylkoPrzezSteam) {
    CzystyRejestr rejestr;
    TymczasowyFolder tmp;
    const std::wstring folder = tmp / L"steamapps\\common\\The Witcher 3";
    const std::wstring exe = folder + L"\\bin\\x64_dx12\\witcher3.exe";
    const std::wstring handler = tmp / L"steam-handler.exe";
    ZrobGre(folder, "Steam", "");
    const std::wstring zapisz = FolderTestu() + L"\\" + NaUtf16(ZAPISZ_EXE);
    ASSERT_TRUE(CopyFileW(zapisz.c_str(), exe.c_str(), TRUE));
    ASSERT_TRUE(CopyFileW(zapisz.c_str(), handler.c_str(), FALSE));

    // Without a steam: handler the start fails and nothing is planned.
    WybierzGre(folder, "Steam");
    UruchomGre();
    EXPECT_EQ(Znacznik(), "start z launchera 1.0\r\n");  // written even when the start fails
    EXPECT_EQ(Stan.terminZamkniecia.load(), 0u);
    {
        std::lock_guard<std::mutex> l(Stan.blokada);
        EXPECT_EQ(Stan.blad, "Nie udało się uruchomić gry.");
        EXPECT_EQ(Stan.dziennik, (Dziennik{"BŁĄD: Nie udało się uruchomić gry."}));
        EXPECT_EQ(Stan.status, "");
    }

    UstawRejestr(HKEY_CLASSES_ROOT, L"steam", L"URL Protocol", L"");
    UstawRejestr(HKEY_CLASSES_ROOT, L"steam\\shell\\open\\command", nullptr, L"\"" + handler + L"\" \"%1\"");
    WybierzGre(folder, "Steam");
    UruchomGre();
    const std::string log = CzekajNaLog(handler + L".log");
    EXPECT_NE(log.find("steam://rungameid/292030"), std::string::npos) << log;
    EXPECT_NE(Stan.terminZamkniecia.load(), 0u);
    Sleep(500);
    EXPECT_FALSE(PlikIstnieje(exe + L".log")) << "a Steam copy must never be started directly";
}

TEST(UruchomienieGry, NieudanyStartNieZamykaLaunchera) {
    CzystyRejestr rejestr;
    TymczasowyFolder tmp;
    const std::wstring folder = tmp / L"Zepsuta";
    ZrobGre(folder, "inna", "to nie jest program");
    WybierzGre(folder, "inna");
    UstawStatus("poprzedni", -1.0f);
    UruchomGre();
    EXPECT_EQ(Stan.terminZamkniecia.load(), 0u);
    std::lock_guard<std::mutex> l(Stan.blokada);
    EXPECT_EQ(Stan.blad, "Nie udało się uruchomić gry.");
    EXPECT_EQ(Stan.status, "poprzedni");
}

TEST(UruchomienieGry, BezWybranejGryNicSieNieDzieje) {
    CzystyRejestr rejestr;
    WyczyscStan();
    UruchomGre();
    EXPECT_FALSE(PlikIstnieje(FolderDanych() + L"\\start_rp.txt"));
    EXPECT_TRUE(KopiaDziennika().empty());
    EXPECT_EQ(Stan.terminZamkniecia.load(), 0u);
}

}  // namespace
