// What a run says beside its rows: the design a missed row is, counted from
// 1 with its swept values; the draws computed, whole or a shard's; a
// summary's shares in order with the key last.
#include "engine/run/sayings.hpp"

#include "engine/answers/solve.hpp"
#include "engine/uncertainty/draws.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A run seeking a time no strength gives, over the axes.
engine::run unreachable(std::vector<engine::axis> axes)
{
    engine::run_request q{tether::design{}, std::move(axes)};
    q.figures = {climber::method::integral};
    q.sought  = engine::read_goal("strength=10:300", "time=1");
    return engine::run(q);
}

TEST(Sayings, MissedRowsNamedFromOneWithTheirValues)
{
    const engine::run grid       = unreachable({{"vmax=50,100"}});
    const engine::run_row second = grid.row(1);
    ASSERT_TRUE(second.missed);
    EXPECT_EQ(engine::missed_text(grid, 1, second),
              "design 2 of 2 (vmax=100): " + second.why + "; its figures are NaN");
    const engine::run one     = unreachable({});
    const engine::run_row row = one.row(0);
    EXPECT_EQ(engine::missed_text(one, 0, row),
              "design 1 of 1: " + row.why + "; its figures are NaN");
}

engine::run drawn(bool saltelli)
{
    engine::run_request q;
    q.drawn = engine::draw_request{{engine::parse_varied("strength=normal:35:1")}, 10, 7, saltelli};
    q.figures = {climber::method::integral};
    return engine::run(q);
}

TEST(Sayings, DrawsWholeOrAShardWithTheirSeed)
{
    const engine::run r = drawn(false);
    EXPECT_EQ(engine::draws_end(r, {}, {0, 10}), std::vector<std::string>{"10 draws with seed 7"});
    EXPECT_EQ(engine::draws_end(r, {}, {3, 6}),
              std::vector<std::string>{"3 of 10 draws, from draw 3, with seed 7"});
    engine::run_summary missed;
    missed.missed       = 3;
    missed.first_missed = 4;
    missed.why          = "why";
    EXPECT_EQ(engine::draws_end(r, missed, {0, 10}),
              (std::vector<std::string>{r.lead(4, 3) + ": why", "10 draws with seed 7"}));
    // Saltelli's design computes more designs than draws: its count is said;
    // its designs are named from 1 of all, as a grid's.
    const engine::run s = drawn(true);
    ASSERT_EQ(s.size(), 30u);
    EXPECT_EQ(engine::draws_end(s, {}, {0, s.size()}),
              std::vector<std::string>{"10 draws with seed 7"});
    engine::spread_summary one;
    one.run.result.done = 1;
    EXPECT_EQ(engine::shares_end(s, one), std::vector<std::string>{"1 draw with seed 7"});
    EXPECT_EQ(s.lead(29, 1).rfind("design 30 of 30 (strength=", 0), 0u) << s.lead(29, 1);
}

TEST(Sayings, IndicesSayTheRowsLeftOutAndWhyTheyCannotBeTrusted)
{
    const engine::run r = drawn(true);
    const engine::sobol_index one{0.5, 0.4, 0.6, 0.5, 0.4, 0.6};
    const engine::spread_indices x{{{"time", "h", ""}}, {"strength"}, {{{one}, 7, 10, 4, 0.75}}};
    EXPECT_EQ(engine::indices_end(r, x),
              (std::vector<std::string>{
                  "time: 3 of 10 rows left out, where one of a row's 3 designs gave no value",
                  "warning: time's indices cannot be trusted: " +
                      x.of[0].doubt(x.parameters, r.lead(4, 1)),
                  "10 draws with seed 7"}));
}

TEST(Sayings, SharesInOrderAndTheKeyLast)
{
    const engine::run r = drawn(false);
    engine::spread_summary s;
    s.unbuilt           = engine::share_of(0, 10);
    s.run.result.done   = 10;
    const auto key_line = std::vector<std::string>{"10 draws with seed 7"};
    EXPECT_EQ(engine::shares_end(r, s), key_line);  // no draw unbuilt, no note, no condition
    s.unbuilt = engine::share_of(2, 10);
    s.notes.push_back({climber::note{climber::note_kind{}, "a note", ""}, engine::share_of(5, 10)});
    s.missed           = engine::share_of(3, 10);
    s.run.first_missed = 6;
    s.run.why          = "why";
    s.where            = engine::parse_condition("time<100", engine::figure_columns());
    s.met              = engine::share_of(4, 10);
    const std::vector<std::string> lines = engine::shares_end(r, s);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], engine::share_text(s.unbuilt) + " are no design");
    EXPECT_EQ(lines[1], "warning: " + engine::share_text(s.notes[0].of) + ", for example " +
                            r.lead(0, 1) + ": a note");
    EXPECT_EQ(lines[2],
              engine::share_text(s.missed) + " missed a figure, as " + r.lead(6, 1) + ": why");
    EXPECT_EQ(lines[3], "time<100: " + engine::share_text(s.met));
    EXPECT_EQ(lines[4], key_line[0]);
}

}  // namespace
