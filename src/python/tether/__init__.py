"""The space-elevator tether and climber study, from Python.

A thin layer over the same C++ library as ``tether-study`` and
``tether-explore``: the same figures, to the last bit, at the same speed.

>>> import tether
>>> d = tether.Design(strength=50)           # GPa; every other parameter the study's
>>> d.figures()["time"]                      # hours to the top of the march
>>> tether.sweep(vmax="25:100:4")            # a pandas DataFrame, one row a design

Units are those of ``tether-explore --list`` (``tether.parameters()``) and
of its figures (``tether.figures_table()``).
"""

import collections
import sys


def _in_a_subinterpreter():
    for name in ("_interpreters", "_xxsubinterpreters"):
        try:
            interpreters = __import__(name)
        except ImportError:
            continue
        current, main = interpreters.get_current(), interpreters.get_main()
        ids = [x[0] if isinstance(x, tuple) else x for x in (current, main)]
        return ids[0] != ids[1]
    return False


# The extension's binding layer keeps state for one interpreter only: loaded
# in a subinterpreter it would wait for ever on the main one's lock.
if _in_a_subinterpreter():
    raise ImportError("tether cannot be imported in a subinterpreter: its compiled part "
                      "(pybind11) supports the main interpreter only")

# What the calls return is made by numpy and pandas: imported here, whole,
# so that a Ctrl-C early in a first sweep never lands inside their imports
# (which would leave them half imported for the rest of the session).
import numpy  # noqa: E402,F401
import pandas  # noqa: E402,F401

from . import _core  # noqa: E402
from ._core import Design, DesignError, DesignWarning  # noqa: E402

__all__ = ["Design", "DesignError", "DesignWarning", "Parameter", "evaluate",
           "figure_names", "figures_table", "indices", "parameters", "sample", "solve",
           "summary", "sweep"]

Parameter = collections.namedtuple("Parameter",
                                   "group name unit meaning default auto auto_rule")
Parameter.__doc__ = """One parameter of a design, as ``tether-explore --list`` shows it.

Attributes
----------
group : str
    planet, tether, climber, march or traffic.
name : str
    The keyword of Design and sweep, and the column name of evaluate.
unit : str
    Its unit, in ASCII ("km^3/s^2").
meaning : str
    A few words.
default : float or None
    The study's value; None where the study's is auto.
auto : bool
    Whether it may be None (auto): worked out by the library.
auto_rule : str or None
    What auto gives, in words; None where it may not be auto.
"""

Figure = collections.namedtuple("Figure", "name unit meaning")
Figure.__doc__ = """One headline figure: its name, unit and meaning."""


def parameters():
    """Every parameter of a design, grouped as ``tether-explore --list`` groups them.

    Returns
    -------
    list of Parameter
        In the library's order: planet, tether, climber, march, traffic,
        ribbon.

    Examples
    --------
    >>> [p.name for p in tether.parameters()][:3]
    ['GM', 'RE', 'tsid']
    """
    return [Parameter(*p) for p in _core.parameters()]


def figures_table(named=False):
    """The headline figures with their units and meanings.

    Parameters
    ----------
    named : bool
        Also the figures given only where asked for by name, as
        ``sweep(figures=["survival"])`` asks: the ribbon's survival and
        the swing a climb sets off.

    Returns
    -------
    list of Figure
        In tether-explore's column order, which figures() and sweep() keep;
        the named ones last.

    Examples
    --------
    >>> tether.figures_table()[0].unit
    'km'
    >>> tether.figures_table(named=True)[-8].name
    'survival'
    """
    return [Figure(*f) for f in _core.figure_columns(named=named)]


_NAMES = tuple(p.name for p in parameters())
_LOOSE = {n.casefold(): n for n in _NAMES}
_FIGURES = tuple(f.name for f in figures_table())


def figure_names():
    """The headline figures' names, in tether-explore's column order.

    Returns
    -------
    list of str
        The keys of Design.figures() and the figure columns of sweep() and
        evaluate().

    Examples
    --------
    >>> tether.figure_names()[:2]
    ['rgeo', 'yuri']
    """
    return list(_FIGURES)


