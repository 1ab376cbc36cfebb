"""The verdict rules on scripted count reads and a virtual clock (no sleeping)."""

from __future__ import annotations

from typing import List, Optional, Tuple

import pytest

from varnolo import verdict


class ScriptedLine:
    """Count reads answered from a script; a read takes one virtual second."""

    def __init__(self, answers: List[Tuple[int, int]]) -> None:
        self.answers = list(answers)
        self.now = 0.0
        self.reads = 0
        self.pauses: List[float] = []

    def read(self) -> Tuple[int, int]:
        self.reads += 1
        self.now += 1.0
        return self.answers.pop(0) if self.answers else (259, 0)

    def clock(self) -> float:
        return self.now

    def pause(self, seconds: float) -> None:
        self.pauses.append(seconds)
        self.now += seconds


SETTLE = [  # (name, answers, deadline, settled count, reads made)
    ("quiet at once", [(0, 5), (0, 5)], 10, 5, 2),
    ("still printing, then quiet", [(0, 5), (0, 6), (0, 7), (0, 7)], 10, 7, 4),
    ("a lost read starts the agreement over", [(0, 6), (259, 0), (0, 6), (0, 6)], 10, 6, 4),
    ("a late answer's failure first", [(259, 0), (0, 6), (0, 6)], 10, 6, 3),
    ("two successes must be in a row", [(0, 6), (259, 0), (0, 6), (259, 0), (0, 6)], 4.5, None, 4),
    ("never readable: gives up at the deadline", [], 5.5, None, 5),
    ("no session ends the wait", [(256, 0), (0, 5), (0, 5)], 10, None, 1),
]  # fmt: skip


@pytest.mark.parametrize("name, answers, deadline, settled, reads", SETTLE, ids=[c[0] for c in SETTLE])
def test_the_count_settles_on_two_agreeing_reads(name, answers, deadline, settled, reads) -> None:
    line = ScriptedLine(answers)
    assert verdict.settled_count(line.read, deadline, line.clock, line.pause) == settled
    assert line.reads == reads
    assert set(line.pauses) <= {0.25} and len(line.pauses) == reads - 1


@pytest.mark.parametrize(
    "before, after, registered",
    [(3, 4, True), (3, 5, True), (3, 3, False), (3, None, None), (3, 0, None)],
)
def test_the_verdict_compares_before_and_after(before, after, registered: Optional[bool]) -> None:
    assert verdict.registered(before, after) is registered


def test_the_wait_is_what_is_left_of_the_run_plus_two_reads() -> None:
    one_line = verdict.sale_timeout_ms(1)
    assert one_line == 9000 and verdict.sale_timeout_ms(3) == 19000
    # refused 0.5 s into a one-line check: the 8.5 s left, two reads and a pause
    assert verdict.deadline(100.0, 100.5, one_line) == pytest.approx(100.5 + 8.5 + 4.25)
    # the answer lost after the whole timeout: two reads and a pause
    assert verdict.deadline(100.0, 109.2, one_line) == pytest.approx(109.2 + 4.25)
