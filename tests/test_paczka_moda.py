"""The mod team's package builder (tools/paczka_moda.py): what it writes for
the update server, and what it refuses."""
import base64
import hashlib
import os
import stat
import subprocess
import sys
import tempfile
import unittest
import zipfile

NARZEDZIE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools", "paczka_moda.py")
PRZYKLAD = os.path.join(os.path.dirname(NARZEDZIE), "paczka")
KLUCZ = os.path.join(os.path.dirname(NARZEDZIE), "klucz_moda.py")


def zbuduj(folder, wersja, cel, *reszta, env=None):
    return subprocess.run([sys.executable, NARZEDZIE, folder, wersja, cel, *reszta], capture_output=True, text=True,
                          env=env)


def klucz(*argumenty, env=None):
    return subprocess.run([sys.executable, KLUCZ, *argumenty], capture_output=True, text=True, env=env)


class PaczkaModa(unittest.TestCase):
    def test_przyklad_daje_paczke_i_wersje_dla_serwera(self):
        with tempfile.TemporaryDirectory() as cel:
            w = zbuduj(PRZYKLAD, "1.4.2", cel)
            self.assertEqual(w.returncode, 0, w.stderr)
            self.assertEqual(sorted(os.listdir(cel)),
                             ["Morvane-najnowsza.zip", "Morvane-najnowsza.zip.bloki", "wersja.txt"])
            with open(os.path.join(cel, "Morvane-najnowsza.zip"), "rb") as f:
                zip_ = f.read()
            with open(os.path.join(cel, "wersja.txt"), "rb") as f:
                # ASCII, the version alone on the first line, then the package's size and digest.
                self.assertEqual(f.read(), b"1.4.2\nrozmiar=%d\nsha256=%s\n" % (
                    len(zip_), hashlib.sha256(zip_).hexdigest().encode()))
            with zipfile.ZipFile(os.path.join(cel, "Morvane-najnowsza.zip")) as z:
                nazwy = z.namelist()
                self.assertIn("instaluj.ps1", nazwy)
                self.assertIn("odinstaluj.ps1", nazwy)
                self.assertIn("mod/README-Morvane.txt", nazwy)
                self.assertEqual(z.read("wersja.txt"), b"1.4.2\r\n")
                # Saved with a signature, so Windows PowerShell 5.1 reads the
                # Polish messages as UTF-8.
                self.assertTrue(z.read("instaluj.ps1").startswith(b"\xef\xbb\xbf"))

    def test_mapa_blokow_nowego_wydania_rozni_sie_tylko_zmianami(self):
        """A new release built from a fresh checkout (every file's time
        changed), with an entry added early in the zip and one file changed:
        the blocks the previous release lacks are those entries' bytes and
        the headers, not the whole package."""
        sys.path.insert(0, os.path.dirname(NARZEDZIE))
        import paczka_moda
        los = __import__("random").Random(5)
        with tempfile.TemporaryDirectory() as tmp:
            folder = os.path.join(tmp, "paczka")
            os.makedirs(os.path.join(folder, "mod"))
            for nazwa in ("instaluj.ps1", "odinstaluj.ps1"):
                with open(os.path.join(folder, nazwa), "w") as f:
                    f.write("# skrypt\n")
            for i in range(40):
                with open(os.path.join(folder, "mod", f"plik{i:02}.bin"), "wb") as f:
                    f.write(bytes(los.getrandbits(8) for _ in range(60000)))
            mapy, zipy = [], []
            for wydanie in (1, 2):
                if wydanie == 2:
                    with open(os.path.join(folder, "mod", "aaa_nowy.bin"), "wb") as f:
                        f.write(bytes(los.getrandbits(8) for _ in range(30000)))
                    with open(os.path.join(folder, "mod", "plik20.bin"), "r+b") as f:
                        f.seek(1000)
                        f.write(b"zmiana")
                    for korzen, _, pliki in os.walk(folder):
                        for n in pliki:
                            os.utime(os.path.join(korzen, n), (1.9e9, 1.9e9))
                cel = os.path.join(tmp, f"cel{wydanie}")
                w = zbuduj(folder, f"1.{wydanie}", cel)
                self.assertEqual(w.returncode, 0, w.stderr)
                with open(os.path.join(cel, "Morvane-najnowsza.zip"), "rb") as f:
                    zipy.append(f.read())
                with open(os.path.join(cel, "Morvane-najnowsza.zip.bloki"), encoding="utf-8") as f:
                    mapy.append(f.read())
            for mapa, zip_ in zip(mapy, zipy):
                linie = mapa.splitlines()
                self.assertEqual(linie[:2], ["Morvane: mapa bloków v1", f"rozmiar={len(zip_)}"])
                bloki = [(int(l.split()[0]), l.split()[1]) for l in linie[2:]]
                self.assertEqual(sum(d for d, _ in bloki), len(zip_))
                self.assertTrue(all(1 <= d <= 128 * 1024 for d, _ in bloki))
                # Each entry's header and data start is a cut.
                ciecia, p = set(), 0
                for d, skrot in bloki:
                    self.assertEqual(hashlib.sha256(zip_[p:p + d]).hexdigest()[:32], skrot)
                    p += d
                    ciecia.add(p)
                with zipfile.ZipFile(__import__("io").BytesIO(zip_)) as z:
                    for e in z.infolist():
                        self.assertTrue(e.header_offset == 0 or e.header_offset in ciecia, e.filename)
            stare = {tuple(l.split()) for l in mapy[0].splitlines()[2:]}
            nowe = [tuple(l.split()) for l in mapy[1].splitlines()[2:]]
            brakujace = sum(int(d) for d, s in nowe if (d, s) not in stare)
            with zipfile.ZipFile(__import__("io").BytesIO(zipy[1])) as z:
                zmienione = sum(e.compress_size + 30 + len(e.filename) for e in z.infolist()
                                if e.filename in ("mod/aaa_nowy.bin", "mod/plik20.bin"))
                naglowki = sum(30 + len(e.filename) + len(e.extra) + 46 + len(e.filename) for e in z.infolist())
            # The changed entries (a block of slack around them) and every header; not the package.
            self.assertLessEqual(brakujace, zmienione * 1.2 + naglowki + 2 * 128 * 1024, (brakujace, len(zipy[1])))
            self.assertLess(brakujace, len(zipy[1]) / 4)

    def test_launcher_w_paczce_na_wierzchu(self):
        with tempfile.TemporaryDirectory() as tmp:
            folder, cel = os.path.join(tmp, "paczka"), os.path.join(tmp, "cel")
            for nazwa in ("instaluj.ps1", "odinstaluj.ps1"):
                os.makedirs(folder, exist_ok=True)
                with open(os.path.join(folder, nazwa), "w") as f:
                    f.write("# skrypt\n")
            nowy, zly = os.path.join(tmp, "nowy.exe"), os.path.join(tmp, "zly.exe")
            with open(nowy, "wb") as f:
                f.write(b"MZ nowy launcher")
            with open(zly, "wb") as f:
                f.write(b"to nie program")
            # From --launcher, under its fixed name at the top.
            w = zbuduj(folder, "2.0", cel, "--launcher", nowy)
            self.assertEqual(w.returncode, 0, w.stderr)
            self.assertIn("with Morvane.exe", w.stdout)
            with zipfile.ZipFile(os.path.join(cel, "Morvane-najnowsza.zip")) as z:
                self.assertEqual(z.read("Morvane.exe"), b"MZ nowy launcher")
            # From the folder's top when no --launcher is given; --launcher wins over it.
            with open(os.path.join(folder, "Morvane.exe"), "wb") as f:
                f.write(b"MZ z folderu")
            for argumenty, tresc in (((), b"MZ z folderu"), (("--launcher", nowy), b"MZ nowy launcher")):
                w = zbuduj(folder, "2.0", cel, *argumenty)
                self.assertEqual(w.returncode, 0, w.stderr)
                with zipfile.ZipFile(os.path.join(cel, "Morvane-najnowsza.zip")) as z:
                    self.assertEqual([n for n in z.namelist() if n.endswith("Morvane.exe")], ["Morvane.exe"])
                    self.assertEqual(z.read("Morvane.exe"), tresc)
            w = zbuduj(folder, "2.0", cel, "--launcher", zly)
            self.assertNotEqual(w.returncode, 0)
            self.assertIn("not a Windows program", w.stderr)

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

    def test_klucz_i_podpis_ktory_sprawdza_sie_kluczem_publicznym(self):
        from cryptography.hazmat.primitives import hashes
        from cryptography.hazmat.primitives.asymmetric import ec
        from cryptography.hazmat.primitives.asymmetric.utils import encode_dss_signature
        with tempfile.TemporaryDirectory() as tmp:
            pem = os.path.join(tmp, "klucz.pem")
            w = klucz("new", pem)
            self.assertEqual(w.returncode, 0, w.stderr)
            publiczny = w.stdout.strip()
            self.assertRegex(publiczny, r"^[0-9a-f]{128}$")
            self.assertNotIn("PRIVATE", w.stdout + w.stderr)  # never printed
            self.assertEqual(stat.S_IMODE(os.stat(pem).st_mode), 0o600)
            with open(pem, "rb") as f:
                przed = f.read()
            w = klucz("new", pem)  # never over an existing key
            self.assertNotEqual(w.returncode, 0)
            self.assertIn("exists", w.stderr)
            with open(pem, "rb") as f:
                self.assertEqual(f.read(), przed)
            self.assertEqual(klucz("public", pem).stdout.strip(), publiczny)

            cel = os.path.join(tmp, "serwer")
            w = zbuduj(PRZYKLAD, "2.0", cel, "--klucz", pem)
            self.assertEqual(w.returncode, 0, w.stderr)
            with open(os.path.join(cel, "Morvane-najnowsza.zip"), "rb") as f:
                zip_ = f.read()
            with open(os.path.join(cel, "wersja.txt"), "rb") as f:
                linie = f.read().decode("ascii").split("\n")
            skrot = hashlib.sha256(zip_).hexdigest()
            self.assertEqual(linie[:4], ["2.0", f"rozmiar={len(zip_)}", f"sha256={skrot}", f"klucz={publiczny[:16]}"])
            self.assertEqual(linie[5:], [""])
            podpis = base64.b64decode(linie[4].removeprefix("podpis="), validate=True)
            self.assertEqual(len(podpis), 64)
            # What the launcher verifies: this exact text, this key, r||s.
            tresc = f"Morvane: paczka moda, podpis v1\nwersja=2.0\nrozmiar={len(zip_)}\nsha256={skrot}\n".encode()
            punkt = ec.EllipticCurvePublicNumbers(int(publiczny[:64], 16), int(publiczny[64:], 16), ec.SECP256R1())
            der = encode_dss_signature(int.from_bytes(podpis[:32], "big"), int.from_bytes(podpis[32:], "big"))
            punkt.public_key().verify(der, tresc, ec.ECDSA(hashes.SHA256()))

    def test_klucz_z_haslem(self):
        with tempfile.TemporaryDirectory() as tmp:
            pem, cel = os.path.join(tmp, "klucz.pem"), os.path.join(tmp, "serwer")
            z_haslem = dict(os.environ, MORVANE_HASLO_KLUCZA="tajne haslo")
            self.assertEqual(klucz("new", pem, env=z_haslem).returncode, 0)
            with open(pem) as f:
                self.assertIn("ENCRYPTED", f.read())
            bez = dict(os.environ)
            bez.pop("MORVANE_HASLO_KLUCZA", None)
            w = zbuduj(PRZYKLAD, "2.0", cel, "--klucz", pem, env=bez)
            self.assertNotEqual(w.returncode, 0)
            self.assertFalse(os.path.exists(os.path.join(cel, "wersja.txt")))
            self.assertEqual(zbuduj(PRZYKLAD, "2.0", cel, "--klucz", pem, env=z_haslem).returncode, 0)


if __name__ == "__main__":
    unittest.main()
