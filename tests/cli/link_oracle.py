"""The three link forms, made with Python's own base64: the independent
oracle of the linkconv tests."""
import base64


def thunder(address: bytes) -> bytes:
    return b"thunder://" + base64.b64encode(b"AA" + address + b"ZZ") if address else b""


def flashget(address: bytes) -> bytes:
    return b"Flashget://" + base64.b64encode(b"[FLASHGET]" + address + b"[FLASHGET]") + b"&1926"


def qqdl(address: bytes) -> bytes:
    return b"qqdl://" + base64.b64encode(address) if address else b""


LINKS = {"thunder": thunder, "flashget": flashget, "qqdl": qqdl}
