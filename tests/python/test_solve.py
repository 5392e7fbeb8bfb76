"""tether.solve against tether-explore --solve, bit for bit, and its refusals."""
import warnings

import numpy as np
import pandas as pd
import pytest

import tether
from bits import csv_frame, same_bits


def quietly(call, *args, **kwargs):
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", tether.DesignWarning)
        return call(*args, **kwargs)


def test_one_design_is_the_command_lines(run_explore):
    status, out, _ = run_explore("--solve", "strength=27:300", "--for", "time=110", "--set",
                            "rhog=auto", "--format", "csv")
    assert status == 0
    wanted = csv_frame(out)
    d = tether.solve("strength", (27, 300), "time", 110, tether.Design(rhog=None))
    assert isinstance(d, tether.Design)
    assert d == tether.Design(rhog=None, strength=wanted["strength"][0])
    same_bits([d.strength], wanted["strength"].to_numpy())
    figures = d.figures(method="integral")
    same_bits(list(figures.values()), wanted.iloc[0, 1:].to_numpy())


def test_a_grid_with_misses_is_the_command_lines(run_explore):
    status, out, err = run_explore("--solve", "strength=10:300", "--for", "time=72", "--sweep",
                              "vmax=50:300:6", "--sweep", "csgeo=1e4,3e4", "--format", "csv")
    assert status == 3
    wanted = csv_frame(out)
    got = quietly(tether.solve, "strength", [10, 300], "time", 72, vmax="50:300:6",
                  csgeo=np.array([1e4, 3e4]), jobs=2)
    assert list(got.columns) == list(wanted.columns) + ["problem"]
    same_bits(got.drop(columns="problem").to_numpy(), wanted.to_numpy())
    missed = got["strength"].isna()
    assert missed.sum() == 6 and not missed.all()
    assert got["problem"][~missed].isna().all()
    for i in np.flatnonzero(missed):
        assert got["problem"][i] + "; its figures are NaN" in err
    assert got["problem"][0] == ("time = 462.25 h at strength = 10 GPa and 201.25 h at "
                                 "strength = 300 GPa: 72 h is not between them")


def test_a_refused_design_is_a_grid_points_problem(run_explore):
    status, out, _ = run_explore("--solve", "vmax=50:300", "--for", "time=110", "--sweep",
                            "csgeo=-1,100", "--format", "csv")
    got = quietly(tether.solve, "vmax", (50, 300), "time", 110, csgeo=[-1, 100])
    same_bits(got.drop(columns="problem").to_numpy(), csv_frame(out).to_numpy())
    # The design itself is refused, whatever the bracket: in its own words.
    with pytest.raises(tether.DesignError) as plain:
        tether.Design(csgeo=-1).figures()
    assert got["problem"][0] == str(plain.value)
    assert got["problem"][1] is None


def test_a_refused_base_is_refused_before_any_search(run_explore):
    status, _, err = run_explore("--set", "vmax=-1", "--solve", "strength=10:300", "--for",
                                 "time=100")
    assert status == 2
    with pytest.raises(tether.DesignError) as e:
        tether.solve("strength", (10, 300), "time", 100, tether.Design(vmax=-1))
    assert str(e.value) == "vmax = -1 m/s: must be greater than 0"
    assert e.value.parameter == "vmax"
    assert err.startswith("tether-explore: " + str(e.value) + "\n")


@pytest.mark.parametrize("name,bracket,figure,value,base,why", [
    ("vmax", (26.5, 27.2), "cap_alt", 5000, {"strength": 10, "csgeo": 10000}, "a capped stretch"),
    ("tsid", (70000, 100000), "time", 100, {}, "set ztop"),
    ("GM", (390000, 410000), "total_mass", 2200, {}, "set ztop"),
])
def test_a_figure_that_jumps_has_no_answer(run_explore, name, bracket, figure, value, base, why):
    args = [a for k, v in base.items() for a in ("--set", f"{k}={v}")]
    status, out, err = run_explore(*args, "--solve", f"{name}={bracket[0]}:{bracket[1]}", "--for",
                                   f"{figure}={value}", "--format", "csv")
    assert status == 3
    with pytest.raises(tether.DesignError) as e:
        quietly(tether.solve, name, bracket, figure, value, tether.Design(**base))
    assert e.value.parameter == name
    assert why in str(e.value)
    assert f"tether-explore: design 1 of 1: {e.value}; its figures are NaN\n" in err
    # Where the figure jumps, a grid point has no answer either.
    frame = quietly(tether.solve, name, bracket, figure, value, tether.Design(**base),
                    mclimb=[16000])
    assert frame[name].isna().all() and frame["problem"][0] == str(e.value)


