"""The mod team's signing command (tools/podpisz_launcher): a launcher signed
with a throw-away self-signed certificate made here with openssl verifies
with osslsigncode and still starts under Wine; a wrong password or a missing
certificate is a clear error and leaves the program untouched."""
import hashlib
import os
import shutil
import subprocess
import tempfile
import unittest

from wspolne_okno import EXE, Launcher

NARZEDZIE = os.path.join(os.path.dirname(__file__), "..", "..", "tools", "podpisz_launcher")


def skrot(sciezka):
    with open(sciezka, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


class PodpisLaunchera(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="morvane-podpis-")
        cls.cert, cls.klucz = (os.path.join(cls.tmp, n) for n in ("cert.pem", "klucz.pem"))
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                        "-subj", "/CN=Morvane test", "-addext", "extendedKeyUsage=codeSigning",
                        "-keyout", cls.klucz, "-out", cls.cert], check=True, capture_output=True)
        cls.pfx = os.path.join(cls.tmp, "cert.pfx")
        subprocess.run(["openssl", "pkcs12", "-export", "-in", cls.cert, "-inkey", cls.klucz,
                        "-passout", "pass:haslo testowe", "-out", cls.pfx], check=True, capture_output=True)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def kopia(self, nazwa):
        sciezka = os.path.join(self.tmp, nazwa)
        shutil.copyfile(EXE, sciezka)
        return sciezka

    def podpisz(self, *argumenty, haslo="haslo testowe"):
        env = dict(os.environ, MORVANE_HASLO_CERTYFIKATU=haslo)
        return subprocess.run([NARZEDZIE, *argumenty], capture_output=True, text=True, env=env)

    def weryfikuj(self, exe):
        return subprocess.run(["osslsigncode", "verify", "-CAfile", self.cert, "-in", exe],
                              capture_output=True, text=True)

    def test_podpisany_pfx_i_pem_weryfikuja_sie_i_dzialaja(self):
        for nazwa, argumenty in (("pfx.exe", (self.pfx,)), ("pem.exe", (self.cert, self.klucz))):
            with self.subTest(nazwa):
                exe = self.kopia(nazwa)
                self.assertNotEqual(self.weryfikuj(exe).returncode, 0, "the copy was signed already")
                w = self.podpisz(exe, *argumenty)
                self.assertEqual(w.returncode, 0, w.stderr)
                v = self.weryfikuj(exe)
                self.assertEqual(v.returncode, 0, v.stdout + v.stderr)
        # The signed launcher still runs under Wine: its window appears.
        with Launcher(exe=os.path.join(self.tmp, "pfx.exe")) as l:
            l.czekaj_na_okno()

    def test_zle_haslo_lub_brak_certyfikatu_niczego_nie_zmienia(self):
        exe = self.kopia("nietkniety.exe")
        przed = skrot(exe)
        for opis, argumenty, haslo in (("złe hasło", (self.pfx,), "inne"),
                                       ("brak certyfikatu", (os.path.join(self.tmp, "brak.pfx"),), "haslo testowe"),
                                       ("PEM bez klucza", (self.cert,), "")):
            with self.subTest(opis):
                w = self.podpisz(exe, *argumenty, haslo=haslo)
                self.assertEqual(w.returncode, 1, w.stdout + w.stderr)
                self.assertIn("podpisz_launcher:", w.stderr)
                self.assertEqual(skrot(exe), przed)
                self.assertFalse(os.path.exists(exe + ".podpisany"))


if __name__ == "__main__":
    unittest.main()
