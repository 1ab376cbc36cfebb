"""Result codes in words, read from the C header ``varnolo_text.h``.

The header is the one table of texts; this module parses its macro list
(``VARNOLO_RESULT_TEXTS``) and the two fallback sentences at first use. An
installed package carries a copy of the header made when it was built; a
source tree reads ``include/varnolo_text.h`` of the repository.
"""

from __future__ import annotations

import functools
import os
import re
from pathlib import Path
from typing import Dict, List, NamedTuple

HEADER_NAME = "varnolo_text.h"


class ResultTexts(NamedTuple):
    by_code: Dict[int, str]
    register_status: str
    unknown: str


def header_candidates() -> List[Path]:
    """Where the header is looked for, in order."""
    here = Path(__file__).resolve().parent
    found: List[Path] = []
    override = os.environ.get("VARNOLO_TEXT_HEADER")
    if override:
        found.append(Path(override))
    found.append(here / HEADER_NAME)  # copied in when the package is built
    found.append(here.parent.parent / "include" / HEADER_NAME)  # the repository
    found += [Path("/usr/local/include") / HEADER_NAME, Path("/usr/include") / HEADER_NAME]
    return found


_STRING = r'"(?:[^"\\\n]|\\.)*"'
_ROW = re.compile(r"VARNOLO_RESULT_TEXT\(\s*(-?\d+)\s*,\s*((?:" + _STRING + r"\s*)+)\)")
_ESCAPES = {"n": "\n", "t": "\t", '"': '"', "\\": "\\", "'": "'", "?": "?"}


def _unescape(match: "re.Match[str]") -> str:
    return _ESCAPES.get(match.group(1), match.group(1))


def _c_strings(literals: str) -> str:
    """Joins adjacent C string literals into one Python string."""
    out = []
    for literal in re.findall(_STRING, literals):
        out.append(re.sub(r"\\(.)", _unescape, literal[1:-1]))
    return "".join(out)


def _define(source: str, name: str) -> str:
    match = re.search(r"#define\s+" + name + r"\s+((?:" + _STRING + r"\s*)+)", source)
    if match is None:
        raise ValueError(f"{name} is missing")
    return _c_strings(match.group(1))


def parse_header(source: str) -> ResultTexts:
    """The texts of a ``varnolo_text.h``; raises ValueError when it has none."""
    source = re.sub(r"/\*.*?\*/", " ", source, flags=re.S)
    source = source.replace("\\\n", " ")
    start = source.find("#define VARNOLO_RESULT_TEXTS(")
    if start < 0:
        raise ValueError("VARNOLO_RESULT_TEXTS is missing")
    body = source[start : source.find("\n", start)]
    by_code = {int(code): _c_strings(text) for code, text in _ROW.findall(body)}
    if 0 not in by_code:
        raise ValueError("VARNOLO_RESULT_TEXTS has no rows")
    return ResultTexts(
        by_code,
        _define(source, "VARNOLO_REGISTER_STATUS_TEXT"),
        _define(source, "VARNOLO_UNKNOWN_RESULT_TEXT"),
    )


@functools.lru_cache(maxsize=None)
def result_texts() -> ResultTexts:
    """The table of texts, from the first header found."""
    tried = header_candidates()
    for path in tried:
        if path.is_file():
            return parse_header(path.read_text(encoding="utf-8"))
    raise FileNotFoundError(
        f"{HEADER_NAME} not found (set VARNOLO_TEXT_HEADER); tried: " + ", ".join(map(str, tried))
    )


def result_text(code: int) -> str:
    """A sentence for a result code, as ``VarnoloResultText`` in C gives it."""
    texts = result_texts()
    if code in texts.by_code:
        return texts.by_code[code]
    if 1 <= code <= 255:
        return texts.register_status
    return texts.unknown
