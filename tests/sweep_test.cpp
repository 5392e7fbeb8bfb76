#include "engine/answers/solve.hpp"
#include "engine/run/run.hpp"
#include "engine/run/sweep.hpp"
#include "engine/threads/runner.hpp"
#include "engine/uncertainty/draws.hpp"
#include "engine/words/numbers.hpp"
#include "tether/pmath.hpp"

#include "output.hpp"

#include "exact.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::vector<double> values_of(const std::string& text)
{
    return engine::parse_sweep(text).values;
}

std::string error_of(const std::string& text)
{
    try {
        engine::parse_sweep(text);
    }
    catch (const engine::usage_error& e) {
        return e.what();
    }
    return "no error";
}

TEST(Sweep, RangesHitBothEndsExactly)
{
    const std::vector<double> v = values_of("vmax=0.1:1:10");
    ASSERT_EQ(v.size(), 10u);
    EXPECT_BITS(v.front(), 0.1);
    EXPECT_BITS(v.back(), 1.0);
    // FROM + (k (TO - FROM)) / (N - 1), not FROM + k step.
    EXPECT_BITS(v[2], 0.1 + (2 * (1 - 0.1)) / 9);
    EXPECT_BITS(v[7], 0.1 + (7 * (1 - 0.1)) / 9);

    const std::vector<double> g = values_of("strength=0.78:130:7:log");
    ASSERT_EQ(g.size(), 7u);
    EXPECT_BITS(g.front(), 0.78);
    EXPECT_BITS(g.back(), 130.0);
    EXPECT_BITS(g[3], 0.78 * tether::pmath::pow(130 / 0.78, 3.0 / 6));
    for (std::size_t k = 1; k < g.size(); ++k) {
        EXPECT_NEAR(g[k] / g[k - 1], std::pow(130 / 0.78, 1.0 / 6), 1e-12);
    }

    EXPECT_EQ(values_of("vmax=5:5:1"), std::vector<double>{5});
    EXPECT_EQ(values_of(" vmax = 1 : 2 : 2 "), (std::vector<double>{1, 2}));
    EXPECT_EQ(values_of("vmax=100:10:3"), (std::vector<double>{100, 55, 10}));  // descending
    EXPECT_EQ(values_of("vmax=1,2.5,100"), (std::vector<double>{1, 2.5, 100}));
    EXPECT_EQ(values_of("vmax=7"), std::vector<double>{7});
}

TEST(Sweep, LogRangesBeyondTheRatiosRangeGoInLogarithms)
{
    // TO / FROM overflows (or underflows): the values are spaced evenly in
    // logarithms all the same, the ends exactly FROM and TO.
    const std::vector<double> wide = values_of("rhog=1e-160:1e160:3:log");
    ASSERT_EQ(wide.size(), 3u);
    EXPECT_BITS(wide[0], 1e-160);
    EXPECT_NEAR(wide[1], 1, 1e-13);
    EXPECT_BITS(wide[2], 1e160);
    const std::vector<double> down = values_of("rhog=1e300:1e-300:7:log");
    ASSERT_EQ(down.size(), 7u);
    EXPECT_BITS(down.front(), 1e300);
    EXPECT_BITS(down.back(), 1e-300);
    for (std::size_t k = 1; k < down.size(); ++k) {
        EXPECT_TRUE(std::isnormal(down[k])) << k;
        EXPECT_NEAR(std::log10(down[k - 1] / down[k]), 100, 1e-9) << k;
    }
    // Elsewhere the values are FROM pow(TO / FROM, k / (N - 1)), bit for bit
    // (the portable pow, the same on every processor).
    for (const char* text : {"strength=0.78:130:50:log", "vmax=1e-150:1e150:9:log",
                             "rhog=1e300:1e-7:4:log", "dz=3:0.001:11:log"}) {
        const std::vector<double> v = values_of(text);
        const std::string range     = std::string(text).substr(std::string(text).find('=') + 1);
        const double from           = std::stod(range);
        const double to             = std::stod(range.substr(range.find(':') + 1));
        const double m              = static_cast<double>(v.size() - 1);
        for (std::size_t k = 1; k + 1 < v.size(); ++k) {
            EXPECT_BITS(v[k], from * tether::pmath::pow(to / from, static_cast<double>(k) / m))
                << text << ", value " << k;
        }
    }
}

