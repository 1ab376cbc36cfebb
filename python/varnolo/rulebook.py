"""What the register accepts, read from ``rulebook.json`` beside this module.

The file is the C++ rulebook written out as data (``varnolo --json rules``):
every document with its kind, title, C function and run timeout, every
argument's range and decimals, the verdict's timings and sentences, the code
pages and the C header's constants. The package takes all of these from here,
so that it refuses, times and words everything as the tool and the service
do; `check_number` and `check_text` give the same messages as theirs.
"""

from __future__ import annotations

import json
import math
import numbers
import sys
from dataclasses import dataclass
from decimal import Decimal
from pathlib import Path
from typing import Any, Dict, Mapping, Optional, Tuple, Union

RULEBOOK_NAME = "rulebook.json"
RULEBOOK_FILE = Path(__file__).resolve().with_name(RULEBOOK_NAME)

REPORT_PREFIX = "report-"  # a report's document kind is this and its name ("report-x")


@dataclass(frozen=True)
class NumberRule:
    """A number argument: `low` to `high` with at most `decimals` decimals."""

    field: str
    low: float
    high: float
    decimals: int
    meaning: str
    when: str  # "pieces": for a line or an entry sold by whole pieces; "" otherwise
    range: str  # the allowed values in words: "0 to 99999.99, at most 2 decimals"

    def check(self, value: float) -> Optional[str]:
        return check_number(self, value)


@dataclass(frozen=True)
class TextRule:
    """A text argument: at most `max_bytes` bytes in the library's code page,
    every character printable; `digits`: exactly `max_bytes` digits, or empty."""

    field: str
    max_bytes: int
    digits: bool

    def check(self, text: str) -> Optional[str]:
        return check_text(self, text)


@dataclass(frozen=True)
class DocumentRule:
    """One document: what it is called, the C function that prints it, how
    long the register may take, and its arguments in the function's order."""

    kind: str  # "receipt", "cash-in", "report-x": the service's and the journal's name
    title: str  # "sale check": what people read
    function: str
    run_timeout_base_ms: int
    run_timeout_per_line_ms: int
    judged_by_tape: bool
    report_kind: int  # CRReport's kind; 0 for the other documents
    numbers: Tuple[NumberRule, ...]
    texts: Tuple[TextRule, ...]

    def run_timeout_ms(self, lines: int = 1) -> int:
        """How long the register may take to print it, with `lines` lines."""
        return self.run_timeout_base_ms + self.run_timeout_per_line_ms * lines

    def number(self, field: str, when: str = "") -> NumberRule:
        for rule in self.numbers:
            if rule.field == field and rule.when == when:
                return rule
        raise KeyError(f"the {self.title} has no number {field!r}" + (f" when {when!r}" if when else ""))

    def text(self, field: str) -> TextRule:
        for rule in self.texts:
            if rule.field == field:
                return rule
        raise KeyError(f"the {self.title} has no text {field!r}")


@dataclass(frozen=True)
class Rulebook:
    documents: Dict[str, DocumentRule]  # by kind, in the rulebook's order
    max_lines: int  # of a sale check
    max_line_sum: float  # quantity x price of one line
    count_read_timeout_ms: int
    quiet_pause_ms: int
    quiet_window_ms: int
    words: Dict[str, str]  # the verdict sentences, with {document}, {before}, {after}
    code_pages: Dict[str, str]  # "library" (what the library takes), "register" (what it prints)
    constants: Dict[str, Dict[str, int]]  # by group: "results", "stateBits", ...

    def document(self, kind: str) -> DocumentRule:
        try:
            return self.documents[kind]
        except KeyError:
            raise KeyError(f"the rulebook has no document {kind!r}") from None

    def constant(self, group: str, name: str) -> int:
        try:
            return self.constants[group][name]
        except KeyError:
            raise KeyError(f"the rulebook has no constant {group}.{name}") from None

    def reports(self) -> Dict[str, int]:
        """CRReport's kinds by name ("x", "cashiers", ...), in the rulebook's order."""
        return {
            kind[len(REPORT_PREFIX) :]: document.report_kind
            for kind, document in self.documents.items()
            if kind.startswith(REPORT_PREFIX)
        }


def _number_rule(data: Mapping[str, Any]) -> NumberRule:
    return NumberRule(
        field=str(data["field"]),
        low=float(data["low"]),
        high=float(data["high"]),
        decimals=int(data["decimals"]),
        meaning=str(data["meaning"]),
        when=str(data["when"]),
        range=str(data["range"]),
    )


def _text_rule(data: Mapping[str, Any]) -> TextRule:
    return TextRule(field=str(data["field"]), max_bytes=int(data["maxBytes"]), digits=bool(data["digits"]))


