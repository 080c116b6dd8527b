#!/usr/bin/env python3
"""Builds the install tests' packages into OUT_DIR (one zip each), most with
the mod team's own builder. Their scripts carry "# dubler:" lines, which the
test stand-in for PowerShell acts on (see tests/dublery/powershell.cpp)."""
import os
import sys
import tempfile
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tools"))
import paczka_moda  # noqa: E402

cel = sys.argv[1]
os.makedirs(cel, exist_ok=True)

POLSKI = "Kopiuję pliki: zażółć gęślą jaźń"


def skrypty(instaluj, odinstaluj):
    return {"instaluj.ps1": instaluj, "odinstaluj.ps1": odinstaluj, "mod/plik.txt": "mod\n"}


def paczka(nazwa, pliki, wersja="2.0"):
    with tempfile.TemporaryDirectory() as folder:
        for sciezka, tresc in pliki.items():
            pelna = os.path.join(folder, sciezka)
            os.makedirs(os.path.dirname(pelna), exist_ok=True)
            with open(pelna, "w", encoding="utf-8", newline="\r\n") as f:
                f.write(tresc)
        with tempfile.TemporaryDirectory() as wynik:
            paczka_moda.zbuduj(folder, wersja, wynik)
            os.replace(os.path.join(wynik, "Morvane-najnowsza.zip"), os.path.join(cel, nazwa + ".zip"))


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
