// Computes many rows on several threads and hands them over in order; writes
// them whole, and stops cleanly when asked to.
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

// "done/total designs, elapsed, about N s left": the estimate of the time
// left after spent seconds, done of total designs in (0 before any is done).
double seconds_left(double spent, std::uint64_t done, std::uint64_t total);

struct run_settings {
    unsigned jobs              = 1;        // threads that compute rows; 0: none, this thread does
    bool progress              = false;    // a progress line on standard error
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

// Shows and clears the progress line.
class progress_line {
  public:
    progress_line(bool enabled, std::uint64_t total);
    progress_line(const progress_line&)            = delete;
    progress_line& operator=(const progress_line&) = delete;
    ~progress_line();
    void show(std::uint64_t done);
    void clear();

  private:
    using clock = std::chrono::steady_clock;
    bool enabled_;
    bool shown_ = false;
    std::uint64_t total_;
    clock::time_point start_ = clock::now();
    clock::time_point drawn_{};
};

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
            return false;
        }
        i = next_++;
        return true;
    }

    void put(std::uint64_t i, T&& value)
    {
        {
            const std::lock_guard<std::mutex> lock(mu_);
            rows_[i % window()]  = std::move(value);
            ready_[i % window()] = 1;
        }
        row_done_.notify_all();
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
            row_done_.wait_for(lock, std::chrono::milliseconds(100));
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
        const auto now = std::chrono::steady_clock::now();
        if (poll_ && now - polled_ >= std::chrono::milliseconds(100)) {
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

    run_result result;
    progress_line progress(s.progress, count);
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
                ring, i, value, [&] { progress.show(i - begin); }, poll);
        }
        if (ring.stopping() || (!threads.empty() && ring.quit())) {
            break;
        }
        result.failed = !sink(i, value);
        result.done += result.failed ? 0 : 1;
        progress.show(i - begin + 1);
    }
    ring.end();
    for (std::thread& t : threads) {
        t.join();
    }
    progress.clear();
    ring.rethrow();
    result.stopped = result.done < count && ring.stopping();
    return result;
}

// The value a failed write sets a run's stop request to: its work ends as
// the output has.
inline constexpr int stop_after_write_error = -1;

// Standard output (or any descriptor) taking whole rows. To a pipe, rows go
// in writes of at most PIPE_BUF bytes, so that no row is torn there, and a
// stop request is heard while the reader is not reading. A failed write sets
// the stop request (to stop_after_write_error, unless a signal set it
// first), so that the rows and marches still being computed end. To a regular file,
// a failed write is cut back to the last whole row, never below where this
// run began: for a file opened to append, its size when the run began, and
// only while the file still ends with this run's own torn row.
class row_output {
  public:
    // stop: the run's stop request, heard while a pipe's reader is stalled
    // and set when a write fails.
    explicit row_output(int fd, std::atomic<int>* stop = nullptr);
    row_output(const row_output&)            = delete;
    row_output& operator=(const row_output&) = delete;

    // Adds text of `rows` whole rows (a header counts none); writes as the
    // buffer fills. False once a write has failed or a stop was requested.
    bool put(const std::string& text, std::uint64_t rows = 1);
    // Writes what waits. False as put.
    bool flush();

    std::uint64_t rows_written() const
    {
        return rows_written_;
    }
    int error() const
    {
        return error_;
    }  // errno of the failed write, or 0
    bool stopped() const
    {
        return stopped_;
    }
    // A failed write left part of a row that could not be cut back (another
    // writer appended to the file after it): the file may end with it.
    bool torn() const
    {
        return torn_;
    }

  private:
    bool write_out(const char* data, std::size_t size);
    bool wait_for_room();
    void cut_back(std::size_t partial);
    int fd_;
    std::atomic<int>* stop_;
    bool pipe_       = false;
    bool regular_    = false;
    bool append_     = false;  // opened with O_APPEND: every write goes to the end
    long long floor_ = -1;     // a regular file's offset (appending: size) at the start
    long long whole_ = 0;      // bytes of whole writes since
    bool torn_       = false;
    std::size_t limit_;
    std::string pending_;
    std::uint64_t pending_rows_ = 0;
    std::uint64_t rows_written_ = 0;
    int error_                  = 0;
    bool stopped_               = false;
};

}  // namespace engine
