"""The best of several runs' wall-clock times, for the Python benchmarks."""
import time


def best(run, repeat=5):
    times = []
    for _ in range(repeat):
        start = time.perf_counter()
        run()
        times.append(time.perf_counter() - start)
    return min(times)
