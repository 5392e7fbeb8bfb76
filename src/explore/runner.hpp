// Computes many rows on several threads and hands them over in order; writes
// them whole, and stops cleanly when asked to.
#pragma once

#include "climber/march.hpp"

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

namespace explore {

// The processors this process may run on (as a batch scheduler limits
// them), at least 1.
unsigned available_cpus();

// From now on SIGINT, SIGTERM and SIGHUP set climber::stop_request() to the
// signal's number: runs and marches end after their last complete row.
void stop_on_signals();

// "done/total designs, elapsed, about N s left": the estimate of the time
// left after spent seconds, done of total designs in (0 before any is done).
double seconds_left(double spent, std::uint64_t done, std::uint64_t total);

struct run_settings {
    unsigned jobs              = 1;        // threads that compute rows
    bool progress              = false;    // a progress line on standard error
    std::function<void()> poll = nullptr;  // called every 100 ms or so while waiting
};

struct run_result {
    std::uint64_t done = 0;      // rows handed over
    bool stopped       = false;  // climber::stop_request() was set
    bool failed        = false;  // the sink refused a row
};

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

// Computes row(i) for every i in [begin, end) on up to s.jobs threads (as
// many as the system lets it create; with none, on this thread) and hands
// each to sink(i, row) on this thread, in order. At most a few rows per
// thread wait to be handed over. Ends early, after the last row handed over,
// when the sink returns false or climber::stop_request() is set. An
// exception in row (out of memory, say) is thrown here once every thread
// has ended.
template <class T>
run_result run_in_order(std::uint64_t begin, std::uint64_t end,
                        const std::function<T(std::uint64_t)>& row,
                        const std::function<bool(std::uint64_t, T&)>& sink, const run_settings& s)
{
    const std::uint64_t count = end - begin;
    const auto wanted =
        static_cast<unsigned>(std::max<std::uint64_t>(1, std::min<std::uint64_t>(s.jobs, count)));
    const std::size_t window = 16 * static_cast<std::size_t>(wanted);
    std::vector<T> rows(window);
    std::vector<char> ready(window, 0);
    std::mutex mu;
    std::condition_variable row_done;
    std::condition_variable slot_free;
    std::uint64_t next   = begin;  // the next row a thread takes
    std::uint64_t handed = begin;  // the next row to hand over
    bool quit            = false;
    std::exception_ptr error;
    const auto stopping = [] { return climber::stop_request().load() != 0; };

    auto compute = [&] {
        for (;;) {
            std::uint64_t i = 0;
            {
                std::unique_lock<std::mutex> lock(mu);
                slot_free.wait(lock, [&] { return quit || next >= end || next < handed + window; });
                if (quit || next >= end || stopping()) {
                    return;
                }
                i = next++;
            }
            try {
                T value = row(i);
                const std::lock_guard<std::mutex> lock(mu);
                rows[i % window]  = std::move(value);
                ready[i % window] = 1;
            }
            catch (...) {
                const std::lock_guard<std::mutex> lock(mu);
                if (!error) {
                    error = std::current_exception();
                }
                quit = true;
            }
            row_done.notify_all();
            slot_free.notify_all();
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
    const auto last_poll = std::chrono::steady_clock::now();
    auto polled          = last_poll;
    for (std::uint64_t i = begin; i < end; ++i) {
        T value{};
        {
            std::unique_lock<std::mutex> lock(mu);
            while (ready[i % window] == 0 && !quit && !stopping()) {
                if (threads.empty()) {
                    // No thread could be made: compute here.
                    lock.unlock();
                    value = row(i);
                    lock.lock();
                    rows[i % window]  = std::move(value);
                    ready[i % window] = 1;
                    break;
                }
                row_done.wait_for(lock, std::chrono::milliseconds(100));
                progress.show(i - begin);
                if (s.poll &&
                    std::chrono::steady_clock::now() - polled >= std::chrono::milliseconds(100)) {
                    polled = std::chrono::steady_clock::now();
                    lock.unlock();
                    s.poll();
                    lock.lock();
                }
            }
            if (ready[i % window] == 0 || stopping()) {
                result.stopped = stopping();
                break;
            }
            value             = std::move(rows[i % window]);
            ready[i % window] = 0;
            ++handed;
        }
        slot_free.notify_all();
        if (!sink(i, value)) {
            result.failed = true;
            break;
        }
        ++result.done;
        progress.show(i - begin + 1);
    }
    {
        const std::lock_guard<std::mutex> lock(mu);
        quit = true;
    }
    slot_free.notify_all();
    for (std::thread& t : threads) {
        t.join();
    }
    progress.clear();
    if (error) {
        std::rethrow_exception(error);
    }
    result.stopped = result.stopped || (result.done < count && stopping());
    return result;
}

// Standard output (or any descriptor) taking whole rows. To a pipe, rows go
// in writes of at most PIPE_BUF bytes, so that no row is torn there, and a
// stop request is heard while the reader is not reading. To a regular file,
// a failed write is cut back to the last whole row.
class row_output {
  public:
    explicit row_output(int fd);
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

  private:
    bool write_out(const char* data, std::size_t size);
    int fd_;
    bool pipe_          = false;
    bool regular_       = false;
    long long good_end_ = -1;  // a regular file's offset after the last whole write
    std::size_t limit_;
    std::string pending_;
    std::uint64_t pending_rows_ = 0;
    std::uint64_t rows_written_ = 0;
    int error_                  = 0;
    bool stopped_               = false;
};

}  // namespace explore
