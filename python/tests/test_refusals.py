"""Refusals: the library's code and its text, nothing printed, and for a
document the verdict that it was not registered."""

from __future__ import annotations

import pytest

import varnolo
from varnolo import ExtendedLine, Line

DOCUMENTS = [  # (name, call, code) with a shift open and 10.00 in the drawer
    ("line sum above 99999.99", lambda r: r.sell([Line(2, 60000)]), 269),
    ("price out of range", lambda r: r.sell([Line(1, 100000)]), 257),
    ("quantity out of range", lambda r: r.sell([Line(70, 1)]), 257),
    ("too little paid", lambda r: r.sell([Line(1, 10)], paid=5), 268),
    ("section not configured", lambda r: r.sell([Line(1, 10, section=5)]), 264),
    ("cash out above the drawer", lambda r: r.cash_out(1000), 268),
    ("empty goods entry", lambda r: r.sell_goods(9, 1), 267),
    ("extended lines switched off",
     lambda r: r.sell([ExtendedLine(1, 1, name="Хлеб")]), 264),
]  # fmt: skip

SETTINGS = [  # (name, call, code)
    ("cashier above 8", lambda r: r.totals(cashier=9), 257),
    ("tax 4", lambda r: r.set_tax_rate(4, 10), 257),
    ("cashier report without cashiers", lambda r: r.report(1), 264),
    ("suspend time above 9", lambda r: setattr(r, "suspend_time", 10), 257),
]  # fmt: skip


@pytest.fixture
def open_shift(register, simulator):
    register.configure(section_count=4, extended_checks=False)
    register.cash_in(10)
    return register


@pytest.mark.parametrize("name, call, code", DOCUMENTS, ids=[c[0] for c in DOCUMENTS])
def test_a_refused_document_is_not_registered(open_shift, simulator, name, call, code) -> None:
    count, paper = open_shift.tape_count, simulator.paper()
    with pytest.raises(varnolo.ResultError) as refused:
        call(open_shift)
    error = refused.value
    assert (error.code, error.document, error.registered) == (code, True, False)
    assert error.text == varnolo.result_text(code)
    assert f"{error.text} (result {code})" in str(error) and "safe to repeat" in str(error)
    assert open_shift.tape_count == count
    assert simulator.paper() == paper


@pytest.mark.parametrize("name, call, code", SETTINGS, ids=[c[0] for c in SETTINGS])
def test_a_refused_call_has_its_code_and_text(register, name, call, code) -> None:
    with pytest.raises(varnolo.ResultError) as refused:
        call(register)
    assert (refused.value.code, refused.value.document, refused.value.registered) == (code, False, None)
    assert str(refused.value).endswith(f"{varnolo.result_text(code)} (result {code})")


def test_state_refusals_without_a_shift(register, simulator) -> None:
    for call in (register.close_shift, register.annul, lambda: register.cash_out(1)):
        with pytest.raises(varnolo.ResultError) as refused:
            call()
        assert refused.value.code == 263
        assert refused.value.text.startswith("The register's state does not allow it")
    assert simulator.paper() == ""
