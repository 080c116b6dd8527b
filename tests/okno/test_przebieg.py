"""The whole flow through the real window, as a player clicks it: install
from the demo update server, uninstall answered "no" and then "yes". The
stand-ins for tar.exe and PowerShell (tests/dublery) take the place of the
programs Wine lacks. Screenshots: build/zrzuty/przebieg_*.png."""
import getpass
import os
import shutil
import subprocess
import sys
import time
import unittest

from wspolne_okno import BUILD, Launcher, czekaj_na, okna_morvane, zrzut

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tools"))
import demo_serwery  # noqa: E402
from test_stany import napis, odinstaluj, piksel, wolny_port  # noqa: E402

PREFIKS = os.environ["WINEPREFIX"]
DANE = os.path.join(PREFIKS, "drive_c", "users", getpass.getuser(), "AppData", "Local", "Morvane")
GRA = os.path.join(PREFIKS, "drive_c", "Gry", "Przebieg", "The Witcher 3")
SYSTEM32 = os.path.join(PREFIKS, "drive_c", "windows", "system32")


def klik(okno, x, y):
    subprocess.run(["xdotool", "mousemove", "--window", okno, str(x), str(y), "click", "1"], check=True)


def pytanie(glowne):
    """The yes/no box: the other visible window titled "Morvane"."""
    inne = czekaj_na(lambda: [o for o in okna_morvane() if o != glowne], 15)
    assert inne, "no question box appeared"
    return inne[0]


def odpowiedz(okno, klawisz):
    subprocess.run(["xdotool", "windowfocus", "--sync", okno], check=True)
    subprocess.run(["xdotool", "key", "--clearmodifiers", klawisz], check=True)


def czytaj(sciezka):
    try:
        with open(sciezka, encoding="utf-8") as f:
            return f.read()
    except OSError:
        return None


def gra_dane_i_dublery():
    """A fresh game folder named in a fresh data folder's gra.txt, and the
    stand-ins for tar.exe and PowerShell in the prefix's system folder."""
    shutil.rmtree(DANE, ignore_errors=True)
    shutil.rmtree(os.path.dirname(GRA), ignore_errors=True)
    os.makedirs(os.path.join(GRA, "bin", "x64_dx12"))
    with open(os.path.join(GRA, "bin", "x64_dx12", "witcher3.exe"), "wb") as f:
        f.write(b"MZ")
    os.makedirs(DANE)
    with open(os.path.join(DANE, "gra.txt"), "w") as f:
        f.write("C:\\Gry\\Przebieg\\The Witcher 3\r\n")
    os.makedirs(os.path.join(SYSTEM32, "WindowsPowerShell", "v1.0"), exist_ok=True)
    shutil.copy(os.path.join(BUILD, "tests", "tar_dubler.exe"), os.path.join(SYSTEM32, "tar.exe"))
    shutil.copy(os.path.join(BUILD, "tests", "powershell_dubler.exe"),
                os.path.join(SYSTEM32, "WindowsPowerShell", "v1.0", "powershell.exe"))