def _base(base, call):
    if base is None:
        return Design()
    if not isinstance(base, Design):
        raise TypeError(f"{call}() base must be a tether.Design, not {type(base).__name__}")
    return base


def sweep(base=None, *, jobs=None, method=_core.default_method, modes=None, figures=None, **axes):
    """Every combination of the swept values, as a pandas DataFrame.

    Parameters
    ----------
    base : Design, optional
        The design whose other parameters every row keeps (default Design()).
    jobs : int, optional
        Threads that compute rows (default: every CPU this process may use).
    method : str, default DEFAULT_METHOD
        A method's name, as for Design.figures.
    modes : int, optional
        With 1 to MAX_MODES, the first ``modes`` oscillation modes' periods (h) as
        columns period_in_1 ... period_in_N, period_out_1 ... period_out_N,
        as ``--sweep ... --modes N``; None (the default) gives none.
    figures : list of str, optional
        The figures to compute, in this order, as ``--figures NAME,...``;
        None (the default) gives every one (figure_names(), with the modes').
    **axes
        One to three parameters (units as Design's) and their values: a list
        or 1-D array of numbers, or tether-explore's text ``"FROM:TO:N"``,
        ``"FROM:TO:N:log"`` or ``"V1,V2,..."``. The first keyword is
        outermost, as the first ``--sweep`` is.

    Returns
    -------
    pandas.DataFrame
        Columns: the swept parameters, then the figures (figure_names(),
        with the modes' periods); rows bit for bit those of
        ``tether-explore --sweep ... [--modes N] --format csv``.

    Raises
    ------
    DesignError
        For the first design that cannot be computed, named by its place and
        values; every design is checked before any is computed.
    ValueError
        For values tether-explore refuses, too large a grid, jobs outside 1
        to MAX_JOBS, or modes outside 1 to MAX_MODES.
    TypeError
        For an unknown parameter, values that are not numbers, or a jobs,
        method or modes of the wrong type.
    KeyboardInterrupt
        On Ctrl-C, which stops the sweep at once.

    Warns
    -----
    DesignWarning
        Once per kind, naming the first design it applies to and how many more;
        and once for the designs whose figures missed (NaN: a mode unstable
        or a period or integral short of its accuracy), naming the first, how
        many more, and why in tether-explore's words.

    Examples
    --------
    >>> tether.sweep(strength="30:60:4", vmax=[50, 100]).shape
    (8, 30)
    >>> tether.sweep(vmax=[50, 100], modes=2).columns[22:26].tolist()
    ['period_in_1', 'period_in_2', 'period_out_1', 'period_out_2']
    """
    import pandas as pd

    rows, columns = _core.sweep(_base(base, "sweep"), list(axes.items()), jobs, method, modes,
                                figures)
    return pd.DataFrame(rows, columns=columns)


def _parameter_columns(frame, figures):
    """The positions and names of the frame's parameter columns."""
    import pandas as pd

    if isinstance(frame.columns, pd.MultiIndex):
        raise TypeError("evaluate() takes a frame with one level of column names, not a "
                        "MultiIndex: a parameter's column is named by the parameter alone")
    taken = [c for c in frame.columns if c in figures or c == "problem"]
    if taken:
        raise ValueError(f"the frame already has columns named as figures: {taken}")
    found = {}
    for j, column in enumerate(frame.columns):
        if not isinstance(column, str):
            continue
        if column in _NAMES:
            if column in found:
                raise ValueError(f"two columns are named {column!r}: a parameter takes one")
            found[column] = j
            continue
        near = _LOOSE.get(column.strip().casefold())
        if near is not None:
            raise ValueError(f"column {column!r} names no parameter: did you mean {near!r}?")
    return found


