"""The verdict rules on scripted count reads and a virtual clock (no sleeping)."""

from __future__ import annotations

from typing import List, Optional, Tuple

import pytest

from varnolo import verdict


class ScriptedLine:
    """Count reads answered from a script; every read takes one virtual second."""

    def __init__(self, answers: List[Tuple[int, int]]) -> None:
        self.answers = list(answers)
        self.now = 0.0
        self.reads = 0

    def read(self) -> Tuple[int, int]:
        self.reads += 1
        self.now += 1.0
        return self.answers.pop(0) if self.answers else (259, 0)

    def clock(self) -> float:
        return self.now


SETTLE = [  # (name, answers, deadline, settled count, reads made)
    ("quiet at once", [(0, 5), (0, 5)], 10, 5, 2),
    ("still printing, then quiet", [(0, 5), (0, 6), (0, 7), (0, 7)], 10, 7, 4),
    ("a lost read between", [(0, 6), (259, 0), (0, 6), (0, 6)], 10, 6, 4),
    ("a late read's failure first", [(259, 0), (0, 6), (0, 6)], 10, 6, 3),
    ("two successes must be in a row", [(0, 6), (259, 0), (0, 6), (259, 0)], 4, None, 4),
    ("never readable: gives up at the deadline", [], 5, None, 5),
    ("two reads even past the deadline", [(0, 5), (0, 5)], 0, 5, 2),
    ("past the deadline, disagreeing", [(0, 5), (0, 6), (0, 6)], 0, None, 2),
    ("no session ends the wait", [(256, 0), (0, 5), (0, 5)], 10, None, 1),
]  # fmt: skip


@pytest.mark.parametrize("name, answers, deadline, settled, reads", SETTLE, ids=[c[0] for c in SETTLE])
def test_the_count_settles_on_two_agreeing_reads(name, answers, deadline, settled, reads) -> None:
    line = ScriptedLine(answers)
    assert verdict.settled_count(line.read, deadline, line.clock) == settled
    assert line.reads == reads


@pytest.mark.parametrize(
    "before, after, registered",
    [(3, 4, True), (3, 5, True), (3, 3, False), (None, 3, None), (3, None, None), (3, 0, None)],
)
def test_the_verdict_compares_before_and_after(before, after, registered: Optional[bool]) -> None:
    assert verdict.registered(before, after) is registered


def test_the_wait_is_the_runs_timeout_but_never_below_two_reads() -> None:
    # a refusal after 0.5 s of a one-line check: what remains of the run's 9 s
    assert verdict.deadline(100.0, 100.5, verdict.sale_timeout_ms(1)) == 109.0
    # a lost answer after the full timeout: still two reads' worth
    assert verdict.deadline(100.0, 109.2, verdict.sale_timeout_ms(1)) == pytest.approx(113.2)
    assert verdict.sale_timeout_ms(3) == 19000
