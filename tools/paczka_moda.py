#!/usr/bin/env python3
"""The mod team's package builder.

    tools/paczka_moda.py FOLDER VERSION OUT_DIR [--klucz PRIVATE.pem] [--launcher Morvane.exe]

FOLDER is the package as the launcher will unpack it: "instaluj.ps1" and
"odinstaluj.ps1" at its top level (tools/paczka/ has examples), the mod's
files wherever those scripts expect them (the examples: under "mod/").
Writes OUT_DIR/Morvane-najnowsza.zip and OUT_DIR/wersja.txt, the two files
the update server publishes under its base path; the version is also packed
as "wersja.txt" at the package's top level, where the example install script
reads it. A folder whose scripts are not at its top level is refused: the
launcher looks for them there and nowhere else.

A launcher fix rides in the package: --launcher PATH (or a Morvane.exe at
FOLDER's top) is packed as "Morvane.exe" at the zip's top, where the size,
the digest and the signature cover it. A launcher that installs the package
puts it in place of itself when its version resource names a newer version,
and restarts into it.

"wersja.txt" keeps the version on its first line (what every launcher
reads) and announces the package on the lines after it:

    2.0
    rozmiar=<bytes of Morvane-najnowsza.zip>
    sha256=<its SHA-256, 64 hex digits>
    klucz=<the signing key's name, 16 hex digits>      (with --klucz)
    podpis=<ECDSA P-256 signature, base64 of r||s>     (with --klucz)

The signature covers the text TRESC_PODPISU below: a fixed first line, the
version, the size and the digest. --klucz takes the private key made by
tools/klucz_moda.py (and MORVANE_HASLO_KLUCZA when it has a passphrase).
"""
import argparse
import base64
import hashlib
import os
import re
import sys
import zipfile

NAGLOWEK_PODPISU = "Morvane: paczka moda, podpis v1"

SKRYPTY = ("instaluj.ps1", "odinstaluj.ps1")


def tresc_podpisu(wersja, rozmiar, sha256_hex):
    return f"{NAGLOWEK_PODPISU}\nwersja={wersja}\nrozmiar={rozmiar}\nsha256={sha256_hex}\n".encode("ascii")


def podpisz(klucz, tresc):
    """r||s, 32 bytes each, as Windows' CNG verifies it."""
    from cryptography.hazmat.primitives import hashes
    from cryptography.hazmat.primitives.asymmetric import ec
    from cryptography.hazmat.primitives.asymmetric.utils import decode_dss_signature
    r, s = decode_dss_signature(klucz.sign(tresc, ec.ECDSA(hashes.SHA256())))
    return r.to_bytes(32, "big") + s.to_bytes(32, "big")


def ogloszenie(wersja, zip_bajty, klucz=None):
    """The text of "wersja.txt" for this package."""
    rozmiar, skrot = len(zip_bajty), hashlib.sha256(zip_bajty).hexdigest()
    linie = [wersja, f"rozmiar={rozmiar}", f"sha256={skrot}"]
    if klucz is not None:
        import klucz_moda
        linie.append(f"klucz={klucz_moda.publiczny_hex(klucz)[:16]}")
        podpis = podpisz(klucz, tresc_podpisu(wersja, rozmiar, skrot))
        linie.append("podpis=" + base64.b64encode(podpis).decode("ascii"))
    return "\n".join(linie) + "\n"


def zbuduj(folder, wersja, cel, klucz=None, launcher=None):
    """launcher: a Morvane.exe to ship at the zip's top (a launcher fix);
    without it, a Morvane.exe at the folder's top is shipped."""
    if not re.fullmatch(r"[0-9]+(\.[0-9]+)*", wersja):
        raise ValueError(f"version {wersja!r}: digits separated by dots, like 1.2")
    if launcher is not None:
        with open(launcher, "rb") as f:
            if f.read(2) != b"MZ":
                raise ValueError(f"{launcher}: not a Windows program")
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
                if wzgledna == "wersja.txt" or (launcher is not None and wzgledna == "Morvane.exe"):
                    continue
                z.write(pelna, wzgledna)
        if launcher is not None:
            z.write(launcher, "Morvane.exe")
        z.writestr("wersja.txt", wersja + "\r\n")
    with open(zip_tmp, "rb") as f:
        tekst = ogloszenie(wersja, f.read(), klucz)
    # Publish the package before the version that announces it.
    os.replace(zip_tmp, os.path.join(cel, "Morvane-najnowsza.zip"))
    with open(os.path.join(cel, "wersja.txt.tmp"), "w", encoding="ascii", newline="") as f:
        f.write(tekst)
    os.replace(os.path.join(cel, "wersja.txt.tmp"), os.path.join(cel, "wersja.txt"))


def main():
    a = argparse.ArgumentParser(usage=__doc__.strip().splitlines()[2].strip())
    a.add_argument("folder")
    a.add_argument("wersja")
    a.add_argument("cel")
    a.add_argument("--klucz", help="private key (PEM) that signs the announcement")
    a.add_argument("--launcher", help="a newer Morvane.exe to ship at the package's top (default: FOLDER/Morvane.exe "
                                      "when there is one)")
    o = a.parse_args()
    try:
        klucz = None
        if o.klucz:
            sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
            import klucz_moda
            klucz = klucz_moda.wczytaj(o.klucz)
        zbuduj(o.folder, o.wersja, o.cel, klucz, o.launcher)
    except (OSError, ValueError, TypeError) as e:
        print(f"paczka_moda: {e}", file=sys.stderr)
        sys.exit(1)
    podpis = " signed" if o.klucz else ""
    z_launcherem = o.launcher or os.path.isfile(os.path.join(o.folder, "Morvane.exe"))
    print(f"paczka_moda: {o.cel}/Morvane-najnowsza.zip and wersja.txt ({o.wersja}{podpis}"
          f"{', with Morvane.exe' if z_launcherem else ''})")


if __name__ == "__main__":
    main()
