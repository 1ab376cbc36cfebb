"""Refusals: the library's code and its text, nothing printed, and for a
document the verdict that it was not registered."""

from __future__ import annotations

import pytest

import varnolo
from varnolo import ExtendedLine, Line

NOT_REGISTERED = "the register did not register it (the tape still has 1 entries)"

DOCUMENTS = [  # (name, call, code, function, verdict, tape counts) with a shift open and 10.00 in the drawer
    ("too little paid", lambda r: r.sell([Line(1, 10)], paid=5), 268, "CRCreateCheck",
     "sale check: " + NOT_REGISTERED, (1, 1)),
    ("section not configured", lambda r: r.sell([Line(1, 10, section=5)]), 264, "CRCreateCheck",
     "sale check: " + NOT_REGISTERED, (1, 1)),
    ("cash out above the drawer", lambda r: r.cash_out(1000), 268, "CRCreateTakeoffCheck",
     "cash out: " + NOT_REGISTERED, (1, 1)),
    ("empty goods entry", lambda r: r.sell_goods(9, 1), 267, "CRGetInternalGBEntry",
     "goods-base check: not printed", (None, None)),
    ("extended lines switched off",
     lambda r: r.sell([ExtendedLine(1, 1, name="Хлеб")]), 264, "CRCreateCheckEx",
     "sale check: " + NOT_REGISTERED, (1, 1)),
]  # fmt: skip

SETTINGS = [  # (name, call, code)
    ("cashier above 8", lambda r: r.totals(cashier=9), 257),
    ("tax 4", lambda r: r.set_tax_rate(4, 10), 257),
    ("suspend time above 9", lambda r: setattr(r, "suspend_time", 10), 257),
]  # fmt: skip


@pytest.fixture
def open_shift(register, simulator):
    register.configure(section_count=4, extended_checks=False)
    register.cash_in(10)
    return register


@pytest.mark.parametrize("name, call, code, function, verdict, counts", DOCUMENTS, ids=[c[0] for c in DOCUMENTS])
def test_a_refused_document_is_not_registered(open_shift, simulator, name, call, code, function, verdict, counts) -> None:
    count, paper = open_shift.tape_count, simulator.paper()
    with pytest.raises(varnolo.ResultError) as refused:
        call(open_shift)
    error = refused.value
    assert (error.code, error.function, error.document, error.registered) == (code, function, True, False)
    assert error.text == varnolo.result_text(code)
    assert error.verdict == verdict
    assert str(error) == f"{function}: {error.text} (result {code}); {verdict}"
    assert (error.tape_count_before, error.tape_count_after) == counts
    assert open_shift.tape_count == count
    assert simulator.paper() == paper


WEIGHT = "(allowed: 0 to 65.535, at most 3 decimals)"


GOODS = [  # (name, the entry sold by pieces, quantity, message; None: it prints)
    ("half a piece", 1, 2.5, "quantity 2.5 is not a whole number (allowed: 1 to 999, a whole number) for entry 7"),
    ("no piece", 1, 0, "quantity 0 is out of range (allowed: 1 to 999, a whole number) for entry 7"),
    ("70 kg", 0, 70, f"quantity 70 is out of range {WEIGHT} for entry 7"),
    ("2.5 kg", 0, 2.5, None),
    ("70 pieces", 1, 70, None),
]  # fmt: skip


@pytest.mark.parametrize("name, pieces, quantity, message", GOODS, ids=[c[0] for c in GOODS])
def test_a_goods_sale_is_held_to_the_rule_its_entry_names(
    register, simulator, name, pieces, quantity, message
) -> None:
    register.set_goods(7, varnolo.GoodsItem(1.00, "Гвозди", pieces=pieces))  # before the shift opens
    sent = len(simulator.trace())
    if message is None:
        register.sell_goods(7, quantity)
        shown = str(quantity) if pieces else f"{quantity:.3f}"
        assert f"Гвозди\n  {shown} x 1.00" in simulator.paper()
        assert register.tape_count == 2
        return
    with pytest.raises(ValueError) as refused:
        register.sell_goods(7, quantity)
    assert str(refused.value) == message
    assert not any(line.startswith("-> 0701") for line in simulator.trace()[sent:])  # no routine ran
    assert simulator.paper() == ""
    assert register.tape_count == 0


@pytest.mark.parametrize("name, call, code", SETTINGS, ids=[c[0] for c in SETTINGS])
def test_a_refused_call_has_its_code_and_text(register, name, call, code) -> None:
    with pytest.raises(varnolo.ResultError) as refused:
        call(register)
    assert (refused.value.code, refused.value.document, refused.value.registered) == (code, False, None)
    assert str(refused.value).endswith(f"{varnolo.result_text(code)} (result {code})")


def test_a_refused_report_says_it_was_not_printed(register, simulator) -> None:
    """Without cashiers the register refuses their report: a document, not
    printed, worded as the tool and the service word it."""
    with pytest.raises(varnolo.ResultError) as refused:
        register.report("cashiers")
    error = refused.value
    assert (error.code, error.document, error.registered) == (264, True, False)
    assert error.verdict == "cashiers report: not printed"
    assert str(error) == f"CRReport: {varnolo.result_text(264)} (result 264); cashiers report: not printed"
    assert simulator.paper() == ""


def test_state_refusals_without_a_shift(register, simulator) -> None:
    for call in (register.close_shift, register.annul, lambda: register.cash_out(1)):
        with pytest.raises(varnolo.ResultError) as refused:
            call()
        assert refused.value.code == 263
        assert refused.value.text.startswith("The register's state does not allow it")
    assert simulator.paper() == ""
