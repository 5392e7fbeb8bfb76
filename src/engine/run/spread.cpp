#include "engine/run/spread.hpp"

#include "engine/words/numbers.hpp"
#include "engine/words/text.hpp"

#include "tether/design.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace engine {

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// Each kind of note on the figures and on the designs, in the kinds'
// order, as shares of the draws.
std::vector<note_share> note_shares(const run_summary& s, std::uint64_t draws)
{
    const std::vector<note_tally::entry> all = all_notes(s);
    std::vector<note_share> out;
    out.reserve(all.size());
    for (const note_tally::entry& e : all) {
        out.push_back({e.note, share_of(e.count, draws), e.first});
    }
    return out;
}

}  // namespace

std::vector<column> spread_summary::columns()
{
    return {{"figure", "", "the figure", true},
            {"unit", "", "its unit, the unit of mean to max", true},
            {"computed", "1", "the draws that gave it", false, true},
            {"mean", "", "its mean"},
            {"sd", "", "its standard deviation"},
            {"p5", "", "its 5th percentile"},
            {"p50", "", "its median"},
            {"p95", "", "its 95th percentile"},
            {"min", "", "its least value"},
            {"max", "", "its greatest value"},
            {"unbuilt", "1", "the share of draws that are no design"}};
}

spread_summary summarize(const run& r, const run_settings& s,
                         const std::optional<std::string>& where,
                         const std::function<void(std::uint64_t, const run_row&)>& each)
{
    spread_summary out;
    out.figures = r.figures_shown();
    if (where) {
        out.where = parse_condition(*where, out.figures);
    }
    std::vector<summary_tally> tallies(out.figures.size());
    const std::size_t first = r.columns().size() - out.figures.size();
    std::uint64_t unbuilt   = 0;
    std::uint64_t met       = 0;
    const auto sink         = [&](std::uint64_t i, run_row& row) {
        if (each) {
            each(i, row);
        }
        unbuilt += row.fault ? 1 : 0;
        for (std::size_t c = 0; c < tallies.size(); ++c) {
            tallies[c].add(row.values[first + c]);
        }
        met += out.where && out.where->met_by(row.values.data() + first) ? 1 : 0;
        return true;
    };
    out.run          = r.execute(0, r.size(), sink, s);
    const auto drawn = out.run.result.done;
    out.unbuilt      = share_of(unbuilt, drawn);
    out.met          = share_of(met, drawn);
    out.missed       = share_of(out.run.missed, drawn);
    out.notes        = note_shares(out.run, drawn);
    for (const summary_tally& t : tallies) {
        out.of.push_back(t.result());
    }
    return out;
}

std::vector<column> spread_indices::columns()
{
    return {{"figure", "", "the figure", true},
            {"parameter", "", "the varied parameter", true},
            {"first", "1", "its first-order index"},
            {"first_low", "1", "the first-order index's 95 % interval, from"},
            {"first_high", "1", "to"},
            {"total", "1", "its total-effect index"},
            {"total_low", "1", "the total-effect index's 95 % interval, from"},
            {"total_high", "1", "to"}};
}

spread_indices indices_of(const run& r, const run_settings& s)
{
    const draw_request& dr = *r.request().drawn;
    spread_indices out;
    out.figures = r.figures_shown();
    for (const varied& v : dr.vary) {
        out.parameters.emplace_back(v.param->name);
    }
    const std::size_t first = r.columns().size() - out.figures.size();
    std::vector<std::vector<double>> f(
        out.figures.size(), std::vector<double>(static_cast<std::size_t>(r.size()), nan));
    const auto sink = [&](std::uint64_t m, run_row& row) {
        for (std::size_t c = 0; c < f.size(); ++c) {
            f[c][static_cast<std::size_t>(m)] = row.values[first + c];
        }
        return true;
    };
    out.run = r.execute(0, r.size(), sink, s);
    if (out.run.result.stopped || out.run.result.done < r.size()) {
        return out;
    }
    // The bootstrap takes as long as the rows at times: it hears the stop too.
    poller poll(s.poll);
    const std::function<bool()> stopped = [&] {
        poll();
        return stop_set(s.stop);
    };
    for (const std::vector<double>& values : f) {
        out.of.push_back(
            estimate_indices(values, dr.vary.size(), dr.key, bootstrap_resamples, stopped));
        if (stopped()) {
            out.run.result.stopped = true;
            out.of.clear();
            return out;
        }
    }
    return out;
}

