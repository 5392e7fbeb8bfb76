"""A sweep from Python against the same sweep on the command line, same jobs.

usage: PYTHONPATH=build/python /usr/bin/python3 bench/python_sweep.py [BUILD] [JOBS]

Prints the best of five runs of each, and their ratio; a benchmark to read,
not a test.
"""
import subprocess
import sys

import tether
from timing import best

build = sys.argv[1] if len(sys.argv) > 1 else "build"
jobs = int(sys.argv[2]) if len(sys.argv) > 2 else 2
cases = [("march", "vmax", "1:200:200"), ("integral", "vmax", "1:200:100000")]




for method, name, values in cases:
    command = [f"{build}/tether-explore", "--sweep", f"{name}={values}", "--method", method,
               "--jobs", str(jobs), "--format", "csv", "--quiet"]
    cli = best(lambda: subprocess.run(command, stdout=subprocess.DEVNULL, check=True))
    py = best(lambda: tether.sweep(method=method, jobs=jobs, **{name: values}))
    print(f"{method:8} {name}={values:14} jobs={jobs}: command line {cli:.3f} s, "
          f"Python {py:.3f} s, Python/command line {py / cli:.2f}")
