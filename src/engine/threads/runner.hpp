// Computes many rows on several threads and hands them over in order, and
// stops cleanly when asked to.
#pragma once

#include "engine/threads/detail/ring.hpp"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace engine {

// The processors this process may run on (as a batch scheduler limits
// them), at least 1.
unsigned available_cpus();

struct run_settings {
    unsigned jobs = 1;  // threads that compute rows; 0: none, this thread does
    // Called on the calling thread with the rows handed over so far, as
    // they are and every 100 ms or so while it waits for one.
    std::function<void(std::uint64_t)> progress = nullptr;
    std::function<void()> poll = nullptr;  // called every 100 ms or so, on the calling thread
    std::atomic<int>* stop     = nullptr;  // this run's stop request: not 0 ends it
    // For tests: called before thread t (0, 1, ...) is started; what it
    // throws is taken as the system's refusal to start it.
    std::function<void(unsigned)> starting = nullptr;
};

struct run_result {
    std::uint64_t done = 0;      // rows handed over
    bool stopped       = false;  // the run's stop request was set before its end
    bool failed        = false;  // the sink refused a row
    unsigned wanted    = 0;      // the threads asked for, no more than the rows
    // Those that computed rows to the end (the calling thread where it took
    // over): fewer than wanted where the system had no memory or no
    // threads for the others.
    unsigned threads = 0;
};

// What a face says of a run that had fewer threads than it asked for, or
// nothing.
std::string threads_text(const run_result& r);

// Whether a run's stop request (if it has one) is set.
inline bool stop_set(const std::atomic<int>* stop)
{
    return stop != nullptr && stop->load() != 0;
}

// Calls a run's poll at most every 100 ms, however quickly rows come.
using detail::poller;

// Computes row(i) for every i in [begin, end) on up to s.jobs threads (as
// many as the system lets it create; with none, or s.jobs = 0, on this
// thread, in order) and hands
// each to sink(i, row) on this thread, in order. At most a few rows per
// thread wait to be handed over. Ends early, after the last row handed over,
// when the sink returns false or s.stop is set. A thread whose row runs out
// of memory (std::bad_alloc) leaves the run and the others compute that
// row and the rest; once none is left, this thread does. Any other
// exception in row, or one here, is thrown here once every thread has
// ended.
template <class T>
run_result run_in_order(std::uint64_t begin, std::uint64_t end,
                        const std::function<T(std::uint64_t)>& row,
                        const std::function<bool(std::uint64_t, T&)>& sink, const run_settings& s)
{
    const std::uint64_t count = end - begin;
    const auto wanted         = s.jobs == 0 ? 0u
                                            : static_cast<unsigned>(std::max<std::uint64_t>(
                                          1, std::min<std::uint64_t>(s.jobs, count)));
    detail::row_ring<T> ring(begin, end, 16 * static_cast<std::size_t>(std::max(1u, wanted)),
                             s.stop);
    auto compute = [&] { detail::compute_rows(ring, row); };
    detail::run_threads<T> threads(ring);
    threads.start(wanted, compute, s);

    run_result result;
    result.wanted       = wanted;
    bool took_over      = false;
    const auto progress = [&](std::uint64_t done) {
        if (s.progress) {
            s.progress(done);
        }
    };
    poller poll(s.poll);
    for (std::uint64_t i = begin; i < end && !result.failed; ++i) {
        T value{};
        const bool there =
            threads.size() > 0 && detail::await_row(
                                      ring, i, value, [&] { progress(i - begin); }, poll);
        if (!there) {
            if (threads.size() == 0) {
                poll();
            }
            if (ring.stopping() || (threads.size() > 0 && ring.quit())) {
                break;
            }
            value     = row(i);  // no thread could be made, or none is left: compute here
            took_over = true;
        }
        if (ring.stopping() || (threads.size() > 0 && ring.quit())) {
            break;
        }
        result.failed = !sink(i, value);
        result.done += result.failed ? 0 : 1;
        progress(i - begin + 1);
    }
    threads.join();
    ring.rethrow();
    result.stopped = result.done < count && ring.stopping();
    result.threads =
        static_cast<unsigned>(threads.size()) - ring.lost() + (took_over && wanted > 0 ? 1 : 0);
    return result;
}

}  // namespace engine
