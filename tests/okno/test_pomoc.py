"""What helps a player get help, through the real window: the journal kept
in dziennik.txt in the data folder (after the launcher has closed, and
across runs), copied to the clipboard by the footer's button and by Ctrl+C,
and the honest message under Wine's own powershell.exe instead of a useless
download. Screenshots: build/zrzuty/pomoc_*.png."""
import os
import re
import shutil
import subprocess
import time
import unittest

from wspolne_okno import BUILD, Launcher, czekaj_na, wine, zrzut
from test_przebieg import DANE, GRA, SYSTEM32, gra_dane_i_dublery, klik, odpowiedz, pytanie
from test_stany import piksel, wolny_port
import demo_serwery

PLIK = os.path.join(DANE, "dziennik.txt")
CZAS = re.compile(r"^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d  ")
ZNACZNIK = re.compile(r"^===== Launcher Morvane 1\.0, uruchomiony \d{4}-\d\d-\d\d \d\d:\d\d:\d\d =====$")
POWERSHELL = os.path.join(SYSTEM32, "WindowsPowerShell", "v1.0", "powershell.exe")
WINE_POWERSHELL = "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/powershell.exe"


def czytaj(sciezka):
    try:
        with open(sciezka, encoding="utf-8", newline="") as f:
            return f.read()
    except OSError:
        return None


def linie_pliku():
    """The file's lines: run markers as "=====", journal lines without their time."""
    tekst = czytaj(PLIK) or ""
    assert tekst == "" or tekst.endswith("\r\n"), repr(tekst[-40:])
    wynik = []
    for linia in tekst.split("\r\n")[:-1]:
        if ZNACZNIK.match(linia):
            wynik.append("=====")
        else:
            assert CZAS.match(linia), repr(linia)
            wynik.append(CZAS.sub("", linia))
    return wynik


def schowek():
    w = wine(os.path.join(BUILD, "tests", "schowek.exe"))
    return w.stdout.decode("utf-8") if w.returncode == 0 else None


def zamknij(l, okno):
    """Closes the window as a player does (Alt+F4) and waits for the process."""
    odpowiedz(okno, "alt+F4")
    l.proces.wait(30)


