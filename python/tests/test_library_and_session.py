"""Loading the library, opening and closing sessions, and their errors."""

from __future__ import annotations

import os
import re
import subprocess
import sys
from pathlib import Path

import pytest

import varnolo
from varnolo import _library
from conftest import LIBRARY, REPO

PYTHON_PATH = str(REPO / "python")


def python(code: str, **env: str) -> subprocess.CompletedProcess:
    """Runs code in a fresh interpreter (the library is loaded once per process)."""
    environment = {**os.environ, "PYTHONPATH": PYTHON_PATH, **env}
    return subprocess.run(
        [sys.executable, "-c", code], env=environment, cwd="/", capture_output=True, text=True, timeout=60
    )


def test_the_prototypes_are_the_headers_70_functions() -> None:
    header = (REPO / "include" / "varnolo.h").read_text(encoding="utf-8")
    declared = {
        name: 0 if arguments.strip() == "void" else arguments.count(",") + 1
        for name, arguments in re.findall(r"VARNOLO_CALL\s+(CR\w+)\(([^)]*)\)", header)
    }
    assert len(declared) == 70
    assert {name: len(types) for name, (_, types) in _library.PROTOTYPES.items()} == declared


@pytest.mark.parametrize(
    "path, message",
    [
        ("/nonexistent/libvarnolo.so.1", "cannot load the Varnolo library '/nonexistent/libvarnolo.so.1'"),
        ("libm.so.6", "'libm.so.6' is not a Varnolo library: it lacks 70 of the 70 functions"),
    ],
)
def test_a_wrong_library_is_a_clear_error(path: str, message: str) -> None:
    done = python(
        "import varnolo\n"
        "try:\n    varnolo.Register('/dev/null')\n"
        "except varnolo.LibraryError as e:\n    print('LibraryError:', e)\n",
        VARNOLO_LIBRARY=path,
    )
    assert done.returncode == 0, done.stderr
    assert message in done.stdout


def test_the_library_beside_the_package_is_found(tmp_path: Path) -> None:
    package = tmp_path / "varnolo"
    package.mkdir()
    for pattern in ("*.py", "*.json"):  # the modules and the rulebook they read
        for source in (REPO / "python" / "varnolo").glob(pattern):
            (package / source.name).write_bytes(source.read_bytes())
    (package / "libvarnolo.so.1").write_bytes(LIBRARY.read_bytes())
    environment = {k: v for k, v in os.environ.items() if k != "VARNOLO_LIBRARY"}
    environment["PYTHONPATH"] = str(tmp_path)
    done = subprocess.run(
        [sys.executable, "-c", "from varnolo import _library; print(_library.library()._name)"],
        env=environment, cwd=tmp_path, capture_output=True, text=True, timeout=60,
    )  # fmt: skip
    assert done.stdout.strip() == str(package / "libvarnolo.so.1"), done.stderr


def test_no_register_on_a_silent_line_is_a_clear_error(monkeypatch) -> None:
    monkeypatch.setenv("VARNOLO_COM1", "/dev/ttyS0-before")
    master, slave = os.openpty()  # a line where nothing answers
    try:
        with pytest.raises(varnolo.NoRegisterError, match=f"no register number 3 answered on {os.ttyname(slave)}"):
            varnolo.Register(os.ttyname(slave), number=3)
    finally:
        os.close(master)
        os.close(slave)
    assert os.environ["VARNOLO_COM1"] == "/dev/ttyS0-before"
    with pytest.raises(varnolo.NoRegisterError, match="/nonexistent/tty"):
        varnolo.Register("/nonexistent/tty")


def test_one_session_at_a_time(simulator, monkeypatch) -> None:
    monkeypatch.delenv("VARNOLO_COM1", raising=False)
    first = varnolo.Register(simulator.link, number=1)
    try:
        assert os.environ["VARNOLO_COM1"] == simulator.link
        with pytest.raises(varnolo.SessionError, match="already open"):
            varnolo.Register(simulator.link)
        assert first.number == 1
        assert first.tape_count == 0  # the first session still works
    finally:
        first.close()
    assert "VARNOLO_COM1" not in os.environ
    assert first.closed
    with pytest.raises(varnolo.SessionError, match="closed"):
        first.tape_count
    with varnolo.Register(simulator.link) as second:  # a new one after closing
        second.header = "Second"
        assert second.header == "Second"


def test_the_port_selector_opens_the_environments_com1(simulator, monkeypatch) -> None:
    monkeypatch.setenv("VARNOLO_COM1", simulator.link)
    with varnolo.Register("COM1") as register:
        assert register.state.locked
    with varnolo.Register() as register:
        assert register.number == 1


def test_calls_from_two_threads_wait_for_each_other(register, simulator) -> None:
    import threading

    failures = []

    def sell(price: float) -> None:
        try:
            for _ in range(2):
                register.sell([varnolo.Line(1, price)])
        except Exception as error:  # noqa: BLE001 - any failure fails the test
            failures.append(error)

    threads = [threading.Thread(target=sell, args=(p,)) for p in (1.0, 2.0)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert failures == []
    assert simulator.receipts("SALE") == 4
    assert sorted(e.amount for e in register.tape() if e.kind == 0) == [1.0, 1.0, 2.0, 2.0]
