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
def run_explore(build):
    """Runs tether-explore with the arguments and returns its exit status,
    standard output and standard error, whatever the status."""
    program = build / "tether-explore"
    if not program.exists():
        pytest.skip(f"{program} is not built")

    def run(*args):
        done = subprocess.run([str(program), *args], capture_output=True, text=True)
        return done.returncode, done.stdout, done.stderr

    return run


@pytest.fixture(scope="session")
def explore(run_explore):
    """Runs tether-explore, which must succeed, and returns its standard output."""

    def run(*args):
        status, out, err = run_explore(*args)
        assert status == 0, err
        return out

    return run