class Pomoc(unittest.TestCase):
    def setUp(self, zip_=None):
        gra_dane_i_dublery()
        port = wolny_port()
        self.serwer = demo_serwery.serwer_aktualizacji(port, "1.3", zip_=zip_)
        self.env = {"MRV_ADRES": f"http://127.0.0.1:{port}{demo_serwery.BAZA}"}

    def tearDown(self):
        shutil.copy(os.path.join(BUILD, "tests", "powershell_dubler.exe"), POWERSHELL)
        self.serwer.shutdown()
        self.serwer.server_close()
        shutil.rmtree(DANE, ignore_errors=True)
        shutil.rmtree(os.path.dirname(GRA), ignore_errors=True)

    def z_paczka(self, nazwa):
        """The server publishes the tests' package <nazwa> instead of the example."""
        self.tearDown()
        with open(os.path.join(BUILD, "tests", "paczki", nazwa + ".zip"), "rb") as f:
            self.setUp(zip_=f.read())

    def gotowe(self, okno, nazwa):
        """The check has ended: "ZAINSTALUJ" is pressable (red)."""
        self.assertTrue(czekaj_na(lambda: piksel(zrzut(okno, nazwa), 50, 306)[0] > 100, 30))

    def test_dziennik_w_pliku_po_zamknieciu_i_w_kolejnym_uruchomieniu(self):
        # The server publishes a package whose install script fails with its
        # own output.
        self.z_paczka("kod3")
        with Launcher(self.env) as l:
            okno = l.czekaj_na_okno()
            self.gotowe(okno, "pomoc_przed.png")
            klik(okno, 194, 332)
            blad = "BŁĄD: Instalacja przerwana (kod 3) - szczegóły w dzienniku niżej."
            self.assertTrue(czekaj_na(lambda: blad in linie_pliku(), 30), linie_pliku())
            zamknij(l, okno)
        pierwsze = linie_pliku()
        self.assertEqual(pierwsze[:2], ["=====", "Launcher Morvane 1.0"])
        # The script's lines and the error, in order, as the window had them.
        i = pierwsze.index("  Brak miejsca na dysku")
        self.assertEqual(pierwsze[i - 1], "Instaluję (kopiuję ok. 400 MB do folderu gry)...")
        self.assertEqual(pierwsze[i + 1], blad)

        # A second run appends behind a marker of its own.
        with Launcher(self.env) as l:
            okno = l.czekaj_na_okno()
            self.gotowe(okno, "pomoc_drugie.png")
            zamknij(l, okno)
        drugie = linie_pliku()
        self.assertEqual(drugie[:len(pierwsze)], pierwsze)
        self.assertEqual(drugie[len(pierwsze):len(pierwsze) + 2], ["=====", "Launcher Morvane 1.0"])

    def test_zamkniecie_w_trakcie_instalacji_trafia_do_pliku(self):
        # A script that prints, then works for 20 s: the player closes the
        # launcher meanwhile and confirms. The lines logged at that very moment
        # reach the file only through its last write.
        self.z_paczka("bardzo_powolna")
        with Launcher(self.env) as l:
            okno = l.czekaj_na_okno()
            self.gotowe(okno, "pomoc_przed_zamknieciem.png")
            klik(okno, 194, 332)
            self.assertTrue(czekaj_na(lambda: "  Kopiuję..." in linie_pliku(), 30), linie_pliku())
            odpowiedz(okno, "alt+F4")
            pytanie_ = pytanie(okno)
            zrzut(pytanie_, "pomoc_pytanie_przy_zamknieciu.png")
            odpowiedz(pytanie_, "y")
            l.proces.wait(30)
        # The script the launcher left behind.
        subprocess.run(["wine", "taskkill", "/F", "/IM", "powershell.exe"], capture_output=True)
        linie = linie_pliku()
        self.assertEqual(linie[-2:], [
            "Launcher zamknięty przez gracza w trakcie instalacji lub usuwania moda - gra mogła zostać w połowie zmian.",
            "Launcher zamknięty."])

    def test_kopiowanie_przyciskiem_i_ctrl_c(self):
        with Launcher(self.env) as l:
            okno = l.czekaj_na_okno()
            self.gotowe(okno, "pomoc_przed_kopia.png")
            time.sleep(1.0)  # the file has every line of the check
            dziennik = "".join(linia + "\r\n" for linia in linie_pliku()[1:])
            self.assertIn("Szukam gry i sprawdzam wersję...\r\n", dziennik)
            for sposob in ("przycisk", "ctrl+c"):
                with self.subTest(sposob):
                    self.assertEqual(wine(os.path.join(BUILD, "tests", "schowek.exe"), "--wyczysc").returncode, 0)
                    self.assertIsNone(schowek())
                    if sposob == "przycisk":
                        klik(okno, 840, 543)
                    else:
                        # As a hand presses it: Ctrl held, then C.
                        subprocess.run(["xdotool", "windowfocus", "--sync", okno], check=True)
                        for krok in (["keydown", "ctrl"], ["key", "c"], ["keyup", "ctrl"]):
                            subprocess.run(["xdotool", *krok], check=True)
                            time.sleep(0.15)
                    self.assertTrue(czekaj_na(lambda: schowek() is not None, 10), "nothing was copied")
                    self.assertEqual(schowek(), dziennik)
            zrzut(okno, "pomoc_skopiowany.png")

    def test_wine_bez_powershella_mowi_prawde_i_nic_nie_pobiera(self):
        shutil.copy(WINE_POWERSHELL, POWERSHELL)  # Wine's own stub, as in a player's prefix
        przed = sorted(os.listdir(DANE))
        with Launcher(self.env) as l:
            okno = l.czekaj_na_okno()
            self.gotowe(okno, "pomoc_wine_przed.png")
            self.serwer.zapytania.clear()
            klik(okno, 194, 332)
            self.assertTrue(czekaj_na(lambda: any("wymaga Windows PowerShell" in x for x in linie_pliku()), 20),
                            linie_pliku())
            time.sleep(1.0)
            zrzut(okno, "pomoc_wine.png")
        self.assertEqual(self.serwer.zapytania, [], "the launcher asked the server for something")
        self.assertEqual(sorted(x for x in os.listdir(DANE) if not x.startswith("dziennik")), przed)


if __name__ == "__main__":
    unittest.main()