def evaluate(frame, base=None, *, jobs=None, method=_core.default_method, errors="raise", modes=None,
             figures=None):
    """The figures of every row of a DataFrame, each row a design.

    Parameters
    ----------
    frame : pandas.DataFrame
        Columns named exactly after parameters (units as Design's) set them,
        and must hold real numbers (int or float, nullable ones included; NA,
        NaN and inf are bad values of their row); other columns are kept as
        they are.
    base : Design, optional
        The design whose other parameters every row keeps (default Design()).
    jobs : int, optional
        Threads that compute rows (default: every CPU this process may use).
    method : str, default DEFAULT_METHOD
        A method's name, as for Design.figures.
    errors : {"raise", "coerce"}, default "raise"
        "raise": DesignError for the first row that cannot be computed,
        naming its index label. "coerce": that row's figures are NaN, and a
        ``problem`` column holds each row's message, or None.
    modes : int, optional
        With 1 to MAX_MODES, the first ``modes`` oscillation modes' periods (h)
        appended as columns period_in_1 ... period_out_N, as sweep's; None
        (the default) gives none.
    figures : list of str, optional
        The figures to append, in this order, as for sweep; None (the
        default) appends every one.

    Returns
    -------
    pandas.DataFrame
        A new frame with the same index and columns, the figures appended
        (float64). An empty frame gives an empty frame with those columns.

    Raises
    ------
    DesignError
        For the first row that cannot be computed (errors="raise").
    TypeError
        For a parameter column that does not hold real numbers (naming it),
        or a MultiIndex of columns.
    ValueError
        For a column named as a figure, one that names a parameter but for
        case or blanks, two columns naming one parameter, or modes outside
        1 to MAX_MODES.

    Warns
    -----
    DesignWarning
        Once per kind, naming the first row's label and how many more; and
        once for the rows whose figures missed (NaN: a mode unstable or a
        period or integral short of its accuracy), naming the first row's
        label, how many more, and why in tether-explore's words. Such a row
        was computed, so with errors="coerce" its ``problem`` stays None.

    Examples
    --------
    >>> import pandas as pd
    >>> frame = pd.DataFrame({"vmax": [50.0, 100.0]}, index=["slow", "fast"])
    >>> tether.evaluate(frame)["time"].round(1).tolist()  # hours
    [201.8, 106.0]
    """
    import numpy as np
    import pandas as pd

    if errors not in ("raise", "coerce"):
        raise ValueError(f"errors must be 'raise' or 'coerce', not {errors!r}")
    base = _base(base, "evaluate")
    if not isinstance(frame, pd.DataFrame):
        raise TypeError(f"evaluate() takes a pandas DataFrame, not {type(frame).__name__}")
    asked = figures
    figures = [f[0] for f in _core.figure_columns(modes)] if figures is None else list(figures)
    found = _parameter_columns(frame, figures)
    table = np.empty((len(frame), len(found)), dtype=np.float64)
    for k, (name, j) in enumerate(found.items()):
        column = frame.iloc[:, j]
        if column.dtype.kind not in "iuf":
            raise TypeError(f"column {name!r} must hold numbers (int or float), "
                            f"not {column.dtype}")
        table[:, k] = column.to_numpy(dtype=np.float64, na_value=np.nan)
    values, problems = _core.evaluate(base, list(found), table,
                                      lambda i: repr(frame.index[i]), jobs, method,
                                      errors == "raise", modes, asked)
    out = frame.copy()
    for j, name in enumerate(figures):
        out[name] = values[:, j]
    if errors == "coerce":
        out["problem"] = pd.Series(problems, index=frame.index, dtype=object)
    return out