TEST(Sweep, TheRhogWarningNamesItsFirstDesignAndCountsTheRest)
{
    const auto warning_of = [](std::vector<engine::sweep> sweeps) {
        engine::note_tally notes;
        const engine::grid g(std::move(sweeps));
        EXPECT_FALSE(engine::grid_fault(
            g, tether::design{}, [] { return false; }, &notes));
        const std::vector<climber::note> said = notes.notes(g);
        EXPECT_LE(said.size(), 1U);
        return said.empty() ? std::string("none") : said.front().text;
    };
    // The default rhog is the default material's; other strengths depart.
    const std::string plain =
        climber::design_notes(
            engine::grid({engine::parse_sweep("strength=10")}).design_at(tether::design{}, 0))
            .at(0)
            .text;
    EXPECT_EQ(warning_of({engine::parse_sweep("strength=35.1,10,35.1,20,30")}),
              "design 2 of 5 (strength=10) and 2 more: " + plain);
    EXPECT_EQ(
        warning_of({engine::parse_sweep("vmax=1,2"), engine::parse_sweep("strength=35.1,10")}),
        "design 2 of 4 (vmax=1, strength=10) and 1 more: " + plain);
    EXPECT_EQ(warning_of({engine::parse_sweep("strength=35.1,10")}),
              "design 2 of 2 (strength=10): " + plain);
    EXPECT_EQ(warning_of({engine::parse_sweep("strength=35.1,35.1")}), "none");
    EXPECT_EQ(warning_of({}), "none");
}

