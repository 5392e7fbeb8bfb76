#include "engine/run/sayings.hpp"

#include <fmt/format.h>

namespace engine {

namespace {

// "1 draw", "N draws".
std::string draws_counted(std::uint64_t n)
{
    return fmt::format("{} draw{}", n, n == 1 ? "" : "s");
}

}  // namespace

std::string missed_text(const run& r, std::uint64_t i, const run_row& row)
{
    const grid& g           = r.designs();
    const std::string which = g.sweeps().empty() ? "" : " (" + g.values_text(i) + ")";
    return fmt::format("design {} of {}{}: {}{}", i + 1, g.size(), which, row.why,
                       row.solved ? "; its figures are NaN" : "");
}

std::vector<climber::note> rows_notes(const run& r, const run_summary& ran)
{
    return r.led(all_notes(ran));
}

std::string missed_rows(const run& r, const run_summary& ran)
{
    return ran.missed == 0 ? "" : r.lead(ran.first_missed, ran.missed) + ": " + ran.why;
}

std::vector<std::string> draws_end(const run& r, const run_summary& ran, shard_range range)
{
    std::vector<std::string> out;
    if (ran.missed > 0) {
        out.push_back(missed_rows(r, ran));
    }
    const draw_request& dr    = *r.request().drawn;
    const std::uint64_t total = range.end - range.begin;
    if (dr.saltelli || total == dr.count) {
        out.push_back(fmt::format("{} with seed {}", draws_counted(dr.count), dr.key));
    }
    else {
        out.push_back(fmt::format("{} of {} draws, from draw {}, with seed {}", total, dr.count,
                                  range.begin, dr.key));
    }
    return out;
}

std::string note_share_text(const run& r, const note_share& n)
{
    return share_text(n.of) + ", for example " + r.lead(n.first, 1) + ": " + n.note.text;
}

std::string missed_share(const run& r, const spread_summary& s)
{
    return share_text(s.missed) + " missed a figure, as " + r.lead(s.run.first_missed, 1) + ": " +
           s.run.why;
}

std::vector<std::string>
shares_end(const run& r, const spread_summary& s,
           const std::function<std::string(const climber::note&)>& where_to_look)
{
    std::vector<std::string> out;
    if (s.unbuilt.met > 0) {
        out.push_back(share_text(s.unbuilt) + " are no design");
    }
    for (const note_share& n : s.notes) {
        out.push_back("warning: " + note_share_text(r, n) +
                      (where_to_look ? where_to_look(n.note) : ""));
    }
    if (s.missed.met > 0) {
        out.push_back(missed_share(r, s));
    }
    if (s.where) {
        out.push_back(condition_text(*s.where) + ": " + share_text(s.met));
    }
    out.push_back(
        fmt::format("{} with seed {}", draws_counted(s.run.result.done), r.request().drawn->key));
    return out;
}

std::vector<std::string> indices_doubts(const run& r, const spread_indices& x)
{
    std::vector<std::string> out;
    for (std::size_t c = 0; c < x.of.size(); ++c) {
        const std::string why = x.of[c].doubt(x.parameters, r.lead(x.of[c].heaviest, 1));
        if (!why.empty()) {
            out.push_back(x.figures[c].name + "'s indices cannot be trusted: " + why);
        }
    }
    return out;
}

std::vector<std::string> indices_end(const run& r, const spread_indices& x)
{
    std::vector<std::string> out;
    const std::size_t designs = x.parameters.size() + 2;
    for (std::size_t c = 0; c < x.of.size(); ++c) {
        const sobol_indices& s = x.of[c];
        if (s.rows_used < s.rows) {
            out.push_back(fmt::format("{}: {} of {} rows left out, where one of a row's {} "
                                      "designs gave no value",
                                      x.figures[c].name, s.rows - s.rows_used, s.rows, designs));
        }
    }
    for (const std::string& doubt : indices_doubts(r, x)) {
        out.push_back("warning: " + doubt);
    }
    for (std::string& line : draws_end(r, x.run, {0, r.size()})) {
        out.push_back(std::move(line));
    }
    return out;
}

}  // namespace engine
