#include "engine/sayings.hpp"

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

std::vector<std::string> draws_end(const run& r, const run_summary& ran, shard_range range)
{
    std::vector<std::string> out;
    if (ran.missed > 0) {
        out.push_back(
            fmt::format("draw {} and {} more: {}", ran.first_missed, ran.missed - 1, ran.why));
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

std::vector<std::string>
shares_end(const spread_summary& s, std::uint64_t key,
           const std::function<std::string(const climber::note&)>& where_to_look)
{
    std::vector<std::string> out;
    if (s.unbuilt.met > 0) {
        out.push_back(share_text(s.unbuilt) + " are no design");
    }
    for (const note_share& n : s.notes) {
        out.push_back("warning: " + share_text(n.of) + ": " + n.note.text +
                      (where_to_look ? where_to_look(n.note) : ""));
    }
    if (s.where) {
        out.push_back(condition_text(*s.where) + ": " + share_text(s.met));
    }
    out.push_back(fmt::format("{} with seed {}", draws_counted(s.run.result.done), key));
    return out;
}

}  // namespace engine
