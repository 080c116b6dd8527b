#!/usr/bin/env python3
"""Builds the install tests' packages into OUT_DIR (one zip each), most with
the mod team's own builder. Their scripts carry "# dubler:" lines, which the
test stand-in for PowerShell acts on (see tests/dublery/powershell.cpp)."""
import base64
import io
import os
import sys
import tempfile
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tools"))
import paczka_moda  # noqa: E402
import klucze_testowe  # noqa: E402

cel = sys.argv[1]
os.makedirs(cel, exist_ok=True)

POLSKI = "Kopiuję pliki: zażółć gęślą jaźń"


def skrypty(instaluj, odinstaluj):
    return {"instaluj.ps1": instaluj, "odinstaluj.ps1": odinstaluj, "mod/plik.txt": "mod\n"}


def paczka(nazwa, pliki, wersja="2.0", klucz=None):
    """<nazwa>.zip, and <nazwa>.wersja.txt: the announcement the test server
    publishes beside it (/paczki/<nazwa>/wersja.txt)."""
    with tempfile.TemporaryDirectory() as folder:
        for sciezka, tresc in pliki.items():
            pelna = os.path.join(folder, sciezka)
            os.makedirs(os.path.dirname(pelna), exist_ok=True)
            with open(pelna, "w", encoding="utf-8", newline="\r\n") as f:
                f.write(tresc)
        with tempfile.TemporaryDirectory() as wynik:
            paczka_moda.zbuduj(folder, wersja, wynik, klucz)
            os.replace(os.path.join(wynik, "Morvane-najnowsza.zip"), os.path.join(cel, nazwa + ".zip"))
            os.replace(os.path.join(wynik, "wersja.txt"), os.path.join(cel, nazwa + ".wersja.txt"))
            os.replace(os.path.join(wynik, "Morvane-najnowsza.zip.bloki"), os.path.join(cel, nazwa + ".bloki"))


def zapisz(nazwa, zip_=None, wersja_txt=None):
    """A package made by hand: its zip (with the block map that describes
    it, whatever the announcement says) and/or its announcement."""
    if zip_ is not None:
        with open(os.path.join(cel, nazwa + ".zip"), "wb") as f:
            f.write(zip_)
        with open(os.path.join(cel, nazwa + ".bloki"), "w", encoding="utf-8", newline="") as f:
            f.write(paczka_moda.mapa_blokow(zip_))
    if wersja_txt is not None:
        with open(os.path.join(cel, nazwa + ".wersja.txt"), "wb") as f:
            f.write(wersja_txt.encode("ascii"))


def czytaj(nazwa, rozszerzenie=".zip"):
    with open(os.path.join(cel, nazwa + rozszerzenie), "rb") as f:
        return f.read()


paczka("dobra", skrypty(
    f"param($Gra, $Launcher)\n# dubler: wypisz {POLSKI}\n# dubler: wypisz   wcięty wiersz   \n"
    "# dubler: wersja 2.0\n# dubler: kod 0\n",
    "# dubler: wypisz Przywracam pliki gry\n# dubler: usun-wersje\n# dubler: kod 0\n"))
paczka("kod3", skrypty("# dubler: wypisz Brak miejsca na dysku\n# dubler: kod 3\n",
                       "# dubler: kod 0\n"))
paczka("odinstaluj_kod2", skrypty("# dubler: wersja 2.0\n",
                                  "# dubler: wypisz Plik gry jest zajęty\n# dubler: kod 2\n"))
paczka("powolna", skrypty("# dubler: wypisz Kopiuję...\n# dubler: czekaj 4000\n# dubler: wersja 2.0\n",
                          "# dubler: kod 0\n"))
# Long enough for a player to close the launcher and answer its question.
paczka("bardzo_powolna", skrypty("# dubler: wypisz Kopiuję...\n# dubler: czekaj 20000\n# dubler: wersja 2.0\n",
                                 "# dubler: kod 0\n"))
# 3 MiB that do not compress, so a download reports progress several times.
paczka("duza", dict(skrypty("# dubler: wersja 2.1\n", "# dubler: kod 0\n"),
                    **{"mod/duzy.bin": os.urandom(3 * 1048576).hex()[: 3 * 1048576]}), "2.1")

