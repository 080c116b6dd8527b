"""The launcher updating itself, through the real windows: a package that
carries a newer Morvane.exe (the same launcher built one major version up)
puts it at <data>\\Morvane.exe, the running launcher hands over to it and
ends; an older copy started from elsewhere hands over to a newer one in the
data folder; a package's older launcher is ignored; a new one that can't
start is undone. Screenshots: build/zrzuty/samo_*.png."""
import os
import shutil
import subprocess
import time
import unittest

from wspolne_okno import BUILD, EXE, Launcher, czekaj_na, okna_morvane, wine, zrzut
from test_przebieg import DANE, gra_dane_i_dublery, klik
from test_stany import piksel, wolny_port
import demo_serwery

EXE_NOWSZY = os.environ["MORVANE_EXE_NOWSZY"]
WERSJA, NOWSZA = os.environ["MORVANE_WERSJA"], os.environ["MORVANE_WERSJA_NOWSZA"]
KOPIA = os.path.join(DANE, "Morvane.exe")
STARY = KOPIA + ".stary"
DZIENNIK = os.path.join(DANE, "dziennik.txt")


def bajty(sciezka):
    try:
        with open(sciezka, "rb") as f:
            return f.read()
    except OSError:
        return None


def dziennik():
    try:
        with open(DZIENNIK, encoding="utf-8") as f:
            return f.read()
    except OSError:
        return ""


def w_windows(sciezka):
    return "Z:" + sciezka.replace("/", "\\")


