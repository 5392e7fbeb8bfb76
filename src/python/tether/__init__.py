"""The space-elevator tether and climber study, from Python.

A thin layer over the same C++ library as ``tether-study`` and
``tether-explore``: the same figures, to the last bit, at the same speed.

>>> import tether
>>> d = tether.Design(strength=50)           # GPa; every other parameter the study's
>>> d.figures()["time"]                      # hours to the top of the march
>>> tether.sweep(vmax="25:100:4")            # a pandas DataFrame, one row a design

Units are those of ``tether-explore --list``: km, s, GPa, kg/m^3, mm^2, kg/m,
kg, N, m/s; figures in km, MJ/kg, mm^2, t (tonnes) and h (hours).
"""

import collections
import math
import numbers
import warnings

from . import _core

__all__ = ["Design", "DesignError", "DesignWarning", "Parameter", "evaluate",
           "figure_names", "parameters", "sweep"]

_AUTO = ("ztop", "rhog")  # may be None ("auto"): worked out by the program


class DesignError(ValueError):
    """A design that cannot give the study's figures.

    ``parameter`` names the parameter at fault (None where two are at fault
    together, or none in particular) and ``reason`` says why; the text is
    tether-explore's message without the program's name.
    """

    def __init__(self, message, parameter=None, reason=None):
        super().__init__(message)
        self.parameter = parameter
        self.reason = reason

    def __reduce__(self):
        return (DesignError, (str(self), self.parameter, self.reason))


class DesignWarning(UserWarning):
    """Figures to read with care: a negative tether_mass, a march far from
    converged, a linear density that departs from its material's. The text
    is tether-explore's warning without the program's name."""


def _warn(notes, stacklevel=3):
    for text in notes:
        warnings.warn(text, DesignWarning, stacklevel=stacklevel)


Parameter = collections.namedtuple("Parameter", "group name unit meaning default auto")
Parameter.__doc__ = """One parameter of a design: its group (planet, tether, climber,
march), name, unit, meaning, the study's value (None where auto) and whether
it may be auto."""


def parameters():
    """Every parameter of a design, grouped as ``tether-explore --list`` groups them."""
    return [Parameter(*p) for p in _core.parameters()]


_NAMES = tuple(p.name for p in parameters())


def figure_names():
    """The 12 headline figures, in tether-explore's column order."""
    return list(_core.figure_names())


def _number(name, value):
    """A parameter's value as the library takes it: a float, or None for auto."""
    if value is None or (isinstance(value, str) and value == "auto"):
        if name not in _AUTO:
            raise ValueError(f"{name} = auto: not a finite number (only ztop and rhog may be auto)")
        return None
    if isinstance(value, bool) or not isinstance(value, numbers.Real):
        raise TypeError(f"{name} must be a number (or, for ztop and rhog, None or 'auto'), "
                        f"not {type(value).__name__}")
    v = float(value)
    if not math.isfinite(v):
        raise ValueError(f"{name} = {value}: not a finite number")
    return v


