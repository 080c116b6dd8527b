"""The real launcher in each of its main states, with real servers (the demo
update server and world server) and a real game folder in the test prefix.
Each state leaves a screenshot in build/zrzuty/stan_*.png; the test tells
the states apart by what is drawn: the main button's colour (dark red when
it can be pressed, grey when not), the width of its label (GRAJ, CZEKAJ...,
ZAINSTALUJ or AKTUALIZUJ, WSKAŻ FOLDER GRY) and whether the footer offers
"Odinstaluj" (with a mod installed, or its uninstall script left)."""
import getpass
import os
import shutil
import socket
import subprocess
import sys
import time
import unittest

from wspolne_okno import EXE, EXE_KLUCZE, Launcher, zrzut

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tools"))
import demo_serwery  # noqa: E402

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "paczki"))
import klucze_testowe  # noqa: E402

PREFIKS = os.environ["WINEPREFIX"]
DANE = os.path.join(PREFIKS, "drive_c", "users", getpass.getuser(), "AppData", "Local", "Morvane")
GRA = os.path.join(PREFIKS, "drive_c", "Gry", "The Witcher 3")


def wolny_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def piksel(sciezka, x, y):
    w = subprocess.run(["convert", sciezka, "-format", f"%[fx:int(255*p{{{x},{y}}}.r)],"
                        f"%[fx:int(255*p{{{x},{y}}}.g)],%[fx:int(255*p{{{x},{y}}}.b)]", "info:"],
                       capture_output=True, text=True, check=True)
    return tuple(int(v) for v in w.stdout.strip().split(","))


def czerwone_w_pasku(sciezka):
    """Red pixels in the row of the progress bar (right of the main button)."""
    w = subprocess.run(["convert", sciezka, "-crop", "532x1+354+320", "+repage", "-depth", "8", "txt:-"],
                       capture_output=True, text=True, check=True)
    n = 0
    for linia in w.stdout.splitlines()[1:]:
        r, g, b = (int(v) for v in linia.split("(")[1].split(")")[0].split(",")[:3])
        n += r > 120 and r > 3 * g
    return n


def jasne(sciezka, x, y, w, h, prog):
    """Width of the run of light pixels (each channel over prog) in a box."""
    w = subprocess.run(["convert", sciezka, "-crop", f"{w}x{h}+{x}+{y}", "+repage", "-depth", "8", "txt:-"],
                       capture_output=True, text=True, check=True)
    xs = []
    for linia in w.stdout.splitlines()[1:]:
        r, g, b = (int(v) for v in linia.split("(")[1].split(")")[0].split(",")[:3])
        if min(r, g, b) > prog:
            xs.append(int(linia.split(":")[0].split(",")[0]))
    return max(xs) - min(xs) + 1 if xs else 0


def czerwony_tekst(sciezka, x, y, w, h):
    """Pixels of the error colour (224, 128, 110, anti-aliased) in a box."""
    w = subprocess.run(["convert", sciezka, "-crop", f"{w}x{h}+{x}+{y}", "+repage", "-depth", "8", "txt:-"],
                       capture_output=True, text=True, check=True)
    n = 0
    for linia in w.stdout.splitlines()[1:]:
        r, g, b = (int(v) for v in linia.split("(")[1].split(")")[0].split(",")[:3])
        n += r > 150 and r > g + 60 and r > b + 70
    return n


# The main button's label, by the width it takes at 96 DPI.
NAPISY = {"GRAJ": (40, 80), "CZEKAJ": (85, 120), "INSTALUJ": (125, 165), "WSKAZ": (200, 260)}


def napis(sciezka):
    szer = jasne(sciezka, 44, 300, 300, 64, 120)
    for nazwa, (od, do) in NAPISY.items():
        if od <= szer <= do:
            return nazwa
    return f"? ({szer} px)"


def odinstaluj(sciezka):
    return jasne(sciezka, 772, 572, 80, 18, 150) > 20


