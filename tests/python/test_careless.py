"""What a careless user meets: values of the wrong kind, names nearly
right, strange bytes and numbers, refused in the command line's words or
with a TypeError naming the argument; warnings as tether-explore gives them."""
import datetime
import os
import pickle
import signal
import subprocess
import sys
import textwrap
import time
import warnings

import numpy as np
import pandas as pd
import pytest

import tether


def explore_error(build, *args):
    """tether-explore's message for refused arguments, without its name."""
    done = subprocess.run([str(build / "tether-explore"), *args], capture_output=True, text=True)
    assert done.returncode == 2
    return done.stderr.splitlines()[0].split(": ", 1)[1]


def explore_warnings(build, *args):
    done = subprocess.run([str(build / "tether-explore"), *args], capture_output=True, text=True,
                          check=True)
    return [line.split(": warning: ", 1)[1] for line in done.stderr.splitlines()]


def test_the_design_is_the_librarys_bound_type():
    d = tether.Design(planet="mars", rhog="auto", vmax=50)
    assert type(d) is tether._core.Design and tether.Design.__module__ == "tether"
    assert [getattr(d, p.name) for p in tether.parameters()] == list(d.__getstate__())
    assert pickle.loads(pickle.dumps(d, protocol=2)) == d
    assert hash(pickle.loads(pickle.dumps(d))) == hash(d)
    assert not hasattr(d, "warning") and not hasattr(tether, "_AUTO")
    with pytest.raises(AttributeError):
        d.colour = "red"
    rhog = next(p for p in tether.parameters() if p.name == "rhog")
    assert rhog.auto and "density" in rhog.auto_rule
    assert all(p.auto_rule is None for p in tether.parameters() if not p.auto)


@pytest.mark.parametrize("value,text", [(float("inf"), "inf"), (float("-inf"), "-inf"),
                                        ("fast", "fast"), (10**400, None)])
def test_numbers_are_read_as_the_command_line_reads_them(build, value, text):
    text = str(value) if text is None else text
    with pytest.raises(ValueError) as caught:
        tether.Design(vmax=value)
    wanted = explore_error(build, "--set", f"vmax={text}")
    # Past the command line's "--set vmax=TEXT: ", the same words.
    assert str(caught.value) == f"vmax = {text[:40]}{'...' if len(text) > 40 else ''}: " + \
        wanted.split(": ", 1)[1]
    assert "NaN" not in str(caught.value)


def test_big_whole_numbers_are_beyond_the_largest():
    with pytest.raises(ValueError, match="is beyond the largest number, about 1.8e308"):
        tether.Design(strength=10**400)
    assert tether.Design(strength=np.int64(50)) == tether.Design(strength=50.0)


@pytest.mark.parametrize("call,words", [
    (lambda: tether.Design(vmax=[1]), "vmax must be a number, not list"),
    (lambda: tether.Design(ztop=1j), "ztop must be a number, None or 'auto', not complex"),
    (lambda: tether.Design(planet=3), "planet must be a name"),
    (lambda: tether.Design("earth", "mars"), "the planet alone by position"),
    (lambda: tether.sweep(vmax=[1], jobs="2"), "jobs must be a whole number"),
    (lambda: tether.sweep(vmax=[1], method=3), "method must be a name, march or integral, not int"),
    (lambda: tether.Design().figures(method=None), "method must be a name"),
    (lambda: tether.sweep(vmax=[True, False]), "vmax: values as a list or array of numbers"),
    (lambda: tether.Design.from_file(3), "path must be a file name"),
    (lambda: tether.Design().modes(3, 4), "modes() takes one argument, n, the number of modes: 2"),
    (lambda: tether.Design().mode_shapes(m=3), "mode_shapes() has no argument m"),
])
def test_wrong_kinds_of_argument_are_named(call, words):
    with pytest.raises(TypeError) as caught:
        call()
    assert words in str(caught.value)
    assert "incompatible function arguments" not in str(caught.value)


def test_a_design_file_with_a_stray_byte_names_the_line(build, tmp_path):
    path = tmp_path / "bad.design"
    path.write_bytes(b"dz = 0.25\nvmax = 5\xff\n")
    with pytest.raises(ValueError) as caught:
        tether.Design.from_file(path)
    assert str(caught.value).endswith(":2: vmax = 5\\xff: not a finite number")
    assert str(caught.value) == explore_error(build, "--config", str(path))
    with pytest.raises(ValueError, match="embedded NUL"):
        tether.Design.from_file(str(path) + "\0.txt")
    with pytest.raises(OSError) as caught:
        tether.Design.from_file(tmp_path / "none")
    assert caught.value.errno == 2


def test_sweep_axes_keep_the_keywords_order(explore):
    got = tether.sweep(vmax="50:100:3", strength=[40, 30], jobs=2)
    wanted = pd.read_csv(__import__("io").StringIO(
        explore("--sweep", "vmax=50:100:3", "--sweep", "strength=40,30", "--format", "csv")),
        float_precision="round_trip")
    assert list(got.columns[:2]) == ["vmax", "strength"] == list(wanted.columns[:2])
    assert got["vmax"].tolist() == [50, 50, 75, 75, 100, 100]
    assert np.array_equal(got.to_numpy(), wanted.to_numpy(), equal_nan=True)


