"""Varnolo for Python: drive the fiscal cash register through libvarnolo.

    import varnolo

    with varnolo.Register("/dev/ttyUSB0") as register:
        register.sell([varnolo.Line(2, 49.90), varnolo.Line(1, 89.00, discount=5)], paid=200)

Arguments the register would refuse raise ValueError before anything is
sent. Failures raise `ResultError` (``code``, ``text``; for documents
``registered``, ``verdict`` and the tape counts before and after).
"""

from . import rulebook
from .errors import LibraryError, NoRegisterError, ResultError, SessionError, VarnoloError
from .register import Register
from .rulebook import REPORT_CASHIERS, REPORT_GOODS, REPORT_HOURLY, REPORT_SECTIONS, REPORT_X
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
    "REPORT_CASHIERS",
    "REPORT_GOODS",
    "REPORT_HOURLY",
    "REPORT_SECTIONS",
    "REPORT_X",
    "Register",
    "ResultError",
    "SessionError",
    "State",
    "TapeEntry",
    "TapeInfo",
    "Totals",
    "VarnoloError",
    "result_text",
    "rulebook",
]
__version__ = "1.0.0"
