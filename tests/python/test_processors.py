"""The module's figures are the same bits whatever the processor: glibc picks
FMA and AVX2 code for exp and its kin where the processor has them, and
GLIBC_TUNABLES below turns that off. The module uses its own portable
functions, so a sweep, its modes, a solve, the shapes and the ascent print
the same with and without it. (Where the C library does not choose by
processor, both runs are the same run.)"""
import os
import subprocess
import sys

PLAIN = "glibc.cpu.hwcaps=-AVX2,-FMA"

FIGURES = """
import numpy as np, tether
out = []
def dump(frame):
    out.append(np.ascontiguousarray(frame.to_numpy(dtype=float)).tobytes().hex())
dump(tether.sweep(strength="10:130:121", jobs=2))
dump(tether.sweep(strength="10:130:121", method="integral", jobs=2))
dump(tether.sweep(vmax="160:300:20", strength="10:100:10", method="integral", jobs=2))
dump(tether.sweep(strength="10:100:10", modes=3, jobs=2))
dump(tether.solve("vmax", (50, 200), "time", 100, strength="30:110:20", jobs=2))
dump(tether.Design(strength=30).modes(5))
dump(tether.Design(strength=30).mode_shapes(3))
dump(tether.Design(strength=30).ascent())
print(tether.Design(planet="mars").report())
print("\\n".join(out))
"""


def run(tunables):
    env = dict(os.environ)
    env.pop("GLIBC_TUNABLES", None)
    if tunables:
        env["GLIBC_TUNABLES"] = tunables
    done = subprocess.run([sys.executable, "-c", FIGURES], capture_output=True, text=True,
                          env=env)
    assert done.returncode == 0, done.stderr
    return done.stdout


def test_figures_are_the_same_bits_without_the_processors_fma_code():
    native = run(None)
    plain = run(PLAIN)
    assert native.count("\n") > 100
    assert native == plain