def solve(name, bracket, figure, value, base=None, *, jobs=None, **axes):
    """The value of a parameter at which a figure reaches a target.

    ``tether-explore --solve NAME=LOW:HIGH --for FIGURE=VALUE``: a search
    (TOMS 748) between the bracket's ends on the figure by the integral
    method, whose figures are smooth in the parameters, to 1e-12 of the
    value. Where the figure is not monotonic in the bracket, the answer is
    one of its crossings.

    Parameters
    ----------
    name : str
        The parameter sought (units as Design's).
    bracket : pair of float
        ``(low, high)``, low < high: the ends between which it is sought.
    figure : str
        A figure (figure_names()), computed by the integral method.
    value : float
        The figure's target, in its unit (figures_table()).
    base : Design, optional
        The design whose other parameters are kept (default Design()).
    jobs : int, optional
        Threads that solve grid points (default: every CPU this process may use).
    **axes
        Parameters to sweep, as for sweep (not name itself): a list or 1-D
        array of numbers, or ``"FROM:TO:N"``, ``"FROM:TO:N:log"`` or
        ``"V1,V2,..."``; the first keyword is outermost.

    Returns
    -------
    Design or pandas.DataFrame
        Without axes: base with name set to the solved value. With axes:
        columns the swept parameters, name, then the figures at the solved
        design; rows bit for bit those of ``tether-explore --solve ... --for
        ... --sweep ... --format csv``. A grid point without an answer has
        NaN in name and the figures, and a ``problem`` column holds each
        row's reason, or None.

    Raises
    ------
    DesignError
        Without axes, where there is no answer: the figure at the two ends
        does not straddle the target, it has no value at an end, or a design
        at an end cannot be computed (in tether-explore's words).
    ValueError
        For an unknown parameter or figure, low >= high, a value that is no
        finite number, name also swept, values tether-explore refuses, jobs
        outside 1 to MAX_JOBS; or, without axes, a search that ran out of
        evaluations.
    TypeError
        For an argument of the wrong type (naming it), an unknown swept
        parameter, or base that is no Design.
    KeyboardInterrupt
        On Ctrl-C, which stops the search at once.

    Warns
    -----
    DesignWarning
        For figures to read with care at the solved designs: once per kind,
        naming the first grid point it applies to and how many more.

    Examples
    --------
    The tether's strength (GPa) that gives a climb of 110 hours, from 27 GPa,
    where the tether's foot first holds the climber:

    >>> d = tether.solve("strength", (27, 300), "time", 110, tether.Design(rhog=None))
    >>> round(d.strength, 2)
    42.77

    The strength a 72-hour climb needs, against the climber's top speed (m/s):

    >>> frame = tether.solve("strength", (27, 300), "time", 72,
    ...                      tether.Design(rhog=None), vmax="160:300:8")
    >>> frame["strength"].round(1).tolist()
    [36.3, 46.4, 55.3, 63.5, 71.1, 78.3, 85.0, 91.3]
    """
    import pandas as pd

    result = _core.solve(_base(base, "solve"), name, bracket, figure, value,
                         list(axes.items()), jobs)
    if not axes:
        return result
    rows, columns, problems = result
    out = pd.DataFrame(rows, columns=columns)
    out["problem"] = pd.Series(problems, index=out.index, dtype=object)
    return out


def _vary(vary):
    if not isinstance(vary, dict) or not vary:
        raise TypeError("vary must be a dict of parameters' names and distributions' texts, "
                        "as {'strength': 'lognormal:35:1.5'}")
    return list(vary.items())


def _seed(seed, key):
    if key is None:
        return 1 if seed is None else seed
    if seed is not None:
        raise TypeError("give seed or key (its earlier name), not both")
    return key


