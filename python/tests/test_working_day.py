"""A day at the register: programming, every kind of document, reports and
the shift, checked on the register's paper, its tape and its totals."""

from __future__ import annotations

from datetime import datetime

import pytest

import varnolo
from varnolo import ExtendedLine, GoodsItem, Line

TEXTS = [  # (what, set, get, value): Cyrillic in and out through Windows-1251
    ("header", lambda r, v: setattr(r, "header", v), lambda r: r.header, "ООО Ромашка, Тверская 7"),
    ("footer", lambda r, v: setattr(r, "footer", v), lambda r: r.footer, "Спасибо за покупку!"),
    ("section", lambda r, v: r.set_section_name(2, v), lambda r: r.section_name(2), "Бакалея"),
    ("cashier", lambda r, v: r.set_cashier_name(1, v), lambda r: r.cashier_name(1), "Иванова А.П."),
    ("tax", lambda r, v: r.set_tax_name(1, v), lambda r: r.tax_name(1), "НДС 20%"),
    ("discount", lambda r, v: setattr(r, "discount_name", v), lambda r: r.discount_name, "Скидка"),
    ("raise", lambda r, v: setattr(r, "raise_name", v), lambda r: r.raise_name, "Наценка №1"),
]  # fmt: skip


@pytest.mark.parametrize("what, put, get, value", TEXTS, ids=[t[0] for t in TEXTS])
def test_cyrillic_texts_round_trip(register, what, put, get, value) -> None:
    put(register, value)
    assert get(register) == value


def test_texts_the_register_cannot_print_are_refused_before_sending(register, simulator) -> None:
    register.header = "Старый"
    sent = len(simulator.trace())
    for text in ("ООО «Ромашка»", "Price in €", "日本"):
        with pytest.raises(ValueError, match="which the register cannot print"):
            register.header = text
    assert len(simulator.trace()) == sent
    assert register.header == "Старый"


def test_a_working_day(register, simulator) -> None:
    register.configure(use_taxes=True, section_count=4)
    assert register.configuration == varnolo.Configuration(
        use_goods_base=True, extended_checks=True, use_taxes=True, section_count=4
    )
    assert register.cached_configuration == register.configuration
    register.clock = datetime(2026, 12, 10, 9, 30, 15)
    assert abs((register.clock - datetime(2026, 12, 10, 9, 30, 15)).total_seconds()) < 5
    register.set_tax_rate(1, 20)
    register.set_tax_name(1, "НДС 20%")
    register.header = "ООО Ромашка"
    register.set_section_name(2, "Бакалея")
    register.set_goods(7, GoodsItem(12.50, "Молоко 1л", section=2, barcode="4600000000000", pieces=1))
    assert register.goods(7) == GoodsItem(12.50, "Молоко 1л", 2, "4600000000000", 1)
    register.clear_goods(8)
    assert register.goods(8) is None

    register.cash_in(100)
    register.sell(
        [Line(2, 49.90, section=2, tax=1),
         ExtendedLine(1, 89.00, name="Хлеб ржаной", barcode="4607012345675", pieces=True)],
        paid=250,
    )  # fmt: skip
    register.sell_goods(7, 3)
    register.decorated_check(15, "Подарочная карта")
    register.sell([Line(1, 10.00)], non_cash=True)
    register.annul()
    register.cash_out(50)

    paper = simulator.paper()
    sale = paper[paper.index("SALE") :]
    for printed in ("ООО Ромашка", "Бакалея", "2.000 x 49.90", "НДС 20%", "19.96", "Хлеб ржаной",
                    "TOTAL                         208.76", "CHANGE                         41.24",
                    "Молоко 1л", "3 x 12.50", "Подарочная карта", "NON-CASH", "ANNULMENT"):  # fmt: skip
        assert printed in sale, printed
    totals = register.totals()
    assert (totals.sales, totals.cash_sales, totals.non_cash_sales, totals.tax) == (256.26, 246.26, 10.0, 19.96)
    assert (totals.cash_in, totals.cash_out, totals.annulled, totals.decorated) == (100.0, 50.0, 10.0, 15.0)
    assert (totals.checks, totals.check_lines, totals.annulments) == (3, 4, 1)
    assert totals.amounts[:4] == (256.26, 246.26, 10.0, 19.96) and len(totals.counters) == 11
    assert register.totals(section=2).sales == 157.26
    assert register.totals(cashier=1) == totals  # cashiers are not used: the whole register

    entries = list(register.tape())
    assert [e.number for e in entries] == list(range(1, register.tape_count + 1))
    assert [e.amount for e in entries[:4]] == [100.0, 119.76, 89.0, 208.76]
    assert register.tape_info().shift_open

    register.report(2)
    register.close_shift()
    assert "SECTIONS REPORT" in simulator.paper() and "SHIFT CLOSED" in simulator.paper()
    assert not register.tape_info().shift_open


def test_options_state_and_peripherals(register, simulator) -> None:
    register.digits = 3
    register.sound = 0
    register.suspend_time = 4
    assert (register.digits, register.sound, register.suspend_time) == (3, 0, 4)
    register.cashier = 2
    assert register.cashier == 2
    register.allow_drawer(False)
    register.allow_printing(True)
    assert register.state == varnolo.State(drawer_allowed=False, printing_allowed=True, locked=True)
    register.allow_drawer(True)
    register.open_drawer()
    assert "DRAWER OPENED" in simulator.paper()
    register.display("Итого 100.00")
    register.test_device()
    assert register.goods_base_size == 1800


REPORTS = [  # (the report as named, the title it prints)
    ("x", "X REPORT"),
    ("cashiers", "CASHIERS REPORT"),
    ("sections", "SECTIONS REPORT"),
    ("hourly", "HOURLY REPORT"),
    ("goods", "GOODS REPORT"),
    (varnolo.REPORT_CASHIERS, "CASHIERS REPORT"),
    (varnolo.REPORT_X, "X REPORT"),
    (7, "X REPORT"),  # any other number prints the X report
]


@pytest.mark.parametrize("kind, title", REPORTS, ids=[str(k) for k, _ in REPORTS])
def test_a_report_by_name_or_number(register, simulator, kind, title) -> None:
    register.configure(use_cashiers=True)
    register.cash_in(10)
    register.report(kind)
    printed = simulator.paper().split("AMOUNT                         10.00\n", 1)[1]
    assert [line.split("  ")[0] for line in printed.splitlines() if "REPORT" in line] == [title]


def test_an_unknown_report_is_refused_before_sending(register, simulator) -> None:
    sent = len(simulator.exchanges())
    with pytest.raises(ValueError) as refused:
        register.report("daily")
    assert str(refused.value) == "unknown report 'daily': the reports are x, cashiers, sections, hourly, goods"
    assert len(simulator.exchanges()) == sent
    assert simulator.paper() == ""
