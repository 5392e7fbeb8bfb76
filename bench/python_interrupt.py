"""How soon Ctrl-C ends a sweep from Python, at sizes of 1e5 to 1e7 designs.

usage: PYTHONPATH=build/python /usr/bin/python3 bench/python_interrupt.py [JOBS]

Each sweep runs in a Python of its own, which is sent SIGINT at several
moments after the call starts (while the grid is read and checked, and
while designs are computed); the delay is from the signal to the
KeyboardInterrupt caught in that Python. Prints the worst delay of each
size; the goal is at most 0.5 s at any size. A benchmark to read, not a test.
"""
import os
import signal
import subprocess
import sys
import time

jobs = int(sys.argv[1]) if len(sys.argv) > 1 else 2
sizes = [10**5, 10**6, 10**7]
moments = [0.0, 0.1, 0.3, 1.0]  # seconds after the call starts

CHILD = """
import sys, time, tether
print('started', flush=True)
try:
    tether.sweep(vmax='1:100:{size}', jobs={jobs})
except KeyboardInterrupt:
    print(time.monotonic(), flush=True)
    sys.exit(0)
print('finished', flush=True)
"""


def delay(size, moment):
    """Seconds from SIGINT to KeyboardInterrupt, or None where the sweep ended first."""
    proc = subprocess.Popen([sys.executable, "-c", CHILD.format(size=size, jobs=jobs)],
                            stdout=subprocess.PIPE, text=True, env=os.environ)
    try:
        assert proc.stdout.readline() == "started\n"
        time.sleep(moment)
        sent = time.monotonic()  # CLOCK_MONOTONIC: the same clock in both processes
        proc.send_signal(signal.SIGINT)
        line = proc.stdout.readline()
        proc.wait(timeout=60)
        return None if line.startswith("finished") else float(line) - sent
    finally:
        proc.kill()


for size in sizes:
    delays = [delay(size, m) for m in moments]
    heard = [d for d in delays if d is not None]
    shown = ", ".join("ended first" if d is None else f"{d:.3f}" for d in delays)
    worst = f"{max(heard):.3f} s" if heard else "-"
    print(f"{size:>9} designs, jobs={jobs}: SIGINT at {moments} s -> {shown}; worst {worst}")
