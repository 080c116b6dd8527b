// Command lines of the installation and the cutting of a child's output:
// pure functions, run under Wine and natively.
#include <gtest/gtest.h>

#include <algorithm>

#include "install/polecenia.h"

namespace {

const std::wstring PS = L"powershell.exe -NoProfile -NonInteractive -ExecutionPolicy Bypass -Command \"";

TEST(Polecenia, PodwojApostrofyKazdyZnakKonczacyCytatPowerShella) {
    struct P { std::wstring we, wy; };
    const P przypadki[] = {
        {L"C:\\Gry\\The Witcher 3", L"C:\\Gry\\The Witcher 3"},
        {L"", L""},
        {L"C:\\Gry O'Neila", L"C:\\Gry O''Neila"},
        {L"''", L"''''"},
        {L"a\u2018b\u2019c\u201Ad\u201Be", L"a\u2018\u2018b\u2019\u2019c\u201A\u201Ad\u201B\u201Be"},
        {L"\u201C\u201D\"`$", L"\u201C\u201D\"`$"},  // double quotes and the rest stay
        {L"Gra\u2019; Remove-Item C:\\ -Recurse; \u2019", L"Gra\u2019\u2019; Remove-Item C:\\ -Recurse; \u2019\u2019"},
    };
    for (const auto& p : przypadki) EXPECT_EQ(PodwojApostrofy(p.we), p.wy);
}

TEST(Polecenia, SkryptTarIExpandArchiveZnakPoZnaku) {
    EXPECT_EQ(PolecenieSkryptu(L"C:\\Dane O'K\\paczka\\instaluj.ps1", L"-Gra 'G' -Launcher 'L'"),
              PS + L"[Console]::OutputEncoding=[Text.Encoding]::UTF8; $ProgressPreference='SilentlyContinue'; "
                   L"& 'C:\\Dane O''K\\paczka\\instaluj.ps1' -Gra 'G' -Launcher 'L'\"");
    // No arguments: the quoted path, one space and the closing quote.
    EXPECT_EQ(PolecenieSkryptu(L"C:\\D\\odinstaluj.ps1", L""),
              PS + L"[Console]::OutputEncoding=[Text.Encoding]::UTF8; $ProgressPreference='SilentlyContinue'; "
                   L"& 'C:\\D\\odinstaluj.ps1' \"");
    EXPECT_EQ(ArgumentyInstalacji(L"D:\\Gry\\Wiedźmin O'Brien", L"C:\\Użytkownik's\\Morvane\\Morvane.exe"),
              L"-Gra 'D:\\Gry\\Wiedźmin O''Brien' -Launcher 'C:\\Użytkownik''s\\Morvane\\Morvane.exe'");
    EXPECT_EQ(PolecenieTar(L"C:\\windows\\system32", L"C:\\D a\\pobrane\\paczka.zip", L"C:\\D a\\paczka"),
              L"\"C:\\windows\\system32\\tar.exe\" -xf \"C:\\D a\\pobrane\\paczka.zip\" -C \"C:\\D a\\paczka\"");
    EXPECT_EQ(PolecenieExpandArchive(L"C:\\O'K\\pobrane\\paczka.zip", L"C:\\O'K\\paczka"),
              PS + L"$ProgressPreference='SilentlyContinue'; Expand-Archive -LiteralPath "
                   L"'C:\\O''K\\pobrane\\paczka.zip' -DestinationPath 'C:\\O''K\\paczka' -Force\"");
    EXPECT_EQ(ProgramPowerShell(L"C:\\windows\\system32"),
              L"C:\\windows\\system32\\WindowsPowerShell\\v1.0\\powershell.exe");
    EXPECT_EQ(ProgramCmd(L"C:\\windows\\system32"), L"C:\\windows\\system32\\cmd.exe");
}

TEST(Polecenia, FolderNadrzednyPoKorzeniu) {
    struct P { std::wstring we, wy; };
    const P przypadki[] = {
        {L"C:\\Dane\\paczka\\instaluj.ps1", L"C:\\Dane\\paczka"},
        {L"C:\\Dane\\paczka\\\\/instaluj.ps1", L"C:\\Dane\\paczka"},
        {L"C:/Dane/paczka/instaluj.ps1", L"C:/Dane/paczka"},
        {L"C:\\instaluj.ps1", L"C:\\"},
        {L"C:\\", L"C:\\"},
        {L"C:", L"C:"},
        {L"\\\\serwer\\udzial\\a.ps1", L"\\\\serwer\\udzial\\"},
        {L"\\\\serwer\\udzial\\", L"\\\\serwer\\udzial\\"},
        {L"\\\\?\\C:\\a\\b.ps1", L"\\\\?\\C:\\a"},
        {L"\\\\?\\C:\\b.ps1", L"\\\\?\\C:\\"},
        {L"instaluj.ps1", L""},
        {L"", L""},
    };
    for (const auto& p : przypadki) {
        std::string opis(p.we.begin(), p.we.end());
        EXPECT_EQ(FolderNadrzedny(p.we), p.wy) << opis;
    }
}

TEST(Polecenia, UsuniecieFolderuTylkoDlaSciezkiBezProcentuIWykrzyknika) {
    struct P { std::wstring folder; bool ok; };
    const P przypadki[] = {
        {L"C:\\users\\Jan Kowalski\\AppData\\Local\\Morvane", true},
        {L"C:\\users\\Żaneta & Co (1)^\\AppData\\Local\\Morvane", true},
        // Delayed expansion (a player's cmd setting) rewrites !TEMP! too.
        {L"C:\\users\\Hej!\\AppData\\Local\\Morvane", false},
        {L"C:\\users\\!TEMP!\\Morvane", false},
        {L"C:\\users\\100%\\AppData\\Local\\Morvane", false},
        {L"C:\\users\\%USERNAME%\\Morvane", false},
        {L"C:\\a\"b", false},
        {L"C:\\a\nb", false},
        {L"", false},
    };
    for (const auto& p : przypadki) EXPECT_EQ(FolderBezpiecznyDlaCmd(p.folder), p.ok);
    const std::wstring f = L"C:\\users\\Jan Kowalski\\AppData\\Local\\Morvane";
    const std::wstring usun = L" & rmdir /s /q \"" + f + L"\" 2>nul";
    EXPECT_EQ(PolecenieUsunieciaFolderu(f), L"cmd.exe /c ping 127.0.0.1 -n 4 >nul" + usun +
                                                L" & ping 127.0.0.1 -n 3 >nul" + usun +
                                                L" & ping 127.0.0.1 -n 6 >nul" + usun);
}

TEST(Polecenia, TekstPostepuWMebibajtach) {
    EXPECT_EQ(TekstPostepuPaczki(183500800, 183500800), "Pobieram paczkę moda... 175 z 175 MB");
    EXPECT_EQ(TekstPostepuPaczki(0, 183500800), "Pobieram paczkę moda... 0 z 175 MB");
    EXPECT_EQ(TekstPostepuPaczki(1572864 + 1, 3 * 1048576), "Pobieram paczkę moda... 2 z 3 MB");
    EXPECT_EQ(TekstPostepuPaczki(~0ull, ~0ull), "Pobieram paczkę moda... 17592186044416 z 17592186044416 MB");
}

struct PrzypadekWyjscia {
    const char* opis;
    std::string bajty;
    std::vector<std::string> linie;
    std::string reszta;
};

std::vector<std::string> Potnij(const std::string& bajty, size_t kawalek, std::string& reszta) {
    CiecieLinii c;
    std::vector<std::string> wszystkie;
    for (size_t i = 0; i < bajty.size(); i += kawalek) {
        auto l = DodajWyjscie(c, bajty.data() + i, std::min(kawalek, bajty.size() - i));
        wszystkie.insert(wszystkie.end(), l.begin(), l.end());
    }
    reszta = ResztaWyjscia(c);
    return wszystkie;
}

TEST(Wyjscie, LinieCieteTylkoNaLFWKazdymPodzialeOdczytow) {
    const PrzypadekWyjscia przypadki[] = {
        {"CR LF", "pierwsza\r\ndruga\r\n", {"pierwsza", "druga"}, ""},
        {"spacje i CR w dowolnym miksie", "a \r \r\r  \nb\r\r\n", {"a", "b"}, ""},
        {"puste i same spacje", "\n\r\n  \r \n \nx\n", {"x"}, ""},
        {"wciecie zostaje", "   wciety\n", {"   wciety"}, ""},
        {"ostatnia bez LF zostaje jak jest", "a\nkoniec \r", {"a"}, "koniec \r"},
        {"sam CR nie tnie", "a\rb\n", {"a\rb"}, ""},
        {"polskie litery", "Zażółć gęślą jaźń\r\n", {"Zażółć gęślą jaźń"}, ""},
        {"nic", "", {}, ""},
        {"bajt zerowy i nie-UTF-8", std::string("a\0b\xff\n", 5), {std::string("a\0b\xff", 4)}, ""},
    };
    for (const auto& p : przypadki) {
        // Every read size, down to one byte a read: a UTF-8 letter split
        // between two reads stays whole.
        for (size_t kawalek : {size_t(1), size_t(2), size_t(3), size_t(4096)}) {
            SCOPED_TRACE(std::string(p.opis) + ", reads of " + std::to_string(kawalek));
            std::string reszta;
            EXPECT_EQ(Potnij(p.bajty, kawalek, reszta), p.linie);
            EXPECT_EQ(reszta, p.reszta);
        }
    }
}

}  // namespace
