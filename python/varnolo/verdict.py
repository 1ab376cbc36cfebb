"""Was a document registered although its call failed?

The rules, shared with the ``varnolo`` tool and the service (their timings
and sentences come from the rulebook):

1. Before a document call, read the tape count (``CRGetNumOfShoppings``;
   once more if that fails). When it cannot be read, the document is not
   sent: without it a failure could never be judged.
2. When the call fails (any result but 0), wait until the line is quiet: read
   the count again and again, a pause apart, until two reads in a row succeed
   and agree. The wait ends at what is left of the document run's timeout
   (counted from the start of the call) plus the quiet window (two count
   reads' timeouts and one pause), counted from the failure; a read that
   finds no session ends it at once.
3. Compare: a settled count larger than the count before means the document
   is registered (True); equal means it is not (False); a count that did not
   settle, or a smaller one (the tape was closed meanwhile), means nobody can
   tell (None).
"""

from __future__ import annotations

import time
from dataclasses import dataclass
from typing import Callable, Optional, Tuple

from . import rulebook
from .rulebook import OK, RULES

PORT_CLOSED = rulebook.result("CR_ERR_PORT_CLOSED")
COUNT_READ_TIMEOUT_MS = RULES.count_read_timeout_ms  # one working-memory read
QUIET_PAUSE_MS = RULES.quiet_pause_ms  # between two count reads
QUIET_WINDOW_MS = RULES.quiet_window_ms  # the longest a quiet line takes to show itself

CountRead = Callable[[], Tuple[int, int]]  # () -> (result code, count)
Clock = Callable[[], float]  # seconds, as time.monotonic
Pause = Callable[[float], None]  # seconds, as time.sleep


def sale_timeout_ms(lines: int) -> int:
    """The run timeout of a sale check of `lines` lines."""
    return rulebook.document("receipt").run_timeout_ms(lines)


def _ms(seconds: float) -> int:
    return round(seconds * 1000)


def deadline(started: float, failed: float, run_timeout_ms: int) -> float:
    """When the wait for a quiet line gives up (seconds of the monotonic clock)."""
    return _deadline_ms(_ms(started), _ms(failed), run_timeout_ms) / 1000.0


def _deadline_ms(started_ms: int, failed_ms: int, run_timeout_ms: int) -> int:
    left = max(0, run_timeout_ms - (failed_ms - started_ms))
    return failed_ms + left + QUIET_WINDOW_MS


def _settled(read: CountRead, deadline_ms: int, clock: Clock, pause: Pause) -> Optional[int]:
    # The clock is taken in whole milliseconds, as the C++ faces take it, so
    # that a wait ends on the same read in every face.
    previous: Optional[int] = None
    while True:
        code, count = read()
        if code == OK and previous is not None and count == previous:
            return count
        previous = count if code == OK else None  # a failed read starts the agreement over
        if code == PORT_CLOSED or _ms(clock()) >= deadline_ms:
            return None
        pause(QUIET_PAUSE_MS / 1000.0)


def settled_count(
    read: CountRead,
    deadline: float,
    clock: Clock = time.monotonic,
    pause: Pause = time.sleep,
) -> Optional[int]:
    """The tape count once two reads in a row succeed and agree, or None when
    that does not happen by `deadline` (a `clock` value)."""
    return _settled(read, _ms(deadline), clock, pause)


def registered(before: int, after: Optional[int]) -> Optional[bool]:
    """True when the tape grew, False when it did not, None when unknown."""
    if after is None or after < before:
        return None  # no steady count, or the tape was closed meanwhile: nothing can be told
    return after > before


@dataclass(frozen=True)
class Outcome:
    """What became of a document: ``result`` is the call's result (or, when
    it was not sent, the count read's), ``settled`` the count after a failure
    once the line was quiet (None: none came, or the call did not fail)."""

    result: int
    sent: bool
    registered: Optional[bool]
    before: Optional[int]  # the count before; None when it could not be read
    settled: Optional[int] = None

    @property
    def tape_count_before(self) -> Optional[int]:
        """The count before, None when the document was not sent."""
        return self.before if self.sent else None

    @property
    def tape_count_after(self) -> Optional[int]:
        """The settled count after a failure that could be judged; None on
        success, when not sent, and when nobody can tell."""
        if not self.sent or self.result == OK or self.registered is None:
            return None
        return self.settled


def run_document(
    read: CountRead,
    run: Callable[[], int],
    run_timeout_ms: int,
    clock: Clock = time.monotonic,
    pause: Pause = time.sleep,
) -> Outcome:
    """Reads the count, runs the document and, after any failure, decides."""
    code, before = read()
    if code != OK:
        code, before = read()
    if code != OK:  # a failure could not be judged: the document is not sent
        return Outcome(code, sent=False, registered=False, before=None)
    started = _ms(clock())
    result = run()
    if result == OK:
        return Outcome(result, sent=True, registered=True, before=before)
    failed = _ms(clock())
    after = _settled(read, _deadline_ms(started, failed, run_timeout_ms), clock, pause)
    return Outcome(result, sent=True, registered=registered(before, after), before=before, settled=after)


def _fill(words: str, title: str, before: Optional[int], after: Optional[int]) -> str:
    return (
        words.replace("{document}", title)
        .replace("{before}", str(before or 0))
        .replace("{after}", str(after or 0))
    )


def sentence(title: str, outcome: Outcome) -> str:
    """The verdict in words, as every face words it (`title`: the document's)."""
    words = RULES.words
    if outcome.registered is True:
        chosen = words["printed"] if outcome.result == OK else words["registeredAnyway"]
    elif outcome.registered is False:
        chosen = words["notRegistered"] if outcome.sent else words["notSent"]
    else:  # a smaller settled count: the tape was closed meanwhile
        chosen = words["unknown"] if outcome.settled is None else words["tapeClosed"]
    return _fill(chosen, title, outcome.before, outcome.settled)


NO_REPLY = rulebook.result("CR_ERR_NO_REPLY")


def paper_registered(result: int) -> Optional[bool]:
    """A report's or the shift close's outcome, which the tape does not judge:
    True printed, None when the register fell silent (look at the paper),
    False when it refused."""
    if result == OK:
        return True
    return None if result in (NO_REPLY, PORT_CLOSED) else False


def paper_sentence(title: str, result: int) -> str:
    """Its verdict in words, as every face words it."""
    printed = paper_registered(result)
    words = RULES.words
    chosen = words["printed"] if printed else words["paperUnknown"] if printed is None else words["notPrinted"]
    return _fill(chosen, title, None, None)


def not_printed(title: str) -> str:
    """The sentence for a document refused before it was sent."""
    return _fill(RULES.words["notPrinted"], title, None, None)
