"""The cases every face of Varnolo runs (tests/vectors at the repository's
root): the verdict of a document on scripted count reads and a virtual clock
(no sleeping), and how a port name is read."""

from __future__ import annotations

import json
from typing import Any, Dict, List, Tuple

import pytest

from varnolo import rulebook, verdict
from varnolo.port_name import port_selector
from conftest import REPO

VECTORS = REPO / "tests" / "vectors"
NO_REPLY = rulebook.result("CR_ERR_NO_REPLY")


def vectors(name: str) -> Dict[str, Any]:
    return json.loads((VECTORS / name).read_text(encoding="utf-8"))  # type: ignore[no-any-return]


VERDICT = vectors("verdict.json")


class VirtualLine:
    """The count reads of a case in order, on a clock of whole milliseconds:
    a read takes readMs, one without an answer the whole count-read timeout,
    a pause its length."""

    def __init__(self, reads: List[Tuple[int, int]], read_ms: int) -> None:
        self.reads = [(int(code), int(count)) for code, count in reads]
        self.read_ms = read_ms
        self.now_ms = 0

    def read(self) -> Tuple[int, int]:
        assert self.reads, "one count read too many"
        code, count = self.reads.pop(0)
        self.now_ms += verdict.COUNT_READ_TIMEOUT_MS if code == NO_REPLY else self.read_ms
        return code, count

    def clock(self) -> float:
        return self.now_ms / 1000.0

    def pause(self, seconds: float) -> None:
        self.now_ms += round(seconds * 1000)


@pytest.mark.parametrize("case", VERDICT["cases"], ids=[c["name"] for c in VERDICT["cases"]])
def test_the_verdict_decides_as_every_face_does(case: Dict[str, Any]) -> None:
    line = VirtualLine(case["reads"], VERDICT["readMs"])
    ran: List[int] = []

    def run() -> int:
        ran.append(line.now_ms)
        line.now_ms += case["run"]["ms"]
        return int(case["run"]["result"])

    outcome = verdict.run_document(line.read, run, case["runTimeoutMs"], line.clock, line.pause)
    expect = case["expect"]
    assert outcome.sent is expect["sent"]
    assert len(ran) == int(expect["sent"])  # the document went out once, or not at all
    assert outcome.registered is expect["registered"]
    assert outcome.result == expect.get("result", case["run"]["result"])
    assert (outcome.tape_count_before, outcome.tape_count_after) == (expect["tapeCountBefore"], expect["tapeCountAfter"])
    title = rulebook.document(VERDICT["document"]).title
    assert verdict.sentence(title, outcome) == expect["verdict"]
    if expect["readsLeft"] is not None:
        assert len(line.reads) == expect["readsLeft"]
    # never past the print timeout, the quiet window and one more read
    bound = max(case["runTimeoutMs"], case["run"]["ms"]) + verdict.QUIET_WINDOW_MS + 2 * verdict.COUNT_READ_TIMEOUT_MS
    assert line.now_ms <= bound


SENTENCES = [  # (outcome, the verdict in words)
    (verdict.Outcome(0, sent=True, registered=True, before=4), "cash in: printed"),
    (verdict.Outcome(259, sent=True, registered=True, before=4, settled=6),
     "cash in: the register DID register it although the call failed (the tape grew from 4 to 6 entries); "
     "do not repeat it"),
    (verdict.Outcome(51, sent=True, registered=False, before=4, settled=4),
     "cash in: the register did not register it (the tape still has 4 entries)"),
    (verdict.Outcome(259, sent=False, registered=False, before=None),
     "cash in: not sent, because the tape count could not be read to check it afterwards"),
    (verdict.Outcome(259, sent=True, registered=None, before=4),
     "cash in: whether the register registered it is UNKNOWN (no steady tape count came); "
     "check the tape before repeating it"),
    (verdict.Outcome(259, sent=True, registered=None, before=4, settled=1),
     "cash in: whether the register registered it is UNKNOWN (the tape was closed meanwhile "
     "and holds fewer entries than before); check the tape before repeating it"),
]  # fmt: skip


@pytest.mark.parametrize("outcome, words", SENTENCES, ids=[w[9:40] for _, w in SENTENCES])
def test_the_verdict_is_worded_as_every_face_words_it(outcome: verdict.Outcome, words: str) -> None:
    assert verdict.sentence("cash in", outcome) == words


PORTS = vectors("ports.json")


@pytest.mark.parametrize("case", PORTS["cases"], ids=[c["name"] or "empty" for c in PORTS["cases"]])
def test_a_port_name_is_read_as_every_face_reads_it(case: Dict[str, Any]) -> None:
    if "error" in case:
        with pytest.raises(ValueError) as raised:
            port_selector(case["name"])
        assert case["error"] in str(raised.value)
        return
    assert port_selector(case["name"]) == (case["selector"], case["device"])