class Design:
    """A design of the tether and its climber, as a value.

    ``Design(planet=None, **params)``: the study's design, then the planet's
    preset (``"earth"`` or ``"mars"``: GM, RE and tsid), then each keyword, a
    parameter by its ``--list`` name:

    ==========  ==========  ==============================================
    GM          km^3/s^2    the planet's gravitational parameter
    RE          km          equatorial radius
    tsid        s           sidereal day
    rapex       km          radius of the tether's top end
    strength    GPa         tensile strength
    density     kg/m^3      density
    csgeo       mm^2        cross-section at GEO
    modulus     GPa         Young's modulus
    rhog        kg/m        linear density at the surface (None: the material's)
    mclimb      kg          climber mass
    fextra      N           drive force beyond the surface weight
    vmax        m/s         top speed
    dz          km          step between march points
    ztop        km          highest march point (None: 19 km below GEO)
    rowdz       km          spacing of the ascent table's rows
    ==========  ==========  ==============================================

    Attributes of the same names are read-only (None where auto). Designs are
    equal when every parameter is; ``str(d)`` is ``tether-explore --list``'s
    text, which ``Design.from_file`` and ``tether-explore --config`` read back.
    """

    __slots__ = ("_values",)

    def __init__(self, planet=None, **params):
        values = dict(_core.defaults())
        if planet is not None:
            if not isinstance(planet, str):
                raise TypeError(f"planet must be a name, not {type(planet).__name__}")
            values.update(_core.planet(planet))
        for name, value in params.items():
            if name not in values:
                raise TypeError(f"Design() got an unexpected keyword argument '{name}' "
                                f"(tether.parameters() lists them)")
            values[name] = _number(name, value)
        object.__setattr__(self, "_values", values)

    @classmethod
    def _of(cls, values):
        d = cls.__new__(cls)
        object.__setattr__(d, "_values", dict(values))
        return d

    @classmethod
    def from_file(cls, path):
        """Reads a design file of ``name = value`` lines as ``tether-explore --config`` does.

        Raises OSError for a file that cannot be read, ValueError (with
        ``file:line``) for a line that cannot be applied.
        """
        return cls._of(_core.from_file(str(path)))

    def __getattr__(self, name):
        values = object.__getattribute__(self, "_values")
        if name in values:
            return values[name]
        raise AttributeError(f"'Design' object has no attribute '{name}'")

    def __setattr__(self, name, value):
        raise AttributeError("a Design is a value: use d.replace(...) for a changed one")

    def replace(self, **changes):
        """A new design with these parameters changed (keywords as for Design)."""
        values = dict(self._values)
        for name, value in changes.items():
            if name not in values:
                raise TypeError(f"replace() got an unexpected keyword argument '{name}'")
            values[name] = _number(name, value)
        return Design._of(values)

    def __eq__(self, other):
        if not isinstance(other, Design):
            return NotImplemented
        return self._values == other._values

    def __hash__(self):
        return hash(tuple(self._values.items()))

    def __repr__(self):
        default = dict(_core.defaults())
        changed = [f"{k}={v!r}" for k, v in self._values.items() if v != default[k]]
        return f"tether.Design({', '.join(changed)})"

    def __str__(self):
        return _core.listing(list(self._values.items()))

    def __getstate__(self):
        return dict(self._values)

    def __setstate__(self, state):
        object.__setattr__(self, "_values", dict(state))

    def __reduce__(self):
        return (Design._of, (dict(self._values),))

    def __copy__(self):
        return self

    def __deepcopy__(self, memo):
        return self

    def _items(self):
        return list(self._values.items())

    def check(self):
        """Raises DesignError where the design cannot give the headline figures."""
        _core.check(self._items(), False)

    def warning(self):
        """Where rhog departs from density times the cross-section at RE by more
        than 1 %, a sentence that says so (rhog=None makes them agree); else None."""
        return _core.warning(self._items())

    def figures(self, method="march"):
        """The 12 headline figures as a dict, in tether-explore's column order.

        ``method="march"`` sums over the march's points (what the report
        prints); ``"integral"`` gives the integrals those sums approximate.
        Units: rgeo km, yuri MJ/kg, taper_re and taper_apex 1, cs_re and
        cs_apex mm^2, mapex, mre, tether_mass and total_mass t, time h,
        cap_alt km (nan where the top speed never caps the climber).
        """
        values, notes = _core.figures(self._items(), method)
        _warn(notes)
        return dict(zip(_core.figure_names(), values))

    def ascent(self):
        """The climber at every row of the ascent table, as a pandas DataFrame:
        alt (km), taper (1), grav (m/s^2), power (MW), speed (m/s), time (h),
        surplus (MW), as ``tether-explore --ascent`` prints them."""
        import pandas as pd

        names, rows, notes = _core.ascent(self._items())
        _warn(notes)
        return pd.DataFrame(rows, columns=names)

    def report(self):
        """The study's report as text; for Design(), exactly what tether-study prints."""
        text, notes = _core.report(self._items())
        _warn(notes)
        return text