class StanyOkna(unittest.TestCase):
    def setUp(self):
        shutil.rmtree(DANE, ignore_errors=True)
        shutil.rmtree(os.path.dirname(GRA), ignore_errors=True)
        os.makedirs(DANE)
        self.serwery = []

    def tearDown(self):
        for s in self.serwery:
            if isinstance(s, demo_serwery.SerwerSwiata):
                s.close()
            else:
                s.shutdown()
                s.server_close()
        shutil.rmtree(DANE, ignore_errors=True)
        shutil.rmtree(os.path.dirname(GRA), ignore_errors=True)

    def gra(self):
        os.makedirs(os.path.join(GRA, "bin", "x64_dx12"))
        for plik in ("witcher3.exe", "steam_api64.dll"):
            with open(os.path.join(GRA, "bin", "x64_dx12", plik), "wb") as f:
                f.write(b"MZ")
        with open(os.path.join(DANE, "gra.txt"), "w") as f:
            f.write("C:\\Gry\\The Witcher 3\r\n")

    def wersja(self, tekst):
        with open(os.path.join(DANE, "wersja.txt"), "w") as f:
            f.write(tekst + "\n")

    def serwer(self, wersja="1.0", tryb="ok", swiat=False, klucz=None):
        port = wolny_port()
        self.serwery.append(demo_serwery.serwer_aktualizacji(port, wersja, tryb, klucz))
        if swiat:
            self.serwery.append(demo_serwery.serwer_swiata())
        return {"MRV_ADRES": f"http://127.0.0.1:{port}{demo_serwery.BAZA}"}

    def stan(self, nazwa, env, aktywny, etykieta, z_odinstaluj=False, czekaj=4.0, exe=EXE):
        """A button that should end up pressable is watched until it is (the
        check may be slow on a loaded machine); one that should not is taken
        after a pause long enough for a local check to finish."""
        with Launcher(env, exe) as l:
            okno = l.czekaj_na_okno()
            time.sleep(czekaj)
            koniec = time.monotonic() + (20 if aktywny else 0)
            while True:
                sciezka = zrzut(okno, f"stan_{nazwa}.png")
                r, g, b = piksel(sciezka, 50, 306)  # inside the main button, away from its text
                czerwony = r > 100 and r > 2 * g
                if (czerwony == aktywny and napis(sciezka) == etykieta) or time.monotonic() > koniec:
                    break
                time.sleep(0.5)
        self.assertEqual(czerwony, aktywny, f"{nazwa}: button colour {r},{g},{b}")
        self.assertEqual(napis(sciezka), etykieta, f"{nazwa}: the main button's label")
        self.assertEqual(odinstaluj(sciezka), z_odinstaluj, f"{nazwa}: the footer's Odinstaluj")
        return sciezka

    def test_brak_gry(self):
        self.stan("brak_gry", self.serwer(), aktywny=True, etykieta="WSKAZ")

    def test_instalacja(self):
        self.gra()
        self.stan("instalacja", self.serwer("1.0"), aktywny=True, etykieta="INSTALUJ")

    def test_aktualizacja(self):
        self.gra()
        self.wersja("1.0")
        self.stan("aktualizacja", self.serwer("1.1"), aktywny=True, etykieta="INSTALUJ", z_odinstaluj=True)

    def test_bez_paska_gdy_wolny(self):
        sciezka = self.stan("wolny", self.serwer(), aktywny=True, etykieta="WSKAZ")
        self.assertEqual(czerwone_w_pasku(sciezka), 0)

    def test_po_nieudanej_instalacji(self):
        # A failed install script left its package (with the uninstall
        # script) and no version: "Odinstaluj" stays offered.
        self.gra()
        os.makedirs(os.path.join(DANE, "paczka"))
        with open(os.path.join(DANE, "paczka", "odinstaluj.ps1"), "w") as f:
            f.write("# dubler: kod 0\r\n")
        self.stan("po_nieudanej_instalacji", self.serwer("1.0"), aktywny=True, etykieta="INSTALUJ", z_odinstaluj=True)

    def test_graj(self):
        self.gra()
        self.wersja("1.1")
        self.stan("graj", self.serwer("1.1", swiat=True), aktywny=True, etykieta="GRAJ", z_odinstaluj=True)

    def test_zajety(self):
        self.gra()
        sciezka = self.stan("zajety", self.serwer(tryb="stoi"), aktywny=False, etykieta="CZEKAJ", czekaj=1.5)
        self.assertGreater(czerwone_w_pasku(sciezka), 10, "the moving progress bar is missing")

    def test_blad(self):
        # The check has ended (no bar, no CZEKAJ...): nothing to install from.
        self.gra()
        sciezka = self.stan("blad", self.serwer(tryb="404"), aktywny=False, etykieta="INSTALUJ")
        self.assertEqual(czerwone_w_pasku(sciezka), 0)


    def test_podpis_zespolu(self):
        # A launcher built with the team's keys, a version the team signed.
        self.gra()
        self.stan("podpis_zespolu", self.serwer("1.0", klucz=klucze_testowe.klucz("A")), aktywny=True,
                  etykieta="INSTALUJ", exe=EXE_KLUCZE)

    def test_podpis_obcy(self):
        # The same launcher, a version signed by a stranger's key: no install
        # offered, and the reason in red beside the button and in the journal.
        self.gra()
        sciezka = self.stan("podpis_obcy", self.serwer("1.0", klucz=klucze_testowe.klucz("C")), aktywny=False,
                            etykieta="INSTALUJ", exe=EXE_KLUCZE)
        self.assertGreater(czerwony_tekst(sciezka, 360, 300, 536, 70), 50, "no red reason beside the button")
        self.assertGreater(czerwony_tekst(sciezka, 44, 392, 852, 160), 50, "no red line in the journal")


if __name__ == "__main__":
    unittest.main()