def test_long_numbers_are_shortened_in_messages():
    with pytest.raises(ValueError) as e:
        tether.solve("vmax", (1, 10 ** 400), "time", 100)
    assert len(str(e.value)) < 200 and "..." in str(e.value)


def test_a_period_is_not_sought():
    with pytest.raises(ValueError, match="'period_in_1' is an oscillation period") as e:
        tether.solve("vmax", (10, 20), "period_in_1", 100)
    assert "tether.figure_names()" in str(e.value)


@pytest.mark.parametrize("name,figure,base", [
    ("strength", "time", {"rhog": None, "csgeo": 1e4}),
    ("vmax", "time", {}),
    ("csgeo", "total_mass", {"planet": "mars", "rhog": None}),
])
def test_round_trip(name, figure, base):
    design = tether.Design(**base)
    known = getattr(design, name)
    target = quietly(design.figures, method="integral")[figure]
    d = quietly(tether.solve, name, (known / 3, known * 4), figure, target, design)
    assert abs(getattr(d, name) - known) <= 1e-8 * abs(known)
    assert d.replace(**{name: known}) == design


def test_a_single_design_without_an_answer_is_refused(run_explore):
    status, _, err = run_explore("--set", "csgeo=1e4", "--solve", "strength=10:300", "--for",
                                 "time=72")
    assert status == 2
    with pytest.raises(tether.DesignError) as e:
        quietly(tether.solve, "strength", (10, 300), "time", 72, tether.Design(csgeo=1e4))
    assert str(e.value) == ("time = 448.19 h at strength = 10 GPa and 104.39 h at "
                            "strength = 300 GPa: 72 h is not between them")
    assert str(e.value) in err
    assert e.value.parameter == "strength"
    with pytest.raises(tether.DesignError, match=r"^vmax = 0 m/s: .*\(the bracket's low end\)$") \
            as e:
        tether.solve("vmax", (0, 300), "time", 110)
    assert e.value.parameter == "vmax"
    with pytest.raises(tether.DesignError, match="no value at"):
        tether.solve("vmax", (1e9, 1e10), "cap_alt", 100)


@pytest.mark.parametrize("args,kwargs,error,match", [
    (("nope", (1, 2), "time", 1), {}, ValueError, "unknown parameter 'nope'"),
    (("vmax", (1, 2), "nope", 1), {}, ValueError, "unknown figure 'nope'"),
    (("vmax", (300, 50), "time", 1), {}, ValueError, "LOW must be less than HIGH"),
    (("vmax", (50, 50), "time", 1), {}, ValueError, "LOW must be less than HIGH"),
    (("vmax", (50, float("inf")), "time", 1), {}, ValueError, "HIGH"),
    (("vmax", (50, 300), "time", float("nan")), {}, ValueError, "value = nan"),
    (("vmax", (50, 300), "time", 100), {"vmax": [1, 2]}, ValueError, "^vmax is swept too$"),
    (("vmax", (50, 300), "time", 100), {"nope": [1, 2]}, TypeError, "nope"),
    (("vmax", (50, 300), "time", 100), {"jobs": 0}, ValueError, "jobs"),
    ((1, (50, 300), "time", 100), {}, TypeError, "^name"),
    (("vmax", 50, "time", 100), {}, TypeError, "^bracket"),
    (("vmax", (50, 100, 300), "time", 100), {}, TypeError, "^bracket"),
    (("vmax", "50:300", "time", 100), {}, TypeError, "^bracket"),
    (("vmax", (50, "300"), "time", 100), {}, TypeError, "high end"),
    (("vmax", (50, 300), 3, 100), {}, TypeError, "^figure"),
    (("vmax", (50, 300), "time", "100"), {}, TypeError, "^value"),
    (("vmax", (50, 300), "time", True), {}, TypeError, "^value"),
    (("vmax", (50, 300), "time", 100, "base"), {}, TypeError, "base"),
])
def test_refusals(args, kwargs, error, match):
    with pytest.raises(error, match=match) as e:
        tether.solve(*args, **kwargs)
    assert not isinstance(e.value, tether.DesignError)


def test_warnings_name_the_caller():
    with warnings.catch_warnings(record=True) as seen:
        warnings.simplefilter("always")
        thick = tether.Design(csgeo=1e4)  # a foot that lifts the climber at 10 GPa
        tether.solve("strength", (10, 300), "time", 110, thick)
        tether.solve("strength", (10, 300), "time", 72, thick, vmax=[160, 200])
    assert seen and all(w.category is tether.DesignWarning for w in seen)
    assert all(w.filename == __file__ for w in seen)
    assert any(w.message.args[0].startswith("design 1 of 2 (vmax=160)") for w in seen)


def test_solve_is_exported():
    assert "solve" in tether.__all__
