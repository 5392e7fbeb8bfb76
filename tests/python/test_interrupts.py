"""Ctrl-C stops the call it interrupts, soon, and no other: a run on another
thread keeps every bit of its results, and a stopped call returns nothing."""
import os
import random
import signal
import subprocess
import sys
import threading
import time

import numpy as np
import pandas.testing as pdt
import pytest

import tether


@pytest.mark.parametrize("jobs", [1, 2, None])
def test_ctrl_c_ends_a_long_sweep_within_seconds(tmp_path, jobs):
    # The sweep would take minutes; the bound tolerates a loaded machine.
    script = tmp_path / "long.py"
    script.write_text(
        "import sys, tether\n"
        "print('started', flush=True)\n"
        "try:\n"
        f"    tether.sweep(vmax='1:100:200000', jobs={jobs})\n"
        "except KeyboardInterrupt:\n"
        "    print('interrupted', flush=True)\n"
        "    sys.exit(0)\n"
        "sys.exit(1)\n")
    proc = subprocess.Popen([sys.executable, str(script)], stdout=subprocess.PIPE, text=True,
                            env=os.environ)
    assert proc.stdout.readline() == "started\n"
    time.sleep(1)
    sent = time.monotonic()
    proc.send_signal(signal.SIGINT)
    try:
        status = proc.wait(timeout=10)
    finally:
        proc.kill()
    assert status == 0, f"status {status} {time.monotonic() - sent:.1f} s after Ctrl-C"
    assert proc.stdout.read() == "interrupted\n"


def same_figures(got, wanted):
    got = np.array(list(got.values()))
    wanted = np.array(list(wanted.values()))
    return np.array_equal(got, wanted, equal_nan=True)


def test_ctrl_c_on_the_main_thread_leaves_another_threads_runs_alone():
    design = tether.Design(vmax=70)
    clean = design.figures()
    clean_sweep = tether.sweep(vmax="50:150:12", jobs=1)
    # The main thread's designs march for a tenth of a second or more each,
    # so that interrupts land inside the library's runs.
    fine = tether.Design(dz=0.002)
    clean_fine = tether.sweep(fine, vmax="50:150:3", jobs=1)
    other_figures, other_sweeps, other_failures = [], [], []

    def other():
        try:
            for _ in range(8):
                other_sweeps.append(tether.sweep(vmax="50:150:12", jobs=1))
                for _ in range(10):
                    other_figures.append(design.figures())
        except BaseException as e:  # noqa: B902 (any failure is the test's)
            other_failures.append(repr(e))

    armed = False

    def on_ctrl_c(signum, frame):
        nonlocal armed
        if armed:
            armed = False
            raise KeyboardInterrupt

    previous = signal.signal(signal.SIGINT, on_ctrl_c)
    worker = threading.Thread(target=other)
    rng = random.Random(7)
    landed = returned = 0

    def interrupter():
        while worker.is_alive():
            time.sleep(rng.uniform(0.002, 0.03))
            os.kill(os.getpid(), signal.SIGINT)

    try:
        worker.start()
        sender = threading.Thread(target=interrupter)
        sender.start()
        while worker.is_alive():
            try:
                armed = True
                rows = tether.sweep(fine, vmax="50:150:3", jobs=1)
                armed = False
                # A call that returns has not been stopped: every bit right.
                pdt.assert_frame_equal(rows, clean_fine, check_exact=True)
                returned += 1
            except KeyboardInterrupt:
                landed += 1
        sender.join()
    finally:
        armed = False
        signal.signal(signal.SIGINT, previous)
    worker.join()
    assert not other_failures
    assert landed >= 5, f"only {landed} interrupts landed ({returned} calls returned)"
    assert len(other_sweeps) == 8 and len(other_figures) == 80
    for rows in other_sweeps:
        pdt.assert_frame_equal(rows, clean_sweep, check_exact=True)
    for figures in other_figures:
        assert same_figures(figures, clean), figures
    # The process goes on as before: the next calls compute correctly.
    assert same_figures(design.figures(), clean)
    pdt.assert_frame_equal(tether.sweep(vmax="50:150:12", jobs=2), clean_sweep, check_exact=True)


def test_a_stopped_figures_call_never_returns_numbers():
    # A march of many seconds, interrupted: KeyboardInterrupt, not figures.
    slow = tether.Design(dz=0.00005)
    timer = threading.Timer(0.3, lambda: os.kill(os.getpid(), signal.SIGINT))
    timer.start()
    started = time.monotonic()
    with pytest.raises(KeyboardInterrupt):
        slow.figures()
    timer.join()
    assert time.monotonic() - started < 5