std::string share_text(const share& s)
{
    // Three digits: the interval's width is seldom below a tenth of the share.
    const auto percent = [](double v) { return tether::message_number(100 * v, 3); };
    return percent(s.value) + " % of the draws (" + std::to_string(s.met) + " of " +
           std::to_string(s.total) + "; 95 % interval " + percent(s.low) + " to " +
           percent(s.high) + " %)";
}

std::string condition_text(const condition& c)
{
    std::string out;
    for (const bound& b : c.all) {
        out += (out.empty() ? "" : ",") + b.figure + (b.below ? "<" : ">") + shortest(b.value);
    }
    return out;
}

std::string distribution_text(const distribution& d)
{
    std::string out = named_name(distributions(), d.kind);
    for (double v : d.numbers) {
        out += ":" + shortest(v);
    }
    return out;
}

namespace {

// A share as metadata: met, of, share, low, high.
meta_value share_meta(const share& s)
{
    meta_value out;
    out.add("met", meta_value::of_count(s.met)).add("of", meta_value::of_count(s.total));
    out.add("share", meta_value::of_number(s.value));
    out.add("low", meta_value::of_number(s.low)).add("high", meta_value::of_number(s.high));
    return out;
}

}  // namespace

meta_value draws_meta(const run& r, const spread_summary* s, const spread_indices* x)
{
    const draw_request& dr = *r.request().drawn;
    meta_value vary;
    for (const varied& v : dr.vary) {
        vary.add(v.param->name, meta_value::of_text(distribution_text(v.dist)));
    }
    meta_value out;
    // The seed by its earlier name too, "key", for readers written before.
    out.add("seed", meta_value::of_count(dr.key)).add("key", meta_value::of_count(dr.key));
    out.add("samples", meta_value::of_count(dr.count));
    out.add("method", meta_value::of_text(named_name(methods(), r.request().figures.how)));
    out.add("vary", std::move(vary));
    if (s != nullptr) {
        meta_value warnings = meta_value::list();
        for (const note_share& n : s->notes) {
            warnings.add(share_meta(n.of).add("text", meta_value::of_text(n.note.text)));
        }
        out.add("unbuilt", share_meta(s->unbuilt)).add("warnings", std::move(warnings));
        out.add("missed", share_meta(s->missed));
        if (s->where) {
            out.add("where", share_meta(s->met).add(
                                 "condition", meta_value::of_text(condition_text(*s->where))));
        }
    }
    if (x != nullptr) {
        meta_value left_out;
        for (std::size_t c = 0; c < x->of.size(); ++c) {
            left_out.add(x->figures[c].name,
                         meta_value::of_count(x->of[c].rows - x->of[c].rows_used));
        }
        out.add("left_out", std::move(left_out));
    }
    return out;
}

std::string draws_metadata(const run& r, const spread_summary* s, const spread_indices* x)
{
    return metadata_line(draws_meta(r, s, x));
}

table summary_table(const run& r, const spread_summary& s)
{
    table out{spread_summary::columns()};
    for (std::size_t c = 0; c < s.figures.size(); ++c) {
        const figure_summary& f = s.of[c];
        out.rows.push_back({{static_cast<double>(f.computed), f.mean, f.sd, f.p5, f.p50, f.p95,
                             f.min, f.max, s.unbuilt.value},
                            {s.figures[c].name, s.figures[c].unit}});
    }
    out.metadata = draws_meta(r, &s);
    return out;
}

table indices_table(const run& r, const spread_indices& x)
{
    table out{spread_indices::columns()};
    for (std::size_t c = 0; c < x.of.size(); ++c) {
        for (std::size_t i = 0; i < x.parameters.size(); ++i) {
            const sobol_index& v = x.of[c].of[i];
            out.rows.push_back(
                {{v.first, v.first_low, v.first_high, v.total, v.total_low, v.total_high},
                 {x.figures[c].name, x.parameters[i]}});
        }
    }
    out.metadata = draws_meta(r, nullptr, &x);
    return out;
}

}  // namespace engine
