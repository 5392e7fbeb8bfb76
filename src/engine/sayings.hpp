// What a run says beside its rows, as lines a face prints (each after its
// own lead, such as the program's name): the rows that missed, the draws
// computed and their seed, and the shares of a summary of draws.
#pragma once

#include "engine/run.hpp"
#include "engine/spread.hpp"
#include "engine/sweep.hpp"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace engine {

// Row i that missed: "design I of N (VALUES): WHY", and "; its figures are
// NaN" where a goal was met there.
std::string missed_text(const run& r, std::uint64_t i, const run_row& row);

// After the rows [range) of a run of draws: the draws that missed ("draw I
// and K more: WHY") and the draws computed with their seed.
std::vector<std::string> draws_end(const run& r, const run_summary& ran, shard_range range);

// After a summary of draws: the shares that are no design, that carry each
// note ("warning: ...", followed by what the face adds to it: where_to_look)
// and that meet its condition, then the draws and their seed.
std::vector<std::string>
shares_end(const spread_summary& s, std::uint64_t key,
           const std::function<std::string(const climber::note&)>& where_to_look = {});

}  // namespace engine
