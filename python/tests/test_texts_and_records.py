"""The package against the C headers themselves: the result texts the header's
function gives, and the records' sizes and offsets the compiler lays out."""

from __future__ import annotations

import ctypes
import dataclasses
import re
import subprocess
from pathlib import Path
from typing import List

import pytest

import varnolo
from varnolo import _records, texts
from conftest import REPO


def run_c(tmp_path: Path, source: str) -> List[str]:
    """Compiles and runs a C program against the repository's headers."""
    program = tmp_path / "probe"
    (tmp_path / "probe.c").write_text(source, encoding="utf-8")
    subprocess.run(
        ["cc", "-std=c11", "-Wall", "-Werror", "-I", str(REPO / "include"), "-o", str(program),
         str(tmp_path / "probe.c")],
        check=True,
    )  # fmt: skip
    return subprocess.run([str(program)], check=True, capture_output=True, text=True).stdout.splitlines()


PROBE_CODES = [-2147483648, -1, 0, 1, 51, 255, 256, 257, 258, 259, 260, 261, 262, 263, 264, 265,
               266, 267, 268, 269, 270, 1000, 2147483647]  # fmt: skip


def test_every_code_of_the_header_gets_the_text_c_gives(tmp_path: Path) -> None:
    lines = run_c(
        tmp_path,
        r"""
#include <stdio.h>
#include "varnolo_text.h"
#define ROW(code, text) printf("row %d\t%s\n", code, VarnoloResultText(code));
int main(void) {
  static const int probes[] = {""" + ", ".join(f"(int){c}" for c in PROBE_CODES) + r"""};
  VARNOLO_RESULT_TEXTS(ROW)
  for (unsigned i = 0; i < sizeof probes / sizeof probes[0]; ++i)
    printf("probe %d\t%s\n", probes[i], VarnoloResultText(probes[i]));
  return 0;
}
""",
    )
    rows = {int(line.split("\t")[0][4:]): line.split("\t")[1] for line in lines if line.startswith("row ")}
    probes = {int(line.split("\t")[0][6:]): line.split("\t")[1] for line in lines if line.startswith("probe ")}
    assert rows, "the header lists no codes"
    # every row of the header, and no code the header lacks
    assert texts.result_texts().by_code == rows
    for code, text in {**rows, **probes}.items():
        assert varnolo.result_text(code) == text, code
        assert varnolo.ResultError(code, "CRTest").text == text


def test_an_installed_copy_of_the_header_is_read_first(tmp_path: Path, monkeypatch) -> None:
    header = tmp_path / "varnolo_text.h"
    header.write_text(
        '#define VARNOLO_RESULT_TEXTS(X) \\\n  X(0, "Fine.") \\\n  X(259, "Lost " \\\n "answer.")\n'
        '#define VARNOLO_REGISTER_STATUS_TEXT "Status."\n#define VARNOLO_UNKNOWN_RESULT_TEXT "What?"\n'
        .replace("X(", "VARNOLO_RESULT_TEXT("), encoding="utf-8",
    )  # fmt: skip
    monkeypatch.setenv("VARNOLO_TEXT_HEADER", str(header))
    texts.result_texts.cache_clear()
    try:
        assert [varnolo.result_text(c) for c in (0, 259, 7, 300)] == ["Fine.", "Lost answer.", "Status.", "What?"]
    finally:
        monkeypatch.delenv("VARNOLO_TEXT_HEADER")
        texts.result_texts.cache_clear()


def test_a_header_without_the_table_is_refused() -> None:
    with pytest.raises(ValueError, match="VARNOLO_RESULT_TEXTS"):
        texts.parse_header("#define SOMETHING 1\n")


RECORDS = [
    _records.TimeDate, _records.RegisterConfiguration, _records.CheckItem, _records.CheckItemEx,
    _records.GoodsEntry, _records.DecoratedCheck, _records.TradeTotals, _records.TradeCounters,
    _records.ControlTapeEntry, _records.ControlTapeInfo,
]  # fmt: skip


def test_records_have_the_compilers_sizes_and_offsets(tmp_path: Path) -> None:
    prints = []
    expected = []
    for record in RECORDS:
        name = record.__name__
        prints.append(f'printf("{name} %zu\\n", sizeof({name}));')
        expected.append(f"{name} {ctypes.sizeof(record)}")
        for field, _ in record._fields_:
            prints.append(f'printf("{name}.{field} %zu\\n", offsetof({name}, {field}));')
            expected.append(f"{name}.{field} {getattr(record, field).offset}")
    lines = run_c(
        tmp_path,
        "#include <stddef.h>\n#include <stdio.h>\n#include \"varnolo.h\"\nint main(void) {\n"
        + "\n".join(prints) + "\nreturn 0;\n}\n",
    )
    assert lines == expected


def test_totals_are_named_as_the_labels_header_names_them(tmp_path: Path) -> None:
    if not (REPO / "include" / "varnolo_labels.h").is_file():
        pytest.skip("this tree has no include/varnolo_labels.h")
    lines = run_c(
        tmp_path,
        "#include <stdio.h>\n#include \"varnolo_labels.h\"\nint main(void) {\n"
        "  for (int k = 0; k < VARNOLO_TOTAL_COUNT; ++k) printf(\"%s\\n\", VarnoloTotalLabel(k));\n"
        "  for (int k = 0; k < VARNOLO_COUNTER_COUNT; ++k) printf(\"%s\\n\", VarnoloCounterLabel(k));\n"
        "  return 0;\n}\n",
    )
    names = [re.sub(r"[ -]", "_", label) for label in lines]
    assert names == [f.name for f in dataclasses.fields(varnolo.Totals)]
