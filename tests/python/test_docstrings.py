# The docstrings' examples, run against the module: their texts are kept
# apart from the code (src/python/docs), so nothing else notices an example
# that no longer prints what it says. An example that shows no output (an
# illustration, as "d.figures()['time']" in the package's own docstring) must
# still run without an error.
import doctest
import warnings

import pytest

import tether


def _documented():
    found = {"tether": tether, "Design": tether.Design, "DesignError": tether.DesignError,
             "DesignWarning": tether.DesignWarning}
    for name, value in vars(tether.Design).items():
        if not name.startswith("_") and isinstance(getattr(value, "__doc__", None), str):
            found["Design." + name] = getattr(tether.Design, name)
    for name in tether.__all__:
        found.setdefault(name, getattr(tether, name))
    return found


DOCUMENTED = _documented()


class _Shown(doctest.OutputChecker):
    """Output as doctest checks it, but any output of an example that shows none."""

    def check_output(self, want, got, optionflags):
        return not want or super().check_output(want, got, optionflags)


@pytest.mark.parametrize("name", sorted(DOCUMENTED))
def test_examples_print_what_they_show(name, tmp_path, monkeypatch):
    test = doctest.DocTestParser().get_doctest(DOCUMENTED[name].__doc__ or "",
                                               {"tether": tether}, name, None, 0)
    monkeypatch.chdir(tmp_path)  # Design.from_file's example writes a file
    runner = doctest.DocTestRunner(checker=_Shown(), optionflags=doctest.ELLIPSIS)
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", tether.DesignWarning)
        runner.run(test, out=lambda text: pytest.fail(text, pytrace=False))
    assert runner.failures == 0
