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
            {"computed", "1", "the draws that gave it"},
            {"mean", "", "its mean"},
            {"sd", "", "its standard deviation"},
            {"p5", "", "its 5th percentile"},
            {"p50", "", "its median"},
            {"p95", "", "its 95th percentile"},
            {"min", "", "its least value"},
            {"max", "", "its greatest value"},
            {"unbuilt", "1", "the share of draws that are no design"}};
}

std::vector<labelled_row> spread_summary::rows() const
{
    std::vector<labelled_row> out;
    for (std::size_t c = 0; c < figures.size(); ++c) {
        const figure_summary& f = of[c];
        out.push_back({{figures[c].name, figures[c].unit},
                       {static_cast<double>(f.computed), f.mean, f.sd, f.p5, f.p50, f.p95, f.min,
                        f.max, unbuilt.value}});
    }
    return out;
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

std::vector<labelled_row> spread_indices::rows() const
{
    std::vector<labelled_row> out;
    for (std::size_t c = 0; c < of.size(); ++c) {
        for (std::size_t i = 0; i < parameters.size(); ++i) {
            const sobol_index& x = of[c].of[i];
            out.push_back(
                {{figures[c].name, parameters[i]},
                 {x.first, x.first_low, x.first_high, x.total, x.total_low, x.total_high}});
        }
    }
    return out;
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

std::string json_share(const share& s)
{
    const auto number = [](double v) { return std::isnan(v) ? std::string("null") : shortest(v); };
    return "{\"met\":" + std::to_string(s.met) + ",\"of\":" + std::to_string(s.total) +
           ",\"share\":" + number(s.value) + ",\"low\":" + number(s.low) +
           ",\"high\":" + number(s.high) + "}";
}

}  // namespace

std::string draws_metadata(const run& r, const spread_summary* s, const spread_indices* x)
{
    const draw_request& dr = *r.request().drawn;
    std::string vary;
    for (const varied& v : dr.vary) {
        vary += (vary.empty() ? "" : ",") + json_string(v.param->name) + ":" +
                json_string(distribution_text(v.dist));
    }
    // The seed by its earlier name too, "key", for readers written before.
    std::string out = "{\"metadata\":{\"seed\":" + std::to_string(dr.key) +
                      ",\"key\":" + std::to_string(dr.key) +
                      ",\"samples\":" + std::to_string(dr.count) +
                      ",\"method\":" + json_string(named_name(methods(), r.request().figures.how)) +
                      ",\"vary\":{" + vary + "}";
    if (s != nullptr) {
        out += ",\"unbuilt\":" + json_share(s->unbuilt) + ",\"warnings\":[";
        for (std::size_t i = 0; i < s->notes.size(); ++i) {
            out += (i == 0 ? "" : ",") + json_share(s->notes[i].of);
            out.insert(out.size() - 1, ",\"text\":" + json_string(s->notes[i].note.text));
        }
        out += "],\"missed\":" + json_share(s->missed);
        if (s->where) {
            out += ",\"where\":" + json_share(s->met);
            out.insert(out.size() - 1, ",\"condition\":" + json_string(condition_text(*s->where)));
        }
    }
    if (x != nullptr) {
        out += ",\"left_out\":{";
        for (std::size_t c = 0; c < x->of.size(); ++c) {
            out += (c == 0 ? "" : ",") + json_string(x->figures[c].name) + ":" +
                   std::to_string(x->of[c].rows - x->of[c].rows_used);
        }
        out += "}";
    }
    return out + "}}\n";
}

}  // namespace engine
