#!/usr/bin/env python3
"""The mod team's package builder.

    tools/paczka_moda.py FOLDER VERSION OUT_DIR

FOLDER is the package as the launcher will unpack it: "instaluj.ps1" and
"odinstaluj.ps1" at its top level (tools/paczka/ has examples), the mod's
files wherever those scripts expect them (the examples: under "mod/").
Writes OUT_DIR/Morvane-najnowsza.zip and OUT_DIR/wersja.txt, the two files
the update server publishes under its base path; the version is also packed
as "wersja.txt" at the package's top level, where the example install script
reads it. A folder whose scripts are not at its top level is refused: the
launcher looks for them there and nowhere else.
"""
import os
import re
import sys
import zipfile

SKRYPTY = ("instaluj.ps1", "odinstaluj.ps1")


def zbuduj(folder, wersja, cel):
    if not re.fullmatch(r"[0-9]+(\.[0-9]+)*", wersja):
        raise ValueError(f"version {wersja!r}: digits separated by dots, like 1.2")
    for skrypt in SKRYPTY:
        if not os.path.isfile(os.path.join(folder, skrypt)):
            raise ValueError(f"{folder}: no {skrypt} at the top level")
    os.makedirs(cel, exist_ok=True)
    zip_tmp = os.path.join(cel, "Morvane-najnowsza.zip.tmp")
    with zipfile.ZipFile(zip_tmp, "w", zipfile.ZIP_DEFLATED) as z:
        for korzen, foldery, pliki in os.walk(folder):
            foldery.sort()
            for nazwa in sorted(pliki):
                pelna = os.path.join(korzen, nazwa)
                wzgledna = os.path.relpath(pelna, folder).replace(os.sep, "/")
                if wzgledna == "wersja.txt":
                    continue
                z.write(pelna, wzgledna)
        z.writestr("wersja.txt", wersja + "\r\n")
    # Publish the package before the version that announces it.
    os.replace(zip_tmp, os.path.join(cel, "Morvane-najnowsza.zip"))
    with open(os.path.join(cel, "wersja.txt.tmp"), "w", encoding="ascii", newline="") as f:
        f.write(wersja + "\n")
    os.replace(os.path.join(cel, "wersja.txt.tmp"), os.path.join(cel, "wersja.txt"))


def main():
    if len(sys.argv) != 4:
        print(__doc__.strip(), file=sys.stderr)
        sys.exit(2)
    try:
        zbuduj(sys.argv[1], sys.argv[2], sys.argv[3])
    except ValueError as e:
        print(f"paczka_moda: {e}", file=sys.stderr)
        sys.exit(1)
    print(f"paczka_moda: {sys.argv[3]}/Morvane-najnowsza.zip and wersja.txt ({sys.argv[2]})")


if __name__ == "__main__":
    main()
