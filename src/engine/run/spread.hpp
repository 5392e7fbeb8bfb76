// What many draws say: each figure's summary and the shares of the draws
// that are no design, that carry each note or meet a condition; and which
// varied input drives each figure's spread. Both compute a run of draws
// (run_request::drawn) on the face's cores and keep no row: a summary's
// memory does not grow with the number of draws.
#pragma once

#include "engine/run/run.hpp"
#include "engine/uncertainty/indices.hpp"
#include "engine/uncertainty/statistics.hpp"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace engine {

// A row of text and numbers under columns some of which hold text.
struct labelled_row {
    std::vector<std::string> texts;
    std::vector<double> values;
};

struct note_share {
    climber::note note;       // the first draw's
    share of;                 // of every draw
    std::uint64_t first = 0;  // the first draw's index
};

struct spread_summary {
    std::vector<column> figures;
    std::vector<figure_summary> of;    // one per figure, in order
    share unbuilt;                     // the draws that are no design
    std::vector<note_share> notes;     // each kind of note on the draws, in the kinds' order
    std::optional<condition> where{};  // the condition asked for, and its share
    share met{};
    share missed{};     // the draws with a figure that missed
    run_summary run{};  // the misses, and whether the run was stopped
    // The columns figure, unit, computed, mean, sd, p5, p50, p95, min, max,
    // unbuilt; a row per figure.
    static std::vector<column> columns();
    std::vector<labelled_row> rows() const;
};

// Summarises the run's draws (a run of drawn rows); `where` is parsed
// against its figures (throws usage_error). Each row is also handed to
// `each`, where given, in order.
spread_summary summarize(const run& r, const run_settings& s,
                         const std::optional<std::string>& where = std::nullopt,
                         const std::function<void(std::uint64_t, const run_row&)>& each = {});

struct spread_indices {
    std::vector<column> figures;
    std::vector<std::string> parameters;
    std::vector<sobol_indices> of;  // one per figure, in order
    run_summary run{};
    // The columns figure, parameter, first, first_low, first_high, total,
    // total_low, total_high; a row per figure and varied parameter.
    static std::vector<column> columns();
    std::vector<labelled_row> rows() const;
};

// The Sobol indices of every figure of a run of Saltelli's design
// (draw_request::saltelli), bootstrapped with the run's key. Once s.stop is
// set, while the rows are computed or the bootstrap runs (which polls as
// the rows do), the run says it stopped and there are no indices.
spread_indices indices_of(const run& r, const run_settings& s);

// A share as people read it: "31.2 % of the draws (312 of 1000; 95 %
// interval 28.4 to 34.2 %)".
std::string share_text(const share& s);
// "time<100", or "time<100,mre>16".
std::string condition_text(const condition& c);
// "lognormal:35:1.5".
std::string distribution_text(const distribution& d);

// What a run of draws was, as one JSON line before its rows:
// {"metadata":{"seed":K,"key":K,"samples":N,"method":M,"vary":{NAME:DIST,...}}},
// with a summary's shares too ("unbuilt", "warnings", "missed", "where"),
// or the indices' rows left out by figure ("left_out":{FIGURE:COUNT,...}).
std::string draws_metadata(const run& r, const spread_summary* s,
                           const spread_indices* x = nullptr);

}  // namespace engine
