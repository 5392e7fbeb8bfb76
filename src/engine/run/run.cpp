#include "engine/run/run.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace engine {

namespace {

// The columns of a solved grid's rows: the swept parameters, the one
// sought, then the figures.
std::vector<column> solve_columns(const grid& g, const goal& goal)
{
    std::vector<column> columns;
    for (const sweep& s : g.sweeps()) {
        columns.push_back({s.param->name, s.param->unit, s.param->meaning});
    }
    for (column& c : goal_columns(goal)) {
        columns.push_back(std::move(c));
    }
    return columns;
}

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

grid grid_of(const run_request& r)
{
    if (r.table && !r.axes.empty()) {
        throw usage_error("a run takes a grid or a table of designs, not both");
    }
    if (r.drawn && (r.table || !r.axes.empty() || r.sought)) {
        throw usage_error("a run of draws takes neither a grid, a table nor a goal");
    }
    return read_grid(r.axes, r.limit, r.where);
}

// Row i's value of the table's parameter c. The table is held in memory, so
// its row index fits a size_t.
double value_at(const design_table& t, std::uint64_t i, std::size_t c)
{
    return t.values[static_cast<std::size_t>(i) * t.params.size() + c];
}

}  // namespace

run::run(run_request r) : request_(std::move(r)), grid_(grid_of(request_))
{
    const climber::figures_request& asked = request_.figures;
    if (request_.sought) {
        for (const sweep& s : grid_.sweeps()) {
            if (s.param == request_.sought->param) {
                throw goal_error(false, usage_error(std::string(s.param->name) + " is swept too"));
            }
        }
        selection_ = goal_selection(request_.sought->figure);
        figures_   = request_for({climber::method::integral}, selection_);
        columns_   = solve_columns(grid_, *request_.sought);
        return;
    }
    selection_ = figure_selection(request_.names, asked.modes);
    figures_   = request_for(asked, selection_);
    // Figures named, or every one summarised over draws: those the method
    // leaves empty are said.
    if (!request_.names.empty() || request_.drawn) {
        method_note_ = method_note(selection_, asked.modes, asked.how);
    }
    if (request_.drawn) {
        const draw_request& dr = *request_.drawn;
        if (dr.vary.empty()) {
            throw usage_error("draws need a varied parameter");
        }
        // At most 10^7 draws, a parameter table's count and a figure
        // table's: far from overflow.
        const std::uint64_t held = dr.count * (dr.vary.size() + 2) * selection_.size();
        if (dr.saltelli && held > max_index_values) {
            throw usage_error(
                "the indices hold every design's figures: " + std::to_string(dr.count) +
                " draws x " + std::to_string(dr.vary.size() + 2) + " designs x " +
                std::to_string(selection_.size()) + " figures is more than " +
                std::to_string(max_index_values) + " values");
        }
        if (dr.saltelli) {
            saltelli_.emplace(distributions_of(dr.vary), dr.count, dr.key);
        }
        else {
            draws_.emplace(distributions_of(dr.vary), dr.key);
        }
        columns_.push_back({"draw", "1", "the draw's index, from 0"});
        for (const varied& v : dr.vary) {
            columns_.push_back({v.param->name, v.param->unit});
        }
    }
    else if (!request_.table) {
        for (const sweep& s : grid_.sweeps()) {
            columns_.push_back({s.param->name, s.param->unit});
        }
    }
    const std::vector<column> all = figure_columns(asked.modes, true);
    for (std::size_t c : selection_) {
        columns_.push_back(all[c]);
    }
}

std::uint64_t run::size() const
{
    if (saltelli_) {
        return saltelli_->size();
    }
    if (request_.drawn) {
        return request_.drawn->count;
    }
    return request_.table ? request_.table->rows : grid_.size();
}

std::vector<column> run::figures_shown() const
{
    const std::size_t n = std::min(selection_.size(), columns_.size());
    return {columns_.end() - static_cast<std::ptrdiff_t>(n), columns_.end()};
}

std::optional<std::size_t> run::figure_index(const std::string& name) const
{
    for (std::size_t c = columns_.size() - std::min(selection_.size(), columns_.size());
         c < columns_.size(); ++c) {
        if (columns_[c].name == name) {
            return c;
        }
    }
    return std::nullopt;
}

