#!/usr/bin/env python3
"""The mod team's signing key.

    tools/klucz_moda.py new PRIVATE.pem     make a key pair
    tools/klucz_moda.py public PRIVATE.pem  print the public key again

"new" writes the private key (ECDSA P-256, PEM, readable by its owner only)
and refuses to overwrite a file. It never prints the private key; it prints
the public key in the form the launcher's build setting takes:

    cmake ... -DMORVANE_KLUCZE_PUBLICZNE=<128 hex digits>

With MORVANE_HASLO_KLUCZA set in the environment, the PEM file is encrypted
with that passphrase, and tools/paczka_moda.py needs the same variable.
"""
import os
import sys

from cryptography.hazmat.primitives import serialization
from cryptography.hazmat.primitives.asymmetric import ec


def haslo():
    h = os.environ.get("MORVANE_HASLO_KLUCZA")
    return h.encode() if h else None


def publiczny_hex(prywatny):
    """X||Y of the public point, 64 bytes in hex: what the launcher is built with."""
    p = prywatny.public_key().public_numbers()
    return p.x.to_bytes(32, "big").hex() + p.y.to_bytes(32, "big").hex()


def wczytaj(sciezka):
    with open(sciezka, "rb") as f:
        klucz = serialization.load_pem_private_key(f.read(), password=haslo())
    if not isinstance(klucz, ec.EllipticCurvePrivateKey) or klucz.curve.name != "secp256r1":
        raise ValueError(f"{sciezka}: not an ECDSA P-256 private key")
    return klucz


def nowy(sciezka):
    klucz = ec.generate_private_key(ec.SECP256R1())
    h = haslo()
    szyfr = serialization.BestAvailableEncryption(h) if h else serialization.NoEncryption()
    pem = klucz.private_bytes(serialization.Encoding.PEM, serialization.PrivateFormat.PKCS8, szyfr)
    # Created for its owner only, and never over an existing key.
    fd = os.open(sciezka, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o600)
    with os.fdopen(fd, "wb") as f:
        f.write(pem)
    return klucz


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in ("new", "public"):
        print(__doc__.strip(), file=sys.stderr)
        sys.exit(2)
    try:
        klucz = nowy(sys.argv[2]) if sys.argv[1] == "new" else wczytaj(sys.argv[2])
    except FileExistsError:
        print(f"klucz_moda: {sys.argv[2]} exists; a key is never overwritten", file=sys.stderr)
        sys.exit(1)
    except (OSError, ValueError, TypeError) as e:
        print(f"klucz_moda: {e}", file=sys.stderr)
        sys.exit(1)
    print(publiczny_hex(klucz))


if __name__ == "__main__":
    main()
