// What a run says beside its rows, as lines a face prints (each after its
// own lead, such as the program's name): the notes on the rows, the rows
// that missed, the draws computed and their seed, the shares of a summary of
// draws, and what the indices leave out and whether they can be trusted.
#pragma once

#include "engine/run/run.hpp"
#include "engine/run/spread.hpp"
#include "engine/run/sweep.hpp"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace engine {

// Row i that missed: "design I of N (VALUES): WHY", and "; its figures are
// NaN" where a goal was met there.
std::string missed_text(const run& r, std::uint64_t i, const run_row& row);

// The notes on the rows of a run, each kind once (on their figures and on
// their designs), each led by run::lead: what every face says of the same
// rows, the command line as warnings, Python as DesignWarning.
std::vector<climber::note> rows_notes(const run& r, const run_summary& ran);

// The rows that missed ("LEAD: WHY", run::lead's), or empty.
std::string missed_rows(const run& r, const run_summary& ran);

// After the rows [range) of a run of draws: missed_rows() and the draws
// computed with their seed.
std::vector<std::string> draws_end(const run& r, const run_summary& ran, shard_range range);

// A note's share of a summary's draws, its numbers said to be an example's:
// "SHARE, for example draw I (VALUES): NOTE".
std::string note_share_text(const run& r, const note_share& n);

// The share of a summary's draws that missed, with the first's lead and
// why.
std::string missed_share(const run& r, const spread_summary& s);

// After a summary of draws: the shares that are no design, that carry each
// note ("warning: " and note_share_text()), that missed (missed_share())
// and that meet its condition, then the draws and their seed.
// where_to_look: what the face adds to a note.
std::vector<std::string>
shares_end(const run& r, const spread_summary& s,
           const std::function<std::string(const climber::note&)>& where_to_look = {});

// Each figure whose indices cannot be trusted: "FIGURE's indices cannot be
// trusted: WHY" (sobol_indices::doubt, its heaviest point named by its
// lead).
std::vector<std::string> indices_doubts(const run& r, const spread_indices& x);

// After the indices: each figure's rows left out ("time: 138 of 200 rows
// left out, ..."), indices_doubts() as warnings, then draws_end()'s.
std::vector<std::string> indices_end(const run& r, const spread_indices& x);

}  // namespace engine