column run::reason_column()
{
    return {"reason", "", "why the draw is no design", true};
}

std::vector<double> run::drawn_at(std::uint64_t i) const
{
    return saltelli_ ? saltelli_->values_at(i) : draws_->values_at(i);
}

tether::design run::design_at(std::uint64_t i) const
{
    if (request_.drawn) {
        return design_with(request_.base, request_.drawn->vary, drawn_at(i));
    }
    if (!request_.table) {
        return grid_.design_at(request_.base, i);
    }
    const design_table& t = *request_.table;
    tether::design d      = request_.base;
    for (std::size_t c = 0; c < t.params.size(); ++c) {
        t.params[c]->field(d) = value_at(t, i, c);
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
    for (double v : solved_values(s, *request_.sought)) {
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
        const double v = value_at(t, i, c);
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
    tether::design d = design_at(i);
    if (request_.drawn) {
        out.values = drawn_at(i);
        out.values.insert(out.values.begin(), static_cast<double>(i));
    }
    else if (!request_.table) {
        out.values = grid_.values_at(i);
    }
    if (request_.sought) {
        solved_row(d, stop, out);
        return out;
    }
    if (request_.table || request_.each_checked || request_.drawn) {
        if (request_.table) {
            out.fault = table_fault(*request_.table, i);
        }
        if (!out.fault) {
            out.fault = design_error(d, false);
        }
        if (out.fault) {
            out.values.resize(out.values.size() + selection_.size(), nan);
            out.reason = out.fault->message;
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
    if (method_note_) {
        out.notes.push_back(*method_note_);
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

run_start run::start(const std::atomic<int>* stop) const
{
    run_start out;
    if (request_.sought && grid_.sweeps().empty() && !request_.table) {
        out.first = row(0, stop);
        if (!out.first->solved->problem.empty()) {
            out.unsolved = out.first->solved->problem;
        }
    }
    else if (!request_.sought) {
        out.fault = check([stop] { return stop != nullptr && stop->load() != 0; }, &out.notes);
    }
    return out;
}

run_summary run::execute(std::uint64_t begin, std::uint64_t end,
                         const std::function<bool(std::uint64_t, run_row&)>& sink,
                         const run_settings& s, std::optional<run_row> first) const
{
    if (!first || begin != 0 || end == 0) {
        return execute(begin, end, sink, s);
    }
    note_tally notes;
    notes.add(0, first->notes);
    run_summary out;
    if (sink(0, *first)) {
        out = execute(1, end, sink, s, std::move(notes));
    }
    else {
        out.notes = std::move(notes);
    }
    if (first->missed) {
        ++out.missed;
        out.first_missed = 0;
        out.why          = first->why;
    }
    return out;
}

std::string run::lead(std::uint64_t first, std::uint64_t count) const
{
    if (request_.drawn) {
        return (saltelli_ ? "design " + std::to_string(first + 1) + " of " + std::to_string(size())
                          : "draw " + std::to_string(first)) +
               " (" + varied_text(request_.drawn->vary, drawn_at(first)) + ")" +
               (count > 1 ? " and " + std::to_string(count - 1) + " more" : "");
    }
    return request_.table ? std::string() : designs_lead(grid_, first, count);
}

std::vector<climber::note> run::led(const note_tally& tally) const
{
    return led(tally.entries());
}

std::vector<climber::note> run::led(const std::vector<note_tally::entry>& entries) const
{
    std::vector<climber::note> out;
    for (const note_tally::entry& e : entries) {
        climber::note n     = e.note;
        const std::string l = lead(e.first, e.count);
        n.text              = l.empty() ? n.text : l + ": " + n.text;
        out.push_back(std::move(n));
    }
    return out;
}

std::vector<note_tally::entry> all_notes(const run_summary& s)
{
    std::vector<note_tally::entry> all = s.notes.entries();
    for (const note_tally::entry& e : s.design_notes.entries()) {
        all.push_back(e);
    }
    std::stable_sort(all.begin(), all.end(), [](const auto& a, const auto& b) {
        return static_cast<int>(a.note.kind) < static_cast<int>(b.note.kind);
    });
    return all;
}

}  // namespace engine
