#!/usr/bin/env python3
"""Test double of the update server, on 127.0.0.1 with an ephemeral port.

The first path segment chooses the behaviour, so each test picks its own:
  /ok/<name>             wersja.txt -> "1.0\\r\\nkolejna\\r\\n", Morvane-najnowsza.zip -> 300 000 bytes
  /v/<text>/wersja.txt   the body is <text>, percent-decoded
  /status/<code>/<name>  that status, a short body
  /chunked/<name>        chunked transfer, no Content-Length
  /krotki/<name>         Content-Length 100, 50 bytes, then a clean close
  /zerwany/<name>        chunked, 200 000 bytes, then the connection is reset
  /stoi/<name>           Content-Length 10, 3 bytes, then silence for 45 s
  /sacze/<name>          Content-Length 100, then one byte a second (a trickle)
  /pusty/<name>          200 with an empty body
  /paczki/<p>/<name>     the file <p>.zip from the folder MORVANE_PACZKI (a test package);
                         wersja.txt: <p>.wersja.txt from there (its announcement), else 404;
                         Morvane-najnowsza.zip.bloki: <p>.bloki (its block map), else 404
  /wiecej/<p>/<name>     as /paczki/<p>/, with 4 MiB more after the package (and in its Content-Length)
  /dwa/<t>/<p1>/<p2>/<name>  wersja.txt: the first request under this <t> gets <p1>'s announcement,
                         every later one <p2>'s; the zip is <p2>'s (a server, or someone on the way,
                         answering the check and the install differently)
  /wznow/<t>/<p>/<plan>/<name>  the package <p> (wersja.txt: its announcement) with ranges:
                         a strong ETag, Range and If-Range as a static server answers them.
                         <p> may be "<p1>~<p2>": the zip is <p1> for the first request, then <p2>
                         (the file replaced on the server); "duzy" is the 175 MiB of /duzy/.
                         <p>@<m>: the block map (Morvane-najnowsza.zip.bloki) is <m>.bloki
                         instead of <p>.bloki ("@brak": none, 404). A Range of several ranges
                         is answered with a multipart/byteranges body, as nginx does.
                         <plan>: one step per zip request,
                         joined by "+", then every further request is served whole:
                           r<N>  reset the connection once byte N% of the file is reached
                           s<N>  stall there for 35 s (past the client's receive time-out)
                           k<N>  end the body cleanly there (short of its length)
                           w     ignore Range: 200 with the whole file
                           R<N>  as r<N>, for this and every further request
                           x<N>  as r<N> without waiting for the bytes to reach the client first
                                 (what was still in the socket is lost: tools/bench-pobierz)
                           o     serve it
                           W     ignore Range for this and every further request
                           t     serve it slowly (64 KiB every 0.3 s)
                           z<C>  answer with status C (503, 404, ...) and a short body
                           c<N>  a consistent 206 that ends cleanly at N% of the file
                           p<N>  a 206 that starts N bytes past the byte asked for
                           e     a 206 of another file: the range asked for with another ETag
                                 and date (a proxy that ignores If-Range)
  /_wersja/<t>/<C>       from now on /wznow/<t>/'s wersja.txt is answered with status C (0: served)
  /_licznik/<t>          what /wznow/<t>/ served: {"bajty": body bytes sent, "zakresy": the Range
                         header of each zip request (null without)}
  /nginx/<t>/<plan>/<name>  the same plan in front of the real nginx (MORVANE_NGINX), which holds
                         the "duza" package: requests go through with their Range and If-Range,
                         answers come back with their status and headers, cut as the plan says
  /duzy/<name>           183 500 800 bytes (175 MiB), streamed
  /ogromny/<name>        8 MiB body
  /_ostatnie             the last request before this one: path and headers, as JSON

Run with --uruchom CMD...: serves while CMD runs, passes MORVANE_SERWER=host:port
(and MORVANE_NGINX=host:port/base/ when nginx is installed: a real nginx serving a
folder with wersja.txt "2.5" and Morvane-najnowsza.zip) and exits with CMD's code.
"""
import hashlib
import http.client
import http.server
import json
import os
import shutil
import socket
import socketserver
import struct
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse

