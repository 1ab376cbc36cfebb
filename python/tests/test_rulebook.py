"""The rulebook the package reads: its checks give the tool's and the service's
messages, and the package's constants, timeouts and words come from it."""

from __future__ import annotations

import json
import math
from pathlib import Path
from typing import List

import pytest

import varnolo
from varnolo import register as register_module
from varnolo import rulebook, verdict
from varnolo.rulebook import RULES

AMOUNT = rulebook.document("cash-in").number("amount")
CASH_OUT = rulebook.document("cash-out").number("amount")
WEIGHT = rulebook.document("receipt").number("quantity")
PIECES = rulebook.document("receipt").number("quantity", "pieces")
SECTION = rulebook.document("receipt").number("section")
NAME = rulebook.document("receipt").text("name")
BARCODE = rulebook.document("receipt").text("barcode")
TEXT = rulebook.document("decorated").text("text")

SHOWN = [  # (value, as the messages show it), as C++'s NumberText shows it
    (100000.0, "100000"),
    (-0.0, "0"),
    (10.999, "10.999"),
    (-0.5, "-0.5"),
    (0.0001, "1e-04"),  # shorter with an exponent
    (1.5e-7, "1.5e-07"),
    (0.001, "0.001"),  # a tie: fixed
    (999999999999999.0, "999999999999999"),
    (1e15, "1e+15"),  # whole, but from 1e15 on in the shortest form
    (1.2345678901234568e20, "123456789012345683968"),  # fixed is as short, and exact
    (1e300, "1e+300"),
    (5e-324, "5e-324"),
    (1234567890123.5, "1234567890123.5"),
    (math.nan, "nan"),
    (math.inf, "inf"),
    (-math.inf, "-inf"),
]


@pytest.mark.parametrize("value, shown", SHOWN, ids=[s for _, s in SHOWN])
def test_numbers_are_shown_as_every_face_shows_them(value: float, shown: str) -> None:
    assert rulebook.number_text(value) == shown


def test_every_range_reads_as_the_rulebook_writes_it() -> None:
    rules = [n for d in RULES.documents.values() for n in d.numbers]
    assert len(rules) > 20
    for rule in rules:
        assert rulebook.range_text(rule) == rule.range, rule


ALLOWED = "(allowed: 0 to 99999.99, at most 2 decimals)"

NUMBERS = [  # (rule, value, message; None: allowed)
    (AMOUNT, 0, None),
    (AMOUNT, 99999.99, None),
    (AMOUNT, 10.1, None),
    (AMOUNT, 10.999, f"amount 10.999 has more than 2 decimals {ALLOWED}"),
    (AMOUNT, 10.005, f"amount 10.005 has more than 2 decimals {ALLOWED}"),
    (AMOUNT, 100000, f"amount 100000 is out of range {ALLOWED}"),
    (AMOUNT, 100000.001, f"amount 100000.001 has more than 2 decimals {ALLOWED}"),  # decimals before range
    (AMOUNT, -0.01, f"amount -0.01 is out of range {ALLOWED}"),
    (AMOUNT, math.nan, f"amount nan is not a number {ALLOWED}"),
    (AMOUNT, -math.inf, f"amount -inf is not a number {ALLOWED}"),
    (AMOUNT, 10**400, f"amount {10**400} is out of range {ALLOWED}"),  # beyond every double
    (CASH_OUT, 0.01, None),
    (CASH_OUT, 150000, None),
    (CASH_OUT, 9999999999.99, None),
    (CASH_OUT, 0, "amount 0 is out of range (allowed: 0.01 to 9999999999.99, at most 2 decimals)"),
    (WEIGHT, 65.535, None),
    (WEIGHT, 0.0005, "quantity 5e-04 has more than 3 decimals (allowed: 0 to 65.535, at most 3 decimals)"),
    (PIECES, 999, None),
    (PIECES, 2.5, "quantity 2.5 is not a whole number (allowed: 0 to 999, a whole number)"),
    (SECTION, 16, None),
    (SECTION, 1.5, "section 1.5 is not a whole number (allowed: 1 to 16, a whole number)"),
    (SECTION, -1, "section -1 is out of range (allowed: 1 to 16, a whole number)"),
]  # fmt: skip


