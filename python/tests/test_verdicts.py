"""Late, lost and refused answers to a document against the simulator: the
verdict against what the register printed and put on its tape."""

from __future__ import annotations

import pytest

import varnolo
from varnolo import Line

# What the error says of a sale check on a fresh tape, by its verdict.
VERDICTS = {
    True: "sale check: the register DID register it although the call failed "
    "(the tape grew from 0 to 2 entries); do not repeat it",
    False: "sale check: the register did not register it (the tape still has 0 entries)",
    None: "sale check: whether the register registered it is UNKNOWN (no steady tape count came); "
    "check the tape before repeating it",
}

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
        error = failed.value
        assert (error.code, error.document, error.registered) == (code, True, registered)
        assert error.verdict == VERDICTS[registered]
        assert str(error) == f"CRCreateCheck: {varnolo.result_text(code)} (result {code}); {VERDICTS[registered]}"
        after = None if registered is None else 2 * printed  # a line and the check's total
        assert (error.tape_count_before, error.tape_count_after) == (0, after)
        assert simulator.receipts("SALE") == printed
        if registered is None:
            return
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
        assert error.verdict == "sale check: not sent, because the tape count could not be read to check it afterwards"
        assert str(error).endswith("(result 259); " + error.verdict)
        assert (error.tape_count_before, error.tape_count_after) == (None, None)
        assert simulator.receipts("SALE") == 0
        assert not any(line.startswith("-> 0701") for line in simulator.trace())  # no routine ran
        register.sell([Line(1, 10.00)])
        assert simulator.receipts("SALE") == 1
