#include "engine/run.hpp"

#include <cmath>
#include <limits>
#include <utility>

namespace engine {

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

grid grid_of(const run_request& r)
{
    if (r.table && !r.axes.empty()) {
        throw usage_error("a run takes a grid or a table of designs, not both");
    }
    return read_grid(r.axes, r.limit, r.where);
}

}  // namespace

run::run(run_request r) : request_(std::move(r)), grid_(grid_of(request_))
{
    const climber::figures_request& asked = request_.figures;
    if (request_.sought) {
        selection_ = figure_selection({}, 0);
        figures_   = {climber::method::integral};
        columns_   = solve_columns(grid_, *request_.sought);
        return;
    }
    selection_ = figure_selection(request_.names, asked.modes);
    figures_   = request_for(asked, selection_);
    if (!request_.table) {
        for (const sweep& s : grid_.sweeps()) {
            columns_.push_back({s.param->name, s.param->unit});
        }
    }
    const std::vector<column> all = figure_columns(asked.modes);
    for (std::size_t c : selection_) {
        columns_.push_back(all[c]);
    }
}

std::uint64_t run::size() const
{
    return request_.table ? request_.table->rows : grid_.size();
}

tether::design run::design_at(std::uint64_t i) const
{
    if (!request_.table) {
        return grid_.design_at(request_.base, i);
    }
    const design_table& t = *request_.table;
    tether::design d      = request_.base;
    for (std::size_t c = 0; c < t.params.size(); ++c) {
        t.params[c]->field(d) = t.values[i * t.params.size() + c];
    }
    return d;
}

std::optional<design_fault> run::check(const std::function<bool()>& stop, note_tally* notes) const
{
    return grid_fault(grid_, request_.base, stop, notes);
}

void run::solved_row(const tether::design& d, const std::atomic<int>* stop, run_row& out) const
{
    solution s        = solve(d, *request_.sought, stop);
    const bool solved = s.solved();
    for (double v : solved_values(s)) {
        out.values.push_back(v);
    }
    out.missed = !solved;
    out.why    = solved ? "" : unsolved_reason(s);
    out.notes  = solved_notes(d, *request_.sought, s);
    out.solved = std::move(s);
}

namespace {

// The first value of a table's row i that is not a finite number, as a fault.
std::optional<design_fault> table_fault(const design_table& t, std::uint64_t i)
{
    for (std::size_t c = 0; c < t.params.size(); ++c) {
        const double v = t.values[i * t.params.size() + c];
        if (!std::isfinite(v)) {
            const std::string name = t.params[c]->name;
            const std::string why  = "not a finite number";
            return design_fault{
                name, "", name + " = " + (std::isnan(v) ? "NaN" : shortest(v)) + ": " + why, why};
        }
    }
    return std::nullopt;
}

}  // namespace

run_row run::row(std::uint64_t i, const std::atomic<int>* stop) const
{
    run_row out;
    if (!request_.table) {
        out.values = grid_.values_at(i);
    }
    tether::design d = design_at(i);
    if (request_.sought) {
        solved_row(d, stop, out);
        return out;
    }
    if (request_.table || request_.each_checked) {
        if (request_.table) {
            out.fault = table_fault(*request_.table, i);
        }
        if (!out.fault) {
            out.fault = design_error(d, false);
        }
        if (out.fault) {
            out.values.resize(out.values.size() + selection_.size(), nan);
            return out;
        }
        out.design_notes = climber::design_notes(d);
    }
    const climber::design_figures st = climber::compute_figures(d, figures_, stop);
    for (double v : figure_values(st, selection_, request_.figures.modes)) {
        out.values.push_back(v);
    }
    out.missed = st.missed();
    out.why    = out.missed ? st.why_missed() : "";
    out.notes  = climber::notes(st, figures_.how == climber::method::march && figures_.sums);
    for (climber::note& n : climber::field_notes(st, figures_)) {
        out.notes.push_back(std::move(n));
    }
    return out;
}

run_summary run::execute(std::uint64_t begin, std::uint64_t end,
                         const std::function<bool(std::uint64_t, run_row&)>& sink,
                         const run_settings& s, note_tally notes) const
{
    run_summary out;
    out.notes                                      = std::move(notes);
    const std::function<run_row(std::uint64_t)> at = [&](std::uint64_t i) {
        return row(i, s.stop);
    };
    const std::function<bool(std::uint64_t, run_row&)> tally = [&](std::uint64_t i, run_row& r) {
        out.notes.add(i, r.notes);
        out.design_notes.add(i, r.design_notes);
        if (r.missed && out.missed++ == 0) {
            out.first_missed = i;
            out.why          = r.why;
        }
        return sink(i, r);
    };
    out.result = run_in_order<run_row>(begin, end, at, tally, s);
    return out;
}

std::string run::lead(std::uint64_t first, std::uint64_t count) const
{
    return request_.table ? std::string() : designs_lead(grid_, first, count);
}

std::vector<climber::note> run::led(const note_tally& tally) const
{
    std::vector<climber::note> out;
    for (const note_tally::entry& e : tally.entries()) {
        climber::note n     = e.note;
        const std::string l = lead(e.first, e.count);
        n.text              = l.empty() ? n.text : l + ": " + n.text;
        out.push_back(std::move(n));
    }
    return out;
}

}  // namespace engine