def sample(vary, base=None, *, samples=1000, seed=None, key=None, method=_core.default_method,
           jobs=None, modes=None, figures=None, shard=None):
    """Designs drawn over uncertain parameters, a row per draw.

    ``tether-explore --vary NAME=DIST ... --samples N --seed S --format csv``.

    Parameters
    ----------
    vary : dict
        Each varied parameter's name and its distribution's text:
        ``"normal:MEAN:SD"``, ``"lognormal:MEDIAN:FACTOR"`` (MEDIAN x
        FACTOR^Z, Z standard normal), ``"uniform:LOW:HIGH"`` or
        ``"triangular:LOW:MODE:HIGH"``.
    base : Design, optional
        The design whose other parameters every draw keeps (default Design()).
    samples : int, default 1000
        The number of draws, 1 to 10**7.
    seed : int, default 1
        The number that picks the draws, 0 to 2**64 - 1: draw k depends on
        the seed and k alone.
    key : int, optional
        seed by its earlier name (not with seed).
    method, jobs, modes, figures
        As for sweep.
    shard : tuple of int, optional
        (K, N): only shard K of N of the draws, as ``--shard K/N``; the
        shards' frames concatenated are the whole frame.

    Returns
    -------
    pandas.DataFrame
        Columns ``draw``, the varied parameters, the figures and ``reason``
        (why the draw is no design, or ""), indexed by the draw's number;
        ``attrs`` holds the seed (and as ``key``), samples, method and
        distributions. The rows
        are bit for bit tether-explore's.

    Warns
    -----
    DesignWarning
        Once per kind of note, naming the first draw and how many more.

    Examples
    --------
    >>> frame = tether.sample({"strength": "lognormal:35:1.5"}, samples=100, figures=["time"])
    >>> frame.shape, frame.attrs["seed"]
    ((100, 4), 1)
    """
    import pandas as pd

    shard_text = "1/1" if shard is None else "/".join(str(int(x)) for x in shard)
    rows, columns, reasons, begin, attrs = _core.sample(
        _base(base, "sample"), _vary(vary), samples, _seed(seed, key), jobs, method, modes, figures,
        shard_text)
    out = pd.DataFrame(rows, columns=columns, index=pd.RangeIndex(begin, begin + len(rows)))
    out["draw"] = out["draw"].astype("int64")
    out["reason"] = pd.Series(reasons, index=out.index, dtype=object)
    out.attrs.update(attrs)
    return out


def summary(vary, base=None, *, samples=1000, seed=None, key=None, method=_core.default_method,
            jobs=None, modes=None, figures=None, where=None):
    """Each figure's summary over the draws, as ``--summary``.

    Parameters as for sample; ``where`` as ``--where``: "FIGURE<VALUE" or
    "FIGURE>VALUE", or several separated by commas, all to hold.

    Returns
    -------
    pandas.DataFrame
        A row per figure: figure, unit (of mean to max), computed, mean, sd,
        p5, p50, p95, min, max and unbuilt (the share of draws that are no
        design); ``attrs`` holds sample's and the shares: ``unbuilt``,
        ``warnings`` (one dict per kind of note with its text), ``missed``
        (the draws with a figure that missed) and, with where, ``where``,
        each a dict of met, of, share and its 95 % interval low to high.

    Warns
    -----
    DesignWarning
        For each kind of note, with the share of the draws it concerns.
    """
    return _core.summary(_base(base, "summary"), _vary(vary), samples, _seed(seed, key), jobs,
                         method, modes, figures, where)


def indices(vary, base=None, *, samples=1000, seed=None, key=None, method=_core.default_method,
            jobs=None, modes=None, figures=None):
    """Which varied parameter drives each figure's spread, as ``--indices``.

    Sobol's first-order and total-effect indices by Saltelli's design of
    ``samples`` x (k + 2) designs, with 95 % bootstrap intervals (see
    docs/uncertainty.md). Parameters as for sample.

    Returns
    -------
    pandas.DataFrame
        A row per figure and varied parameter: figure, parameter, first,
        first_low, first_high, total, total_low and total_high; ``attrs``
        holds sample's and ``left_out``, each figure's rows left out (one of
        their designs gave no value).

    Warns
    -----
    DesignWarning
        Once per kind of note, naming the first design and how many more; for
        the designs that missed; for a figure whose indices cannot be trusted
        (one row carries most of its variance, or an index lies far outside
        [0, 1]), saying why.
    """
    return _core.indices(_base(base, "indices"), _vary(vary), samples, _seed(seed, key), jobs,
                         method, modes, figures)


for _call in (sweep, evaluate, solve):
    _call.__doc__ = _call.__doc__.replace("MAX_MODES", str(_core.max_modes)).replace(
        "MAX_JOBS", str(_core.max_jobs)).replace("DEFAULT_METHOD", repr(_core.default_method))


def _table(rows):
    return "\n".join(f"    {name:<12}{unit:<10}{meaning}" for name, unit, meaning in rows)


__doc__ += "\nParameters (Design's keywords)::\n\n" + _table(
    (p.name, p.unit, p.meaning) for p in parameters()) + \
    "\n\nFigures (figure_names())::\n\n" + _table(figures_table()) + "\n"