# Scripts one folder deeper than the top: the builder refuses that, so this
# one is made by hand.
with zipfile.ZipFile(os.path.join(cel, "gleboka.zip"), "w") as z:
    z.writestr("Morvane/instaluj.ps1", "# dubler: wersja 9.9\r\n")
    z.writestr("Morvane/odinstaluj.ps1", "# dubler: kod 0\r\n")
# Not a zip at all.
with open(os.path.join(cel, "zepsuta.zip"), "wb") as f:
    f.write(b"to nie jest zip\r\n")

# ---- signed packages, and what a hostile server or cache makes of them ----
A, B, C = (klucze_testowe.klucz(n) for n in "ABC")
DOBRE = skrypty("# dubler: wypisz Podpisana paczka\n# dubler: wersja 2.0\n",
                "# dubler: usun-wersje\n# dubler: kod 0\n")
paczka("podpisana", DOBRE, klucz=A)
paczka("podpisana_b", DOBRE, klucz=B)          # the team's next key
# An older release the team really signed: public once, so anyone can replay it.
paczka("starsza", skrypty("# dubler: wypisz Stara paczka\n# dubler: wersja 1.5\n",
                          "# dubler: usun-wersje\n# dubler: kod 0\n"), "1.5", klucz=A)
paczka("obca", DOBRE, klucz=C)                 # a stranger's key, named
ogl = czytaj("obca", ".wersja.txt").decode()
zapisz("obca_bez_nazwy", czytaj("obca"), "\n".join(l for l in ogl.split("\n") if not l.startswith("klucz=")))
ogl = czytaj("podpisana", ".wersja.txt").decode()
zip_ = czytaj("podpisana")
# The version changed under the signature that the team made for 2.0.
zapisz("zmieniona_wersja", zip_, ogl.replace("2.0\n", "9.0\n", 1))
zapisz("bez_podpisu", zip_, "\n".join(l for l in ogl.split("\n") if not l.startswith("podpis=")))
zapisz("smieci", zip_, "\n".join("podpis=" + base64.b64encode(os.urandom(64)).decode() if l.startswith("podpis=")
                                   else l for l in ogl.split("\n")))
