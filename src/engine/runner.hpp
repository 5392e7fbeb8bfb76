// Computes many rows on several threads and hands them over in order, and
// stops cleanly when asked to.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
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
};

struct run_result {
    std::uint64_t done = 0;      // rows handed over
    bool stopped       = false;  // the run's stop request was set before its end
    bool failed        = false;  // the sink refused a row
};

// Whether a run's stop request (if it has one) is set.
inline bool stop_set(const std::atomic<int>* stop)
{
    return stop != nullptr && stop->load() != 0;
}

// Rows computed ahead of the one handed over next wait here, in a ring of
// slots; threads take indices in order and stop taking when the ring is full.
template <class T> class row_ring {
  public:
    row_ring(std::uint64_t begin, std::uint64_t end, std::size_t window,
             const std::atomic<int>* stop)
        : rows_(window), ready_(window, 0), next_(begin), handed_(begin), end_(end), stop_(stop)
    {
    }

    // The next index to compute, or none once the run is over.
    bool take(std::uint64_t& i)
    {
        std::unique_lock<std::mutex> lock(mu_);
        slot_free_.wait(lock, [&] { return quit_ || next_ >= end_ || next_ < handed_ + window(); });
        if (quit_ || next_ >= end_ || stopping()) {
            lock.unlock();
            row_done_.notify_all();  // a writer waiting for a batch hears the end at once
            return false;
        }
        i = next_++;
        return true;
    }

    // A row waited for wakes the waiter once a batch of rows from it is
    // there (or the last rows), or the run is being stopped, not at every
    // row: a waking costs two system calls, more than writing a row.
    void put(std::uint64_t i, T&& value)
    {
        bool wake = false;
        {
            const std::lock_guard<std::mutex> lock(mu_);
            rows_[i % window()]  = std::move(value);
            ready_[i % window()] = 1;
            wake                 = awaited_ != nothing_awaited && (batch_ready() || stopping());
        }
        if (wake) {
            row_done_.notify_all();
        }
    }

    void fail(std::exception_ptr e)
    {
        {
            const std::lock_guard<std::mutex> lock(mu_);
            if (!error_) {
                error_ = std::move(e);
            }
            quit_ = true;
        }
        row_done_.notify_all();
        slot_free_.notify_all();
    }

    // Waits up to 100 ms for row i; true with the row when it is there.
    bool wait_for(std::uint64_t i, T& value)
    {
        std::unique_lock<std::mutex> lock(mu_);
        if (ready_[i % window()] == 0 && !quit_) {
            awaited_ = i;
            row_done_.wait_for(lock, std::chrono::milliseconds(100));
            awaited_ = nothing_awaited;
        }
        if (ready_[i % window()] == 0) {
            return false;
        }
        value                = std::move(rows_[i % window()]);
        ready_[i % window()] = 0;
        ++handed_;
        lock.unlock();
        slot_free_.notify_all();
        return true;
    }

    bool quit()
    {
        const std::lock_guard<std::mutex> lock(mu_);
        return quit_;
    }

    void end()
    {
        {
            const std::lock_guard<std::mutex> lock(mu_);
            quit_ = true;
        }
        slot_free_.notify_all();
    }

    void rethrow()
    {
        if (error_) {
            std::rethrow_exception(error_);
        }
    }

    bool stopping() const
    {
        return stop_set(stop_);
    }

  private:
    std::size_t window() const
    {
        return rows_.size();
    }
    bool batch_ready() const
    {
        const std::uint64_t last = std::min<std::uint64_t>(end_, awaited_ + batch);
        for (std::uint64_t k = awaited_; k < last; ++k) {
            if (ready_[k % window()] == 0) {
                return false;
            }
        }
        return true;
    }
    static constexpr std::uint64_t batch           = 8;  // at most half the smallest window
    static constexpr std::uint64_t nothing_awaited = ~std::uint64_t{0};
    std::uint64_t awaited_                         = nothing_awaited;
    std::vector<T> rows_;
    std::vector<char> ready_;
    std::uint64_t next_;
    std::uint64_t handed_;
    std::uint64_t end_;
    const std::atomic<int>* stop_;
    bool quit_ = false;
    std::exception_ptr error_;
    std::mutex mu_;
    std::condition_variable row_done_;
    std::condition_variable slot_free_;
};

