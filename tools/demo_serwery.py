#!/usr/bin/env python3
"""Local demo of the two servers the launcher talks to, on 127.0.0.1 only:
the update server (the launcher's built-in address: port 8080, base path
/v0123456789abcdef01234567/) and the world server (port 47100, accepts and
closes). ./run starts it; the window tests use it with other settings.

  demo_serwery.py [--port 8080] [--wersja 1.0] [--bez-swiata] [--tryb ok|404|stoi] [--launcher EXE]
                  [--dane]

--launcher ships that Morvane.exe in the package (a launcher fix: a newer
one takes over from the running one after the install). --dane adds 8 MiB
of mod data of which 7 MiB are the same in every version: an update from
one version to another then downloads only what changed (the server
answers byte ranges and publishes the block map).
"""
import argparse
import http.server
import os
import random
import shutil
import socket
import socketserver
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import paczka_moda  # noqa: E402

BAZA = "/v0123456789abcdef01234567/"

PACZKA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "paczka")

# Wine has no PowerShell: the stand-in that ./run and the tests put into the
# prefix only follows "# dubler:" comment lines (PowerShell itself skips them).
DUBLER = {
    "instaluj.ps1": "# dubler: wypisz Instaluję Morvane {wersja} (demo: PowerShell zastąpiony)\r\n"
                    "# dubler: wypisz   mod\\README-Morvane.txt\r\n"
                    "# dubler: wersja {wersja}\r\n",
    "odinstaluj.ps1": "# dubler: wypisz Usunięto Morvane z gry (demo).\r\n# dubler: usun-wersje\r\n",
}


def paczka(wersja, klucz=None, launcher=None, dane=False, z_mapa=False):
    """The example package of tools/paczka, built with the mod team's tool:
    the zip and the "wersja.txt" that announces it (signed with `klucz`),
    carrying the Morvane.exe `launcher` when given (and its block map)."""
    with tempfile.TemporaryDirectory() as folder, tempfile.TemporaryDirectory() as cel:
        shutil.copytree(PACZKA, folder, dirs_exist_ok=True)
        if dane:
            los = random.Random(2026)
            os.makedirs(os.path.join(folder, "mod", "dane"), exist_ok=True)
            for i in range(8):
                with open(os.path.join(folder, "mod", "dane", f"tekstury{i}.bin"), "wb") as f:
                    # One texture file is new in every version.
                    f.write(random.Random(wersja).randbytes(1 << 20) if i == 3 else los.randbytes(1 << 20))
            with open(os.path.join(folder, "mod", "wersja-moda.txt"), "w") as f:
                f.write(f"Morvane {wersja}\n")
        for nazwa, dopisek in DUBLER.items():
            with open(os.path.join(folder, nazwa), "a", encoding="utf-8", newline="") as f:
                f.write(dopisek.format(wersja=wersja))
        paczka_moda.zbuduj(folder, wersja, cel, klucz, launcher)
        with open(os.path.join(cel, "Morvane-najnowsza.zip"), "rb") as f, \
                open(os.path.join(cel, "wersja.txt"), "rb") as w, \
                open(os.path.join(cel, "Morvane-najnowsza.zip.bloki"), "rb") as m:
            return (f.read(), w.read(), m.read()) if z_mapa else (f.read(), w.read())


