"""A register behind Debian's ser2net, reached by tcp:// and rfc2217://: one
session lives through the device server being killed and started again."""

from __future__ import annotations

import shutil
import signal
import socket
import subprocess
import time
from pathlib import Path
from typing import Iterator

import pytest

import varnolo

SER2NET = shutil.which("ser2net") or "/usr/sbin/ser2net"


def free_port() -> int:
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return int(s.getsockname()[1])


def listening(port: int) -> bool:
    """Whether 127.0.0.1:port listens, read from /proc/net/tcp without connecting."""
    local = f"0100007F:{port:04X}"
    with open("/proc/net/tcp", encoding="ascii") as table:
        return any(f[1] == local and f[3] == "0A" for f in (line.split() for line in table) if len(f) > 3)


class Ser2Net:
    """ser2net -n -d -c FILE in front of a device: one tcp and one telnet(rfc2217) accepter."""

    def __init__(self, folder: Path, device: str) -> None:
        self.folder = folder
        self.tcp_port, self.telnet_port = free_port(), free_port()
        self.config = folder / "ser2net.yaml"
        self.config.write_text(
            "".join(
                f"connection: &{name}\n  accepter: {accepter},127.0.0.1,{port}\n"
                f"  connector: serialdev,{device},9600n81,local\n  options:\n    chardelay: false\n"
                for name, accepter, port in (
                    ("raw", "tcp", self.tcp_port),
                    ("telnet", "telnet(rfc2217),tcp", self.telnet_port),
                )
            )
        )
        self.process: "subprocess.Popen[bytes]"
        self.start()

    def url(self, scheme: str) -> str:
        return f"tcp://127.0.0.1:{self.tcp_port}" if scheme == "tcp" else f"rfc2217://127.0.0.1:{self.telnet_port}"

    def start(self) -> None:
        log = open(self.folder / "ser2net.log", "ab")
        self.process = subprocess.Popen(
            [SER2NET, "-n", "-d", "-P", str(self.folder / "ser2net.pid"), "-c", str(self.config)],
            cwd=self.folder, stdout=log, stderr=log,
        )  # fmt: skip
        log.close()
        for _ in range(500):
            if listening(self.tcp_port) and listening(self.telnet_port):
                return
            if self.process.poll() is not None:
                raise RuntimeError("ser2net exited at start: " + (self.folder / "ser2net.log").read_text())
            time.sleep(0.01)
        raise RuntimeError("ser2net did not start listening")

    def kill(self) -> None:
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGKILL)
            self.process.wait(timeout=10)


@pytest.fixture
def ser2net(simulator, tmp_path: Path) -> Iterator[Ser2Net]:
    assert Path(SER2NET).exists(), "scripts/setup installs ser2net"
    folder = tmp_path / "ser2net"
    folder.mkdir()
    server = Ser2Net(folder, simulator.link)
    yield server
    server.kill()


@pytest.mark.parametrize("scheme", ["tcp", "rfc2217"])
def test_one_session_outlives_the_device_server_going_between_two_calls(simulator, ser2net, scheme: str) -> None:
    with varnolo.Register(ser2net.url(scheme)) as register:
        register.sell([varnolo.Line(1, 3.5)])
        ser2net.kill()
        ser2net.start()
        register.sell([varnolo.Line(1, 4.25)])
        assert register.tape_count == 4
    assert simulator.receipts("SALE") == 2
    assert "3.50" in simulator.paper() and "4.25" in simulator.paper()


def test_a_device_server_that_refuses_is_no_register(tmp_path: Path) -> None:
    with pytest.raises(varnolo.NoRegisterError, match=r"answered on tcp://127\.0\.0\.1:"):
        varnolo.Register(f"tcp://127.0.0.1:{free_port()}")
