"""The Python package against tether-explore and tether-study, bit for bit,
and against the behaviour its users expect of a pandas-shaped library."""
import copy
import pickle
import subprocess

import numpy as np
import pandas as pd
import pytest

import tether
from bits import csv_frame, same_bits


DESIGNS = [
    ({}, []),
    ({"planet": "mars"}, ["--planet", "mars"]),
    ({"strength": 70.2, "rhog": None}, ["--set", "strength=70.2", "--set", "rhog=auto"]),
    ({"vmax": 1e9, "ztop": 20000}, ["--set", "vmax=1e9", "--set", "ztop=20000"]),
]


@pytest.mark.parametrize("method", ["march", "integral"])
@pytest.mark.parametrize("params,args", DESIGNS)
def test_figures_are_the_command_lines(explore, params, args, method):
    wanted = csv_frame(explore(*args, "--format", "csv", "--method", method))
    got = tether.Design(**params).figures(method=method)
    assert list(got) == list(wanted.columns) == tether.figure_names()
    same_bits(list(got.values()), wanted.iloc[0].to_numpy())


def test_sweeps_are_the_command_lines_rows(explore):
    wanted = csv_frame(explore("--sweep", "strength=0.78:130:7:log", "--sweep", "vmax=50,100",
                               "--set", "rhog=auto", "--format", "csv"))
    got = tether.sweep(tether.Design(rhog=None), strength="0.78:130:7:log",
                       vmax=np.array([50.0, 100.0]), jobs=3)
    assert list(got.columns) == list(wanted.columns)
    same_bits(got.to_numpy(), wanted.to_numpy())
    integral = tether.sweep(vmax=[25, 75], method="integral", jobs=1)
    same_bits(integral.to_numpy(),
              csv_frame(explore("--sweep", "vmax=25,75", "--method", "integral",
                                "--format", "csv")).to_numpy())


def test_ascent_report_and_listing_are_the_programs(explore, build):
    d = tether.Design(planet="mars", vmax=50)
    args = ["--planet", "mars", "--set", "vmax=50"]
    wanted = csv_frame(explore(*args, "--ascent", "--format", "csv"))
    got = d.ascent()
    assert list(got.columns) == list(wanted.columns)
    same_bits(got.to_numpy(), wanted.to_numpy())
    study = subprocess.run([str(build / "tether-study")], capture_output=True, text=True).stdout
    assert tether.Design().report() == study
    assert d.report() == explore(*args, "--report")
    assert str(d) == explore(*args, "--list")


def test_a_listing_reads_back_to_an_equal_design(explore, tmp_path):
    d = tether.Design(planet="mars", strength=50, rhog=None, dz=0.25, rowdz=25)
    path = tmp_path / "mars.design"
    path.write_text(str(d))
    assert tether.Design.from_file(path) == d
    same_bits(list(tether.Design.from_file(str(path)).figures().values()),
              list(d.figures().values()))
    same_bits(list(d.figures().values()),
              csv_frame(explore("--config", str(path), "--format", "csv")).iloc[0].to_numpy())


def test_designs_are_values():
    d = tether.Design(vmax=50, ztop="auto")
    assert d == tether.Design(vmax=50.0) and d != tether.Design()
    assert d.vmax == 50 and d.ztop is None and d.rhog == 0.01365
    assert repr(d) == "tether.Design(vmax=50.0)"
    assert eval(repr(d), {"tether": tether}) == d
    assert pickle.loads(pickle.dumps(d)) == d and copy.deepcopy(d) == d
    assert d.replace(vmax=100) == tether.Design() and d.vmax == 50
    with pytest.raises(AttributeError):
        d.vmax = 1
    assert {d: 1}[tether.Design(vmax=50)] == 1


@pytest.mark.parametrize("call,error,words", [
    (lambda: tether.Design(strength="abc"), ValueError, "strength = abc: not a finite number"),
    (lambda: tether.Design(strength=[1, 2]), TypeError, "not list"),
    (lambda: tether.Design(vmax=True), TypeError, "not bool"),
    (lambda: tether.Design(vmax=float("nan")), ValueError, "not a finite number"),
    (lambda: tether.Design(vmax=float("inf")), ValueError, "not a finite number"),
    (lambda: tether.Design(vmax=None), ValueError, "only tsid, rhog, ztop, interval and payload may be auto"),
    (lambda: tether.Design(colour=1), TypeError, "'colour'"),
    (lambda: tether.Design(planet="venus"), ValueError, "unknown planet; known: earth, mars, moon-l1, moon-l2"),
    (lambda: tether.Design(vmax=-1).check(), tether.DesignError,
     "vmax = -1 m/s: must be greater than 0"),
    (lambda: tether.Design(strength=0.3).figures(), tether.DesignError,
     "strength = 0.3 GPa and rapex = 3e+05 km: too low for the apex"),
    (lambda: tether.Design(dz=0.3).report(), tether.DesignError,
     "rowdz = 20 km (the default) is not a whole multiple of dz = 0.3 km"),
    (lambda: tether.Design().figures(method="simpson"), ValueError, "march or integral"),
    (lambda: tether.Design.from_file("/nonexistent"), OSError, "No such file or directory"),
    (lambda: tether.Design.from_file("/tmp"), OSError, "Is a directory"),
    (lambda: tether.sweep(vmax="1:2:0"), ValueError, "N = 0: the number of values"),
    (lambda: tether.sweep(vmax=[50, -1]), tether.DesignError,
     "design 2 of 2 (vmax=-1): vmax = -1 m/s: must be greater than 0"),
    (lambda: tether.sweep(speed=[1]), TypeError, "'speed'"),
    (lambda: tether.sweep(vmax=5), TypeError, "not int"),
    (lambda: tether.sweep(vmax=[1], jobs=5000), ValueError, "jobs: 5000 is out of range"),
    (lambda: tether.Design("moon-l1").report(), ValueError, "report() is the study of a planet"),
    (lambda: tether.evaluate(pd.DataFrame({"time": [1.0]})), ValueError, "figures"),
    (lambda: tether.evaluate(pd.DataFrame({"vmax": ["x"]})), TypeError, "must hold numbers"),
])
def test_bad_input_is_refused_in_the_explorers_words(call, error, words):
    with pytest.raises(error) as caught:
        call()
    assert words in str(caught.value)


