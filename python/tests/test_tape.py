"""The control tape as an iterator: read lazily, stoppable early."""

from __future__ import annotations

import re

import pytest

import varnolo
from varnolo import Line


def entry_reads(simulator) -> int:
    """Data-memory reads of tape entries (from 0x3A3D on) in the simulator's trace."""
    reads = 0
    for line in simulator.trace():
        match = re.match(r"-> 0100 data memory\s+addr=([0-9A-F]{4})", line)
        if match and int(match.group(1), 16) >= 0x3A3D:
            reads += 1
    return reads


@pytest.fixture
def six_entries(register):
    register.sell([Line(1, 1.00), Line(1, 2.00), Line(1, 3.00), Line(1, 4.00), Line(1, 5.00)])
    assert register.tape_count == 6
    return register


def test_closing_the_iterator_early_stops_the_reading(six_entries, simulator) -> None:
    for entry in six_entries.tape():
        assert (entry.number, entry.amount) == (1, 1.0)
        break
    assert entry_reads(simulator) == 1  # the callback said stop: nothing more was read
    entries = six_entries.tape(2)
    assert next(entries).amount == 2.0
    with pytest.raises(varnolo.SessionError, match="being read"):
        six_entries.tape_count  # one caller at a time
    entries.close()
    assert entry_reads(simulator) == 2
    assert six_entries.tape_count == 6  # the session goes on


def test_a_range_and_the_whole_tape(six_entries) -> None:
    whole = list(six_entries.tape())
    assert [e.amount for e in whole] == [1.0, 2.0, 3.0, 4.0, 5.0, 15.0]
    assert [e.number for e in whole] == [1, 2, 3, 4, 5, 6]
    assert list(six_entries.tape(3, 4)) == whole[2:4]
    assert list(six_entries.tape(7)) == []


def test_an_empty_tape_yields_nothing(register) -> None:
    assert list(register.tape()) == []


def test_a_failed_read_ends_the_iteration_with_its_code(start_simulator) -> None:
    simulator = start_simulator("--fault", "status:0x21@0x0100+9")  # the third entry's read
    with varnolo.Register(simulator.link) as register:
        register.sell([Line(1, 1.00), Line(1, 2.00), Line(1, 3.00)])
        got = []
        with pytest.raises(varnolo.ResultError) as failed:
            for entry in register.tape():
                got.append(entry.amount)
        assert failed.value.code == 0x21
        assert got == [1.0, 2.0]
        assert register.tape_count == 4


def test_closing_the_session_ends_an_open_iterator(six_entries) -> None:
    entries = six_entries.tape()
    next(entries)
    six_entries.close()
    assert six_entries.closed
    with pytest.raises(StopIteration):
        next(entries)
