"""Draws, their summary and their indices from Python against tether-explore's
bytes, over any jobs and shards, and Python's refusals naming the keyword."""
import io
import json
import warnings

import numpy as np
import pandas as pd
import pytest

import tether
from bits import csv_frame, same_bits

VARY = {"strength": "normal:12:15", "density": "uniform:1200:1400"}
ARGS = ["--vary", "strength=normal:12:15", "--vary", "density=uniform:1200:1400",
        "--method", "integral", "--figures", "time,system_mass,rgeo"]
KEYWORDS = dict(method="integral", figures=["time", "system_mass", "rgeo"])


def test_sample_is_the_command_lines_rows_on_any_jobs_and_shards(explore):
    frame = tether.sample(VARY, samples=300, seed=7, jobs=1, **KEYWORDS)
    wanted = csv_frame(explore(*ARGS, "--samples", "300", "--seed", "7", "--format", "csv"))
    assert list(frame.columns) == list(wanted.columns)
    numbers = [c for c in frame.columns if c != "reason"]
    same_bits(frame[numbers], wanted[numbers])
    assert frame["reason"].tolist() == wanted["reason"].fillna("").tolist()
    assert (frame["reason"] != "").sum() > 30  # strengths below 0 are rows too
    assert frame.attrs["seed"] == frame.attrs["key"] == 7 and frame.attrs["vary"] == VARY
    # key=, the seed's earlier name, the same.
    pd.testing.assert_frame_equal(tether.sample(VARY, samples=300, key=7, jobs=2, **KEYWORDS),
                                  frame)
    joined = pd.concat([tether.sample(VARY, samples=300, seed=7, shard=(k, 4), **KEYWORDS)
                        for k in range(1, 5)])
    pd.testing.assert_frame_equal(joined, frame)
    other = tether.sample(VARY, samples=300, seed=8, **KEYWORDS)
    assert not np.isin(other["strength"], frame["strength"]).any()


def test_summary_and_indices_are_the_command_lines(explore, run_explore):
    where = "time<110,system_mass>5000"
    s = tether.summary(VARY, samples=400, where=where, **KEYWORDS)
    status, out, _ = run_explore(*ARGS, "--samples", "400", "--summary", "--where", where,
                                 "--format", "json")
    assert status == 0
    lines = out.splitlines()
    meta = json.loads(lines[0])["metadata"]
    wanted = pd.read_json(io.StringIO("\n".join(lines[1:])), lines=True, dtype=False,
                          precise_float=True)
    assert s["figure"].tolist() == wanted["figure"].tolist()
    same_bits(s.drop(columns=["figure", "unit"]),
              wanted.drop(columns=["figure", "unit"]).astype(float))
    assert s.attrs["where"]["met"] == meta["where"]["met"]
    assert s.attrs["unbuilt"]["share"] == meta["unbuilt"]["share"] > 0
    rows = tether.sample(VARY, samples=400, **KEYWORDS)
    assert s.attrs["where"]["met"] == ((rows["time"] < 110) & (rows["system_mass"] > 5000)).sum()
    assert s.loc[0, "computed"] == rows["time"].notna().sum()

    x = tether.indices({"GM": "uniform:390000:410000", "strength": "uniform:30:60"},
                       samples=300, method="integral", figures=["rgeo", "time"])
    wanted = csv_frame(explore("--vary", "GM=uniform:390000:410000", "--vary",
                               "strength=uniform:30:60", "--samples", "300", "--indices",
                               "--method", "integral", "--figures", "rgeo,time",
                               "--format", "csv"))
    assert x[["figure", "parameter"]].values.tolist() == \
        wanted[["figure", "parameter"]].values.tolist()
    same_bits(x.iloc[:, 2:], wanted.iloc[:, 2:])


def test_indices_warn_as_the_command_line_and_count_the_rows_left_out(run_explore):
    with warnings.catch_warnings(record=True) as said:
        warnings.simplefilter("always")
        x = tether.indices({"strength": "normal:1:10"}, samples=200, method="integral",
                           figures=["time"])
    _, out, err = run_explore("--vary", "strength=normal:1:10", "--samples", "200", "--indices",
                              "--method", "integral", "--figures", "time", "--format", "json")
    assert x.attrs["left_out"] == json.loads(out.splitlines()[0])["metadata"]["left_out"]
    lines = [line.removeprefix("tether-explore: ") for line in err.splitlines()]
    assert [str(w.message) for w in said] == \
        [line.removeprefix("warning: ") for line in lines[:-1] if "rows left out" not in line]


@pytest.mark.parametrize("keywords, error, wanted", [
    (dict(vary={"strength": "gauss:1:2"}), ValueError,
     "vary['strength']: unknown distribution 'gauss'"),
    (dict(vary={"strength": "uniform:2:1"}), ValueError, "vary['strength']: LOW = 2 and HIGH = 1"),
    (dict(vary={"nosuch": "uniform:1:2"}), TypeError, "nosuch"),
    (dict(vary={"strength": 3.0}), TypeError, "vary[strength] must be a distribution's text"),
    (dict(vary={}), TypeError, "vary must be a dict"),
    (dict(samples=0), ValueError, "samples: '0': the number of draws must be a whole number"),
    (dict(samples=10**8), ValueError, "samples: '100000000'"),
    (dict(samples=2.5), TypeError, "samples must be a whole number, not float"),
    (dict(seed=-1), ValueError, "seed: '-1': a seed must be a whole number"),
    (dict(key=2**64), ValueError, "seed: '18446744073709551616'"),
    (dict(seed=True), TypeError, "seed must be a whole number, not bool"),
    (dict(seed=1, key=1), TypeError, "give seed or key (its earlier name), not both"),
])
def test_bad_draws_are_refused_naming_the_keyword(keywords, error, wanted):
    keywords = {"vary": {"strength": "uniform:30:40"}, **keywords}
    with pytest.raises(error) as raised:
        tether.sample(samples=keywords.pop("samples", 10), **keywords)
    assert wanted in str(raised.value)


def test_a_condition_names_a_figure():
    with pytest.raises(ValueError, match="where = 'tim<1': unknown figure 'tim'"):
        tether.summary({"strength": "uniform:30:40"}, samples=10, where="tim<1")
