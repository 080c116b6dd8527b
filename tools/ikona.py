#!/usr/bin/env python3
"""Draws the launcher's icon and writes it as an .ico (16, 24, 32, 48 and
256 pixels, PNG-compressed entries):

    tools/ikona.py OUT.ico

A gold ring on the window's dark background with a gold "M" in it, drawn
from simple shapes with anti-aliased edges (every pixel sampled 4x4 times).
Nothing here is taken from elsewhere; the build runs it, so no binary is
committed."""
import math
import struct
import sys
import zlib

TLO = (20, 14, 11)
ZLOTO = (218, 178, 96)


def odleglosc_od_odcinka(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def pokrycie(x, y):
    """(background alpha, gold alpha) at a point of the unit square."""
    r = math.hypot(x - 0.5, y - 0.5)
    if r > 0.48:
        return 0.0, 0.0
    zloty = 0.40 <= r <= 0.47
    # The "M": two legs and the V between them.
    punkty = [(0.28, 0.70), (0.28, 0.30), (0.50, 0.55), (0.72, 0.30), (0.72, 0.70)]
    for (ax, ay), (bx, by) in zip(punkty, punkty[1:]):
        if odleglosc_od_odcinka(x, y, ax, ay, bx, by) < 0.055:
            zloty = True
    return 1.0, 1.0 if zloty else 0.0


def obraz(n):
    wiersze = []
    for j in range(n):
        wiersz = bytearray([0])  # PNG filter: none
        for i in range(n):
            tlo = zloto = 0.0
            for sj in range(4):
                for si in range(4):
                    t, z = pokrycie((i + (si + 0.5) / 4) / n, (j + (sj + 0.5) / 4) / n)
                    tlo += t
                    zloto += z
            tlo /= 16
            zloto /= 16
            kolor = [round(TLO[k] * (1 - zloto / max(tlo, 1e-9)) + ZLOTO[k] * zloto / max(tlo, 1e-9)) if tlo else 0
                     for k in range(3)]
            wiersz += bytes(kolor) + bytes([round(255 * tlo)])
        wiersze.append(bytes(wiersz))
    return b"".join(wiersze)


def png(n):
    def kawalek(typ, dane):
        return struct.pack(">I", len(dane)) + typ + dane + struct.pack(">I", zlib.crc32(typ + dane) & 0xFFFFFFFF)
    return (b"\x89PNG\r\n\x1a\n" + kawalek(b"IHDR", struct.pack(">IIBBBBB", n, n, 8, 6, 0, 0, 0)) +
            kawalek(b"IDAT", zlib.compress(obraz(n), 9)) + kawalek(b"IEND", b""))


def main():
    rozmiary = [16, 24, 32, 48, 256]
    obrazy = [png(n) for n in rozmiary]
    naglowek = struct.pack("<HHH", 0, 1, len(rozmiary))
    przesuniecie = 6 + 16 * len(rozmiary)
    katalog = b""
    for n, dane in zip(rozmiary, obrazy):
        katalog += struct.pack("<BBBBHHII", n % 256, n % 256, 0, 0, 1, 32, len(dane), przesuniecie)
        przesuniecie += len(dane)
    with open(sys.argv[1], "wb") as f:
        f.write(naglowek + katalog + b"".join(obrazy))


if __name__ == "__main__":
    main()
