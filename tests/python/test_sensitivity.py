"""A design's derivatives from Python against tether-explore, bit for bit,
and the notes as warnings."""
import warnings

import numpy as np
import pytest

import tether
from bits import csv_frame, same_bits


@pytest.mark.parametrize("args, design, modes", [
    ((), {}, None),
    (("--set", "strength=50", "--set", "rhog=auto", "--set", "safety=1.5"),
     {"strength": 50, "rhog": None, "safety": 1.5}, None),
    (("--planet", "mars", "--modes", "2"), {"planet": "mars"}, 2),
    (("--figures", "survival,time"), {"figures": ["survival", "time"]}, None),
])
def test_sensitivity_is_the_command_lines(explore, args, design, modes):
    wanted = csv_frame(explore("--sensitivity", *args, "--format", "csv"))
    figures = design.get("figures")
    design = {k: v for k, v in design.items() if k != "figures"}
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", tether.DesignWarning)
        got = tether.Design(**design).sensitivity(modes=modes, figures=figures)
    assert list(got.index.names) == ["figure", "parameter"]
    assert list(got.columns) == ["derivative", "elasticity"]
    assert got.index.get_level_values(0).tolist() == wanted["figure"].tolist()
    assert got.index.get_level_values(1).tolist() == wanted["parameter"].tolist()
    same_bits(got.to_numpy(), wanted[["derivative", "elasticity"]].to_numpy())
    grid = got["elasticity"].unstack()
    left = {"traffic"} | (set() if figures else {"ribbon"})
    # the traffic's and the ribbon's parameters and damping move their own
    # figures alone (the ribbon's in, with its), and a partner body's are
    # read only with a partner: left out
    assert set(grid.columns) == {p.name for p in tether.parameters()
                                 if p.group not in left and p.name != "damping"
                                 and not p.name.startswith("partner_")}


def test_notes_are_warnings_and_bad_designs_are_refused():
    with pytest.warns(tether.DesignWarning) as said:
        s = tether.Design().sensitivity()
    words = " ".join(str(w.message) for w in said)
    assert "ztop = auto is held" in words and "safety = 1 is at a bound" in words
    assert np.isclose(s.loc[("rgeo", "GM"), "elasticity"], 1 / 3, rtol=1e-9, atol=0)
    with pytest.raises(tether.DesignError):
        tether.Design(rapex=1000).sensitivity()
    with pytest.raises(TypeError):
        tether.Design().sensitivity(modes=1.5)