@pytest.mark.parametrize("rule, value, message", NUMBERS, ids=[f"{r.field} {v}" for r, v, _ in NUMBERS])
def test_a_number_is_held_to_its_rule(rule: rulebook.NumberRule, value: float, message: str) -> None:
    assert rulebook.check_number(rule, value) == message


@pytest.mark.parametrize("value", [True, "10", None, b"1", 1j], ids=repr)
def test_only_numbers_are_numbers(value: object) -> None:
    with pytest.raises(TypeError, match=f"^amount must be a number, not {type(value).__name__}$"):
        rulebook.check_number(AMOUNT, value)


TEXTS = [  # (rule, text, message; None: allowed)
    (NAME, "Хлеб ржаной", None),
    (NAME, "Ж" * 15, None),
    (NAME, "Ё№ 20%", None),
    (NAME, "", None),
    (NAME, "Ж" * 16, f'name "{"Ж" * 16}" is longer than 15 characters'),
    (NAME, "a\0b", 'name "a\0b" holds a NUL character'),
    (NAME, "€uro", 'name "€uro" holds "€", which the register cannot print'),  # in 1251, not in 866
    (NAME, "日«", 'name "日«" holds "日", which the register cannot print'),
    (NAME, "«日", 'name "«日" holds "日", which the register cannot print'),  # 1251 is asked first
    (NAME, "é", 'name "é" holds "é", which the register cannot print'),
    (NAME, "«" + "Ж" * 20, f'name "«{"Ж" * 20}" holds "«", which the register cannot print'),
    (BARCODE, "4607012345675", None),
    (BARCODE, "", None),
    (BARCODE, "460701234567", 'barcode "460701234567" is not 13 digits'),
    (BARCODE, "46070123456750", 'barcode "46070123456750" is not 13 digits'),
    (BARCODE, "46070123456٧5", 'barcode "46070123456٧5" is not 13 digits'),  # a digit, but not 0-9
    (BARCODE, "460701234567\0", 'barcode "460701234567\0" is not 13 digits'),
    (TEXT, "x" * 255, None),
]  # fmt: skip


@pytest.mark.parametrize("rule, text, message", TEXTS, ids=[f"{r.field} {t[:16]!r}" for r, t, _ in TEXTS])
def test_a_text_is_held_to_its_rule(rule: rulebook.TextRule, text: str, message: str) -> None:
    assert rulebook.check_text(rule, text) == message


REPORTS = [  # (name or number, CRReport's kind)
    ("x", varnolo.REPORT_X),
    ("cashiers", varnolo.REPORT_CASHIERS),
    ("sections", varnolo.REPORT_SECTIONS),
    ("hourly", varnolo.REPORT_HOURLY),
    ("goods", varnolo.REPORT_GOODS),
    (2, 2),
    (0, 0),  # any other number: the X report, as the library prints it
]


@pytest.mark.parametrize("kind, number", REPORTS, ids=[str(k) for k, _ in REPORTS])
def test_reports_by_name_or_number(kind: object, number: int) -> None:
    assert rulebook.report_kind(kind) == number  # type: ignore[arg-type]


@pytest.mark.parametrize("kind, error, message", [
    ("z", ValueError, "unknown report 'z': the reports are x, cashiers, sections, hourly, goods"),
    ("report-x", ValueError, "unknown report 'report-x': the reports are x, cashiers, sections, hourly, goods"),
    ("X", ValueError, "unknown report 'X': the reports are x, cashiers, sections, hourly, goods"),
    (True, TypeError, "a report is named by a string or a kind number, not bool"),
    (2.0, TypeError, "a report is named by a string or a kind number, not float"),
])  # fmt: skip
def test_an_unknown_report_is_refused_with_the_names(kind: object, error: type, message: str) -> None:
    with pytest.raises(error) as refused:
        rulebook.report_kind(kind)  # type: ignore[arg-type]
    assert str(refused.value) == message


def rulebook_file() -> dict:
    return json.loads(rulebook.RULEBOOK_FILE.read_text(encoding="utf-8"))  # type: ignore[no-any-return]


