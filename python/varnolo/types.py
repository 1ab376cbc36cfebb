"""The package's own records: what the caller passes and gets back."""

from __future__ import annotations

import sys
from dataclasses import dataclass, field, fields
from datetime import datetime
from typing import Any, List, Optional, Sequence, Tuple

from .rulebook import LIBRARY_ENCODING, REGISTER_ENCODING, TextRule, check_text

ENCODING = LIBRARY_ENCODING
"""The library's text encoding (Windows-1251 on Linux, as in the DLL)."""
PRINTABLE = REGISTER_ENCODING
"""The register's own code page: what it can print and store."""


def encode(text: str, limit: Optional[int] = None, what: str = "text") -> bytes:
    """A text in the library's encoding, held to the rulebook's text rule as
    every face holds it: ValueError when a character has no form in the
    library's or the register's code page (the library would send a '?'),
    the text holds a NUL, or it is longer than `limit` characters."""
    rule = TextRule(what, sys.maxsize if limit is None else limit, False)
    fault = check_text(rule, text)
    if fault is not None:
        raise ValueError(fault)
    return text.encode(ENCODING)


def decode(data: bytes) -> str:
    """A text from the library, up to its first NUL."""
    return data.split(b"\0", 1)[0].decode(ENCODING, errors="replace")


def cents(amount: float) -> float:
    """An amount the library computed as hundredths times 0.01, to the cent."""
    return round(amount, 2)


@dataclass(frozen=True)
class Line:
    """One line of a sale check: a quantity (a weight or volume) at a price;
    the rulebook's ranges apply (`varnolo rules` lists them)."""

    quantity: float
    price: float
    section: int = 1
    tax: int = 0  # 0 = no tax, 1..3 a tax rate
    discount: float = 0.0  # percent
    raise_percent: float = 0.0


@dataclass(frozen=True)
class ExtendedLine(Line):
    """A line with a name, a barcode (empty or all digits) and whether it
    counts whole pieces; a check with such a line is an extended check."""

    name: str = ""
    barcode: str = ""
    pieces: bool = False


@dataclass(frozen=True)
class Configuration:
    """The register's six configuration settings."""

    use_cashiers: bool = False
    option02: bool = False
    use_goods_base: bool = False
    extended_checks: bool = False
    use_taxes: bool = False
    section_count: int = 1


@dataclass(frozen=True)
class GoodsItem:
    """One entry of the register's internal goods base."""

    price: float
    name: str = ""
    section: int = 1
    barcode: str = ""  # 13 digits or empty
    pieces: int = 0  # 0 weight, 1 pieces, 2 pieces with a computed check digit


AMOUNT_COUNT = 18
COUNTER_COUNT = 11


@dataclass(frozen=True)
class Totals:
    """Trade totals of the register, a cashier or a section, by name.

    The 18 amounts (currency units) and 11 counters in the register's order,
    named as the varnolo tool and the simulator's paper log name them;
    ``amounts`` and ``counters`` give them as tuples in that order. A section
    has 14 amounts and 7 counters: the others are 0."""

    sales: float
    cash_sales: float
    non_cash_sales: float
    tax: float
    discounts: float
    raises: float
    cash_in: float
    cash_out: float
    packs: float
    money_back: float
    annulled: float
    decorated: float
    goods_base_sales: float
    net_sales: float
    total_15: float
    total_16: float
    total_17: float
    total_18: float
    checks: int
    check_lines: int
    cash_in_documents: int
    cash_out_documents: int
    pack_checks: int
    money_back_checks: int
    annulments: int
    decorated_checks: int
    reports: int
    counter_10: int
    counter_11: int

    @classmethod
    def from_values(cls, amounts: Sequence[float], counters: Sequence[int]) -> "Totals":
        values: List[Any] = [*amounts, *counters]
        return cls(*values)

    @property
    def amounts(self) -> Tuple[float, ...]:
        return tuple(getattr(self, f.name) for f in fields(self)[:AMOUNT_COUNT])

    @property
    def counters(self) -> Tuple[int, ...]:
        return tuple(getattr(self, f.name) for f in fields(self)[AMOUNT_COUNT:])


@dataclass(frozen=True)
class TapeEntry:
    """One control-tape entry; ``number`` is its shopping number (from 1)."""

    number: int
    amount: float
    cashier: int
    section: int
    group: int
    kind: int
    flag1: int
    flag0: int
    flag_last: int
    extra_word1: int
    extra_word2: int
    hour: int
    minute: int


@dataclass(frozen=True)
class TapeInfo:
    """The control tape's state and header."""

    shift_open: bool
    state_byte_zero: bool
    entry_count: int
    opened: Optional[datetime]  # the tape's date and time; None when the register holds none


@dataclass(frozen=True)
class State:
    """The register's permission and lock flags."""

    drawer_allowed: bool
    printing_allowed: bool
    locked: bool
    bits: int = field(default=0, compare=False)
