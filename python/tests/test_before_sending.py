"""Arguments the rulebook refuses: ValueError (TypeError for what is no
number) naming the field and what it allows, before anything reaches the
register, not even the tape count's read."""

from __future__ import annotations

from typing import Iterator, Tuple

import pytest

import varnolo
from varnolo import ExtendedLine, Line
from conftest import Simulator


@pytest.fixture(scope="module")
def open_shift(tmp_path_factory) -> Iterator[Tuple[varnolo.Register, Simulator]]:
    """One session for every case: a refusal leaves the register as it was
    (each case checks that), with a shift open and 10.00 in the drawer."""
    simulator = Simulator(tmp_path_factory.mktemp("before-sending"), [])
    try:
        with varnolo.Register(simulator.link) as register:
            register.configure(section_count=4, extended_checks=False)
            register.cash_in(10)
            yield register, simulator
    finally:
        simulator.stop()


AMOUNT = "(allowed: 0 to 99999.99, at most 2 decimals)"
PERCENT = "(allowed: 0 to 99.99, at most 2 decimals)"
WEIGHT = "(allowed: 0 to 65.535, at most 3 decimals)"
SECTION = "(allowed: 1 to 16, a whole number)"

# What the library would refuse with a bare 257 or 269, or cut silently: the
# package refuses it first, naming the field and what it allows.
BEFORE_SENDING = [  # (name, call, message)
    ("line sum above 99999.99", lambda r: r.sell([Line(2, 60000)]),
     "line 1: the line's sum (quantity x price, with its raise and discount) 120000 is above 99999.99"),
    ("price out of range", lambda r: r.sell([Line(1, 100000)]), f"line 1: price 100000 is out of range {AMOUNT}"),
    ("quantity out of range", lambda r: r.sell([Line(70, 1)]), f"line 1: quantity 70 is out of range {WEIGHT}"),
    ("a weight to 4 decimals, second line", lambda r: r.sell([Line(1, 1), Line(1.0005, 1)]),
     f"line 2: quantity 1.0005 has more than 3 decimals {WEIGHT}"),
    ("half a piece", lambda r: r.sell([ExtendedLine(1.5, 1, pieces=True)]),
     "line 1: quantity 1.5 is not a whole number (allowed: 0 to 999, a whole number)"),
    ("price not a number", lambda r: r.sell([Line(1, float("nan"))]), f"line 1: price nan is not a number {AMOUNT}"),
    ("discount of 100 percent", lambda r: r.sell([Line(1, 1, discount=100)]),
     f"line 1: discount 100 is out of range {PERCENT}"),
    ("raise above 999.99", lambda r: r.sell([Line(1, 1, raise_percent=1000)]),
     "line 1: raise 1000 is out of range (allowed: 0 to 999.99, at most 2 decimals)"),
    ("section 0", lambda r: r.sell([Line(1, 1, section=0)]), f"line 1: section 0 is out of range {SECTION}"),
    ("section beyond 32 bits", lambda r: r.sell([Line(1, 1, section=2**32 + 1)]),
     f"line 1: section 4294967297 is out of range {SECTION}"),
    ("tax 4", lambda r: r.sell([Line(1, 1, tax=4)]), "line 1: tax 4 is out of range (allowed: 0 to 3, a whole number)"),
    ("a short barcode", lambda r: r.sell([ExtendedLine(1, 1, barcode="460123")]),
     'line 1: barcode "460123" is not 13 digits'),
    ("a name of 16 letters", lambda r: r.sell([ExtendedLine(1, 1, name="Ж" * 16)]),
     f'line 1: name "{"Ж" * 16}" is longer than 15 characters'),
    ("a NUL in a name", lambda r: r.sell([ExtendedLine(1, 1, name="a\0b")]),
     'line 1: name "a\0b" holds a NUL character'),
    ("a quote the register lacks", lambda r: r.sell([ExtendedLine(1, 1, name="ООО «Ромашка»")]),
     'line 1: name "ООО «Ромашка»" holds "«", which the register cannot print'),
    ("no lines", lambda r: r.sell([]), "a check needs at least one line"),
    ("21 lines", lambda r: r.sell([Line(1, 1)] * 21), "a check has at most 20 lines"),
    ("paid a billion", lambda r: r.sell([Line(1, 1)], paid=1e9),
     "paid 1000000000 is out of range (allowed: 0 to 99999999.99, at most 2 decimals)"),
    ("goods entry 0", lambda r: r.sell_goods(0, 1), "number 0 is out of range (allowed: 1 to 1800, a whole number)"),
    ("goods quantity neither weight nor pieces", lambda r: r.sell_goods(7, 1.0005),
     f"quantity 1.0005 has more than 3 decimals {WEIGHT}"),
    ("goods discount", lambda r: r.sell_goods(7, 1, discount=99.999), f"discount 99.999 has more than 2 decimals {PERCENT}"),
    ("decorated amount", lambda r: r.decorated_check(100000, "Подарок"), f"amount 100000 is out of range {AMOUNT}"),
    ("decorated euro", lambda r: r.decorated_check(5, "Карта на 5 €"),
     'text "Карта на 5 €" holds "€", which the register cannot print'),
    ("decorated text of 256", lambda r: r.decorated_check(5, "x" * 256), f'text "{"x" * 256}" is longer than 255 characters'),
    ("cash in of a tenth of a cent", lambda r: r.cash_in(0.001), f"amount 0.001 has more than 2 decimals {AMOUNT}"),
    ("cash out of nothing", lambda r: r.cash_out(0),
     "amount 0 is out of range (allowed: 0.01 to 9999999999.99, at most 2 decimals)"),
    ("cash out above twelve digits", lambda r: r.cash_out(1e10),
     "amount 10000000000 is out of range (allowed: 0.01 to 9999999999.99, at most 2 decimals)"),
    ("pack for section 17", lambda r: r.pack(17, 1), f"section 17 is out of range {SECTION}"),
    ("pack of nothing", lambda r: r.pack(1, 0), "amount 0 is out of range (allowed: 0.01 to 99999.99, at most 2 decimals)"),
    ("money back of a fraction of a cent", lambda r: r.money_back(2, 1.001),
     "amount 1.001 has more than 2 decimals (allowed: 0.01 to 99999.99, at most 2 decimals)"),
]  # fmt: skip


