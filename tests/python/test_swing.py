"""The swing over time from Python against tether-explore --swing, bit for
bit, and its rows up to arrival against the swing's figures."""
import pytest

import tether
from bits import csv_frame, same_bits


@pytest.mark.parametrize("params", [{}, {"damping": 0.05, "rowdz": 500}, {"vmax": 60}])
def test_swing_is_the_command_lines_and_peaks_at_its_figures(explore, params):
    sets = [a for k, v in params.items() for a in ("--set", f"{k}={v}")]
    got = tether.Design(**params).swing()
    wanted = csv_frame(explore(*sets, "--swing", "--format", "csv"))
    assert list(got.columns) == list(wanted.columns) == ["time", "alt", "top", "balance"]
    same_bits(got.to_numpy(), wanted.to_numpy())
    figures = csv_frame(explore(*sets, "--method", "integral", "--figures", "swing_top,swing_geo",
                                "--format", "csv")).iloc[0]
    climb = got[got["time"] <= got["time"][got["alt"].idxmax()]]
    assert climb["top"].abs().max() == pytest.approx(figures["swing_top"], rel=1e-3)
    assert climb["balance"].abs().max() == pytest.approx(figures["swing_geo"], rel=1e-3)


def test_a_climber_the_foot_cannot_lift_has_no_swing():
    with pytest.warns(tether.DesignWarning, match="cannot lift"):
        assert tether.Design(strength=20).swing().empty
