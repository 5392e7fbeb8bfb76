#include "climber/report.hpp"

#include <charconv>
#include <cstdio>
#include <cstring>

namespace climber {

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

report_text::report_text(const line_sink& out) : out_(out), buf_(piece + 16 * max_fixed_chars) {}

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
            ok_ = ok_ && out_(s);
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
        ok_   = ok_ && out_(std::string_view(buf_.data(), used_));
        used_ = 0;
    }
}

namespace {

// One line (or a few) from a printf template, in the POSIX locale's
// notation: the program sets no locale, and neither may a caller's change
// the decimal point (the number writers below read none).
template <class... Args> bool line(const line_sink& out, const char* format, Args... values)
{
    char text[256];
    const int n = std::snprintf(text, sizeof text, format, values...);
    return n >= 0 && out(std::string_view(text, static_cast<std::size_t>(n)));
}

}  // namespace

bool print_drive_params(const line_sink& out, const drive_params& d)
{
    return line(out, "# %12.3e  gee0  \n", d.gee0) && line(out, "# %12.3e  rhog  \n", d.rhog) &&
           line(out, "# %12.3e  fvg   \n", d.fvg) && line(out, "# %12.3e  fmax  \n", d.fmax) &&
           line(out, "# %12.3e  zg    \n", d.zg);
}

march_sums run_march(const line_sink& out, const tether::model& m, const drive_params& d,
                     const march_plan& plan, const std::atomic<int>* stop)
{
    report_text text(out);
    const auto stopped = [&] {
        return !text.ok() || (stop != nullptr && stop->load(std::memory_order_relaxed) != 0);
    };
    const march_sums s = march_until(
        m, d, plan,
        [&](const drive_point& p, double time) {
            text.fixed(p.alt, 10, 0)
                .fixed(p.taper, 9, 5)
                .fixed(p.grav, 9, 5)
                .fixed(p.pused / 1000000, 9, 5)
                .fixed(p.speed, 9, 3)
                .fixed(time, 9, 3);
            text.fixed(p.surplus / 1000000, 9, 3).fixed(p.grav / p.taper, 9, 3);
            // Travel time less 1, 2, 3, 4 and 6 days.
            text.fixed(time - 24, 9, 3)
                .fixed(time - 48, 9, 3)
                .fixed(time - 72, 9, 3)
                .fixed(time - 96, 9, 3)
                .fixed(time - 144, 9, 3);
            text.end_line();
        },
        stopped);
    if (s.stopped) {
        return s;
    }
    text.text("# altitude  taper    grav     power     speed   time \n");
    text.text("# km                 m/s2     MW        m/s     hours\n");
    text.flush();
    march_sums ended = s;
    ended.stopped    = !text.ok();
    return ended;
}

bool print_cnt_properties(const line_sink& out, const tether::design& d, const tether::model& m)
{
    return out("#\n# CNT properties ------\n") &&
           line(out, "# strength=%8.4f GPa    density=%8.2f kg/m^3  yuri=%8.4f MYuri\n",
                d.tether.strength, d.tether.density, m.yuri);
}

bool print_positions(const line_sink& out, const tether::design& d, const tether::model& m,
                     const tether::positions& p)
{
    // APEX acceleration is outward, hence negative. GEO is the energy
    // reference: a plain zero, never a computed -0.
    return out("#\n#                 position:   APEX         GEO          RE\n") &&
           line(out, "# Acceleration   m/s\u00b2   %10.6f              %10.6f\n", -1000 * p.aapex,
                1000 * p.gre) &&
           line(out, "# cross section (mm)\u00b2   %10.6f  %10.6f  %10.6f\n", p.cs_apex,
                d.tether.csgeo, p.cs_re) &&
           line(out, "# energy         MJ/kg  %10.6f  %10.6f  %10.6f\n", -m.eapex, 0.0, m.ere) &&
           line(out, "# taper                 %10.6f  %10.6f  %10.6f\n", m.taper_apex, 1.0,
                m.taper_re) &&
           line(out, "# Strength       kN     %10.2f  %10.2f  %10.2f\n", p.s_apex, p.sgeo,
                p.s_re) &&
           line(out, "# Supported mass tonnes %10.2f              %10.3f\n", p.mapex, p.mre);
}

bool print_mass_summary(const line_sink& out, double total, double mapex)
{
    return line(out, "#\n# Tether mass %8.2f tonnes\n", total - mapex) &&
           line(out, "# Apex   mass %8.2f tonnes\n", mapex) &&
           line(out, "# Total  mass %8.2f tonnes\n", total);
}

study print_report(const line_sink& out, const tether::design& d, const std::atomic<int>* stop)
{
    study s{};
    s.model     = tether::compute_model(d);
    s.positions = tether::compute_positions(d, s.model);
    s.drive     = compute_drive_params(d, s.model);
    s.plan      = plan_march(d, s.model);

    s.sums.stopped = !print_drive_params(out, s.drive);
    if (s.sums.stopped) {
        return s;
    }
    s.sums         = run_march(out, s.model, s.drive, s.plan, stop);
    s.sums.stopped = s.sums.stopped || !print_cnt_properties(out, d, s.model) ||
                     !print_positions(out, d, s.model, s.positions) ||
                     !print_mass_summary(out, s.sums.total, s.positions.mapex);
    return s;
}

std::uint64_t report_lines(const march_plan& plan)
{
    // Blocks A, C, D, E and F around one line per row.
    return 5 + static_cast<std::uint64_t>(plan.rows()) + 2 + 3 + 8 + 4;
}

}  // namespace climber
