"""The mod team's package builder (tools/paczka_moda.py): what it writes for
the update server, and what it refuses."""
import os
import subprocess
import sys
import tempfile
import unittest
import zipfile

NARZEDZIE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools", "paczka_moda.py")
PRZYKLAD = os.path.join(os.path.dirname(NARZEDZIE), "paczka")


def zbuduj(folder, wersja, cel):
    return subprocess.run([sys.executable, NARZEDZIE, folder, wersja, cel], capture_output=True, text=True)


class PaczkaModa(unittest.TestCase):
    def test_przyklad_daje_paczke_i_wersje_dla_serwera(self):
        with tempfile.TemporaryDirectory() as cel:
            w = zbuduj(PRZYKLAD, "1.4.2", cel)
            self.assertEqual(w.returncode, 0, w.stderr)
            self.assertEqual(sorted(os.listdir(cel)), ["Morvane-najnowsza.zip", "wersja.txt"])
            with open(os.path.join(cel, "wersja.txt"), "rb") as f:
                self.assertEqual(f.read(), b"1.4.2\n")  # ASCII, no signature, first line
            with zipfile.ZipFile(os.path.join(cel, "Morvane-najnowsza.zip")) as z:
                nazwy = z.namelist()
                self.assertIn("instaluj.ps1", nazwy)
                self.assertIn("odinstaluj.ps1", nazwy)
                self.assertIn("mod/README-Morvane.txt", nazwy)
                self.assertEqual(z.read("wersja.txt"), b"1.4.2\r\n")
                # Saved with a signature, so Windows PowerShell 5.1 reads the
                # Polish messages as UTF-8.
                self.assertTrue(z.read("instaluj.ps1").startswith(b"\xef\xbb\xbf"))

    def test_odmawia_skryptow_nie_na_wierzchu_i_zlej_wersji(self):
        with tempfile.TemporaryDirectory() as folder, tempfile.TemporaryDirectory() as cel:
            os.makedirs(os.path.join(folder, "Morvane"))
            for nazwa in ("instaluj.ps1", "odinstaluj.ps1"):
                with open(os.path.join(folder, "Morvane", nazwa), "w") as f:
                    f.write("exit 0\n")
            w = zbuduj(folder, "1.0", cel)
            self.assertNotEqual(w.returncode, 0)
            self.assertIn("instaluj.ps1", w.stderr)
            self.assertEqual(os.listdir(cel), [])
            for zla in ("1.0-beta", " 1.0", "", "v2"):
                w = zbuduj(PRZYKLAD, zla, cel)
                self.assertNotEqual(w.returncode, 0, zla)
            self.assertEqual(os.listdir(cel), [])


if __name__ == "__main__":
    unittest.main()
