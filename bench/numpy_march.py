"""What a user's own vectorised NumPy march of the study's design costs,
beside the package's march and integral, for the README's Performance.

usage: PYTHONPATH=build/python /usr/bin/python3 bench/numpy_march.py

The NumPy march here is the comparison, not a second implementation of the
study: it is checked against the package only to 1e-9.
"""
import math

import numpy as np

import tether
from timing import best


def numpy_march(d):
    omega2 = ((math.pi + math.pi) / d.tsid) ** 2
    rgeo = (d.GM / omega2) ** 0.3333333333333333
    ztop = math.floor((rgeo - d.RE) - 19)
    z = np.arange(0, math.floor(ztop / d.dz) + 1) * d.dz
    r = d.RE + z
    effpot = lambda x: d.GM / x + 0.5 * omega2 * x * x
    grav = (d.GM / (r * r) - omega2 * r) * 1000
    taper = np.exp((effpot(d.RE) - effpot(r)) / (d.strength * 1000 / d.density))
    gee0 = (d.GM / (d.RE * d.RE) - omega2 * d.RE) * 1000
    zg = math.sqrt(d.modulus * 1e9 / d.density) * d.rhog
    weight = d.mclimb * grav
    excess = d.fextra + d.mclimb * gee0 - weight
    speed = np.minimum(0.5 * excess * excess / (zg * taper) / weight, d.vmax)
    return (d.dz * d.rhog * taper).sum(), (d.dz * 1000 / 3600 / speed).sum()




d = tether.Design()
total, hours = numpy_march(d)
figures = d.figures()
assert abs(total - figures["total_mass"]) < 1e-9 * total, total
assert abs(hours - figures["time"]) < 1e-9 * hours, hours
for name, run in [("NumPy march", lambda: numpy_march(d)),
                  ("tether, march", lambda: d.figures()),
                  ("tether, integral", lambda: d.figures(method="integral"))]:
    print(f"{name:18} {best(run, 20) * 1e3:8.3f} ms per design")
