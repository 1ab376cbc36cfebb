"""Was a document registered although its call failed?

The rules, shared with the ``varnolo`` tool:

1. Before a document call, read the tape count (``CRGetNumOfShoppings``;
   once more if that fails). When it cannot be read, the document is not
   sent: without it a failure could never be judged.
2. When the call fails (any result but 0), wait until the line is quiet: read
   the count again and again, 250 ms apart, until two reads in a row succeed
   and agree. The wait ends at what is left of the document run's timeout
   (counted from the start of the call) plus two count reads' timeouts
   (2 x 2000 ms) and one pause, counted from the failure; a read that finds
   no session (256) ends it at once.
3. Compare: a settled count larger than the count before means the document
   is registered (True); equal means it is not (False); a count that did not
   settle means nobody can tell (None).
"""

from __future__ import annotations

import time
from typing import Callable, Optional, Tuple

PORT_CLOSED = 256
COUNT_READ_TIMEOUT_MS = 2000  # one working-memory read
QUIET_PAUSE_MS = 250  # between two count reads

# The document run's timeout, in milliseconds, by document.
SALE_BASE_MS = 4000
SALE_PER_LINE_MS = 5000
GOODS_CHECK_MS = 20000
DECORATED_CHECK_MS = 10000
CASH_CHECK_MS = 20000  # cash in, cash out, pack, money back
ANNUL_MS = 20000


def sale_timeout_ms(lines: int) -> int:
    return SALE_BASE_MS + SALE_PER_LINE_MS * lines


def deadline(started: float, failed: float, run_timeout_ms: int) -> float:
    """When the wait for a quiet line gives up (seconds of the monotonic clock)."""
    left = max(0.0, run_timeout_ms / 1000.0 - (failed - started))
    return failed + left + (2 * COUNT_READ_TIMEOUT_MS + QUIET_PAUSE_MS) / 1000.0


CountRead = Callable[[], Tuple[int, int]]  # () -> (result code, count)


def settled_count(
    read: CountRead,
    deadline: float,
    clock: Callable[[], float] = time.monotonic,
    pause: Callable[[float], None] = time.sleep,
) -> Optional[int]:
    """The tape count once two reads in a row succeed and agree, or None when
    that does not happen by `deadline` (a `clock` value)."""
    previous: Optional[int] = None
    while True:
        code, count = read()
        if code == 0 and previous is not None and count == previous:
            return count
        previous = count if code == 0 else None  # a failed read starts the agreement over
        if code == PORT_CLOSED or clock() >= deadline:
            return None
        pause(QUIET_PAUSE_MS / 1000.0)


def registered(before: int, after: Optional[int]) -> Optional[bool]:
    """True when the tape grew, False when it did not, None when unknown."""
    if after is None:
        return None
    if after > before:
        return True
    if after == before:
        return False
    return None  # the tape shrank: it was closed meanwhile, nothing can be told