@pytest.mark.parametrize("name, call, message", BEFORE_SENDING, ids=[c[0] for c in BEFORE_SENDING])
def test_arguments_out_of_the_rules_are_refused_before_sending(open_shift, name, call, message) -> None:
    register, simulator = open_shift
    count, paper, sent = register.tape_count, simulator.paper(), len(simulator.exchanges())
    with pytest.raises(ValueError) as refused:
        call(register)
    assert str(refused.value) == message
    assert len(simulator.exchanges()) == sent  # not even the tape count was read
    assert simulator.paper() == paper
    assert register.tape_count == count


NOT_NUMBERS = [  # (name, call, message)
    ("an amount as text", lambda r: r.cash_in("10"), "amount must be a number, not str"),
    ("a bool for a quantity", lambda r: r.sell([Line(True, 1)]), "quantity must be a number, not bool"),
    ("a section as text", lambda r: r.pack("1", 1), "section must be a number, not str"),
    ("a name that is no text", lambda r: r.sell([ExtendedLine(1, 1, name=5)]), "name must be a str, not int"),  # type: ignore[arg-type]
]  # fmt: skip


@pytest.mark.parametrize("name, call, message", NOT_NUMBERS, ids=[c[0] for c in NOT_NUMBERS])
def test_an_argument_of_the_wrong_type_is_a_type_error(open_shift, name, call, message) -> None:
    register, simulator = open_shift
    sent = len(simulator.exchanges())
    with pytest.raises(TypeError) as refused:
        call(register)
    assert str(refused.value) == message
    assert len(simulator.exchanges()) == sent