DUZY = 183500800
PACZKA_OK = bytes((i * 7) % 251 for i in range(300000))
ostatnie = {}
zapytania_dwa = {}
wznowienia = {}  # <t> -> {"bajty": int, "zakresy": [...]}
wersje_status = {}  # <t> -> the status /wznow/<t>/wersja.txt answers with
blokada_wznowien = threading.Lock()


def duzy():
    global _duzy
    if _duzy is None:
        _duzy = (bytes(range(256)) * 4096 * 176)[:DUZY]
    return _duzy


_duzy = None


_etagi = {}
_pliki = {}


def etag(tresc):
    """The same bytes get the same ETag, computed once per bytes object (the
    175 MiB of the benchmarks are served many times); the object is held
    with it, so its id can't name other bytes later."""
    if id(tresc) not in _etagi:
        _etagi[id(tresc)] = (tresc, '"' + hashlib.sha256(tresc).hexdigest()[:16] + '"')
    return _etagi[id(tresc)][1]


def plik_zip(sciezka):
    """A package's bytes, read once per file (and again when it changes)."""
    st = os.stat(sciezka)
    klucz = (sciezka, st.st_size, st.st_mtime_ns)
    if klucz not in _pliki:
        with open(sciezka, "rb") as f:
            _pliki[klucz] = f.read()
    return _pliki[klucz]


