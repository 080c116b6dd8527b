"""Throw-away signing keys of the tests, derived from fixed seeds so that the
test launchers can be built with their public halves (tests/CMakeLists.txt):
A and B are the keys a test launcher trusts (B as the team's next key after
a rotation), C is a stranger's."""
import hashlib

from cryptography.hazmat.primitives.asymmetric import ec

N = 0xFFFFFFFF00000000FFFFFFFFFFFFFFFFBCE6FAADA7179E84F3B9CAC2FC632551


def klucz(nazwa):
    d = int.from_bytes(hashlib.sha256(b"morvane-klucz-testowy-" + nazwa.encode()).digest(), "big") % (N - 1) + 1
    return ec.derive_private_key(d, ec.SECP256R1())
