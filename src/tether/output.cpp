#include "tether/output.hpp"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>

namespace tether {

char* put_fixed(char* at, double value, int width, int precision)
{
    // The digits go one place in, leaving room for the guaranteed blank.
    char* digits = at + 1;
#if defined(__cpp_lib_to_chars)
    const auto r =
        std::to_chars(digits, digits + max_fixed_chars, value, std::chars_format::fixed, precision);
    const auto n = static_cast<int>(r.ptr - digits);
#else
    // No floating-point to_chars (Emscripten's libc++): printf itself.
    const int n = std::snprintf(digits, max_fixed_chars, "%.*f", precision, value);
#endif
    const int pad = n < width ? width - n : 1;
    std::memmove(at + pad, digits, static_cast<std::size_t>(n));
    std::memset(at, ' ', static_cast<std::size_t>(pad));
    return at + pad + n;
}

report_text::report_text(std::FILE* out) : out_(out), buf_(piece + 16 * max_fixed_chars) {}

report_text::~report_text()
{
    flush();
}

report_text& report_text::fixed(double value, int width, int precision)
{
    if (buf_.size() - used_ < max_fixed_chars + 1) {
        flush();
    }
    char* end = put_fixed(buf_.data() + used_, value, width, precision);
    used_     = static_cast<std::size_t>(end - buf_.data());
    return *this;
}

report_text& report_text::text(std::string_view s)
{
    if (buf_.size() - used_ < s.size() + 1) {
        flush();
        if (buf_.size() < s.size() + 1) {
            std::fwrite(s.data(), 1, s.size(), out_);
            return *this;
        }
    }
    std::memcpy(buf_.data() + used_, s.data(), s.size());
    used_ += s.size();
    return *this;
}

void report_text::end_line()
{
    buf_[used_++] = '\n';
    if (used_ >= piece) {
        flush();
    }
}

void report_text::flush()
{
    if (used_ > 0) {
        std::fwrite(buf_.data(), 1, used_, out_);
        used_ = 0;
    }
}

int finish_output(std::FILE* out, const char* program)
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

}  // namespace tether
