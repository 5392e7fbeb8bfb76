#include "runner.hpp"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <mutex>
#include <sched.h>
#include <thread>
#include <vector>

namespace explore {

namespace {

volatile std::sig_atomic_t stop_signal = 0;

extern "C" void note_signal(int sig)
{
    stop_signal = sig;
}

using clock = std::chrono::steady_clock;

// "done/total designs, elapsed, about N s left" on standard error, shown
// once the run has taken a second, redrawn a few times a second, and
// cleared at the end.
class progress_line {
  public:
    progress_line(bool enabled, std::uint64_t total) : enabled_(enabled), total_(total) {}
    progress_line(const progress_line&)            = delete;
    progress_line& operator=(const progress_line&) = delete;
    ~progress_line()
    {
        clear();
    }

    void show(std::uint64_t done)
    {
        const auto now = clock::now();
        if (!enabled_ || now - start_ < std::chrono::seconds(1) ||
            now - drawn_ < std::chrono::milliseconds(250)) {
            return;
        }
        drawn_             = now;
        const double spent = std::chrono::duration<double>(now - start_).count();
        const double left =
            done == 0 ? 0 : spent * static_cast<double>(total_ - done) / static_cast<double>(done);
        std::fprintf(stderr, "\r%llu/%llu designs, %.0f s, about %.0f s left\033[K",
                     static_cast<unsigned long long>(done), static_cast<unsigned long long>(total_),
                     spent, left);
        std::fflush(stderr);
        shown_ = true;
    }

    void clear()
    {
        if (shown_) {
            std::fputs("\r\033[K", stderr);
            std::fflush(stderr);
            shown_ = false;
        }
    }

  private:
    bool enabled_;
    bool shown_ = false;
    std::uint64_t total_;
    clock::time_point start_ = clock::now();
    clock::time_point drawn_{};
};

}  // namespace

unsigned available_cpus()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0) {
        return static_cast<unsigned>(std::max(1, CPU_COUNT(&set)));
    }
    return std::max(1u, std::thread::hardware_concurrency());
}

void stop_on_signals()
{
    struct sigaction sa {};
    sa.sa_handler = note_signal;
    sigemptyset(&sa.sa_mask);
    // A write in progress goes on. Further signals (a scheduler may send
    // one to every process of a job, a terminal to the whole group) only
    // repeat the request: dying on one would cut a row in the middle.
    sa.sa_flags = SA_RESTART;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

int write_rows(std::FILE* out, std::uint64_t begin, std::uint64_t end,
               const std::function<std::string(std::uint64_t)>& row, const run_settings& s)
{
    const std::uint64_t count = end - begin;
    const unsigned jobs =
        static_cast<unsigned>(std::max<std::uint64_t>(1, std::min<std::uint64_t>(s.jobs, count)));
    // Rows computed ahead of the writer wait in a ring of this many slots.
    const std::size_t window = 16 * static_cast<std::size_t>(jobs);
    std::vector<std::string> rows(window);
    std::vector<char> ready(window, 0);
    std::mutex mu;
    std::condition_variable row_done;
    std::condition_variable slot_free;
    std::uint64_t next    = begin;  // the next row a thread takes
    std::uint64_t written = begin;  // the next row to write
    bool stop             = false;

    auto compute = [&] {
        for (;;) {
            std::uint64_t i = 0;
            {
                std::unique_lock<std::mutex> lock(mu);
                slot_free.wait(lock,
                               [&] { return stop || next >= end || next < written + window; });
                if (stop || next >= end) {
                    return;
                }
                i = next++;
            }
            std::string text = row(i);
            {
                const std::lock_guard<std::mutex> lock(mu);
                rows[i % window]  = std::move(text);
                ready[i % window] = 1;
            }
            row_done.notify_one();
        }
    };
    std::vector<std::thread> threads;
    threads.reserve(jobs);
    for (unsigned t = 0; t < jobs; ++t) {
        threads.emplace_back(compute);
    }

    progress_line progress(s.progress, count);
    int status = 0;
    for (std::uint64_t i = begin; i < end && status == 0; ++i) {
        std::string text;
        {
            std::unique_lock<std::mutex> lock(mu);
            while (ready[i % window] == 0 && stop_signal == 0) {
                row_done.wait_for(lock, std::chrono::milliseconds(100));
                progress.show(i - begin);
            }
            if (stop_signal != 0) {
                // Only complete rows have been written; the threads may be in
                // the middle of a march, and end with the process.
                progress.clear();
                std::fflush(out);
                std::fprintf(stderr, "tether-explore: interrupted: %llu of %llu designs written\n",
                             static_cast<unsigned long long>(i - begin),
                             static_cast<unsigned long long>(count));
                std::_Exit(128 + stop_signal);
            }
            text              = std::move(rows[i % window]);
            ready[i % window] = 0;
            ++written;
        }
        slot_free.notify_all();
        if (std::fputs(text.c_str(), out) < 0 || std::ferror(out) != 0) {
            status = 1;
        }
        progress.show(i - begin + 1);
    }
    {
        const std::lock_guard<std::mutex> lock(mu);
        stop = true;
    }
    slot_free.notify_all();
    for (std::thread& t : threads) {
        t.join();
    }
    return status;
}

}  // namespace explore
