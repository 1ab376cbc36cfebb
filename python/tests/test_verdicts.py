"""Late, lost and refused answers to a document against the simulator: the
verdict against what the register printed and put on its tape."""

from __future__ import annotations

import pytest

import varnolo
from varnolo import Line

CASES = [  # (name, simulator faults, result, registered, printed)
    ("run answer late", ["delay:9700@0x0701+1"], 259, True, 1),
    ("run answer 2.5 s past its timeout", ["delay:11500@0x0701+1"], 259, True, 1),
    ("run answer lost", ["drop@0x0701+1"], 259, True, 1),
    ("closing reset refused after printing", ["status:0x33@0x0701+2"], 0x33, True, 1),
    ("run refused", ["status:0x33@0x0701+1"], 0x33, False, 0),
    ("line hung up during the run's answer", ["hangup@0x0701+1"], 259, None, 1),
]  # fmt: skip


@pytest.mark.parametrize("name, faults, code, registered, printed", CASES, ids=[c[0] for c in CASES])
def test_a_failed_check_tells_whether_it_was_registered(
    start_simulator, name, faults, code, registered, printed
) -> None:
    # the first check of a day: its first routine is the document reset, the second the run
    simulator = start_simulator(*[arg for fault in faults for arg in ("--fault", fault)])
    with varnolo.Register(simulator.link) as register:
        with pytest.raises(varnolo.ResultError) as failed:
            register.sell([Line(1, 10.00)])
        assert (failed.value.code, failed.value.document, failed.value.registered) == (code, True, registered)
        assert simulator.receipts("SALE") == printed
        if registered is None:
            assert "unknown: check the tape" in str(failed.value)
            return
        assert ("do not repeat it" if registered else "safe to repeat") in str(failed.value)
        assert register.tape_count == 2 * printed  # a line and the check's total
        register.sell([Line(1, 20.00)])  # the next document works
        assert simulator.receipts("SALE") == printed + 1
        assert [e.amount for e in register.tape()][-1] == 20.0


def test_a_check_is_not_sent_when_the_count_before_cannot_be_read(start_simulator) -> None:
    probe = start_simulator()
    with varnolo.Register(probe.link):
        pass
    opening_reads = sum(1 for line in probe.trace() if line.startswith("-> 0300"))
    # the reads of the next session's opening pass; the count read and its retries are lost
    simulator = start_simulator("--fault", f"drop:4@0x0300+{opening_reads}")
    with varnolo.Register(simulator.link) as register:
        with pytest.raises(varnolo.ResultError) as failed:
            register.sell([Line(1, 10.00)])
        error = failed.value
        assert (error.code, error.function, error.document, error.registered) == (259, "CRGetNumOfShoppings", True, False)
        assert simulator.receipts("SALE") == 0
        assert not any(line.startswith("-> 0701") for line in simulator.trace())  # no routine ran
        register.sell([Line(1, 10.00)])
        assert simulator.receipts("SALE") == 1
