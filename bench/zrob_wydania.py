#!/usr/bin/env python3
"""Two releases of a 175 MiB mod package for tools/bench-pobierz, built with
the mod team's kit into OUT_DIR as bench1/bench2 (.zip, .wersja.txt,
.bloki): 5 000 files that do not compress; the second release from a fresh
checkout (every file's time changed) with about 5 % of the entries changed:
new files, one grown, changed ones, one removed. Prints the compressed size
of the entries that differ, the yardstick of what an update should fetch."""
import os
import random
import sys
import tempfile
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import paczka_moda  # noqa: E402

cel = sys.argv[1]
os.makedirs(cel, exist_ok=True)
los = random.Random(175)
N, ROZMIAR = 5000, 183500800 // 5000


def wydanie(nazwa, wersja, pliki, czas):
    with tempfile.TemporaryDirectory() as folder, tempfile.TemporaryDirectory() as wynik:
        for sciezka, tresc in dict(pliki, **{"instaluj.ps1": b"# skrypt\r\n", "odinstaluj.ps1": b"# skrypt\r\n"}).items():
            pelna = os.path.join(folder, sciezka)
            os.makedirs(os.path.dirname(pelna), exist_ok=True)
            with open(pelna, "wb") as f:
                f.write(tresc)
            os.utime(pelna, (czas, czas))
        paczka_moda.zbuduj(folder, wersja, wynik)
        for z, na in (("Morvane-najnowsza.zip", ".zip"), ("wersja.txt", ".wersja.txt"),
                      ("Morvane-najnowsza.zip.bloki", ".bloki")):
            os.replace(os.path.join(wynik, z), os.path.join(cel, nazwa + na))


pierwsze = {f"mod/{i // 100:02}/plik{i:04}.bin": os.urandom(ROZMIAR) for i in range(N)}
drugie = dict(pierwsze)
zmienione = set()
for i in los.sample(range(N), 150):  # changed in place
    nazwa = f"mod/{i // 100:02}/plik{i:04}.bin"
    drugie[nazwa] = os.urandom(ROZMIAR)
    zmienione.add(nazwa)
for i in range(100):  # new, spread through the zip
    nazwa = f"mod/{los.randrange(50):02}/nowy{i:03}.bin"
    drugie[nazwa] = os.urandom(ROZMIAR)
    zmienione.add(nazwa)
rosnie = "mod/00/plik0007.bin"  # grown, early in the zip
drugie[rosnie] = pierwsze[rosnie] + os.urandom(ROZMIAR)
zmienione.add(rosnie)
del drugie["mod/25/plik2500.bin"]
wydanie("bench1", "5.0", pierwsze, 1.8e9)
wydanie("bench2", "5.1", drugie, 1.9e9)
with zipfile.ZipFile(os.path.join(cel, "bench2.zip")) as z:
    print(sum(e.compress_size for e in z.infolist() if e.filename in zmienione))
