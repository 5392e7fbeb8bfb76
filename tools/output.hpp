// What tether-explore does with standard output: rows written whole to a
// pipe or a file, a progress line on a terminal, and a check at the end
// that everything written reached it.
#pragma once

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace tools {

// Checks that everything written to out reached it. On failure prints
// "PROGRAM: write error: REASON" on standard error and returns 1, else 0.
inline int finish_output(std::FILE* out, const char* program)
{
    // The stream remembers any failed write, so one check at the end covers
    // every piece of the output.
    errno = 0;
    if (std::fflush(out) == 0 && std::ferror(out) == 0) {
        return 0;
    }
    const int err = errno != 0 ? errno : EIO;
    std::fprintf(stderr, "%s: write error: %s\n", program, std::strerror(err));
    return 1;
}

// "done/total designs, elapsed, about N s left": the estimate of the time
// left after spent seconds, done of total designs in (0 before any is done).
double seconds_left(double spent, std::uint64_t done, std::uint64_t total);

// Shows and clears the progress line on standard error.
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

}  // namespace tools
