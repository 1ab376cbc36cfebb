"""Builds the package with a copy of the C header of result texts
(include/varnolo_text.h), the one table the package reads its texts from."""

import shutil
from pathlib import Path

from setuptools import setup
from setuptools.command.build_py import build_py

HEADER = Path(__file__).resolve().parent.parent / "include" / "varnolo_text.h"


class BuildWithTexts(build_py):
    def run(self) -> None:
        super().run()
        if not HEADER.is_file():
            raise SystemExit(f"{HEADER} is missing: build the package from the Varnolo source tree")
        target = Path(self.build_lib) / "varnolo" / HEADER.name
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(HEADER, target)


setup(cmdclass={"build_py": BuildWithTexts})
