#include "climber/report.hpp"
#include "climber/study.hpp"

#include "capture.hpp"
#include "exact.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct march_printed {
    climber::march_sums sums, silent;
    std::vector<std::string> lines;
};

std::string field(double v, int width, int precision)
{
    char buf[climber::max_fixed_chars + 64];
    char* end = climber::put_fixed(buf, v, width, precision);
    return std::string(buf, end);
}

// What printf gives, with the one blank that a field as wide as its width
// or wider gets so that it never runs into the field before it.
std::string printf_field(double v, int width, int precision)
{
    char bare[climber::max_fixed_chars + 64];
    std::snprintf(bare, sizeof bare, "%.*f", precision, v);
    if (static_cast<int>(std::strlen(bare)) >= width) {
        return std::string(" ") + bare;
    }
    char padded[climber::max_fixed_chars + 64];
    std::snprintf(padded, sizeof padded, "%*.*f", width, precision, v);
    return padded;
}

TEST(Report, FieldsRoundAsPrintfDoes)
{
    struct probe {
        double v;
        int precision;
    };
    const probe probes[] = {
        {0.125, 2},   {0.375, 2},      {2.5, 0},     {3.5, 0},         {-0.125, 2},
        {0.0, 3},     {-0.0, 3},       {-0.0004, 3}, {9.9999996, 5},   {9.9999995, 5},
        {99.9995, 3}, {0.00049999, 3}, {0.0005, 3},  {1.0005, 3},      {35760, 0},
        {1e300, 3},   {-1.5e200, 5},   {5e-324, 5},  {1e-17, 17},      {123456789.125, 2},
        {0.1, 17},    {2.675, 2},      {1.005, 2},   {-99999.9995, 3}, {6.010345, 5},
    };
    for (const probe& p : probes) {
        for (int width : {0, 1, 9, 10, 12}) {
            EXPECT_EQ(field(p.v, width, p.precision), printf_field(p.v, width, p.precision))
                << "value " << p.v << " width " << width << " precision " << p.precision;
        }
    }
}

TEST(Report, RandomValuesInTheReportsRangesRoundAsPrintfDoes)
{
    // Values of the magnitudes the ascent table prints, and random bit
    // patterns of every magnitude.
    std::mt19937_64 gen(20261208);
    std::uniform_real_distribution<double> mantissa(-1, 1);
    std::uniform_int_distribution<int> decade(-6, 7);
    std::uniform_int_distribution<int> precision(0, 6);
    for (int i = 0; i < 4000; ++i) {
        const double v = mantissa(gen) * std::pow(10.0, decade(gen));
        const int p    = precision(gen);
        ASSERT_EQ(field(v, 9, p), printf_field(v, 9, p)) << "value " << v << " precision " << p;
    }
    std::uniform_int_distribution<std::uint64_t> bits;
    for (int i = 0; i < 2000; ++i) {
        const std::uint64_t b = bits(gen);
        double v              = 0;
        std::memcpy(&v, &b, sizeof v);
        if (!std::isfinite(v)) {
            continue;
        }
        ASSERT_EQ(field(v, 10, 3), printf_field(v, 10, 3)) << "value " << v;
    }
}

TEST(Report, ReportTextHandsOverEveryByteInOrder)
{
    std::string got;
    std::string wanted;
    const climber::line_sink out = [&got](std::string_view lines) {
        got += lines;
        return true;
    };
    {
        climber::report_text text(out);
        // Enough lines to fill several pieces, with a long text in between.
        for (int i = 0; i < 20000; ++i) {
            text.fixed(i * 0.5, 10, 1).text(" x");
            text.end_line();
            wanted += printf_field(i * 0.5, 10, 1) + " x\n";
        }
        const std::string long_text(200000, 'y');
        text.text(long_text);
        wanted += long_text;
    }
    EXPECT_EQ(got, wanted);
}

// The march as the report prints it: the same sums as the march alone, a
// row a line, then the legend.
const march_printed& printed()
{
    static const march_printed run = [] {
        march_printed r{};
        const tether::design study{};
        const tether::model m         = tether::compute_model(study);
        const climber::drive_params d = climber::compute_drive_params(study, m);
        std::istringstream text(capture([&](const climber::line_sink& out) {
            r.sums = climber::run_march(out, m, d, climber::plan_march(study, m));
        }));
        for (std::string line; std::getline(text, line);) {
            r.lines.push_back(line);
        }
        r.silent = climber::compute_study(study).sums;
        return r;
    }();
    return run;
}

TEST(Report, PrintedMarchSumsAsTheSilentOne)
{
    EXPECT_BITS(printed().sums.time, printed().silent.time);
    EXPECT_BITS(printed().sums.total, printed().silent.total);
}

TEST(Report, PrintsOneRowPerMultipleOfTwentyKmThenTheLegend)
{
    const std::vector<std::string>& lines = printed().lines;
    ASSERT_EQ(lines.size(), 1789u + 2u);
    for (std::size_t i = 0; i < 1789; ++i) {
        const std::string& row = lines[i];
        ASSERT_EQ(row.size(), 118u) << row;
        ASSERT_EQ(std::stod(row.substr(0, 10)), 20.0 * static_cast<double>(i)) << row;
    }
    // 35767 km is summed but gets no row; the legend follows the 35760 row.
    EXPECT_EQ(lines[1788].substr(0, 10), "     35760");
    EXPECT_EQ(lines[1789], "# altitude  taper    grav     power     speed   time ");
    EXPECT_EQ(lines[1790], "# km                 m/s2     MW        m/s     hours");
}

TEST(Report, MassSummaryShowsTheApexMassApart)
{
    EXPECT_EQ(capture([](const climber::line_sink& out) {
                  climber::print_mass_summary(out, 2275.3355806298227, 0.31581487907122124);
              }),
              "#\n"
              "# Tether mass  2275.02 tonnes\n"
              "# Apex   mass     0.32 tonnes\n"
              "# Total  mass  2275.34 tonnes\n");
}

}  // namespace