def test_design_errors_name_the_parameter_or_none():
    with pytest.raises(tether.DesignError) as caught:
        tether.Design(vmax=-1).check()
    assert (caught.value.parameter, caught.value.reason) == ("vmax", "must be greater than 0")
    with pytest.raises(tether.DesignError) as caught:
        tether.Design(fextra=1e-11).check()
    assert caught.value.parameter is None
    again = pickle.loads(pickle.dumps(caught.value))
    assert (str(again), again.parameter) == (str(caught.value), None)
    assert isinstance(caught.value, ValueError)


def test_evaluate_keeps_the_frame_and_coerces_bad_rows(explore):
    frame = pd.DataFrame({"vmax": [50.0, -1.0, np.nan, 100.0], "note": list("abcd")},
                         index=[10, 20, 30, 40])
    got = tether.evaluate(frame, errors="coerce", jobs=2)
    assert list(got.index) == [10, 20, 30, 40] and list(frame.columns) == ["vmax", "note"]
    assert list(got.columns) == ["vmax", "note"] + tether.figure_names() + ["problem"]
    assert got["problem"].tolist()[0] is None and got["problem"].tolist()[3] is None
    assert got["problem"][20] == "vmax = -1 m/s: must be greater than 0"
    assert got["problem"][30] == "vmax = NaN: not a finite number"
    assert got.loc[[20, 30], tether.figure_names()].isna().all().all()
    wanted = csv_frame(explore("--sweep", "vmax=50,100", "--format", "csv"))
    same_bits(got.loc[[10, 40], tether.figure_names()].to_numpy(),
              wanted[tether.figure_names()].to_numpy())
    with pytest.raises(tether.DesignError, match=r"^row 20: vmax = -1 m/s") as caught:
        tether.evaluate(frame)
    assert caught.value.parameter == "vmax"
    empty = tether.evaluate(frame.iloc[:0])
    assert list(empty.columns) == ["vmax", "note"] + tether.figure_names()
    assert (empty[tether.figure_names()].dtypes == np.float64).all()


def test_parameters_are_listed_as_the_explorer_groups_them():
    params = tether.parameters()
    assert [p.name for p in params][:3] == ["GM", "RE", "tsid"]
    assert {p.group for p in params} == {"planet", "tether", "climber", "march", "traffic",
                                          "ribbon"}
    ztop = next(p for p in params if p.name == "ztop")
    assert ztop.default is None and ztop.auto and ztop.unit == "km"


def test_figures_to_read_with_care_come_as_design_warnings():
    import warnings
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        tether.Design().figures()
        tether.Design().figures(method="integral")
    heavy = tether.Design(strength=150)
    with pytest.warns(tether.DesignWarning, match="tether_mass = -140.217 t is negative") as seen:
        figures = heavy.figures()
    assert [str(w.message).split()[0] for w in seen] == ["rhog", "tether_mass"]
    assert f"mapex = {figures['mapex']:.6g} t" in str(seen[1].message)
    assert f"total_mass = {figures['total_mass']:.6g} t" in str(seen[1].message)
    with pytest.warns(tether.DesignWarning, match=r"^design 2 of 3 \(strength=150\) and 1 more: "):
        tether.sweep(strength=[100, 150, 200])
    frame = pd.DataFrame({"strength": [100, 150, 200]}, index=["a", "b", "c"])
    with pytest.warns(tether.DesignWarning, match=r"^row 'b' and 1 more: tether_mass"):
        tether.evaluate(frame)
    with pytest.warns(tether.DesignWarning, match=r'first point alone .*\(method="integral"\)$'):
        tether.Design(ztop=0.1, rhog=None).figures()
    with pytest.warns(tether.DesignWarning, match=r'^design 1 of 2 .* min_interval is .*\(method="integral"\)$'):
        tether.sweep(tether.Design(rhog=None), vmax=[100, 200], figures=["time", "min_interval"])