class Obsluga(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *a):
        pass

    def wyslij(self, status, cialo, dlugosc=None, naglowki=()):
        self.send_response(status)
        self.send_header("Content-Length", str(len(cialo) if dlugosc is None else dlugosc))
        for k, v in naglowki:
            self.send_header(k, v)
        self.end_headers()
        self.wfile.write(cialo)

    def do_GET(self):
        global ostatnie
        czesci = self.path.split("/")
        tryb = czesci[1] if len(czesci) > 1 else ""
        if tryb == "_ostatnie":
            return self.wyslij(200, json.dumps(ostatnie).encode())
        if tryb == "_licznik":
            with blokada_wznowien:
                return self.wyslij(200, json.dumps(wznowienia.get(czesci[2], {"bajty": 0, "zakresy": []})).encode())
        if tryb == "_wersja":
            wersje_status[czesci[2]] = int(czesci[3])
            return self.wyslij(200, b"ok")
        if tryb in ("wznow", "nginx"):
            return self.wznow(czesci)
        ostatnie = {"sciezka": self.path, "naglowki": {k.lower(): v for k, v in self.headers.items()}}
        nazwa = czesci[-1]
        if tryb == "ok":
            if nazwa == "wersja.txt":
                return self.wyslij(200, b"1.0\r\nkolejna\r\n")
            if nazwa == "Morvane-najnowsza.zip":
                return self.wyslij(200, PACZKA_OK)
            return self.wyslij(404, b"brak")
        if tryb in ("paczki", "wiecej", "dwa"):
            rozszerzenie = {"wersja.txt": ".wersja.txt", "Morvane-najnowsza.zip.bloki": ".bloki"}.get(nazwa, ".zip")
            p = czesci[2]
            if tryb == "dwa":
                ktora = zapytania_dwa.get(czesci[2], 0) if nazwa == "wersja.txt" else 1
                if nazwa == "wersja.txt":
                    zapytania_dwa[czesci[2]] = ktora + 1
                p = czesci[3] if ktora == 0 else czesci[4]
            sciezka = os.path.join(os.environ.get("MORVANE_PACZKI", ""), os.path.basename(p) + rozszerzenie)
            if not os.path.isfile(sciezka):
                return self.wyslij(404, b"brak")
            with open(sciezka, "rb") as f:
                tresc = f.read()
            if tryb == "wiecej" and rozszerzenie == ".zip":
                tresc += b"\0" * (4 << 20)
            return self.wyslij(200, tresc)
        if tryb == "v":
            return self.wyslij(200, urllib.parse.unquote_to_bytes(czesci[2]))
        if tryb == "status":
            return self.wyslij(int(czesci[2]), b"tresc bledu")
        if tryb == "chunked":
            self.send_response(200)
            self.send_header("Transfer-Encoding", "chunked")
            self.end_headers()
            for i in range(5):
                kawalek = bytes([65 + i]) * 1000
                self.wfile.write(b"%x\r\n%s\r\n" % (len(kawalek), kawalek))
                self.wfile.flush()
            self.wfile.write(b"0\r\n\r\n")
            return
        if tryb == "krotki":
            self.wyslij(200, b"x" * 50, dlugosc=100)
            self.close_connection = True
            self.connection.shutdown(socket.SHUT_WR)
            return
        if tryb == "zerwany":
            self.send_response(200)
            self.send_header("Transfer-Encoding", "chunked")
            self.end_headers()
            for _ in range(20):
                self.wfile.write(b"%x\r\n%s\r\n" % (10000, b"z" * 10000))
            self.wfile.write(b"%x\r\n" % 10000 + b"z" * 10)
            self.wfile.flush()
            time.sleep(0.3)
            # A reset with no FIN before it: closed here, with linger 0, before
            # socketserver's own shutdown(SHUT_WR) could send a clean end.
            self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            self.connection.close()
            self.close_connection = True
            return
        if tryb == "stoi":
            self.wyslij(200, b"abc", dlugosc=10)
            self.wfile.flush()
            time.sleep(45)
            self.close_connection = True
            return
        if tryb == "sacze":
            self.send_response(200)
            self.send_header("Content-Length", "100")
            self.end_headers()
            try:
                for _ in range(100):
                    self.wfile.write(b"1")
                    self.wfile.flush()
                    time.sleep(1)
            except OSError:
                pass  # the client gave up
            self.close_connection = True
            return
        if tryb == "pusty":
            return self.wyslij(200, b"")
        if tryb == "ogromny":
            return self.wyslij(200, b"9" * (8 << 20))
        if tryb == "duzy":
            self.send_response(200)
            self.send_header("Content-Length", str(DUZY))
            self.end_headers()
            blok = bytes(range(256)) * 4096  # 1 MiB
            wyslane = 0
            while wyslane < DUZY:
                n = min(len(blok), DUZY - wyslane)
                self.wfile.write(blok[:n])
                wyslane += n
            return
        return self.wyslij(404, b"nieznany tryb")


    def wznow(self, czesci):
        token = czesci[2]
        nazwa = czesci[-1]
        if tryb_nginx := czesci[1] == "nginx":
            plan_tekst = czesci[3]
        else:
            pakiety, plan_tekst = czesci[3].split("~"), czesci[4]
            pakiety, mapa = [x.split("@")[0] for x in pakiety], czesci[3].split("~")[0].split("@")
            mapa = mapa[1] if len(mapa) > 1 else pakiety[0]
        with blokada_wznowien:
            stan = wznowienia.setdefault(token, {"bajty": 0, "zakresy": []})
            numer = len(stan["zakresy"]) if nazwa == "Morvane-najnowsza.zip" else -1
            if numer >= 0:
                stan["zakresy"].append(self.headers.get("Range"))
        plan = plan_tekst.split("+")
        krok = "o"
        if numer >= 0:
            stale = [k for k in plan if k[0] in "RW"]
            krok = plan[numer] if numer < len(plan) else (stale[0] if stale else "o")
        if tryb_nginx:
            return self.przez_nginx(nazwa, krok, stan)
        katalog = os.environ.get("MORVANE_PACZKI", "")
        if nazwa == "wersja.txt" and wersje_status.get(token):
            return self.wyslij(wersje_status[token], b"blad")
        if krok[0] == "z":
            return self.wyslij(int(krok[1:]), b"blad")
        if nazwa == "wersja.txt":
            with open(os.path.join(katalog, pakiety[0] + ".wersja.txt"), "rb") as f:
                return self.wyslij(200, f.read())
        if nazwa == "Morvane-najnowsza.zip.bloki":
            sciezka = os.path.join(katalog, mapa + ".bloki")
            if not os.path.isfile(sciezka):
                return self.wyslij(404, b"brak")
            with open(sciezka, "rb") as f:
                return self.wyslij(200, f.read())
        ktory = pakiety[min(max(numer, 0), len(pakiety) - 1)]
        if ktory == "duzy":  # the 175 MiB of /duzy/, for tools/bench-pobierz
            tresc = duzy()
        else:
            tresc = plik_zip(os.path.join(katalog, ktory + ".zip"))
        znacznik = etag(tresc)
        od = 0
        zakres = self.headers.get("Range")
        warunek = self.headers.get("If-Range")
        data = "Wed, 09 Dec 2026 10:00:00 GMT"
        if krok == "e":  # what a cache holds of a newer file, whatever If-Range says
            znacznik, data, warunek = '"inny-plik"', "Thu, 10 Dec 2026 10:00:00 GMT", None
        if zakres and "," in zakres and krok not in "wW" and (warunek is None or warunek == znacznik):
            return self.czesci(tresc, zakres, stan, krok)
        czesciowa, koniec = False, len(tresc)
        if zakres and krok not in "wW" and (warunek is None or warunek == znacznik):
            poczatek, do = zakres.split("=")[1].split("-")
            czesciowa, od = True, int(poczatek)
            if do:  # a closed range: that much only
                koniec = min(len(tresc), int(do) + 1)
        if czesciowa and krok[0] == "p":
            od += int(krok[1:])
        if czesciowa and krok[0] == "c":
            koniec = len(tresc) * int(krok[1:]) // 100
        if czesciowa:
            self.send_response(206)
            self.send_header("Content-Range", f"bytes {od}-{koniec - 1}/{len(tresc)}")
        else:
            self.send_response(200)
        self.send_header("Content-Length", str(koniec - od))
        self.send_header("ETag", znacznik)
        self.send_header("Last-Modified", data)
        self.end_headers()
        self.wyslij_wedlug_planu(tresc[:koniec], od, krok, stan, len(tresc))

    def czesci(self, tresc, zakres, stan, krok):
        """Several ranges: a multipart/byteranges body, each part with its own
        Content-Range, as nginx sends it."""
        granica = "00000000000000000042"
        cialo = b""
        for z in zakres.split("=")[1].split(","):
            a, b = (int(x) for x in z.strip().split("-"))
            cialo += (f"\r\n--{granica}\r\nContent-Type: application/zip\r\n"
                      f"Content-Range: bytes {a}-{b}/{len(tresc)}\r\n\r\n").encode() + tresc[a:b + 1]
            with blokada_wznowien:
                stan["bajty"] += b + 1 - a
        cialo += f"\r\n--{granica}--\r\n".encode()
        self.send_response(206)
        self.send_header("Content-Type", f"multipart/byteranges; boundary={granica}")
        self.send_header("Content-Length", str(len(cialo)))
        self.end_headers()
        for i in range(0, len(cialo), 65536):
            self.wfile.write(cialo[i:i + 65536])
            self.wfile.flush()
            if krok == "t":
                time.sleep(0.3)

    def wyslij_wedlug_planu(self, tresc, od, krok, stan, calosc=None):
        """Sends tresc[od:] (the bytes from file offset `od`), cut as `krok` says."""
        calosc = calosc or len(tresc)
        koniec = len(tresc)
        if krok[0] in "rskRx":
            koniec = max(od, min(koniec, calosc * int(krok[1:]) // 100))
        pozycja = od
        while pozycja < koniec:
            kawalek = tresc[pozycja:min(koniec, pozycja + 65536)]
            try:
                self.wfile.write(kawalek)
                self.wfile.flush()
            except OSError:
                return
            pozycja += len(kawalek)
            with blokada_wznowien:
                stan["bajty"] += len(kawalek)
            if krok == "t":
                time.sleep(0.3)
        if krok[0] in "rRx":
            if krok[0] != "x":
                time.sleep(0.2)
            self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            self.connection.close()
            self.close_connection = True
        elif krok[0] == "s":
            time.sleep(35)
            self.close_connection = True
        elif krok[0] == "k":
            self.close_connection = True
            self.connection.shutdown(socket.SHUT_WR)

    def przez_nginx(self, nazwa, krok, stan):
        adres = os.environ.get("MORVANE_NGINX", "")
        host, reszta = adres.split("/", 1)
        polaczenie = http.client.HTTPConnection(host, timeout=10)
        naglowki = {k: v for k, v in self.headers.items() if k.lower() in ("range", "if-range")}
        polaczenie.request("GET", "/" + reszta + "duza/" + nazwa, headers=naglowki)
        odp = polaczenie.getresponse()
        tresc = odp.read()
        polaczenie.close()
        self.send_response(odp.status)
        for k in ("Content-Length", "Content-Range", "ETag", "Last-Modified"):
            if odp.getheader(k) is not None:
                self.send_header(k, odp.getheader(k))
        self.end_headers()
        if nazwa == "wersja.txt":
            self.wfile.write(tresc)
            return
        # The cut is at a place in the whole file, wherever this answer starts.
        zakres = odp.getheader("Content-Range")
        od = int(zakres.split(" ")[1].split("-")[0]) if zakres else 0
        calosc = int(zakres.split("/")[1]) if zakres else len(tresc)
        self.wyslij_wedlug_planu(b"\0" * od + tresc, od, krok, stan, calosc)


class Serwer(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def uruchom_serwer():
    s = Serwer(("127.0.0.1", 0), Obsluga)
    threading.Thread(target=s.serve_forever, daemon=True).start()
    return s


BAZA_NGINX = "/v0123456789abcdef01234567/"


def konfiguracja_nginx(katalog, port, pliki):
    """The config a mod team can start from: static files under one base path."""
    return f"""
worker_processes 1;
daemon off;
pid {katalog}/nginx.pid;
error_log {katalog}/error.log;
events {{ worker_connections 64; }}
http {{
    access_log off;
    client_body_temp_path {katalog}/tmp;
    proxy_temp_path {katalog}/tmp;
    fastcgi_temp_path {katalog}/tmp;
    uwsgi_temp_path {katalog}/tmp;
    scgi_temp_path {katalog}/tmp;
    types {{ text/plain txt; application/zip zip; }}
    server {{
        listen 127.0.0.1:{port};
        location {BAZA_NGINX} {{
            alias {pliki}/;
            add_header Cache-Control no-cache;
        }}
    }}
}}
"""


def uruchom_nginx():
    nginx = shutil.which("nginx") or "/usr/sbin/nginx"
    if not os.path.exists(nginx):
        return None, None, None
    katalog = tempfile.mkdtemp(prefix="morvane-nginx-")
    os.chmod(katalog, 0o755)  # nginx's workers run as another user
    pliki = os.path.join(katalog, "pliki")
    os.makedirs(os.path.join(katalog, "tmp"))
    os.makedirs(pliki)
    with open(os.path.join(pliki, "wersja.txt"), "wb") as f:
        f.write(b"2.5\n")
    with open(os.path.join(pliki, "Morvane-najnowsza.zip"), "wb") as f:
        f.write(PACZKA_OK)
    # A real package with its announcement, for resuming against nginx.
    paczki = os.environ.get("MORVANE_PACZKI")
    if paczki and os.path.isfile(os.path.join(paczki, "duza.zip")):
        os.makedirs(os.path.join(pliki, "duza"))
        shutil.copy(os.path.join(paczki, "duza.zip"), os.path.join(pliki, "duza", "Morvane-najnowsza.zip"))
        shutil.copy(os.path.join(paczki, "duza.wersja.txt"), os.path.join(pliki, "duza", "wersja.txt"))
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        port = s.getsockname()[1]
    conf = os.path.join(katalog, "nginx.conf")
    with open(conf, "w") as f:
        f.write(konfiguracja_nginx(katalog, port, pliki))
    proces = subprocess.Popen([nginx, "-c", conf, "-p", katalog], stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
    for _ in range(100):
        try:
            socket.create_connection(("127.0.0.1", port), 0.2).close()
            break
        except OSError:
            time.sleep(0.05)
    return proces, f"127.0.0.1:{port}{BAZA_NGINX}", katalog


def main():
    if len(sys.argv) < 3 or sys.argv[1] != "--uruchom":
        s = uruchom_serwer()
        print(f"http://127.0.0.1:{s.server_address[1]}/ok/", flush=True)
        threading.Event().wait()
    s = uruchom_serwer()
    env = dict(os.environ, MORVANE_SERWER=f"127.0.0.1:{s.server_address[1]}")
    nginx, adres_nginx, katalog = uruchom_nginx()
    if adres_nginx:
        env["MORVANE_NGINX"] = os.environ["MORVANE_NGINX"] = adres_nginx  # the /nginx/ mode passes requests on
    try:
        kod = subprocess.call(sys.argv[2:], env=env)
    finally:
        if nginx:
            nginx.terminate()
            nginx.wait(10)
            shutil.rmtree(katalog, ignore_errors=True)
    sys.exit(kod)


if __name__ == "__main__":
    main()