def test_the_package_takes_its_constants_from_the_rulebook() -> None:
    constants = rulebook_file()["constants"]
    kinds = constants["reportKinds"]
    assert {n: getattr(varnolo, n) for n in dir(varnolo) if n.startswith("REPORT_")} == {
        name[len("CR_") :]: value for name, value in kinds.items()
    }
    assert RULES.reports() == {
        d["kind"][len("report-") :]: d["reportKind"] for d in rulebook_file()["documents"] if d["kind"].startswith("report-")
    }
    flags = constants["configurationFlags"]
    assert register_module._CONFIG_FLAGS == {
        "use_cashiers": flags["CR_CFG_USE_CASHIERS"], "option02": flags["CR_CFG_OPTION02"],
        "use_goods_base": flags["CR_CFG_USE_GOODS_BASE"], "extended_checks": flags["CR_CFG_EXTENDED_CHECKS"],
        "use_taxes": flags["CR_CFG_USE_TAXES"], "section_count": flags["CR_CFG_SECTION_COUNT"],
    }  # fmt: skip
    bits = constants["stateBits"]
    assert (register_module._STATE_DRAWER_ALLOWED, register_module._STATE_PRINT_ALLOWED,
            register_module._STATE_LOCKED) == (bits["CR_STATE_DRAWER_ALLOWED"], bits["CR_STATE_PRINT_ALLOWED"],
                                               bits["CR_STATE_LOCKED"])  # fmt: skip
    assert register_module._GOODS_EMPTY == constants["results"]["CR_ERR_GOODS_EMPTY"]
    assert verdict.PORT_CLOSED == constants["results"]["CR_ERR_PORT_CLOSED"]
    timings = rulebook_file()["verdict"]
    assert (verdict.COUNT_READ_TIMEOUT_MS, verdict.QUIET_PAUSE_MS, verdict.QUIET_WINDOW_MS) == (
        timings["countReadTimeoutMs"], timings["quietPauseMs"], timings["quietWindowMs"])  # fmt: skip
    pages = rulebook_file()["codePages"]
    assert (varnolo.types.ENCODING, varnolo.types.PRINTABLE) == (pages["library"], pages["register"])


def test_a_package_without_its_rulebook_says_so(tmp_path: Path) -> None:
    with pytest.raises(FileNotFoundError, match="rulebook.json is missing: the package is incomplete"):
        rulebook.load(tmp_path / "rulebook.json")


RUNS = [  # (what, call, document kind, lines)
    ("a sale check of one line", lambda r: r.sell([varnolo.Line(1, 1)]), "receipt", 1),
    ("a sale check of three lines", lambda r: r.sell([varnolo.Line(1, 1)] * 3), "receipt", 3),
    ("an extended sale check", lambda r: r.sell([varnolo.ExtendedLine(1, 1, name="Хлеб")] * 2), "receipt", 2),
    ("an annulment", lambda r: r.annul(), "annul", 1),
    ("a goods-base check", lambda r: r.sell_goods(7, 1), "goods-sale", 1),
    ("a decorated check", lambda r: r.decorated_check(5, "Карта"), "decorated", 1),
    ("a cash-in", lambda r: r.cash_in(5), "cash-in", 1),
    ("a cash-out", lambda r: r.cash_out(1), "cash-out", 1),
    ("a pack check", lambda r: r.pack(1, 1), "pack", 1),
    ("a money-back check", lambda r: r.money_back(1, 1), "money-back", 1),
]  # fmt: skip


def test_every_document_runs_with_its_own_timeout(register, monkeypatch) -> None:
    register.set_goods(7, varnolo.GoodsItem(2.00, "Соль", pieces=1))
    timeouts: List[int] = []
    real = verdict.run_document
    monkeypatch.setattr(verdict, "run_document", lambda read, run, ms: timeouts.append(ms) or real(read, run, ms))
    for _, call, _, _ in RUNS:
        call(register)
    assert timeouts == [rulebook.document(kind).run_timeout_ms(lines) for _, _, kind, lines in RUNS]
    assert timeouts[:3] == [9000, 19000, 14000]  # 4 s and 5 s a line