class Przebieg(unittest.TestCase):
    def setUp(self):
        gra_dane_i_dublery()
        port = wolny_port()
        self.serwer = demo_serwery.serwer_aktualizacji(port, "1.3")
        self.env = {"MRV_ADRES": f"http://127.0.0.1:{port}{demo_serwery.BAZA}"}

    def tearDown(self):
        self.serwer.shutdown()
        self.serwer.server_close()
        shutil.rmtree(DANE, ignore_errors=True)
        shutil.rmtree(os.path.dirname(GRA), ignore_errors=True)

    def test_instalacja_i_odinstalowanie_klikniete(self):
        wersja = os.path.join(DANE, "wersja.txt")
        with Launcher(self.env) as l:
            okno = l.czekaj_na_okno()
            # The check ends with "ZAINSTALUJ" pressable (red).
            self.assertTrue(czekaj_na(lambda: piksel(zrzut(okno, "przebieg_przed.png"), 50, 306)[0] > 100, 20))
            klik(okno, 194, 332)
            self.assertTrue(czekaj_na(lambda: (czytaj(wersja) or "").startswith("1.3"), 60),
                            "the install did not leave wersja.txt 1.3")
            time.sleep(1.5)
            zrzut(okno, "przebieg_zainstalowany.png")
            self.assertTrue(os.path.isfile(os.path.join(DANE, "paczka", "odinstaluj.ps1")))
            self.assertTrue(os.path.isfile(os.path.join(DANE, "Morvane.exe")))
            self.assertFalse(os.path.exists(os.path.join(DANE, "pobrane", "paczka.zip")))

            # Uninstall, answered "no": nothing happens.
            klik(okno, 810, 581)
            odpowiedz(pytanie(okno), "n")
            self.assertTrue(czekaj_na(lambda: okna_morvane() == [okno], 10), "the question stayed open")
            time.sleep(3)
            self.assertEqual(czytaj(wersja).strip(), "1.3")
            self.assertTrue(os.path.isfile(os.path.join(DANE, "paczka", "odinstaluj.ps1")))

            # Answered "yes": the mod goes, the window closes, then the data folder.
            klik(okno, 810, 581)
            odpowiedz(pytanie(okno), "Return")
            self.assertTrue(czekaj_na(lambda: czytaj(wersja) is None, 20), "the uninstall script did not run")
            zrzut(okno, "przebieg_odinstalowany.png")
            self.assertTrue(czekaj_na(lambda: l.proces.poll() is not None, 15), "the launcher did not close")
            self.assertEqual(l.proces.returncode, 0)
            self.assertTrue(czekaj_na(lambda: not os.path.exists(DANE), 20), "the data folder stayed")
            # Its later tries must not remove the next test's fresh data
            # folder: wait for the removal command (Wine shows its command
            # line to Linux) to end.
            self.assertTrue(czekaj_na(lambda: subprocess.run(["pgrep", "-f", "rmdir /s /q"],
                                                             capture_output=True).returncode != 0, 30))

    def test_sprawdz_ponownie_widzi_nowa_wersje(self):
        with Launcher(self.env) as l:
            okno = l.czekaj_na_okno()
            self.assertTrue(czekaj_na(lambda: napis(zrzut(okno, "przebieg_sprawdz.png")) == "INSTALUJ", 20))
            # Installed meanwhile by other means: only a new check can know.
            with open(os.path.join(DANE, "wersja.txt"), "w") as f:
                f.write("1.3\n")
            time.sleep(1)
            self.assertEqual(napis(zrzut(okno, "przebieg_sprawdz.png")), "INSTALUJ")
            klik(okno, 698, 581)
            self.assertTrue(czekaj_na(lambda: napis(zrzut(okno, "przebieg_sprawdz.png")) == "GRAJ", 20),
                            "Sprawdź ponownie did not check again")
            self.assertTrue(odinstaluj(zrzut(okno, "przebieg_sprawdz.png")))

    def test_graj_uruchamia_gre_i_zamyka_launcher(self):
        # A game that really runs: the tests' waiting program as witcher3.exe.
        shutil.copy(os.path.join(BUILD, "tests", "czekaj.exe"), os.path.join(GRA, "bin", "x64_dx12", "witcher3.exe"))
        with open(os.path.join(DANE, "wersja.txt"), "w") as f:
            f.write("1.3\n")
        try:
            with Launcher(self.env) as l:
                okno = l.czekaj_na_okno()
                self.assertTrue(czekaj_na(lambda: piksel(zrzut(okno, "przebieg_graj.png"), 50, 306)[0] > 100, 20))
                klik(okno, 194, 332)
                self.assertTrue(czekaj_na(lambda: os.path.isfile(os.path.join(DANE, "start_rp.txt")), 10),
                                "no launch marker: the game was not started")
                self.assertTrue(czekaj_na(lambda: l.proces.poll() is not None, 15), "the launcher did not close")
                self.assertEqual(l.proces.returncode, 0)
                # The planned closing's last line made it into the journal's file.
                with open(os.path.join(DANE, "dziennik.txt"), encoding="utf-8", newline="") as f:
                    self.assertTrue(f.read().endswith("  Launcher zamknięty.\r\n"))
                # Nothing was installed on the way.
                self.assertFalse(os.path.exists(os.path.join(DANE, "paczka")))
        finally:
            subprocess.run(["wine", "taskkill", "/F", "/IM", "witcher3.exe"], capture_output=True)


if __name__ == "__main__":
    unittest.main()
