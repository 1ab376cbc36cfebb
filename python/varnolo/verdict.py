"""Was a document registered although its call failed?

The rules, shared with the ``varnolo`` tool:

1. Before a document call, read the tape count (``CRGetNumOfShoppings``).
2. When the call fails (any result but 0), wait until the line is quiet: read
   the count again and again until two reads in a row succeed and agree. The
   wait is bounded by what remains of the document run's timeout, counted
   from the start of the call; at least two reads are always made, and a read
   that finds no session (256) ends the wait.
3. Compare: a settled count larger than the count before means the document
   is registered (True); equal means it is not (False); a count that could
   not be read before, or did not settle, means nobody can tell (None).
"""

from __future__ import annotations

import time
from typing import Callable, Optional, Tuple

PORT_CLOSED = 256

# The document run's timeout, in milliseconds, by document.
SALE_BASE_MS = 4000
SALE_PER_LINE_MS = 5000
GOODS_CHECK_MS = 20000
DECORATED_CHECK_MS = 10000
CASH_CHECK_MS = 20000  # cash in, cash out, pack, money back
ANNUL_MS = 20000


def sale_timeout_ms(lines: int) -> int:
    return SALE_BASE_MS + SALE_PER_LINE_MS * lines


QUIET_MINIMUM_MS = 4000  # two count reads that each wait the full 2000 ms for a reply


def deadline(started: float, returned: float, run_timeout_ms: int) -> float:
    """When the wait for a quiet line gives up (seconds on the monotonic clock):
    the document run's timeout counted from the start of the call, but never
    less than two count reads' worth after the call returned."""
    return max(started + run_timeout_ms / 1000.0, returned + QUIET_MINIMUM_MS / 1000.0)


CountRead = Callable[[], Tuple[int, int]]  # () -> (result code, count)


def settled_count(
    read: CountRead, deadline: float, clock: Callable[[], float] = time.monotonic
) -> Optional[int]:
    """The tape count once two reads in a row succeed and agree, or None when
    that does not happen before `deadline` (a `clock` value)."""
    previous: Optional[int] = None
    reads = 0
    while True:
        code, count = read()
        reads += 1
        if code == 0 and previous is not None and count == previous:
            return count
        if code == PORT_CLOSED:
            return None
        previous = count if code == 0 else None
        if reads >= 2 and clock() >= deadline:
            return None


def registered(before: Optional[int], after: Optional[int]) -> Optional[bool]:
    """True when the tape grew, False when it did not, None when unknown."""
    if before is None or after is None:
        return None
    if after > before:
        return True
    if after == before:
        return False
    return None  # the tape shrank: it was closed meanwhile, nothing can be told