def _document_rule(data: Mapping[str, Any]) -> DocumentRule:
    return DocumentRule(
        kind=str(data["kind"]),
        title=str(data["title"]),
        function=str(data["function"]),
        run_timeout_base_ms=int(data["runTimeoutMs"]),
        run_timeout_per_line_ms=int(data["runTimeoutPerLineMs"]),
        judged_by_tape=bool(data["judgedByTape"]),
        report_kind=int(data["reportKind"]),
        numbers=tuple(_number_rule(n) for n in data["numbers"]),
        texts=tuple(_text_rule(t) for t in data["texts"]),
    )


def parse(data: Mapping[str, Any]) -> Rulebook:
    """A rulebook from the data of a rulebook.json; KeyError when a part is missing."""
    verdict = data["verdict"]
    return Rulebook(
        documents={d.kind: d for d in map(_document_rule, data["documents"])},
        max_lines=int(data["saleCheck"]["maxLines"]),
        max_line_sum=float(data["saleCheck"]["maxLineSum"]),
        count_read_timeout_ms=int(verdict["countReadTimeoutMs"]),
        quiet_pause_ms=int(verdict["quietPauseMs"]),
        quiet_window_ms=int(verdict["quietWindowMs"]),
        words={str(k): str(v) for k, v in verdict["words"].items()},
        code_pages={str(k): str(v) for k, v in data["codePages"].items()},
        constants={
            str(group): {str(name): int(value) for name, value in values.items()}
            for group, values in data["constants"].items()
        },
    )


def load(path: Union[str, Path] = RULEBOOK_FILE) -> Rulebook:
    try:
        text = Path(path).read_text(encoding="utf-8")
    except FileNotFoundError:
        raise FileNotFoundError(
            f"{path} is missing: the package is incomplete (it ships {RULEBOOK_NAME} beside its modules)"
        ) from None
    return parse(json.loads(text))


RULES = load()
"""The package's rulebook, read once when the package is imported."""


def document(kind: str) -> DocumentRule:
    return RULES.document(kind)


def constant(group: str, name: str) -> int:
    return RULES.constant(group, name)


def result(name: str) -> int:
    """A result code by its C name: ``result("CR_ERR_GOODS_EMPTY")``."""
    return RULES.constant("results", name)


OK = result("CR_OK")

if sys.platform == "win32":  # the DLL converts from the system's ANSI to its OEM code page
    LIBRARY_ENCODING = "mbcs"
    REGISTER_ENCODING = "oem"
else:
    LIBRARY_ENCODING = RULES.code_pages["library"]
    """What the library takes and gives on Linux: Windows-1251, as the DLL."""
    REGISTER_ENCODING = RULES.code_pages["register"]
    """The register's own code page: what it can print and store."""

# CRReport's kinds, as the C header names them.
REPORT_X = constant("reportKinds", "CR_REPORT_X")
REPORT_CASHIERS = constant("reportKinds", "CR_REPORT_CASHIERS")
REPORT_SECTIONS = constant("reportKinds", "CR_REPORT_SECTIONS")
REPORT_HOURLY = constant("reportKinds", "CR_REPORT_HOURLY")
REPORT_GOODS = constant("reportKinds", "CR_REPORT_GOODS")


def report_kind(kind: Union[str, int]) -> int:
    """CRReport's kind for a report's name ("x", "cashiers", ...) or a kind
    number (passed on as it is); ValueError for another name."""
    if isinstance(kind, bool) or not isinstance(kind, (str, int)):
        raise TypeError(f"a report is named by a string or a kind number, not {type(kind).__name__}")
    if isinstance(kind, int):
        return kind
    reports = RULES.reports()
    if kind not in reports:
        raise ValueError(f"unknown report {kind!r}: the reports are {', '.join(reports)}")
    return reports[kind]


# ---- numbers ------------------------------------------------------------------------


def number_text(x: float) -> str:
    """A number as the messages show it: a whole number below 1e15 without a
    point, any other in its shortest form that reads back as the same double
    (fixed or with an exponent, whichever is shorter; fixed on a tie)."""
    if math.isfinite(x) and x == math.trunc(x) and abs(x) < 1e15:
        return str(int(x))
    sign = "-" if math.copysign(1.0, x) < 0 else ""
    if math.isnan(x):
        return sign + "nan"
    if math.isinf(x):
        return sign + "inf"
    x = abs(x)
    if x == math.trunc(x):  # whole: its exact digits are as long as any fixed form
        fixed = str(int(x))
    else:
        fixed = ""
    digits_tuple = Decimal(repr(x)).normalize().as_tuple()
    digits = "".join(map(str, digits_tuple.digits))
    exponent = len(digits) - 1 + int(digits_tuple.exponent)  # of the first digit
    scientific = digits[0] + ("." + digits[1:] if len(digits) > 1 else "")
    scientific += "e" + ("-" if exponent < 0 else "+") + f"{abs(exponent):02d}"
    if not fixed:
        if exponent < 0:
            fixed = "0." + "0" * (-exponent - 1) + digits
        else:
            fixed = digits[: exponent + 1] + "." + digits[exponent + 1 :]
    return sign + (fixed if len(fixed) <= len(scientific) else scientific)


