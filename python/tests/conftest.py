"""Fixtures: the built library and a varnolo-sim on a pseudo-terminal.

The library, the simulator and the varnolo tool (which the package is
compared with) come from the CMake build (build/default, or
VARNOLO_BUILD_DIR); VARNOLO_LIBRARY, VARNOLO_SIM and VARNOLO_TOOL name other
files."""

from __future__ import annotations

import os
import re
import signal
import subprocess
import time
from pathlib import Path
from typing import Iterator, List, Optional

import pytest

REPO = Path(__file__).resolve().parents[2]
BUILD = Path(os.environ.get("VARNOLO_BUILD_DIR", REPO / "build" / "default"))
LIBRARY = Path(os.environ.get("VARNOLO_LIBRARY", BUILD / "src" / "libvarnolo.so.1"))
SIMULATOR = Path(os.environ.get("VARNOLO_SIM", BUILD / "sim" / "varnolo-sim"))
TOOL = Path(os.environ.get("VARNOLO_TOOL", BUILD / "tools" / "varnolo"))

os.environ["VARNOLO_LIBRARY"] = str(LIBRARY)  # before the package loads it


def pytest_sessionstart(session: pytest.Session) -> None:
    for path, what in ((LIBRARY, "library"), (SIMULATOR, "simulator"), (TOOL, "varnolo tool")):
        if not path.is_file():
            raise pytest.UsageError(f"the {what} {path} is not built (cmake --build --preset default)")


class Simulator:
    """varnolo-sim --pty --link DIR/tty with a paper log and a packet trace."""

    def __init__(self, folder: Path, args: List[str]) -> None:
        self.folder = folder
        self.link = str(folder / "tty")
        self.paper_file = folder / "paper.txt"
        self.trace_file = folder / "trace.txt"
        command = [str(SIMULATOR), "--pty", "--link", self.link, "--paper", str(self.paper_file),
                   "--trace", str(self.trace_file), *args]  # fmt: skip
        self.process = subprocess.Popen(
            command, cwd=folder, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE
        )
        for _ in range(500):
            if os.path.lexists(self.link):
                return
            if self.process.poll() is not None:
                raise RuntimeError(f"varnolo-sim exited at start: {self.process.stderr.read()!r}")  # type: ignore[union-attr]
            time.sleep(0.01)
        raise RuntimeError("varnolo-sim did not come up")

    def paper(self) -> str:
        return self.paper_file.read_text(encoding="utf-8") if self.paper_file.exists() else ""

    def receipts(self, title: str) -> int:
        """How many documents with this title line the paper log holds."""
        return len(re.findall(r"^" + re.escape(title) + r"\b", self.paper(), flags=re.M))

    def trace(self) -> List[str]:
        """The simulator's trace lines without their leading millisecond stamps."""
        if not self.trace_file.exists():
            return []
        return [re.sub(r"^\s*\d+ ", "", line) for line in self.trace_file.read_text(encoding="utf-8").splitlines()]

    def exchanges(self) -> List[str]:
        """The trace without the end-of-call notices: the library sends one
        after a call has returned, so it may reach the trace a moment later."""
        return [line for line in self.trace() if not line.startswith("-> 2900 end of call")]

    def stop(self) -> None:
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            self.process.wait(timeout=10)


@pytest.fixture
def start_simulator(tmp_path: Path) -> Iterator:
    """Starts simulators with extra arguments (faults, firmware); all stop at the end."""
    started: List[Simulator] = []

    def start(*args: str, name: Optional[str] = None) -> Simulator:
        folder = tmp_path / (name or f"sim{len(started)}")
        folder.mkdir()
        simulator = Simulator(folder, list(args))
        started.append(simulator)
        return simulator

    yield start
    for simulator in started:
        simulator.stop()


@pytest.fixture
def simulator(start_simulator) -> Simulator:
    return start_simulator()


@pytest.fixture
def register(simulator: Simulator) -> Iterator:
    import varnolo

    with varnolo.Register(simulator.link) as session:
        yield session
