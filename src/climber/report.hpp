// The study's report: its six blocks, each written by the function named
// for it, in whole lines to a sink that the program provides (standard
// output, a row writer, a string). Nothing else in the library prints.
//
// Numbers are formatted as printf's %W.Pf and %W.Pe format them, in the
// POSIX locale whatever the process's locale is.
#pragma once

#include "climber/drive.hpp"
#include "climber/march.hpp"
#include "climber/study.hpp"
#include "tether/design.hpp"
#include "tether/model.hpp"
#include "tether/positions.hpp"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace climber {

// Where the report's text goes: one or more whole lines at a time. A sink
// that returns false ends the report early (a failed write, a stop).
using line_sink = std::function<bool(std::string_view)>;

// Room that put_fixed may need: the widest binary64 in fixed notation with
// max_precision decimals, a sign and a blank.
inline constexpr int max_precision           = 17;
inline constexpr std::size_t max_fixed_chars = 309 + 1 + max_precision + 2;

// Writes value right-aligned in a field of at least width characters with
// precision decimals (at most max_precision), as "%W.Pf", except that a value
// as wide as its field or wider gets one blank before it, so that it never
// runs into the field before. Returns the end of what it wrote.
char* put_fixed(char* at, double value, int width, int precision);

// Report text built in memory and handed to a sink in large pieces of whole
// lines.
class report_text {
  public:
    explicit report_text(const line_sink& out);
    report_text(const report_text&)            = delete;
    report_text& operator=(const report_text&) = delete;
    ~report_text();

    report_text& fixed(double value, int width, int precision);
    report_text& text(std::string_view s);
    // Ends a line; hands the text over once a piece is full.
    void end_line();
    void flush();
    // False once the sink has refused a piece.
    bool ok() const
    {
        return ok_;
    }

  private:
    static constexpr std::size_t piece = 65536;
    const line_sink& out_;
    std::vector<char> buf_;
    std::size_t used_ = 0;
    bool ok_          = true;
};

// Block A: the drive parameters.
bool print_drive_params(const line_sink& out, const drive_params& d);

// Blocks B and C: marches from 0 to ztop, writing a row of the ascent table
// at every row's point, then the legend. Ends early, with sums marked
// stopped, once *stop is set or the sink refuses a row.
march_sums run_march(const line_sink& out, const tether::model& m, const drive_params& d,
                     const march_plan& plan, const std::atomic<int>* stop = nullptr);

// Block D: the material.
bool print_cnt_properties(const line_sink& out, const tether::design& d, const tether::model& m);

// Block E: the tether at APEX, GEO and RE.
bool print_positions(const line_sink& out, const tether::design& d, const tether::model& m,
                     const tether::positions& p);

// Block F: the mass summary.
bool print_mass_summary(const line_sink& out, double total, double mapex);

// The whole report of a design that passes check with rows: blocks A to F
// in order. Returns the study it printed, its sums marked stopped where the
// report ended early (the sink refused, or *stop was set).
study print_report(const line_sink& out, const tether::design& d,
                   const std::atomic<int>* stop = nullptr);

// The number of lines of the report of a design.
std::uint64_t report_lines(const march_plan& plan);

}  // namespace climber
