#include "engine/answers/evaluation.hpp"

#include "engine/words/settings.hpp"
#include "engine/words/vocabulary.hpp"

#include "climber/swing.hpp"
#include "tether/whole.hpp"

namespace engine {

evaluation evaluate(const tether::design& d, climber::method how, bool with_ascent,
                    const std::atomic<int>* stop)
{
    evaluation out;
    out.design_notes    = climber::design_notes(d);
    const bool by_march = how == climber::method::march;
    climber::design_figures s{};
    if (with_ascent) {
        const climber::study march = ascent_rows(
            d,
            [&out](const std::vector<double>& row) {
                out.ascent.insert(out.ascent.end(), row.begin(), row.end());
            },
            stop);
        if (by_march) {
            // The march's figures as compute_figures gives them by the march.
            static_cast<climber::study&>(s) = march;
            s.whole                         = tether::compute_whole(d, s.model, s.positions);
            climber::drop_unlifted_climb(s);
        }
    }
    if (!with_ascent || !by_march) {
        s = climber::compute_figures(d, {how}, stop);
    }
    out.figure_notes = climber::notes(s, by_march);
    for (climber::note& n : climber::field_notes(s, {})) {
        out.figure_notes.push_back(std::move(n));
    }
    out.figures = figure_values(s);
    return out;
}

void check_report(const tether::design& d, const std::string& report, const std::string& instead)
{
    if (tether::has_partner(d)) {
        throw usage_error(report +
                          " is the study of a planet turning alone (GEO, and payloads let go into "
                          "two-body orbits): a design with a partner (partner_GM > 0) has its "
                          "figures, " +
                          instead + " instead");
    }
}

climber::study report(const climber::line_sink& out, const tether::design& d,
                      const std::atomic<int>* stop)
{
    return climber::print_report(out, d, stop);
}

std::uint64_t march_length(const tether::design& d, bool report)
{
    const climber::march_plan plan = climber::plan_march(d, tether::compute_model(d));
    return report ? climber::report_lines(plan) : static_cast<std::uint64_t>(plan.rows());
}

table ascent_table(const tether::design& d, const std::atomic<int>* stop)
{
    table out{ascent_columns()};
    const climber::study s = ascent_rows(
        d, [&out](const std::vector<double>& row) { out.rows.push_back({row}); }, stop);
    for (climber::note& n : climber::notes(s, true)) {
        out.notes.push_back({"warning", n.text, std::move(n)});
    }
    return out;
}

table swing_table(const tether::design& d, const std::atomic<int>* stop)
{
    climber::figures_request r{climber::method::integral};
    r.whole                   = false;
    r.traffic                 = false;
    r.departures              = false;
    r.swing_by.stream         = false;
    climber::design_figures f = climber::compute_figures(d, r, stop);
    std::vector<double> altitudes;
    for (double k = 0; k * d.march.rowdz < f.plan.ztop; ++k) {
        altitudes.push_back(k * d.march.rowdz);
    }
    std::vector<climber::swing_row> rows;
    f.swing = climber::compute_swing(d, f, altitudes, rows, r.swing_by, r.integral, stop);
    table out{swing_columns()};
    if (stop != nullptr && stop->load() != 0) {
        out.stopped = true;
        out.planned = altitudes.size() + 1 + climber::rows_after_arrival;  // and arrival
        return out;
    }
    for (const climber::swing_row& w : rows) {
        out.rows.push_back({{w.time, w.alt, w.top, w.geo}});
    }
    for (climber::note& n : climber::notes(f, false)) {
        out.notes.push_back({"warning", n.text, std::move(n)});
    }
    if (f.missed()) {
        out.missed = {true, f.why_missed()};
    }
    out.consequence = "the swing has no rows";
    return out;
}

}  // namespace engine
