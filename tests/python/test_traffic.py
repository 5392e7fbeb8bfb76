"""The traffic from Python against tether-explore, bit for bit: its
parameters and figures in sweeps, Design.load() against --load, its warning,
and designs pickled before its parameters came."""
import pickle
import warnings

import numpy as np
import pytest

import tether
from bits import csv_frame, same_bits

TRAFFIC = ["load_capacity", "peak_load", "load_share", "min_interval", "on_tether",
           "max_throughput", "throughput"]


def test_the_traffics_columns_are_the_command_lines(explore):
    base = tether.Design(anchor=20, payload=12000)
    with pytest.warns(tether.DesignWarning, match="would lift"):
        got = tether.sweep(base, interval=[6, 12.5, 200], vmax="50:150:3", method="integral",
                           jobs=2)
    wanted = csv_frame(explore("--set", "anchor=20", "--set", "payload=12000",
                               "--sweep", "interval=6,12.5,200", "--sweep", "vmax=50:150:3",
                               "--method", "integral", "--format", "csv"))
    assert list(got.columns) == list(wanted.columns)
    assert list(got.columns[-7:]) == TRAFFIC
    same_bits(got.to_numpy(), wanted.to_numpy())
    held = tether.Design(climbers=5).figures(method="integral")
    same_bits([held[f] for f in TRAFFIC],
              csv_frame(explore("--set", "climbers=5", "--method", "integral", "--figures",
                                ",".join(TRAFFIC), "--format", "csv")).iloc[0].to_numpy())
    assert np.isnan([tether.Design().figures()[f] for f in TRAFFIC]).all()


@pytest.mark.parametrize("params,args", [
    ({"climbers": 4}, ["--set", "climbers=4"]),
    ({"interval": 12, "anchor": 5, "rowdz": 100}, ["--set", "interval=12", "--set", "anchor=5",
                                                   "--set", "rowdz=100"]),
])
def test_load_is_the_command_lines(explore, params, args):
    got = tether.Design(**params).load()
    wanted = csv_frame(explore(*args, "--load", "--format", "csv"))
    assert list(got.columns) == list(wanted.columns) == ["alt", "t0", "tension", "share"]
    same_bits(got.to_numpy(), wanted.to_numpy())
    # The foot carries the peak load, and nothing is taken above the climbers.
    figures = tether.Design(**params).figures(method="integral")
    foot = got.iloc[0]
    assert foot["t0"] - foot["tension"] == pytest.approx(figures["peak_load"] - params.get("anchor", 0),
                                                         rel=1e-13)
    assert (got["tension"] <= got["t0"]).all()


def test_a_foot_that_would_lift_is_one_design_warning():
    with pytest.warns(tether.DesignWarning, match=r"^load_share = 1\.41329: .* would lift") as seen:
        tether.Design(climbers=20).figures(method="integral")
    assert len(seen) == 1
    with pytest.warns(tether.DesignWarning) as seen:
        frame = tether.sweep(climbers="1:30:30", method="integral", figures=["load_share"])
    over = frame[frame["load_share"] > 1]["climbers"]
    assert [str(w.message).split(": ")[0] for w in seen] == [
        f"design {over.iloc[0]:.0f} of 30 (climbers={over.iloc[0]:.0f}) and {len(over) - 1} more"]
    with pytest.warns(tether.DesignWarning) as seen:
        tether.Design(mclimb=40000, fextra=1e5).figures(method="integral")
    assert [str(w.message).split()[0] for w in seen] == ["mre"]
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        tether.Design(climbers=10).figures(method="integral")


def test_designs_pickled_before_the_traffic_load_with_its_defaults():
    d = tether.Design(strength=50, interval=12, planet="moon-l1", rapex=150000)
    assert pickle.loads(pickle.dumps(d)) == d
    # The sixteen values a design was pickled as before the traffic's and a
    # partner body's parameters came, in their order then.
    names = ["GM", "RE", "tsid", "rapex", "strength", "density", "csgeo", "modulus", "rhog",
             "safety", "mclimb", "fextra", "vmax", "dz", "ztop", "rowdz"]
    mars = tether.Design(planet="mars", strength=50, dz=2)
    old = tuple(getattr(mars, name) for name in names)
    restored = tether.Design.__new__(tether.Design)
    restored.__setstate__(old)
    assert restored == mars
    # Pickled before the ribbon's parameters and damping, and before damping:
    # every other one, in order.
    for later in (("ribbon", "damping"), ("damping",)):
        restored.__setstate__(tuple(getattr(mars, p.name) for p in tether.parameters()
                                    if p.group not in later and p.name not in later))
        assert restored == mars
    with pytest.raises(TypeError, match="a design is 29 values"):
        tether.Design.__new__(tether.Design).__setstate__(old[:10])


def test_a_cross_section_sized_for_a_stream_is_the_command_lines(explore):
    got = tether.solve("csgeo", (1, 1000), "load_share", 1, tether.Design(rhog=None, interval=12))
    wanted = csv_frame(explore("--solve", "csgeo=1:1000", "--for", "load_share=1", "--set",
                               "interval=12", "--set", "rhog=auto", "--format", "csv"))
    assert got.csgeo == wanted["csgeo"][0]
    assert got.figures(method="integral")["load_share"] == pytest.approx(1, abs=1e-11)
