// The runner's inner parts: the ring of rows computed ahead, the threads
// that fill it and the wait for the next row.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace engine::detail {

// Rows computed ahead of the one handed over next wait here, in a ring of
// slots; threads take indices in order and stop taking when the ring is full.
template <class T> class row_ring {
  public:
    row_ring(std::uint64_t begin, std::uint64_t end, std::size_t window,
             const std::atomic<int>* stop)
        : rows_(window), ready_(window, 0), next_(begin), handed_(begin), end_(end), stop_(stop)
    {
        given_back_.reserve(window);  // at most one a thread, which must not need memory
    }

    // The next index to compute (one given back first), or none once the
    // run is over.
    bool take(std::uint64_t& i)
    {
        std::unique_lock<std::mutex> lock(mu_);
        slot_free_.wait(lock, [&] {
            return quit_ || next_ >= end_ || next_ < handed_ + window() || !given_back_.empty();
        });
        if (quit_ || (next_ >= end_ && given_back_.empty()) || stopping()) {
            --workers_;  // the thread leaves
            lock.unlock();
            row_done_.notify_all();  // a writer waiting for a batch hears the end at once
            return false;
        }
        if (!given_back_.empty()) {
            const auto first = std::min_element(given_back_.begin(), given_back_.end());
            i                = *first;
            given_back_.erase(first);
            return true;
        }
        i = next_++;
        return true;
    }

    // The threads computing rows, once they are started.
    void add_workers(std::size_t n)
    {
        const std::lock_guard<std::mutex> lock(mu_);
        workers_ += static_cast<std::ptrdiff_t>(n);
    }

    // A thread that ran out of memory in row i leaves the run; the row is
    // for another (or for the waiter, once none is left).
    void give_back(std::uint64_t i)
    {
        {
            const std::lock_guard<std::mutex> lock(mu_);
            given_back_.push_back(i);
            --workers_;
            ++lost_;
        }
        row_done_.notify_all();
        slot_free_.notify_all();
    }

    // The threads that left for want of memory.
    unsigned lost()
    {
        const std::lock_guard<std::mutex> lock(mu_);
        return lost_;
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
        if (ready_[i % window()] == 0 && !quit_ && workers_ > 0) {
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

    // Whether every thread left: the rows not there are the waiter's.
    bool deserted()
    {
        const std::lock_guard<std::mutex> lock(mu_);
        return workers_ <= 0;
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
        return stop_ != nullptr && stop_->load() != 0;
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
    std::vector<std::uint64_t> given_back_;
    std::ptrdiff_t workers_ = 0;
    unsigned lost_          = 0;
    bool quit_              = false;
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

// Waits for row i of the ring, showing progress and polling: true with
// it; false once the run is over or stopped, or no thread is left to
// compute it.
template <class T, class Show>
bool await_row(row_ring<T>& ring, std::uint64_t i, T& value, const Show& show, poller& poll)
{
    for (;;) {
        poll();
        if (ring.wait_for(i, value)) {
            return true;
        }
        if (ring.quit() || ring.stopping() || ring.deserted()) {
            return false;
        }
        show();
    }
}

// A thread's work: rows taken from the ring and put back computed until
// the run is over. Out of memory, it gives its row back and leaves.
template <class T> void compute_rows(row_ring<T>& ring, const std::function<T(std::uint64_t)>& row)
{
    std::uint64_t i = 0;
    while (ring.take(i)) {
        try {
            ring.put(i, row(i));
        }
        catch (const std::bad_alloc&) {
            ring.give_back(i);
            return;
        }
        catch (...) {
            ring.fail(std::current_exception());
        }
    }
}

// The threads of a run, joined on every way out of it once its ring has
// ended: an exception never leaves one joinable.
template <class T> class run_threads {
  public:
    explicit run_threads(row_ring<T>& ring) : ring_(ring) {}
    run_threads(const run_threads&)            = delete;
    run_threads& operator=(const run_threads&) = delete;
    ~run_threads()
    {
        join();
    }

    // Up to `wanted` threads running compute: as many as the system lets
    // it create.
    template <class F, class Settings>
    void start(unsigned wanted, const F& compute, const Settings& s)
    {
        threads_.reserve(wanted);
        for (unsigned t = 0; t < wanted; ++t) {
            try {
                if (s.starting) {
                    s.starting(t);
                }
                threads_.emplace_back(compute);
            }
            catch (const std::system_error&) {
                break;  // no more threads to be had: go on with those there are
            }
            catch (const std::bad_alloc&) {
                break;
            }
        }
        ring_.add_workers(threads_.size());
    }

    void join()
    {
        ring_.end();
        for (std::thread& t : threads_) {
            if (t.joinable()) {
                t.join();
            }
        }
    }

    std::size_t size() const
    {
        return threads_.size();
    }

  private:
    row_ring<T>& ring_;
    std::vector<std::thread> threads_;
};

}  // namespace engine::detail
