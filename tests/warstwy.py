#!/usr/bin/env python3
"""The layers stay in order: core, game, net, install, app. A file includes
headers of its own folder or of one before it, never of one after it (and
so no two folders call each other)."""
import os
import re
import sys

KOLEJNOSC = ["core", "game", "net", "install", "app"]
korzen = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
bledy = []
for folder in KOLEJNOSC:
    for nazwa in sorted(os.listdir(os.path.join(korzen, folder))):
        if not nazwa.endswith((".h", ".cpp")):
            continue
        with open(os.path.join(korzen, folder, nazwa), encoding="utf-8") as f:
            for numer, linia in enumerate(f, 1):
                m = re.match(r'\s*#\s*include\s+"([a-z]+)/', linia)
                if m and m.group(1) in KOLEJNOSC and KOLEJNOSC.index(m.group(1)) > KOLEJNOSC.index(folder):
                    bledy.append(f"{folder}/{nazwa}:{numer}: {linia.strip()}")
for b in bledy:
    print(b)
sys.exit(1 if bledy else 0)
