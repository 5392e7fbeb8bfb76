// Report text built in memory and handed to a stream in large pieces.
//
// Numbers are formatted as printf's %W.Pf formats them (the binary64 value's
// exact decimal expansion, rounded half to even), with std::to_chars, which
// reads no locale and is several times cheaper than printf.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string_view>
#include <vector>

namespace tether {

// Room that put_fixed may need: the widest binary64 in fixed notation with
// max_precision decimals, a sign and a blank.
inline constexpr int max_precision           = 17;
inline constexpr std::size_t max_fixed_chars = 309 + 1 + max_precision + 2;

// Writes value right-aligned in a field of at least width characters with
// precision decimals (at most max_precision), as "%W.Pf", except that a value
// as wide as its field or wider gets one blank before it, so that it never
// runs into the field before. Returns the end of what it wrote.
char* put_fixed(char* at, double value, int width, int precision);

class report_text {
  public:
    explicit report_text(std::FILE* out);
    report_text(const report_text&)            = delete;
    report_text& operator=(const report_text&) = delete;
    ~report_text();

    report_text& fixed(double value, int width, int precision);
    report_text& text(std::string_view s);
    // Ends a line; hands the text over once a piece is full, so that a write
    // error shows on the stream while the report is still being made.
    void end_line();
    void flush();

  private:
    static constexpr std::size_t piece = 65536;
    std::FILE* out_;
    std::vector<char> buf_;
    std::size_t used_ = 0;
};

// Checks that everything written to out reached it. On failure prints
// "PROGRAM: write error: REASON" on standard error and returns 1, else 0.
int finish_output(std::FILE* out, const char* program);

}  // namespace tether
