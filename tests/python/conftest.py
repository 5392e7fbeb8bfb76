# Where the tests find the built programs: TETHER_BUILD (set by CTest), else
# ./build.
import os
import pathlib
import subprocess

import pytest


@pytest.fixture(scope="session")
def build():
    return pathlib.Path(os.environ.get("TETHER_BUILD", "build"))


@pytest.fixture(scope="session")
def explore(build):
    """Runs tether-explore with the arguments and returns its standard output."""
    program = build / "tether-explore"
    if not program.exists():
        pytest.skip(f"{program} is not built")

    def run(*args):
        return subprocess.run([str(program), *args], check=True, capture_output=True,
                              text=True).stdout

    return run