def _axis(name, given):
    if name not in _NAMES:
        raise TypeError(f"sweep() got an unexpected keyword argument '{name}' "
                        f"(tether.parameters() lists them)")
    if isinstance(given, str):
        return (name, list(_core.sweep_values(name, given)))
    try:
        values = [_number(name, v) for v in given]
    except TypeError as e:
        if not hasattr(given, "__iter__"):
            raise TypeError(f"{name}: values as a list, an array or 'FROM:TO:N', "
                            f"not {type(given).__name__}") from None
        raise e
    if any(v is None for v in values):
        raise ValueError(f"{name}: a sweep takes numbers, not auto")
    return (name, values)


def sweep(base=None, *, jobs=None, method="march", **axes):
    """Every combination of the swept values, as a pandas DataFrame.

    Each keyword is a parameter and its values: a list or array of numbers,
    or tether-explore's ``"FROM:TO:N"`` / ``"FROM:TO:N:log"``. The first
    keyword is outermost. Columns: the swept parameters, then the 12
    figures; rows bit for bit those of ``tether-explore --sweep ... --format
    csv``. Every design is checked first (DesignError names the first bad
    one). Computed on ``jobs`` threads (default: every CPU this process may
    use); Ctrl-C stops it and raises KeyboardInterrupt.
    """
    import pandas as pd

    base = Design() if base is None else base
    if not isinstance(base, Design):
        raise TypeError(f"base must be a tether.Design, not {type(base).__name__}")
    swept = [_axis(name, values) for name, values in axes.items()]
    rows, notes = _core.sweep(base._items(), swept, jobs, method)
    _warn(notes)
    return pd.DataFrame(rows, columns=[n for n, _ in swept] + figure_names())


def evaluate(frame, base=None, *, jobs=None, method="march", errors="raise"):
    """The figures of every row of a DataFrame, each row a design.

    Columns named after parameters set them on ``base`` (default Design());
    other columns are kept as they are. Returns a new DataFrame with the same
    index and the 12 figure columns (float64) appended. ``errors="raise"``
    raises DesignError for the first row that cannot be computed, naming its
    index label; ``errors="coerce"`` gives that row NaN figures and adds a
    ``problem`` column (the message, or None). A NaN in a parameter column is
    a bad value. An empty frame gives an empty frame with the same columns.
    """
    import numpy as np
    import pandas as pd

    if errors not in ("raise", "coerce"):
        raise ValueError(f"errors must be 'raise' or 'coerce', not {errors!r}")
    base = Design() if base is None else base
    if not isinstance(base, Design):
        raise TypeError(f"base must be a tether.Design, not {type(base).__name__}")
    figures = figure_names()
    taken = [c for c in frame.columns if c in figures or c == "problem"]
    if taken:
        raise ValueError(f"the frame already has columns named as figures: {taken}")
    names = [c for c in frame.columns if c in _NAMES]
    table = np.empty((len(frame), len(names)), dtype=np.float64)
    for j, name in enumerate(names):
        column = frame[name]
        try:
            table[:, j] = column.to_numpy(dtype=np.float64)
        except (TypeError, ValueError):
            raise TypeError(f"column {name} must hold numbers, not {column.dtype}") from None
        bad = ~np.isfinite(table[:, j]) & ~np.isnan(table[:, j])
        table[bad, j] = np.nan
    values, problems, notes = _core.evaluate(base._items(), names, table, jobs, method)
    _warn([f"row {frame.index[first]!r}" + (f" and {count - 1} more" if count > 1 else "")
           + f": {text}" for first, count, text in notes])
    out = frame.copy()
    for j, name in enumerate(figures):
        out[name] = values[:, j]
    if errors == "raise":
        for label, problem in zip(frame.index, problems):
            if problem is not None:
                message, parameter, reason = problem
                raise DesignError(f"row {label!r}: {message}", parameter, reason)
    else:
        out["problem"] = pd.Series([None if p is None else p[0] for p in problems],
                                   index=frame.index, dtype=object)
    return out
