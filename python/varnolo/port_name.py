"""How a port is named, as the library and every face read it: "COM1" and
"COM2" (in any case) are the library's own two ports; "tcp://HOST:PORT" and
"rfc2217://HOST:PORT" a register behind a device server; anything else a
device path. A device or a server is opened as the library's COM1, with
``VARNOLO_COM1`` naming it. The cases in tests/vectors/ports.json hold the
words to those of the library."""

from __future__ import annotations

import os
import string
from typing import Optional, Tuple, Union

PathLike = Union[str, "os.PathLike[str]"]

_SCHEMES = ("tcp://", "rfc2217://")
_FORM = "a network port is tcp://HOST:PORT or rfc2217://HOST:PORT"
_HOST_CHARACTERS = set(string.ascii_letters + string.digits + "-._")
_IPV6_CHARACTERS = set(string.hexdigits + ":.")


def is_network_name(name: str) -> bool:
    """True for a name that starts with tcp:// or rfc2217:// (in any case)."""
    return name.lower().startswith(_SCHEMES)


def network_name_error(name: str) -> Optional[str]:
    """What is wrong with a network name, or None when it is well formed."""

    def fail(what: str) -> str:
        return f"{name}: {what} ({_FORM})"

    rest = name[name.index("//") + 2 :]
    if rest.startswith("["):
        close = rest.find("]")
        if close < 0:
            return fail("the [ of the host is not closed")
        host, rest = rest[1:close], rest[close + 1 :]
        if not host or not set(host) <= _IPV6_CHARACTERS:
            return fail("the host in brackets is not an IPv6 address")
        if not rest:
            return fail("the port number is missing")
        if not rest.startswith(":"):
            return fail("the host is followed by something other than :PORT")
        port: Optional[str] = rest[1:]
    else:
        colon = rest.rfind(":")
        host = rest if colon < 0 else rest[:colon]
        if not host:
            return fail("the host is missing")
        if not set(host) <= _HOST_CHARACTERS:
            return fail("the host may hold letters, digits, '-', '.' and '_' only")
        if colon < 0:
            return fail("the port number is missing")
        port = rest[colon + 1 :]
    if not port:
        return fail("the port number is missing")
    if len(port) > 5 or not all(c in string.digits for c in port) or not 1 <= int(port) <= 65535:
        return fail("the port number is not a number from 1 to 65535")
    return None


def port_selector(port: Optional[PathLike]) -> Tuple[int, Optional[str]]:
    """The library's port selector and what ``VARNOLO_COM1`` names for it (None
    for the library's own port); ValueError for a name that names no port."""
    if port is None:
        return 0, None
    name = os.fspath(port)
    if name.upper() in ("COM1", "COM2"):
        return (0 if name.upper() == "COM1" else 1), None
    if not name or "\0" in name:
        raise ValueError(
            f"port {name!r}: a port is COM1, COM2, a device path, tcp://HOST:PORT or rfc2217://HOST:PORT"
        )
    if is_network_name(name):
        error = network_name_error(name)
        if error is not None:
            raise ValueError(error)
    return 0, name