// Calls a run's poll at most every 100 ms, however quickly rows come.
class poller {
  public:
    explicit poller(const std::function<void()>& poll) : poll_(poll) {}
    void operator()()
    {
        // No clock read for a run nobody polls: on the web page a read is a
        // call out of the WebAssembly, a tenth of a map's time.
        if (!poll_) {
            return;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now - polled_ >= std::chrono::milliseconds(100)) {
            polled_ = now;
            poll_();
        }
    }

  private:
    const std::function<void()>& poll_;
    std::chrono::steady_clock::time_point polled_ = std::chrono::steady_clock::now();
};

// Waits for row i of the ring, showing progress and polling; returns
// without it once the run is over or stopped.
template <class T, class Show>
void await_row(row_ring<T>& ring, std::uint64_t i, T& value, const Show& show, poller& poll)
{
    for (;;) {
        poll();
        if (ring.wait_for(i, value) || ring.quit() || ring.stopping()) {
            return;
        }
        show();
    }
}

// Up to `wanted` threads running compute: as many as the system lets it
// create.
template <class F> std::vector<std::thread> start_threads(unsigned wanted, const F& compute)
{
    std::vector<std::thread> threads;
    threads.reserve(wanted);
    for (unsigned t = 0; t < wanted; ++t) {
        try {
            threads.emplace_back(compute);
        }
        catch (const std::system_error&) {
            break;  // no more threads to be had: go on with those there are
        }
    }
    return threads;
}

// Computes row(i) for every i in [begin, end) on up to s.jobs threads (as
// many as the system lets it create; with none, or s.jobs = 0, on this
// thread, in order) and hands
// each to sink(i, row) on this thread, in order. At most a few rows per
// thread wait to be handed over. Ends early, after the last row handed over,
// when the sink returns false or s.stop is set. An
// exception in row (out of memory, say) is thrown here once every thread
// has ended.
template <class T>
run_result run_in_order(std::uint64_t begin, std::uint64_t end,
                        const std::function<T(std::uint64_t)>& row,
                        const std::function<bool(std::uint64_t, T&)>& sink, const run_settings& s)
{
    const std::uint64_t count = end - begin;
    const auto wanted         = s.jobs == 0 ? 0u
                                            : static_cast<unsigned>(std::max<std::uint64_t>(
                                          1, std::min<std::uint64_t>(s.jobs, count)));
    row_ring<T> ring(begin, end, 16 * static_cast<std::size_t>(std::max(1u, wanted)), s.stop);
    auto compute = [&] {
        std::uint64_t i = 0;
        while (ring.take(i)) {
            try {
                ring.put(i, row(i));
            }
            catch (...) {
                ring.fail(std::current_exception());
            }
        }
    };
    std::vector<std::thread> threads = start_threads(wanted, compute);

    run_result result;
    const auto progress = [&](std::uint64_t done) {
        if (s.progress) {
            s.progress(done);
        }
    };
    poller poll(s.poll);
    for (std::uint64_t i = begin; i < end && !result.failed; ++i) {
        T value{};
        if (threads.empty()) {
            poll();
            if (ring.stopping()) {
                break;
            }
            value = row(i);  // no thread could be made: compute here
        }
        else {
            await_row(
                ring, i, value, [&] { progress(i - begin); }, poll);
        }
        if (ring.stopping() || (!threads.empty() && ring.quit())) {
            break;
        }
        result.failed = !sink(i, value);
        result.done += result.failed ? 0 : 1;
        progress(i - begin + 1);
    }
    ring.end();
    for (std::thread& t : threads) {
        t.join();
    }
    ring.rethrow();
    result.stopped = result.done < count && ring.stopping();
    return result;
}

}  // namespace engine
