"""Comparisons the tests share: CSV text read back to the same binary64
values, and arrays equal bit for bit (NaN where both are NaN)."""
import io

import numpy as np
import pandas as pd


def csv_frame(text):
    return pd.read_csv(io.StringIO(text), float_precision="round_trip")


def same_bits(got, wanted):
    got = np.asarray(got, dtype=np.float64)
    wanted = np.asarray(wanted, dtype=np.float64)
    assert got.shape == wanted.shape
    same = (got.view(np.uint64) == wanted.view(np.uint64)) | (np.isnan(got) & np.isnan(wanted))
    assert same.all(), (got, wanted)
