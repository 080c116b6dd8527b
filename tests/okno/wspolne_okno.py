"""Driving Morvane.exe under Wine and Xvfb: start, find the window, measure,
take screenshots. ./test provides WINEPREFIX, DISPLAY and a running
wineserver; MORVANE_EXE and MORVANE_BUILD come from CTest."""
import os
import subprocess
import sys
import time

EXE = os.environ["MORVANE_EXE"]
# The same launcher built with the test team's keys (tests/paczki/klucze_testowe.py).
EXE_KLUCZE = os.environ.get("MORVANE_EXE_KLUCZE", "")
BUILD = os.environ["MORVANE_BUILD"]
ZRZUTY = os.path.join(BUILD, "zrzuty")
os.makedirs(ZRZUTY, exist_ok=True)


def wine(*argumenty, **kw):
    return subprocess.run(["wine", *argumenty], capture_output=True, **kw)


def ustaw_dpi(dpi):
    # Right after a launcher was killed, Wine's reg.exe has now and then
    # (once in a few dozen runs) ended with 1: try again,
    # say so, and give up with everything it printed.
    for proba in range(3):
        w = wine("reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels", "/t", "REG_DWORD",
                 "/d", str(dpi), "/f")
        if w.returncode == 0:
            return
        print(f"reg add LogPixels={dpi}: exit {w.returncode}, stdout {w.stdout!r}, stderr {w.stderr!r}",
              file=sys.stderr)
        time.sleep(1.0)
    raise AssertionError(f"could not set LogPixels to {dpi}")


def okna_morvane():
    """X ids of the visible windows named exactly "Morvane"."""
    w = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Morvane$"],
                       capture_output=True, text=True)
    return [x for x in w.stdout.split()]


def czekaj_na(warunek, limit=30.0, co=0.2):
    koniec = time.monotonic() + limit
    while time.monotonic() < koniec:
        wynik = warunek()
        if wynik:
            return wynik
        time.sleep(co)
    return warunek()


def geometria(okno):
    w = subprocess.run(["xdotool", "getwindowgeometry", "--shell", okno],
                       capture_output=True, text=True, check=True)
    pola = dict(l.split("=", 1) for l in w.stdout.split())
    return int(pola["WIDTH"]), int(pola["HEIGHT"])


def zrzut(okno, nazwa):
    sciezka = os.path.join(ZRZUTY, nazwa)
    subprocess.run(["import", "-window", okno, sciezka], check=True, capture_output=True)
    return sciezka


class Launcher:
    """One Morvane.exe process; closed when the `with` block ends."""

    def __init__(self, env=None, exe=EXE):
        srodowisko = dict(os.environ)
        srodowisko.update(env or {})
        self.proces = subprocess.Popen(["wine", exe], env=srodowisko,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.okno = None

    def __enter__(self):
        return self

    def czekaj_na_okno(self, limit=45.0):
        okna = czekaj_na(okna_morvane, limit)
        assert okna, "no Morvane window appeared"
        self.okno = okna[0]
        time.sleep(1.0)  # a few frames drawn
        return self.okno

    def __exit__(self, *a):
        if self.proces.poll() is None:
            self.proces.kill()
            self.proces.wait(10)
        czekaj_na(lambda: not okna_morvane(), 10)