def range_text(rule: NumberRule) -> str:
    """The allowed values in words, as the rulebook writes them."""
    decimals = ", a whole number" if rule.decimals == 0 else f", at most {rule.decimals} decimals"
    return f"{number_text(rule.low)} to {number_text(rule.high)}{decimals}"


def _round_half_away(y: float) -> float:
    """C's round(): halves away from zero (Python's round() takes the even one)."""
    if not math.isfinite(y) or abs(y) >= 2.0**52:  # already whole, or nothing to round
        return y
    whole = math.floor(abs(y))
    if abs(y) - whole >= 0.5:
        whole += 1
    return math.copysign(whole, y)


def keeps_decimals(x: float, decimals: int) -> bool:
    """Whether `x` has at most `decimals` decimals as the library keeps it:
    its nearest such number is itself."""
    if abs(x) >= 1e15:  # past every range, and whole in a double
        return True
    scale = 10.0**decimals
    return _round_half_away(x * scale) / scale == x


def as_number(field: str, value: object) -> float:
    """`value` as a float; TypeError when it is not a number (a bool is not)."""
    # Money is often a Decimal: it is taken as the double the library is
    # passed.
    if isinstance(value, bool) or not isinstance(value, (numbers.Real, Decimal)):
        raise TypeError(f"{field} must be a number, not {type(value).__name__}")
    try:
        return float(value)
    except OverflowError:  # an int beyond every double: out of any range
        return math.inf if value > 0 else -math.inf  # type: ignore[operator]


def check_number(rule: NumberRule, value: object) -> Optional[str]:
    """None when `value` keeps to the rule, otherwise why not, as every face says it:
    ``amount 10.999 has more than 2 decimals (allowed: 0 to 99999.99, at most 2 decimals)``.
    TypeError when `value` is not a number."""
    x = as_number(rule.field, value)
    if isinstance(value, int) and not math.isfinite(x):
        fault = "is out of range"  # a whole number too large for a double
        return f"{rule.field} {value} {fault} (allowed: {rule.range})"
    if not math.isfinite(x):
        fault = "is not a number"
    elif not keeps_decimals(x, rule.decimals):
        fault = "is not a whole number" if rule.decimals == 0 else f"has more than {rule.decimals} decimals"
    elif x < rule.low or x > rule.high:
        fault = "is out of range"
    else:
        return None
    return f"{rule.field} {number_text(x)} {fault} (allowed: {rule.range})"


def check_line_sum(quantity: float, price: float, raise_percent: float, discount: float) -> Optional[str]:
    """A sale line's sum: quantity x price, with the raise added and the
    discount taken off, at most the rulebook's largest (the register adds the
    line's tax on top and refuses a sum above it with the tax too: that only
    it can tell). None when it keeps to it, otherwise why not."""
    amount = quantity * price  # the register's own arithmetic, step by step
    total = amount + (raise_percent - discount) * amount * 0.01
    if amount <= RULES.max_line_sum and total <= RULES.max_line_sum:
        return None
    return (
        "the line's sum (quantity x price, with its raise and discount) "
        f"{number_text(total)} is above {number_text(RULES.max_line_sum)}"
    )


# ---- texts ---------------------------------------------------------------------------


def unprintable(text: str) -> Optional[str]:
    """The first character of `text` without a form in the library's code page,
    else the first without one in the register's; None when there is none."""
    for encoding in (LIBRARY_ENCODING, REGISTER_ENCODING):
        try:
            text.encode(encoding)
        except UnicodeEncodeError as error:
            return error.object[error.start : error.end]
    return None


_DIGITS = frozenset("0123456789")


def check_text(rule: TextRule, text: str) -> Optional[str]:
    """None when `text` keeps to the rule, otherwise why not, as every face says it."""
    if not isinstance(text, str):
        raise TypeError(f"{rule.field} must be a str, not {type(text).__name__}")
    quoted = f'{rule.field} "{text}"'
    if rule.digits:
        if not set(text) <= _DIGITS or (text and len(text) != rule.max_bytes):
            return f"{quoted} is not {rule.max_bytes} digits"
        return None
    if "\0" in text:
        return f"{quoted} holds a NUL character"
    bad = unprintable(text)
    if bad is not None:
        return f'{quoted} holds "{bad}", which the register cannot print'
    if len(text.encode(LIBRARY_ENCODING)) > rule.max_bytes:
        return f"{quoted} is longer than {rule.max_bytes} characters"
    return None