def test_warnings_are_the_command_lines_once_per_call(build):
    args = ["--planet", "mars", "--sweep", "strength=100,150,200"]
    with warnings.catch_warnings(record=True) as seen:
        warnings.simplefilter("always")
        tether.sweep(tether.Design(planet="mars"), strength=[100, 150, 200])
    assert [str(w.message) for w in seen] == explore_warnings(build, *args)
    assert all(w.category is tether.DesignWarning for w in seen)
    with warnings.catch_warnings(record=True) as seen:
        warnings.simplefilter("always")
        tether.Design(planet="mars").figures()
        tether.Design(planet="mars").report()
    assert [str(w.message) for w in seen] == 2 * explore_warnings(build, "--planet", "mars")
    assert all(w.filename == __file__ for w in seen)


VMAX = [50.0, 100.0]


@pytest.mark.parametrize("column,kind", [
    (pd.to_datetime(["2024-01-01", "2024-01-02"]), "datetime64"),
    (pd.to_timedelta([1, 2], unit="s"), "timedelta64"),
    (np.array([50 + 1j, 100 + 0j]), "complex"),
    (["50", "100"], "object"),
    ([True, False], "bool"),
    (pd.array([True, False], dtype="boolean"), "boolean"),
])
def test_evaluate_refuses_columns_that_hold_no_real_numbers(column, kind):
    with pytest.raises(TypeError, match=rf"column 'vmax' must hold numbers .*not {kind}"):
        tether.evaluate(pd.DataFrame({"vmax": column}))


@pytest.mark.parametrize("name", ["vmax ", "VMAX", " Vmax"])
def test_evaluate_asks_about_names_nearly_a_parameters(name):
    with pytest.raises(ValueError, match=f"did you mean 'vmax'"):
        tether.evaluate(pd.DataFrame({name: VMAX}))


def test_evaluate_refuses_a_multiindex_and_two_columns_of_one_parameter():
    frame = pd.DataFrame([[50.0, 1.0]], columns=pd.MultiIndex.from_tuples(
        [("vmax", ""), ("a", "b")]))
    with pytest.raises(TypeError, match="MultiIndex"):
        tether.evaluate(frame)
    twice = pd.DataFrame([[50.0, 60.0]], columns=["vmax", "vmax"])
    with pytest.raises(ValueError, match="two columns are named 'vmax'"):
        tether.evaluate(twice)


def test_evaluate_reads_nullable_numbers_and_says_inf():
    plain = tether.evaluate(pd.DataFrame({"vmax": VMAX + [100.0, 100.0]}))
    frame = pd.DataFrame({"vmax": pd.array([50, 100, None, 100], dtype="Int64"),
                          "dz": pd.array([0.125, 0.125, 0.125, np.inf], dtype="Float64")})
    got = tether.evaluate(frame, errors="coerce")
    names = tether.figure_names()
    assert np.array_equal(got[names].to_numpy()[:2], plain[names].to_numpy()[:2],
                          equal_nan=True)
    assert got["problem"].tolist() == [None, None, "vmax = NaN: not a finite number",
                                       "dz = inf: not a finite number"]
    with pytest.raises(tether.DesignError, match=r"^row 3: dz = inf: not a finite number$"):
        tether.evaluate(frame.iloc[[0, 3]])


def run_python(code, timeout):
    return subprocess.run([sys.executable, "-c", textwrap.dedent(code)], capture_output=True,
                          text=True, timeout=timeout, env=os.environ)


def test_a_subinterpreter_is_refused_at_once():
    pytest.importorskip("_xxsubinterpreters")
    done = run_python("""
        import _xxsubinterpreters as interpreters
        one = interpreters.create()
        try:
            interpreters.run_string(one, "import tether")
        except Exception as e:
            print(e)
        """, timeout=30)
    assert "ImportError" in done.stdout and "subinterpreter" in done.stdout, done


def test_ctrl_c_is_heard_in_a_sweep_of_ten_million_designs():
    # Hours of work: the call must end within seconds of Ctrl-C, wherever
    # it is (the grid read and checked, or the designs computed).
    proc = subprocess.Popen(
        [sys.executable, "-c", textwrap.dedent("""
            import sys, tether
            try:
                # Inside the try: a Ctrl-C that a loaded machine delivers
                # before the sweep has begun is heard too.
                print('started', flush=True)
                tether.sweep(vmax='1:100:10000000', jobs=2)
            except KeyboardInterrupt:
                print('interrupted', flush=True)
                sys.exit(0)
            sys.exit(1)
            """)], stdout=subprocess.PIPE, text=True, env=os.environ)
    try:
        assert proc.stdout.readline() == "started\n"
        time.sleep(0.3)
        proc.send_signal(signal.SIGINT)
        assert proc.wait(timeout=20) == 0
        assert proc.stdout.read() == "interrupted\n"
    finally:
        proc.kill()
