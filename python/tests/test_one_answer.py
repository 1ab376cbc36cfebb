"""The same input gets the same answer from the package and from the varnolo
tool: what the rulebook refuses is refused before anything reaches the
register, with the same words, and what it allows is printed."""

from __future__ import annotations

import os
import subprocess
from typing import List, Optional

import pytest

import varnolo
from varnolo import ExtendedLine, Line
from conftest import TOOL

AMOUNT = "(allowed: 0 to 99999.99, at most 2 decimals)"

ROWS = [  # (name, cash put in first, the package's call, the tool's arguments, the package's message; None: printed)
    ("cash in to a tenth of a cent", [], lambda r: r.cash_in(10.999), ["cash-in", "10.999"],
     f"amount 10.999 has more than 2 decimals {AMOUNT}"),
    ("cash in above 99999.99", [], lambda r: r.cash_in(100000), ["cash-in", "100000"],
     f"amount 100000 is out of range {AMOUNT}"),
    ("a price to half a cent", [], lambda r: r.sell([Line(1, 10.005)]), ["sell", "1*10.005"],
     f"line 1: price 10.005 has more than 2 decimals {AMOUNT}"),
    ("a name with the euro sign", [], lambda r: r.sell([ExtendedLine(1, 1, name="€uro")]), ["sell", "1*1,name=€uro"],
     'line 1: name "€uro" holds "€", which the register cannot print'),
    ("a line sum above 99999.99", [], lambda r: r.sell([Line(2, 60000)]), ["sell", "2*60000"],
     "line 1: the line's sum (quantity x price, with its raise and discount) 120000 is above 99999.99"),
    ("a raise lifting a line above 99999.99", [], lambda r: r.sell([Line(1, 99999.99, raise_percent=1)]),
     ["sell", "1*99999.99,raise=1"],
     "line 1: the line's sum (quantity x price, with its raise and discount) 100999.9899 is above 99999.99"),
    ("cash out of 150000", [75000, 75000], lambda r: r.cash_out(150000), ["cash-out", "150000"], None),
]  # fmt: skip

CASH_OUT_150000 = "CASH OUT                        No 3\nAMOUNT                     150000.00\n"


def fault(message: str) -> str:
    """The rule's own words, without the line the package names."""
    return message[len("line 1: ") :] if message.startswith("line 1: ") else message


def tool(simulator, *args: str) -> subprocess.CompletedProcess:
    environment = {k: v for k, v in os.environ.items() if not k.startswith("VARNOLO_PORT")}
    return subprocess.run(
        [str(TOOL), "--port", simulator.link, *args],
        env=environment, capture_output=True, text=True, timeout=120,
    )  # fmt: skip


@pytest.mark.parametrize("name, cash, call, args, message", ROWS, ids=[r[0] for r in ROWS])
def test_the_package_refuses_before_sending_or_prints(
    simulator, name: str, cash: List[float], call, args: List[str], message: Optional[str]
) -> None:
    with varnolo.Register(simulator.link) as register:
        for amount in cash:
            register.cash_in(amount)
        count, paper, sent = register.tape_count, simulator.paper(), len(simulator.exchanges())
        if message is None:
            call(register)
            assert CASH_OUT_150000 in simulator.paper()[len(paper) :]
            assert register.tape_count == count + 1
            assert register.totals().cash_out == 150000.0
            return
        with pytest.raises(ValueError) as refused:
            call(register)
        assert str(refused.value) == message
        assert len(simulator.exchanges()) == sent  # nothing went out, not even the tape count's read
        assert simulator.paper() == paper == ""
        assert register.tape_count == count == 0


@pytest.mark.parametrize("name, cash, call, args, message", ROWS, ids=[r[0] for r in ROWS])
def test_the_tool_gives_the_same_answer(
    simulator, name: str, cash: List[float], call, args: List[str], message: Optional[str]
) -> None:
    for amount in cash:
        assert tool(simulator, "cash-in", str(amount)).returncode == 0
    paper = simulator.paper()
    done = tool(simulator, *args)
    if message is None:
        assert done.returncode == 0, done.stderr
        assert CASH_OUT_150000 in simulator.paper()[len(paper) :]
        return
    assert done.returncode == 2, done.stderr  # bad arguments: nothing was sent
    command = args[0] if args[0] != "sell" else f"sell: '{args[1]}'"
    assert done.stderr == f"varnolo: {command}: {fault(message)}\n"
    assert simulator.paper() == paper == ""
