#include "output.hpp"

#include <algorithm>
#include <climits>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tools {

double seconds_left(double spent, std::uint64_t done, std::uint64_t total)
{
    if (done == 0 || done >= total) {
        return 0;
    }
    return spent * static_cast<double>(total - done) / static_cast<double>(done);
}

progress_line::progress_line(bool enabled, std::uint64_t total) : enabled_(enabled), total_(total)
{
}

progress_line::~progress_line()
{
    clear();
}

void progress_line::show(std::uint64_t done)
{
    const auto now = clock::now();
    if (!enabled_ || now - start_ < std::chrono::seconds(1) ||
        now - drawn_ < std::chrono::milliseconds(250)) {
        return;
    }
    drawn_             = now;
    const double spent = std::chrono::duration<double>(now - start_).count();
    std::fprintf(stderr, "\r%llu/%llu designs, %.0f s, about %.0f s left\033[K",
                 static_cast<unsigned long long>(done), static_cast<unsigned long long>(total_),
                 spent, seconds_left(spent, done, total_));
    std::fflush(stderr);
    shown_ = true;
}

void progress_line::clear()
{
    if (shown_) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        shown_ = false;
    }
}

row_output::row_output(int fd, std::atomic<int>* stop) : fd_(fd), stop_(stop), limit_(65536)
{
    struct stat st {};
    if (fstat(fd, &st) == 0) {
        pipe_    = S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode);
        regular_ = S_ISREG(st.st_mode);
    }
    if (pipe_) {
        limit_ = PIPE_BUF;
    }
    if (regular_) {
        // Appending, the offset says nothing of where the writes go (it may
        // be 0 for a file of any size): the file's end does.
        const int flags = fcntl(fd, F_GETFL);
        append_         = flags >= 0 && (flags & O_APPEND) != 0;
        floor_          = append_ ? static_cast<long long>(st.st_size) : lseek(fd, 0, SEEK_CUR);
    }
}

bool row_output::put(const std::string& text, std::uint64_t rows)
{
    if (error_ != 0 || stopped_) {
        return false;
    }
    if (!pending_.empty() && pending_.size() + text.size() > limit_ && !flush()) {
        return false;
    }
    pending_ += text;
    pending_rows_ += rows;
    return pending_.size() < limit_ || flush();
}

bool row_output::flush()
{
    if (error_ != 0 || stopped_) {
        return false;
    }
    if (pending_.empty()) {
        return true;
    }
    if (!write_out(pending_.data(), pending_.size())) {
        return false;
    }
    rows_written_ += pending_rows_;
    pending_.clear();
    pending_rows_ = 0;
    return true;
}

bool row_output::wait_for_room()
{
    // Until the reader makes room, hearing a stop meanwhile; a write of at
    // most PIPE_BUF bytes then goes in whole.
    for (;;) {
        pollfd p{fd_, POLLOUT, 0};
        const int ready = poll(&p, 1, 100);
        if (stop_ != nullptr && stop_->load() != 0) {
            stopped_ = true;
            return false;
        }
        if (ready > 0 || (ready < 0 && errno != EINTR)) {
            return true;
        }
    }
}

void row_output::cut_back(std::size_t partial)
{
    // A partly written piece is cut back to the last whole row. Bytes this
    // run did not write are never cut: appending, the file must still end
    // with this run's own bytes, or another writer has appended since.
    if (!regular_ || floor_ < 0 || partial == 0) {
        return;
    }
    const long long good_end = floor_ + whole_;
    if (append_) {
        struct stat st {};
        if (fstat(fd_, &st) != 0 ||
            static_cast<long long>(st.st_size) != good_end + static_cast<long long>(partial)) {
            torn_ = true;
            return;
        }
    }
    if (ftruncate(fd_, static_cast<off_t>(good_end)) != 0) {
        torn_ = true;
        return;
    }
    if (!append_) {
        lseek(fd_, static_cast<off_t>(good_end), SEEK_SET);
    }
}

bool row_output::write_out(const char* data, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        if (pipe_ && done == 0 && !wait_for_room()) {
            return false;
        }
        const ssize_t n = write(fd_, data + done, size - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            error_ = n < 0 ? errno : EIO;
            cut_back(done);
            if (stop_ != nullptr) {
                int unset = 0;
                stop_->compare_exchange_strong(unset, stop_after_write_error);
            }
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    whole_ += static_cast<long long>(size);
    return true;
}

}  // namespace tools
