"""The real launcher window under Wine: size at two DPI settings, single
instance, and a screenshot a person can look at (build/zrzuty)."""
import subprocess
import time
import unittest

from wspolne_okno import EXE, Launcher, czekaj_na, geometria, okna_morvane, ustaw_dpi, zrzut


class RozmiarOkna(unittest.TestCase):
    def tearDown(self):
        ustaw_dpi(96)

    def test_obszar_klienta_skaluje_sie_z_dpi(self):
        for dpi, oczekiwany in [(96, (940, 620)), (144, (1410, 930))]:
            with self.subTest(dpi=dpi):
                ustaw_dpi(dpi)
                with Launcher() as l:
                    okno = l.czekaj_na_okno()
                    self.assertEqual(geometria(okno), oczekiwany)
                    zrzut(okno, f"okno_{dpi}dpi.png")


class JednaInstancja(unittest.TestCase):
    def test_drugi_launcher_konczy_sie_kodem_0_bez_okna(self):
        with Launcher() as pierwszy:
            pierwszy.czekaj_na_okno()
            start = time.monotonic()
            drugi = subprocess.run(["wine", EXE], capture_output=True, timeout=20)
            self.assertEqual(drugi.returncode, 0)
            self.assertLess(time.monotonic() - start, 10)
            time.sleep(1)
            self.assertEqual(len(okna_morvane()), 1)
            self.assertIsNone(pierwszy.proces.poll(), "the first launcher must keep running")


if __name__ == "__main__":
    unittest.main()
