"""The README's example as written, and the package as pip installs it."""

from __future__ import annotations

import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

from conftest import LIBRARY, REPO


def readme_example() -> str:
    readme = (REPO / "README.md").read_text(encoding="utf-8")
    section = readme[readme.index("## The Python package") :]
    return re.search(r"```python\n(.*?)```", section, flags=re.S).group(1)  # type: ignore[union-attr]


def test_the_readme_example_prints_a_check(simulator, tmp_path: Path) -> None:
    example = readme_example()
    assert len(example.splitlines()) <= 10
    script = tmp_path / "example.py"
    script.write_text(example, encoding="utf-8")
    environment = {**os.environ, "PYTHONPATH": str(REPO / "python"), "VARNOLO_COM1": simulator.link,
                   "VARNOLO_LIBRARY": str(LIBRARY)}  # fmt: skip
    done = subprocess.run(
        [sys.executable, str(script)], env=environment, cwd=tmp_path, capture_output=True, text=True, timeout=60
    )
    assert done.returncode == 0, done.stderr
    assert done.stdout == "printed; the shift's sales are 184.35\n"
    assert simulator.receipts("SALE") == 1
    assert "TOTAL                         184.35" in simulator.paper()


def test_pip_installs_the_package_with_its_table_of_texts_and_its_rulebook(tmp_path: Path) -> None:
    source = tmp_path / "source"
    shutil.copytree(REPO / "python", source / "python", ignore=shutil.ignore_patterns("__pycache__", "tests"))
    (source / "include").mkdir()
    shutil.copy(REPO / "include" / "varnolo_text.h", source / "include")
    target = tmp_path / "site"
    subprocess.run(
        [sys.executable, "-m", "pip", "install", "--quiet", "--no-build-isolation", "--no-deps",
         "--no-index", "--target", str(target), str(source / "python")],
        check=True, capture_output=True, timeout=300,
    )  # fmt: skip
    shutil.rmtree(source)  # the installed package stands alone
    environment = {**os.environ, "PYTHONPATH": str(target)}
    environment.pop("VARNOLO_TEXT_HEADER", None)
    done = subprocess.run(
        [sys.executable, "-c",
         "import varnolo, pathlib; from varnolo import texts\n"
         "here = pathlib.Path(varnolo.__file__).parent\n"
         "print(here, (here / 'py.typed').is_file())\n"
         "print(varnolo.result_text(269))\n"
         "print(varnolo.rulebook.RULEBOOK_FILE, varnolo.REPORT_X)"],
        env=environment, cwd=tmp_path, capture_output=True, text=True, timeout=60,
    )  # fmt: skip
    assert done.returncode == 0, done.stderr
    assert done.stdout.splitlines() == [f"{target / 'varnolo'} True", "An amount or a line sum is above 99999.99.",
                                        f"{target / 'varnolo' / 'rulebook.json'} 5"]  # fmt: skip
    header = (REPO / "include" / "varnolo_text.h").read_bytes()
    assert (target / "varnolo" / "varnolo_text.h").read_bytes() == header
    rules = (REPO / "python" / "varnolo" / "rulebook.json").read_bytes()
    assert (target / "varnolo" / "rulebook.json").read_bytes() == rules


def test_the_package_and_the_example_type_check_strictly(tmp_path: Path) -> None:
    example = tmp_path / "example.py"
    example.write_text(readme_example(), encoding="utf-8")
    done = subprocess.run(
        [sys.executable, "-m", "mypy", "--strict", "--cache-dir", str(tmp_path / "cache"),
         str(REPO / "python" / "varnolo"), str(example)],
        env={**os.environ, "MYPYPATH": str(REPO / "python")}, capture_output=True, text=True, timeout=600,
    )  # fmt: skip
    assert done.returncode == 0, done.stdout + done.stderr
