"""A frame evaluated on a Dask cluster of two worker processes is exactly
the frame evaluated here."""
import numpy as np
import pandas as pd
import pytest

import tether

dd = pytest.importorskip("dask.dataframe", reason="Dask is not installed (python3-dask)")
distributed = pytest.importorskip("distributed",
                                  reason="Dask's distributed is not installed (python3-distributed)")


def test_map_partitions_on_a_local_cluster_gives_the_local_frame():
    rng = np.random.default_rng(20261208)
    samples = pd.DataFrame({"strength": 35.1 * rng.uniform(0.9, 1.1, 200),
                            "vmax": rng.uniform(50, 150, 200)})
    samples.loc[7, "vmax"] = -1  # a bad row travels as a problem
    local = tether.evaluate(samples, method="integral", errors="coerce")
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster, \
            distributed.Client(cluster) as client:
        assert len(client.scheduler_info()["workers"]) == 2
        frame = dd.from_pandas(samples, npartitions=4)
        remote = frame.map_partitions(
            tether.evaluate, method="integral", errors="coerce",
            meta=tether.evaluate(samples.iloc[:0], errors="coerce")).compute()
    pd.testing.assert_frame_equal(remote, local, check_exact=True)
    assert remote.loc[7, "problem"] == "vmax = -1 m/s: must be greater than 0"


def test_draws_sharded_over_a_local_cluster_are_the_draws():
    vary = {"strength": "lognormal:35:1.5", "density": "uniform:1200:1400"}
    local = tether.sample(vary, samples=400, seed=3, method="integral")
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster, \
            distributed.Client(cluster) as client:
        shards = client.map(lambda k: tether.sample(vary, samples=400, seed=3, method="integral",
                                                    shard=(k, 8), jobs=1), range(1, 9))
        remote = pd.concat(client.gather(shards))
    pd.testing.assert_frame_equal(remote, local, check_exact=True)
