"""Varnolo for Python: drive the fiscal cash register through libvarnolo.

    import varnolo

    with varnolo.Register("/dev/ttyUSB0") as register:
        register.sell([varnolo.Line(2, 49.90), varnolo.Line(1, 89.00, discount=5)], paid=200)

Failures raise `ResultError` (``code``, ``text``; for documents ``registered``).
"""

from .errors import LibraryError, NoRegisterError, ResultError, SessionError, VarnoloError
from .register import Register
from .texts import result_text
from .types import (
    Configuration,
    ExtendedLine,
    GoodsItem,
    Line,
    State,
    TapeEntry,
    TapeInfo,
    Totals,
)

__all__ = [
    "Configuration",
    "ExtendedLine",
    "GoodsItem",
    "LibraryError",
    "Line",
    "NoRegisterError",
    "Register",
    "ResultError",
    "SessionError",
    "State",
    "TapeEntry",
    "TapeInfo",
    "Totals",
    "VarnoloError",
    "result_text",
]
__version__ = "1.0.0"