class Samoaktualizacja(unittest.TestCase):
    def setUp(self):
        gra_dane_i_dublery()
        self.serwer = None

    def tearDown(self):
        wine("taskkill", "/F", "/IM", "Morvane.exe")
        czekaj_na(lambda: not okna_morvane(), 10)
        if self.serwer:
            self.serwer.shutdown()
            self.serwer.server_close()
        shutil.rmtree(DANE, ignore_errors=True)

    def publikuj(self, launcher):
        port = wolny_port()
        self.serwer = demo_serwery.serwer_aktualizacji(port, "1.3", launcher=launcher)
        return {"MRV_ADRES": f"http://127.0.0.1:{port}{demo_serwery.BAZA}"}

    def zainstaluj(self, l, nazwa):
        okno = l.czekaj_na_okno()
        # The check has ended with "ZAINSTALUJ" pressable (red).
        self.assertTrue(czekaj_na(lambda: piksel(zrzut(okno, nazwa), 50, 306)[0] > 100, 30))
        klik(okno, 194, 332)
        return okno

    def przejecie(self, exe, nazwa, stary):
        """Installs a package with the newer launcher from a launcher started
        as `exe`: the old process ends, the new one's window is the only one."""
        env = self.publikuj(EXE_NOWSZY)
        with Launcher(env, exe=exe) as l:
            okno = self.zainstaluj(l, f"samo_{nazwa}_przed.png")
            # The old window says what happens while the new one starts: the
            # last whole picture of it before it goes. A capture of a window
            # that goes meanwhile can hang: each one has a time limit.
            tymczasowy = os.path.join(BUILD, "zrzuty", f"samo_{nazwa}_przekazanie.tmp.png")
            koniec = time.monotonic() + 60
            while l.proces.poll() is None and okno in okna_morvane() and time.monotonic() < koniec:
                try:
                    subprocess.run(["import", "-window", okno, tymczasowy], check=True, capture_output=True,
                                   timeout=5)
                except (subprocess.CalledProcessError, subprocess.TimeoutExpired):
                    break
                if os.path.getsize(tymczasowy) > 20000:
                    os.replace(tymczasowy, tymczasowy.replace(".tmp.png", ".png"))
                time.sleep(0.1)
            if os.path.exists(tymczasowy):
                os.remove(tymczasowy)
            self.assertTrue(czekaj_na(lambda: l.proces.poll() is not None, 60), "the old launcher did not end")
            self.assertEqual(l.proces.returncode, 0)
            # A start meanwhile finds the mutex and the one window, and goes.
            trzeci = subprocess.run(["wine", EXE], capture_output=True, timeout=60)
            self.assertEqual(trzeci.returncode, 0)
            self.assertTrue(czekaj_na(lambda: f"===== Launcher Morvane {NOWSZA}, uruchomiony" in dziennik(), 30),
                            dziennik())
            okna = czekaj_na(okna_morvane, 30)
            self.assertEqual(len(okna), 1, "not exactly one launcher window")
            self.assertEqual(bajty(KOPIA), bajty(EXE_NOWSZY))
            # The copy it replaced stays until the new one has ended a run.
            self.assertEqual(os.path.exists(STARY), stary)
            time.sleep(1.0)
            zrzut(okna[0], f"samo_{nazwa}_nowy.png")
            linie = dziennik()
            self.assertIn(f"Nowy launcher {NOWSZA} - uruchamiam go ponownie.", linie)
            self.assertIn(f"Launcher Morvane {NOWSZA}", linie)
            self.assertIn("Czekam, aż poprzedni launcher się zamknie...", linie)
            # Only one launcher acted: the new one's check ran once the old had gone.
            self.assertEqual(linie.count("===== Launcher Morvane"), 2, linie)
            # The player closes it: a run that ended normally.
            subprocess.run(["xdotool", "key", "--window", okna[0], "alt+F4"], check=True)
            self.assertTrue(czekaj_na(lambda: not okna_morvane(), 30), "the new launcher did not close")
            self.assertTrue(czekaj_na(lambda: not os.path.exists(STARY), 20), "the replaced copy outlived a normal run")

    def test_z_folderu_danych_przechodzi_na_nowszy(self):
        os.makedirs(DANE, exist_ok=True)
        shutil.copy(EXE, KOPIA)
        self.przejecie(w_windows(KOPIA), "z_danych", True)

    def test_z_innego_folderu_przechodzi_na_nowszy(self):
        self.przejecie(EXE, "z_innego", False)

    def test_starszy_z_innego_folderu_oddaje_nowszemu_z_danych(self):
        shutil.copy(EXE_NOWSZY, KOPIA)
        przed = sorted(os.listdir(DANE))
        with Launcher({}, exe=EXE) as l:
            self.assertTrue(czekaj_na(lambda: l.proces.poll() is not None, 60), "the older launcher did not end")
            okna = czekaj_na(okna_morvane, 30)
            self.assertEqual(len(okna), 1)
            self.assertTrue(czekaj_na(lambda: f"Launcher Morvane {NOWSZA}" in dziennik(), 30), dziennik())
            self.assertNotIn(f"Launcher Morvane {WERSJA}\n", dziennik())
        self.assertEqual(bajty(KOPIA), bajty(EXE_NOWSZY))
        self.assertEqual(sorted(x for x in os.listdir(DANE) if not x.startswith("dziennik")), przed)

    def test_starszy_w_paczce_zostaje_zepsuty_cofniety(self):
        zepsuty = (f"BŁĄD: Nowy launcher 99.0 nie uruchomił się - przywróciłem ten ({WERSJA}). Mod jest "
                   "zainstalowany; zgłoś to zespołowi moda.")
        for nazwa, launcher, linia in (
                ("starszy", os.path.join(BUILD, "tests", "launcher_stary.exe"),
                 f"Launcher w paczce (0.5) nie jest nowszy od tego ({WERSJA}) - zostaje obecny."),
                ("zepsuty", os.path.join(BUILD, "tests", "launcher_zepsuty.exe"), zepsuty),
                # Its window shows, then it dies: it never said it stands.
                ("pada_po_oknie", os.path.join(BUILD, "tests", "launcher_okno.exe"), zepsuty)):
            with self.subTest(nazwa):
                self.tearDown()
                self.setUp()
                env = self.publikuj(launcher)
                with Launcher(env, exe=EXE) as l:
                    okno = self.zainstaluj(l, f"samo_{nazwa}_przed.png")
                    self.assertTrue(czekaj_na(lambda: linia in dziennik(), 60), dziennik())
                    time.sleep(1.5)
                    okna = okna_morvane()
                    self.assertEqual(okna, [okno])
                    zrzut(okno, f"samo_{nazwa}.png")
                    self.assertIsNone(l.proces.poll(), "the launcher closed")
                    # This launcher stands at <data>\\Morvane.exe, as every install leaves one.
                    self.assertEqual(bajty(KOPIA), bajty(EXE))
                    self.assertFalse(os.path.exists(STARY))
                if nazwa == "starszy":
                    continue
                # What the player starts next is a launcher that works; it
                # tries the new one once more first, and comes back.
                with Launcher({}, exe=w_windows(KOPIA)) as l:
                    okno = l.czekaj_na_okno()
                    proba = "Ponawiam przejście na nowy launcher 99.0 z zainstalowanej paczki (próba 2 z 3)."
                    self.assertTrue(czekaj_na(lambda: proba in dziennik(), 30), dziennik())
                    self.assertIsNone(l.proces.poll())
                    self.assertEqual(bajty(KOPIA), bajty(EXE))

    def test_ucieta_lub_brak_kopii_obok_starej_wraca(self):
        """A power cut left the new copy missing or cut short beside the
        kept one: any launcher started puts the kept one back, and then the
        data folder's copy starts."""
        for nazwa in ("ucieta", "brak"):
            with self.subTest(nazwa):
                self.tearDown()
                self.setUp()
                os.makedirs(DANE, exist_ok=True)
                shutil.copy(EXE, STARY)
                if nazwa == "ucieta":
                    with open(KOPIA, "wb") as f:
                        f.write(bajty(EXE_NOWSZY)[:4096])
                with Launcher({}, exe=EXE) as l:
                    l.czekaj_na_okno()
                    linia = f"Przywróciłem poprzedni launcher ({WERSJA}): nowy nie zakończył"
                    self.assertTrue(czekaj_na(lambda: linia in dziennik(), 30), dziennik())
                    self.assertEqual(bajty(KOPIA), bajty(EXE))
                    self.assertFalse(os.path.exists(STARY))
                with Launcher({}, exe=w_windows(KOPIA)) as l:
                    okno = l.czekaj_na_okno()
                    zrzut(okno, f"samo_{nazwa}_kopia_wraca.png")
                    self.assertIsNone(l.proces.poll())


if __name__ == "__main__":
    unittest.main()