zapisz("zly_base64", zip_, "\n".join("podpis=!!" + l[9:] if l.startswith("podpis=") else l for l in ogl.split("\n")))
zapisz("zly_hex", zip_, "\n".join("sha256=zz" + l[9:] if l.startswith("sha256=") else l for l in ogl.split("\n")))
# A file edited on Windows: CR LF and blanks after every line, the same content.
zapisz("windows", zip_, "".join(l + " \t\r\n" for l in ogl.rstrip("\n").split("\n")))
# A version file near the check's 64 KiB limit: the team's notes after it.
zapisz("dluga", zip_, ogl + "".join(f"notatka{i}=zmiany w tej wersji\n" for i in range(3000))[: 64 * 1024 - len(ogl) - 1])
# Cut in half by a cache, served whole with a matching Content-Length.
zapisz("ucieta", zip_[: len(zip_) // 2], ogl)


def reczna(wersja):
    """A valid package made by hand, of a size that does not depend on the
    version's digits: the same names, the same lengths, fixed dates."""
    b = io.BytesIO()
    with zipfile.ZipFile(b, "w", zipfile.ZIP_STORED) as z:
        for nazwa, tresc in (("instaluj.ps1", f"# dubler: wersja {wersja}\r\n"),
                             ("odinstaluj.ps1", "# dubler: kod 0\r\n")):
            z.writestr(zipfile.ZipInfo(nazwa, (2026, 1, 1, 0, 0, 0)), tresc)
    return b.getvalue()


# Another valid package of the very same size in place of the signed one:
# only the digest tells them apart.
ogloszona, podmieniona = reczna("2.0"), reczna("6.6")
assert len(ogloszona) == len(podmieniona) and ogloszona != podmieniona
zapisz("podmieniona", podmieniona, paczka_moda.ogloszenie("2.0", ogloszona, A))
# A signed package carrying a launcher fix, and the same package re-zipped
# with another Morvane.exe of the same size under the team's announcement.
with tempfile.TemporaryDirectory() as t:
    for nazwa, tresc in (("z_launcherem", b"MZ launcher zespolu"), ("inny_launcher", b"MZ launcher obcego!")):
        exe = os.path.join(t, nazwa + ".exe")
        with open(exe, "wb") as f:
            f.write(tresc)
        with tempfile.TemporaryDirectory() as folder, tempfile.TemporaryDirectory() as wynik:
            for sciezka, tekst in DOBRE.items():
                os.makedirs(os.path.dirname(os.path.join(folder, sciezka)), exist_ok=True)
                with open(os.path.join(folder, sciezka), "w", encoding="utf-8", newline="\r\n") as f:
                    f.write(tekst)
            paczka_moda.zbuduj(folder, "2.0", wynik, A, exe)
            os.replace(os.path.join(wynik, "Morvane-najnowsza.zip"), os.path.join(cel, nazwa + ".zip"))
            os.replace(os.path.join(wynik, "wersja.txt"), os.path.join(cel, nazwa + ".wersja.txt"))
zapisz("inny_launcher", wersja_txt=czytaj("z_launcherem", ".wersja.txt").decode())

# The announced one itself: what an install killed after its download left
# in the download folder.
zapisz("ogloszona", ogloszona, paczka_moda.ogloszenie("2.0", ogloszona, A))
zapisz("podmieniona_bez_klucza", podmieniona, paczka_moda.ogloszenie("2.0", ogloszona))

# ---- two releases, for updates that download only what changed ----------
# 60 files that do not compress; the second release built from a fresh
# checkout: every file's time changed, one file added early in the zip,
# one grown, one changed, one removed.
import random  # noqa: E402
import time  # noqa: E402
los = random.Random(24)
PLIKI = {f"mod/plik{i:02}.bin": bytes(los.getrandbits(8) for _ in range(40000 + 500 * i)) for i in range(60)}


def wydanie(nazwa, wersja, pliki, czas):
    with tempfile.TemporaryDirectory() as folder, tempfile.TemporaryDirectory() as wynik:
        for sciezka, tresc in dict(skrypty(f"# dubler: wersja {wersja}\n", "# dubler: kod 0\n"), **pliki).items():
            pelna = os.path.join(folder, sciezka)
            os.makedirs(os.path.dirname(pelna), exist_ok=True)
            with open(pelna, "wb") as f:
                f.write(tresc.encode() if isinstance(tresc, str) else tresc)
            os.utime(pelna, (czas, czas))
        paczka_moda.zbuduj(folder, wersja, wynik)
        for z, na in (("Morvane-najnowsza.zip", ".zip"), ("wersja.txt", ".wersja.txt"),
                      ("Morvane-najnowsza.zip.bloki", ".bloki")):
            os.replace(os.path.join(wynik, z), os.path.join(cel, nazwa + na))


wydanie("wydanie1", "3.1", PLIKI, 1.8e9)
druga = dict(PLIKI)
druga["mod/aaa_nowy.bin"] = bytes(los.getrandbits(8) for _ in range(30000))
druga["mod/plik10.bin"] = PLIKI["mod/plik10.bin"] + bytes(los.getrandbits(8) for _ in range(20000))
druga["mod/plik30.bin"] = PLIKI["mod/plik30.bin"][:100] + b"zmiana" + PLIKI["mod/plik30.bin"][106:]
del druga["mod/plik45.bin"]
wydanie("wydanie2", "3.2", druga, 1.9e9)
# A signed package large enough for updates by blocks, and the same bytes
# with a few changed inside one entry (the same size), announced with the
# team's announcement and served with a block map that describes it exactly.
paczka("podpisana_duza", dict(DOBRE, **{f"mod/dane{i}.bin": "".join(chr(65 + los.randrange(26)) for _ in range(60000))
                                        for i in range(10)}), klucz=A)
zmieniona = bytearray(czytaj("podpisana_duza"))
with zipfile.ZipFile(io.BytesIO(bytes(zmieniona))) as z:
    e = z.getinfo("mod/dane5.bin")
    srodek = e.header_offset + 30 + len(e.filename.encode()) + len(e.extra) + e.compress_size // 2
zmieniona[srodek:srodek + 8] = bytes(b ^ 0x55 for b in zmieniona[srodek:srodek + 8])
zapisz("podmieniona_duza", bytes(zmieniona), czytaj("podpisana_duza", ".wersja.txt").decode())

# A map that lies: two of its lines swapped (the same total size), so the
# file rebuilt from it is not the announced one.
linie = czytaj("wydanie2", ".bloki").decode().split("\n")
linie[5], linie[40] = linie[40], linie[5]
with open(os.path.join(cel, "wydanie2_klamie.bloki"), "w", encoding="utf-8", newline="") as f:
    f.write("\n".join(linie))