class Serwer(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def serwer_aktualizacji(port, wersja, tryb="ok", klucz=None, zip_=None, launcher=None, dane=False):
    """Publishes `wersja` and the example package (or the given zip)."""
    mapa = None
    if zip_ is None:
        zip_, ogloszenie, mapa = paczka(wersja, klucz, launcher, dane, z_mapa=True)
    else:
        ogloszenie = paczka_moda.ogloszenie(wersja, zip_, klucz).encode("ascii")

    class Obsluga(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def log_message(self, *a):
            pass

        def odpowiedz(self, status, cialo):
            self.send_response(status)
            self.send_header("Content-Length", str(len(cialo)))
            self.end_headers()
            self.wfile.write(cialo)

        def do_GET(self):
            s.zapytania.append(self.path)
            if tryb == "404":
                return self.odpowiedz(404, b"brak")
            if self.path == BAZA + "wersja.txt":
                if tryb == "stoi":
                    self.send_response(200)
                    self.send_header("Content-Length", "10")
                    self.end_headers()
                    self.wfile.flush()
                    time.sleep(60)
                    return
                return self.odpowiedz(200, ogloszenie)
            if self.path == BAZA + "Morvane-najnowsza.zip.bloki" and mapa is not None:
                return self.odpowiedz(200, mapa)
            if self.path == BAZA + "Morvane-najnowsza.zip":
                zakres = self.headers.get("Range", "")
                if zakres.startswith("bytes=") and "," not in zakres:
                    a, b = zakres[6:].split("-")
                    a, b = int(a), min(int(b) if b else len(zip_) - 1, len(zip_) - 1)
                    self.send_response(206)
                    self.send_header("Content-Range", f"bytes {a}-{b}/{len(zip_)}")
                    self.send_header("Content-Length", str(b + 1 - a))
                    self.end_headers()
                    return self.wfile.write(zip_[a:b + 1])
                if zakres.startswith("bytes="):
                    # Several ranges: one multipart/byteranges body, as nginx sends.
                    cialo = b""
                    for z in zakres[6:].split(","):
                        a, b = (int(x) for x in z.strip().split("-"))
                        cialo += (f"\r\n--granica\r\nContent-Range: bytes {a}-{b}/{len(zip_)}\r\n\r\n").encode()
                        cialo += zip_[a:b + 1]
                    cialo += b"\r\n--granica--\r\n"
                    self.send_response(206)
                    self.send_header("Content-Type", "multipart/byteranges; boundary=granica")
                    self.send_header("Content-Length", str(len(cialo)))
                    self.end_headers()
                    return self.wfile.write(cialo)
                return self.odpowiedz(200, zip_)
            return self.odpowiedz(404, b"brak")

    s = Serwer(("127.0.0.1", port), Obsluga)
    s.zapytania = []  # every request's path, for the tests
    threading.Thread(target=s.serve_forever, daemon=True).start()
    return s


class SerwerSwiata:
    """Accepts and closes every connection; close() really stops listening
    (a bare close() does not wake a thread blocked in accept)."""

    def __init__(self, s):
        self.s = s

    def close(self):
        try:
            self.s.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        self.s.close()


def serwer_swiata(port=47100):
    s = socket.socket()
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    s.bind(("127.0.0.1", port))
    s.listen(16)

    def petla():
        while True:
            try:
                k, _ = s.accept()
            except OSError:
                return
            k.close()

    threading.Thread(target=petla, daemon=True).start()
    return SerwerSwiata(s)


def main():
    a = argparse.ArgumentParser()
    a.add_argument("--port", type=int, default=8080)
    a.add_argument("--wersja", default="1.0")
    a.add_argument("--bez-swiata", action="store_true")
    a.add_argument("--tryb", default="ok", choices=["ok", "404", "stoi"])
    a.add_argument("--launcher")
    a.add_argument("--dane", action="store_true")
    o = a.parse_args()
    try:
        serwer_aktualizacji(o.port, o.wersja, o.tryb, launcher=o.launcher, dane=o.dane)
    except OSError as e:
        print(f"demo: port {o.port} zajęty ({e}); zostawiam działający serwer", flush=True)
    if not o.bez_swiata:
        try:
            serwer_swiata()
        except OSError as e:
            print(f"demo: port 47100 zajęty ({e})", flush=True)
    print(f"demo: http://127.0.0.1:{o.port}{BAZA} (wersja {o.wersja}), świat: "
          f"{'brak' if o.bez_swiata else '127.0.0.1:47100'}", flush=True)
    threading.Event().wait()


if __name__ == "__main__":
    main()
