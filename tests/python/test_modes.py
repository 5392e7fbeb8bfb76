"""The tether's oscillation modes from Python against tether-explore, bit for
bit, and against the taut string's own spacing of periods."""
import math
import warnings

import numpy as np
import pandas as pd
import pytest

import tether
from bits import csv_frame, same_bits


@pytest.fixture(scope="module")
def unstable_top():
    """A top end one rounding above GEO: a counterweight that is not positive."""
    return float(np.nextafter(tether.Design().figures()["rgeo"], math.inf))


def test_modes_are_the_command_lines(explore):
    wanted = csv_frame(explore("--planet", "mars", "--set", "vmax=50", "--set", "rhog=auto", "--modes", "7",
                               "--format", "csv"))
    got = tether.Design(planet="mars", vmax=50, rhog=None).modes(n=7)
    assert got.index.name == "mode" and got.index.tolist() == list(range(1, 8))
    assert list(got.columns) == list(wanted.columns[1:]) == ["period_in", "period_out"]
    same_bits(got.to_numpy(), wanted.iloc[:, 1:].to_numpy())
    assert len(tether.Design().modes()) == 5


def test_mode_shapes_are_the_command_lines(explore):
    wanted = csv_frame(explore("--set", "strength=70", "--set", "rhog=auto", "--modes", "4", "--shapes",
                               "--format", "csv"))
    d = tether.Design(strength=70, rhog=None)
    got = d.mode_shapes(n=4)
    assert list(got.columns) == list(wanted.columns) == \
        ["alt", "shape_1", "shape_2", "shape_3", "shape_4"]
    same_bits(got.to_numpy(), wanted.to_numpy())
    assert len(got) == 1001 and got["alt"].iloc[0] == 0
    assert got["alt"].iloc[-1] == d.rapex - d.RE
    assert list(tether.Design().mode_shapes().columns) == ["alt", "shape_1", "shape_2", "shape_3"]


def test_sweep_with_modes_is_the_command_lines(explore):
    wanted = csv_frame(explore("--sweep", "strength=40:80:3", "--sweep", "vmax=50,100",
                               "--set", "rhog=auto", "--modes", "3", "--method", "integral",
                               "--format", "csv"))
    got = tether.sweep(tether.Design(rhog=None), strength="40:80:3", vmax=[50, 100], modes=3, method="integral", jobs=2)
    assert list(got.columns) == list(wanted.columns)
    # The periods after the other figures, before the traffic's.
    assert list(got.columns[-13:-7]) == [f"period_{w}_{k}" for w in ("in", "out") for k in (1, 2, 3)]
    same_bits(got.to_numpy(), wanted.to_numpy())
    assert list(tether.sweep(vmax=[50]).columns) == ["vmax", *tether.figure_names()]


def test_evaluate_with_modes_is_the_command_lines(explore):
    wanted = csv_frame(explore("--sweep", "vmax=60,120", "--modes", "2", "--format", "csv"))
    frame = pd.DataFrame({"vmax": [60.0, 120.0], "name": ["slow", "fast"]}, index=["s", "f"])
    got = tether.evaluate(frame, modes=2)
    assert list(got.columns) == ["vmax", "name", *wanted.columns[1:]]
    same_bits(got[list(wanted.columns)].to_numpy(), wanted.to_numpy())
    coerced = tether.evaluate(frame, modes=2, errors="coerce")
    same_bits(coerced[list(wanted.columns)].to_numpy(), wanted.to_numpy())
    assert coerced["problem"].isna().all()
    with pytest.raises(ValueError, match="period_in_1"):
        tether.evaluate(got[["vmax", "period_in_1"]], modes=1)


@pytest.mark.parametrize("n,error,words", [
    (0, ValueError, "n: 0 is not a whole number from 1 to 100"),
    (101, ValueError, "n: 101 is not a whole number from 1 to 100"),
    (-3, ValueError, "n: -3 is not a whole number from 1 to 100"),
    (10**400, ValueError, "is not a whole number from 1 to 100"),
    (2.0, TypeError, "n must be a whole number, not float"),
    (True, TypeError, "n must be a whole number, not bool"),
    ("3", TypeError, "n must be a whole number, not str"),
    (None, TypeError, "n must be a whole number, not NoneType"),
])
def test_bad_counts_are_refused(n, error, words):
    d = tether.Design()
    for call in (d.modes, d.mode_shapes):
        with pytest.raises(error) as caught:
            call(n)
        assert words in str(caught.value)


def test_bad_counts_in_sweeps_and_frames_are_refused():
    with pytest.raises(ValueError, match="^modes: 0 is not a whole number from 1 to 100$"):
        tether.sweep(vmax=[50], modes=0)
    with pytest.raises(TypeError, match="modes must be a whole number or None, not float"):
        tether.sweep(vmax=[50], modes=1.5)
    with pytest.raises(ValueError, match="^modes: 101 is not"):
        tether.evaluate(pd.DataFrame({"vmax": [50.0]}), modes=101)
    assert tether.Design().modes(np.int64(2)).shape == (2, 2)


def test_the_command_lines_words_for_n(run_explore):
    status, _, err = run_explore("--modes", "0")
    with pytest.raises(ValueError) as caught:
        tether.Design().modes(0)
    assert status == 2
    assert err.splitlines()[0] == "tether-explore: --" + str(caught.value).replace(
        "n: ", "modes: ", 1)


def test_a_top_end_a_rounding_above_geo_is_refused_in_the_command_lines_words(run_explore,
                                                                             unstable_top):
    """Its counterweight's pull cancels to nothing: no face computes modes or masses for it."""
    status, out, err = run_explore("--set", f"rapex={unstable_top!r}", "--modes", "2",
                                   "--format", "csv")
    assert status == 2 and out == ""
    words = err.splitlines()[0].removeprefix("tether-explore: ")
    assert words.startswith(f"rapex = {unstable_top!r} km")
    with pytest.raises(tether.DesignError) as refused:
        tether.Design(rapex=unstable_top).modes(2)
    assert str(refused.value) == words
    status, out, err = run_explore("--sweep", f"rapex={unstable_top!r},60000,{unstable_top!r}",
                                   "--modes", "1", "--method", "integral", "--format", "csv")
    assert status == 2
    with pytest.raises(tether.DesignError) as refused:
        tether.sweep(rapex=[unstable_top, 60000, unstable_top], modes=1, method="integral")
    assert f"tether-explore: --sweep: {refused.value}" == err.splitlines()[0]
    frame = pd.DataFrame({"rapex": [60000.0, unstable_top]}, index=["fine", "top"])
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        got = tether.evaluate(frame, modes=1, errors="coerce", method="integral")
    assert got.loc["top", "problem"] == words
    assert got.loc["top", ["period_in_1", "period_out_1"]].isna().all()
    assert got.loc["fine", "period_in_1"] > 0


def test_high_modes_are_a_taut_strings():
    # A string whose waves run at c = sqrt(P / mu) everywhere: its k-th mode
    # has k - 1 half waves and more along the length L, and the spacing of
    # frequencies tends to pi c / L, so (k - 1) period_k tends to 2 L / c.
    d = tether.Design()
    length = (d.rapex - d.RE) * 1e3                              # m
    c = math.sqrt(d.strength / d.safety * 1e9 / d.density)      # m/s
    periods = d.modes(20)["period_in"]
    assert abs(19 * periods[20] / (2 * length / c / 3600) - 1) < 0.01
