#!/usr/bin/env python3
"""The mod team's package builder.

    tools/paczka_moda.py FOLDER VERSION OUT_DIR [--klucz PRIVATE.pem] [--launcher Morvane.exe]

FOLDER is the package as the launcher will unpack it: "instaluj.ps1" and
"odinstaluj.ps1" at its top level (tools/paczka/ has examples), the mod's
files wherever those scripts expect them (the examples: under "mod/").
Writes OUT_DIR/Morvane-najnowsza.zip, OUT_DIR/Morvane-najnowsza.zip.bloki
(its block map, for updates that download only what changed) and
OUT_DIR/wersja.txt, the files the update server publishes under its base
path; the version is also packed
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

The block map ("Morvane-najnowsza.zip.bloki") cuts the zip into blocks of
8 to 128 KiB (about 40 KiB on average) where a rolling hash of the last 64
bytes hits a pattern, and at every entry's header and data start; it lists
each block's length and the first 16 bytes of its SHA-256:

    Morvane: mapa bloków v1
    rozmiar=<bytes of Morvane-najnowsza.zip>
    <length> <32 hex digits>                            (one line per block)

A launcher that installed the previous package cuts that one the same way
and fetches only the blocks it lacks. The map needs no signature: what is
rebuilt from it must still match the size and digest announced (and signed)
in wersja.txt.

The signature covers the text TRESC_PODPISU below: a fixed first line, the
version, the size and the digest. --klucz takes the private key made by
tools/klucz_moda.py (and MORVANE_HASLO_KLUCZA when it has a passphrase).
"""
import argparse
import base64
import hashlib
import os
import re
import struct
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


NAGLOWEK_MAPY = "Morvane: mapa bloków v1"
MIN_BLOKU, MAX_BLOKU = 8 * 1024, 128 * 1024
WZOR_CIECIA = ((1 << 15) - 1) << 49  # the high bits: the last 64 bytes decide
_M64 = (1 << 64) - 1


def _gear():
    """The rolling hash's table: splitmix64 from "Morvane1", as the launcher has it."""
    x, w = 0x4D6F7276616E6531, []
    for _ in range(256):
        x = (x + 0x9E3779B97F4A7C15) & _M64
        z = ((x ^ (x >> 30)) * 0xBF58476D1CE4E5B9) & _M64
        z = ((z ^ (z >> 27)) * 0x94D049BB133111EB) & _M64
        w.append(z ^ (z >> 31))
    return w


GEAR = _gear()


def granice_zip(dane):
    """Each entry's local header and data start, and the central directory's
    start: cuts of their own, so a changed header costs its own bytes. None
    for anything but a plain zip (as the launcher reads it)."""
    n = len(dane)
    ogon = dane[max(0, n - 65557):]
    for i in range(len(ogon) - 22, -1, -1):
        if ogon[i:i + 4] == b"PK\x05\x06":
            rozmiar, poczatek = struct.unpack_from("<II", ogon, i + 12)
            if rozmiar == 0xFFFFFFFF or poczatek == 0xFFFFFFFF or poczatek + rozmiar > n - len(ogon) + i:
                return []
            break
    else:
        return []
    if rozmiar > 64 * 1024 * 1024:
        return []
    katalog, naglowki, i = dane[poczatek:poczatek + rozmiar], [], 0
    while i + 46 <= len(katalog):
        off = struct.unpack_from("<I", katalog, i + 42)[0]
        if katalog[i:i + 4] != b"PK\x01\x02" or off == 0xFFFFFFFF or off >= n:
            naglowki = []
            break
        naglowki.append(off)
        a, b, c = struct.unpack_from("<HHH", katalog, i + 28)
        i += 46 + a + b + c
    granice = {poczatek}
    for off in naglowki:
        granice.add(off)
        if off + 30 <= n and dane[off:off + 4] == b"PK\x03\x04":
            a, b = struct.unpack_from("<HH", dane, off + 26)
            granice.add(off + 30 + a + b)
    return sorted(granice)


def bloki(dane, granice=None):
    """(start, end) of each block, in order."""
    n = len(dane)
    gr = [g for g in (granice_zip(dane) if granice is None else granice) if 0 < g < n]
    widok, gear, wynik, start, gi = memoryview(dane), GEAR, [], 0, 0
    while start < n:
        while gi < len(gr) and gr[gi] <= start:
            gi += 1
        granica = min(start + MAX_BLOKU, gr[gi] if gi < len(gr) else n)
        koniec = granica
        if start + MIN_BLOKU <= granica:
            # The hash's high bits hold only the last 64 bytes: it starts
            # where they begin to count.
            od = start + MIN_BLOKU - 64
            h = 0
            for p, b in enumerate(widok[od:granica], od):
                h = ((h << 1) + gear[b]) & _M64
                if not h & WZOR_CIECIA and p + 1 - start >= MIN_BLOKU:
                    koniec = p + 1
                    break
        wynik.append((start, koniec))
        start = koniec
    return wynik


def mapa_blokow(dane):
    """The text of "Morvane-najnowsza.zip.bloki" for the zip's bytes."""
    linie = [NAGLOWEK_MAPY, f"rozmiar={len(dane)}"]
    for a, b in bloki(dane):
        linie.append(f"{b - a} {hashlib.sha256(dane[a:b]).hexdigest()[:32]}")
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
        dane = f.read()
    tekst = ogloszenie(wersja, dane, klucz)
    with open(os.path.join(cel, "Morvane-najnowsza.zip.bloki.tmp"), "w", encoding="utf-8", newline="") as f:
        f.write(mapa_blokow(dane))
    # Publish the package and its map before the version that announces them.
    os.replace(zip_tmp, os.path.join(cel, "Morvane-najnowsza.zip"))
    os.replace(os.path.join(cel, "Morvane-najnowsza.zip.bloki.tmp"), os.path.join(cel, "Morvane-najnowsza.zip.bloki"))
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
    print(f"paczka_moda: {o.cel}/Morvane-najnowsza.zip, its block map and wersja.txt ({o.wersja}{podpis}"
          f"{', with Morvane.exe' if z_launcherem else ''})")


if __name__ == "__main__":
    main()