TEST(Sweep, MistakesSayWhatIsWrong)
{
    const struct {
        const char* text;
        const char* wanted;
    } cases[] = {
        {"vmax=1:2:0", "N = 0: the number of values must be a whole number, 1 or more"},
        {"vmax=1:2:-3", "N = -3: the number of values must be a whole number, 1 or more"},
        {"vmax=1:2:2.5", "N = 2.5: the number of values must be a whole number, 1 or more"},
        {"vmax=1:2:1e8", "N = 1e8: at most 10000000 values"},
        {"vmax=1:2:1", "N = 1 takes one value: FROM and TO must be equal"},
        {"vmax=1e999:2:3", "FROM '1e999' is beyond the largest number, about 1.8e308"},
        {"vmax=0:2:3:log", "a log range needs FROM and TO greater than 0"},
        {"vmax=1:-2:3:log", "a log range needs FROM and TO greater than 0"},
        {"vmax=1:2", "expected FROM:TO:N, FROM:TO:N:log or a list V1,V2,..."},
        {"vmax=1:2:3:lin", "expected FROM:TO:N, FROM:TO:N:log or a list V1,V2,..."},
        {"vmax=1:2:3:log:x", "expected FROM:TO:N, FROM:TO:N:log or a list V1,V2,..."},
        {"vmax=:2:3", "FROM '' is not a finite number"},
        {"vmax=1:nan:3", "TO 'nan' is not a finite number"},
        {"vmax=1,x,3", "value 'x' is not a finite number"},
        {"vmax=1,,3", "value '' is not a finite number"},
        {"vmax=", "value '' is not a finite number"},
        {"speed=1,2", "unknown parameter 'speed'"},
        {"vmax", "expected NAME=FROM:TO:N, NAME=FROM:TO:N:log or NAME=V1,V2,..."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(error_of(c.text), c.wanted) << c.text;
    }
}

TEST(Sweep, GridTakesEveryCombinationFirstSweepOutermost)
{
    const engine::grid g(
        {engine::parse_sweep("strength=10,20"), engine::parse_sweep("vmax=1,2,3")});
    ASSERT_EQ(g.size(), 6u);
    EXPECT_EQ(g.values_at(0), (std::vector<double>{10, 1}));
    EXPECT_EQ(g.values_at(2), (std::vector<double>{10, 3}));
    EXPECT_EQ(g.values_at(3), (std::vector<double>{20, 1}));
    EXPECT_EQ(g.values_at(5), (std::vector<double>{20, 3}));
    // A blank line before each new value of the first sweep, for splot.
    std::string blocks;
    for (std::uint64_t i = 0; i < g.size(); ++i) {
        blocks += g.starts_block(i) ? '|' : '.';
    }
    EXPECT_EQ(blocks, "...|..");

    tether::design base;
    engine::apply_assignment(base, "rhog=auto");
    engine::apply_assignment(base, "vmax=50");
    const tether::design d = g.design_at(base, 4);
    EXPECT_BITS(d.tether.strength, 20.0);
    EXPECT_BITS(d.climber.vmax, 2.0);
    EXPECT_TRUE(tether::is_automatic(d.tether.rhog));

    // Climbers are whole: a log sweep's 9.999999999999998 is 10; goal seek
    // and draws, which give any number, refuse them.
    EXPECT_EQ(engine::grid({engine::parse_sweep("climbers=1:1000:4:log")}).sweeps()[0].values,
              (std::vector<double>{1, 10, 100, 1000}));
    EXPECT_THROW(engine::parse_solve("climbers=1:10"), engine::usage_error);
    EXPECT_THROW(engine::parse_varied("climbers=uniform:1:10"), engine::usage_error);

    // One sweep makes a line, not blocks; no sweep makes one design.
    const engine::grid line({engine::parse_sweep("vmax=1,2,3")});
    EXPECT_FALSE(line.starts_block(1));
    EXPECT_EQ(engine::grid({}).size(), 1u);
}

TEST(Sweep, GridsAreRefusedBeyondTheirLimits)
{
    auto error = [](std::vector<engine::sweep> s) -> std::string {
        try {
            engine::grid g(std::move(s));
        }
        catch (const engine::usage_error& e) {
            return e.what();
        }
        return "no error";
    };
    EXPECT_EQ(error({engine::parse_sweep("vmax=1:2:5000"), engine::parse_sweep("dz=1:2:5000")}),
              "a grid of 25000000 designs is too large; at most 10000000");
    EXPECT_EQ(error({engine::parse_sweep("vmax=1:2:10000"), engine::parse_sweep("dz=1:2:10000"),
                     engine::parse_sweep("rhog=1,2")}),
              "a grid of 100000000 or more designs is too large; at most 10000000");
    EXPECT_EQ(error({engine::parse_sweep("vmax=1:2:5000"), engine::parse_sweep("dz=1:2:2000")}),
              "no error");  // exactly the limit
    EXPECT_EQ(error({engine::parse_sweep("vmax=1:2:5000"), engine::parse_sweep("dz=1:2:2000"),
                     engine::parse_sweep("rhog=1,1")}),
              "a grid of 20000000 designs is too large; at most 10000000");
    // The counts are known before any value is made.
    EXPECT_EQ(engine::sweep_size("vmax=1:2:10000000"), 1e7);
    EXPECT_EQ(engine::sweep_size("vmax=1:2:1e300"), 1e300);
    EXPECT_EQ(engine::sweep_size("vmax=1,2,3"), 3.0);
    EXPECT_EQ(error({engine::parse_sweep("vmax=1,2"), engine::parse_sweep("vmax=3,4")}),
              "vmax is swept twice");
    EXPECT_EQ(error({engine::parse_sweep("vmax=1"), engine::parse_sweep("dz=1"),
                     engine::parse_sweep("rhog=1"), engine::parse_sweep("GM=1")}),
              "at most 3 sweeps make a grid");
}

TEST(Sweep, ShardsSplitTheGridWithoutGapOrOverlap)
{
    for (std::uint64_t m : {0u, 1u, 5u, 64u, 1000u, 10000000u}) {
        for (std::uint64_t n : {1u, 2u, 3u, 7u, 64u, 100u}) {
            std::uint64_t next = 0;
            for (std::uint64_t k = 1; k <= n; ++k) {
                const engine::shard_range r = engine::shard_of(m, k, n);
                ASSERT_EQ(r.begin, next) << m << " designs, shard " << k << "/" << n;
                ASSERT_LE(r.begin, r.end);
                next = r.end;
            }
            ASSERT_EQ(next, m);
        }
    }
    // The documented floor split: of 5 designs, shard 1 of 2 is designs 0 and 1.
    EXPECT_EQ(engine::shard_of(5, 1, 2).begin, 0u);
    EXPECT_EQ(engine::shard_of(5, 1, 2).end, 2u);
    EXPECT_EQ(engine::shard_of(5, 2, 2).begin, 2u);
    EXPECT_EQ(engine::parse_shard("3/8"), (std::pair<std::uint64_t, std::uint64_t>{3, 8}));
    EXPECT_EQ(engine::parse_shard("1/1000000000").second, 1000000000u);
    for (const char* bad :
         {"0/4", "5/4", "4", "a/b", "1/0", "1.5/4", "-1/4", "1/2e9", "1/1000000001"}) {
        EXPECT_THROW(engine::parse_shard(bad), engine::usage_error) << bad;
    }
}

// The rows of [begin, end) as run_in_order hands them over with the given
// jobs, each with the thread that computed it.
struct handed {
    std::vector<std::uint64_t> order;
    std::vector<std::string> rows;
    std::vector<std::thread::id> threads;
};

handed run_rows(unsigned jobs, std::uint64_t begin, std::uint64_t end)
{
    const engine::run g(engine::run_request{tether::design{}, {{"vmax=1:100:40"}}});
    handed h;
    using row_t                                   = std::pair<std::string, std::thread::id>;
    const std::function<row_t(std::uint64_t)> row = [&](std::uint64_t i) {
        std::string text;
        for (double v : g.row(i).values) {
            text += engine::shortest(v) + ",";
        }
        return row_t{text, std::this_thread::get_id()};
    };
    const std::function<bool(std::uint64_t, row_t&)> sink = [&](std::uint64_t i, row_t& r) {
        h.order.push_back(i);
        h.rows.push_back(r.first);
        h.threads.push_back(r.second);
        return true;
    };
    engine::run_settings s;
    s.jobs                          = jobs;
    const engine::run_result result = engine::run_in_order<row_t>(begin, end, row, sink, s);
    EXPECT_EQ(result.done, end - begin);
    EXPECT_FALSE(result.stopped);
    EXPECT_FALSE(result.failed);
    return h;
}

TEST(Sweep, RowsAreTheSameComputedOnTheCallingThread)
{
    // No thread at all: every row is computed here, in order, and the rows
    // are those of three threads.
    const handed here    = run_rows(0, 3, 40);
    const handed threads = run_rows(3, 3, 40);
    ASSERT_EQ(here.order.size(), 37u);
    for (std::size_t k = 0; k < here.order.size(); ++k) {
        EXPECT_EQ(here.order[k], 3 + k);
        EXPECT_EQ(here.threads[k], std::this_thread::get_id()) << "row " << here.order[k];
    }
    EXPECT_EQ(here.order, threads.order);
    EXPECT_EQ(here.rows, threads.rows);
    for (std::thread::id id : threads.threads) {
        EXPECT_NE(id, std::this_thread::get_id());
    }
    EXPECT_TRUE(run_rows(0, 5, 5).order.empty());
}

TEST(Sweep, ProgressEstimateIsZeroBeforeTheFirstDesignAndAtTheEnd)
{
    EXPECT_EQ(tools::seconds_left(10, 0, 100), 0.0);
    EXPECT_EQ(tools::seconds_left(10, 25, 100), 30.0);
    EXPECT_EQ(tools::seconds_left(10, 100, 100), 0.0);
}

// A write that fails before any byte of it is written leaves the file as it
// was: bytes beyond the run's own, there before it (a file opened for
// writing without truncation), are never cut. The file's size limit makes
// the write fail at 100 bytes.
TEST(Sweep, AFailedWriteOfNothingCutsNothing)
{
    char path[]  = "/tmp/tether-rows-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    const std::string before(4096, 'x');
    ASSERT_EQ(write(fd, before.data(), before.size()), static_cast<ssize_t>(before.size()));
    ASSERT_EQ(lseek(fd, 0, SEEK_SET), 0);

    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small        = old;
    small.rlim_cur      = 100;
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    int error = 0;
    {
        tools::row_output out(fd);
        EXPECT_TRUE(out.put(std::string(99, 'a') + "\n") && out.flush());
        EXPECT_FALSE(out.put("b\n") && out.flush());
        error = out.error();
        EXPECT_FALSE(out.torn());
        EXPECT_EQ(out.rows_written(), 1U);
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(error, EFBIG);
    struct stat st {};
    EXPECT_EQ(fstat(fd, &st), 0);
    EXPECT_EQ(st.st_size, 4096);
    close(fd);
    std::remove(path);
}

}  // namespace
