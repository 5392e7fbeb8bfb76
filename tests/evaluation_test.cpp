// One design's evaluation against the library's own computations: the
// figures by each method as compute_figures gives them (by the march, one
// march gives them and the ascent's rows), the notes as the study's, the
// release figures' and the design's.
#include "engine/answers/evaluation.hpp"
#include "engine/answers/loads.hpp"

#include "engine/words/settings.hpp"
#include "engine/words/vocabulary.hpp"
#include "tether/model.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

// The same number, NaN the same as NaN.
bool same(double a, double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

std::vector<std::string> kinds(const std::vector<climber::note>& notes)
{
    std::vector<std::string> out;
    out.reserve(notes.size());
    for (const climber::note& n : notes) {
        out.push_back(std::to_string(static_cast<int>(n.kind)) + " " + n.concerns + ": " + n.text);
    }
    return out;
}

tether::design design_of(const std::vector<std::string>& settings)
{
    tether::design d;
    for (const std::string& s : settings) {
        engine::apply_assignment(d, s);
    }
    return d;
}

// The evaluation of d by the method, with and without the ascent, against
// compute_figures's figures and notes and the ascent's rows.
void check_evaluation(const tether::design& d, climber::method how, const std::vector<double>& rows,
                      const std::string& what)
{
    const bool by_march              = how == climber::method::march;
    const climber::design_figures s  = climber::compute_figures(d, {how});
    std::vector<climber::note> notes = climber::notes(s, by_march);
    for (const climber::note& n : climber::field_notes(s, {})) {
        notes.push_back(n);
    }
    const std::vector<double> wanted = engine::figure_values(s);
    for (bool with_ascent : {false, true}) {
        const std::string said =
            what + (by_march ? ", march" : ", integral") + (with_ascent ? ", with the ascent" : "");
        const engine::evaluation e = engine::evaluate(d, how, with_ascent);
        ASSERT_EQ(e.figures.size(), wanted.size()) << said;
        for (std::size_t i = 0; i < wanted.size(); ++i) {
            EXPECT_TRUE(same(e.figures[i], wanted[i]))
                << said << ": " << engine::figure_columns()[i].name << " is " << e.figures[i]
                << ", wanted " << wanted[i];
        }
        EXPECT_EQ(kinds(e.figure_notes), kinds(notes)) << said;
        EXPECT_EQ(kinds(e.design_notes), kinds(climber::design_notes(d))) << said;
        ASSERT_EQ(e.ascent.size(), with_ascent ? rows.size() : 0) << said;
        for (std::size_t i = 0; with_ascent && i < rows.size(); ++i) {
            ASSERT_TRUE(same(e.ascent[i], rows[i])) << said << ": ascent value " << i;
        }
    }
}

// By either method, on the study's design, a coarse march, a foot that
// lifts and a tether on a moon: the figures and notes are those of
// compute_figures, and the ascent's rows those of ascent_rows.
TEST(Evaluation, FiguresAndNotesAreTheLibrarysByEitherMethod)
{
    const std::vector<std::vector<std::string>> designs{
        {},
        {"strength=70"},
        {"ztop=0.1", "rhog=auto"},
        {"anchor=300"},
        {"planet=moon-l1", "strength=5.7", "density=1700", "safety=2", "rapex=150000",
         "csgeo=3.4466189306", "rhog=auto", "mclimb=580"}};
    for (const auto& settings : designs) {
        const tether::design d = design_of(settings);
        std::vector<double> rows;
        engine::ascent_rows(
            d,
            [&rows](const std::vector<double>& row) {
                rows.insert(rows.end(), row.begin(), row.end());
            },
            nullptr);
        for (climber::method how : {climber::method::march, climber::method::integral}) {
            check_evaluation(d, how, rows, settings.empty() ? "the study" : settings.front());
        }
    }
}

// A foot that cannot hold the climber (strength 10: mre 0.12 t of 16 t) has
// no climb by either method, with the ascent or without: the climb's
// figures are empty (the loads kept), nothing missed, the note says why and
// the loads' table is refused. The same tether thick enough climbs.
TEST(Evaluation, AClimberTheFootCannotLiftHasNoClimb)
{
    const std::vector<engine::column> columns = engine::figure_columns();
    for (const char* csgeo : {"csgeo=62.8", "csgeo=10000"}) {
        const tether::design d = design_of({"strength=10", csgeo, "interval=500"});
        const bool lifts       = std::string(csgeo) == "csgeo=10000";
        for (climber::method how : {climber::method::march, climber::method::integral}) {
            EXPECT_FALSE(climber::compute_figures(d, {how}).missed()) << csgeo;
            for (bool with_ascent : {false, true}) {
                const engine::evaluation e = engine::evaluate(d, how, with_ascent);
                for (std::size_t i = 0; i < columns.size(); ++i) {
                    const std::string& c = columns[i].name;
                    const bool traffic   = !engine::computed_by(c, climber::method::march);
                    const bool climb     = c == "time" || c == "cap_alt" ||
                                       (traffic && c.find("load") == std::string::npos);
                    const bool march = how == climber::method::march;
                    EXPECT_EQ(std::isnan(e.figures[i]), (climb && !lifts) || (traffic && march))
                        << c;
                }
                EXPECT_TRUE(lifts ? e.figure_notes.empty()
                                  : e.figure_notes.at(0).kind == climber::note_kind::cannot_lift);
            }
        }
        if (!lifts) {
            EXPECT_THROW(engine::loads_of(d), engine::usage_error);
        }
    }
}

// The notes each concern what they say: the design's note on rhog, the
// coarse march's on the sums it spoils (by the march alone), the release
// figures' on a moon.
TEST(Evaluation, NotesConcernWhatTheySay)
{
    const auto concerns = [](const std::vector<climber::note>& notes) {
        std::string out;
        for (const climber::note& n : notes) {
            out += (out.empty() ? "" : ",") + n.concerns;
        }
        return out;
    };
    EXPECT_EQ(concerns(engine::evaluate(design_of({"strength=70"}), climber::method::march, false)
                           .design_notes),
              "rhog");
    const tether::design coarse = design_of({"ztop=0.1", "rhog=auto"});
    EXPECT_EQ(concerns(engine::evaluate(coarse, climber::method::march, true).figure_notes),
              "tether_mass,time");
    EXPECT_EQ(concerns(engine::evaluate(coarse, climber::method::integral, true).figure_notes),
              "tether_mass");
    const engine::evaluation moon =
        engine::evaluate(design_of({"planet=moon-l2", "strength=5.7", "density=1700", "safety=2",
                                    "rapex=150000", "csgeo=3.4466189306", "rhog=auto"}),
                         climber::method::integral, false);
    EXPECT_NE(concerns(moon.figure_notes).find("orbit_alt"), std::string::npos);
}

// The report is a planet's turning alone: a partner body's design is
// refused in the face's names, any other passes.
TEST(Evaluation, AReportIsRefusedADesignWithAPartner)
{
    EXPECT_NO_THROW(engine::check_report(design_of({"planet=earth"}), "R", "A"));
    try {
        engine::check_report(design_of({"planet=moon-l1"}), "R", "A and M");
        ADD_FAILURE() << "a design with a partner has a report";
    }
    catch (const engine::usage_error& e) {
        const std::string said = e.what();
        EXPECT_EQ(said.rfind("R is the study of a planet turning alone", 0), 0U) << said;
        EXPECT_EQ(said.substr(said.size() - 15), "A and M instead") << said;
    }
}

}  // namespace

// A multiple of rowdz an ulp below GEO is not a row beside GEO's own.
TEST(Loads, RowsReachGeoOnce)
{
    tether::design d;
    const tether::model m = tether::compute_model(d);
    for (const double k : {2.0, 3.0, 7.0}) {
        d.march.rowdz = std::nextafter((m.rgeo - m.RE) / k, 0.0);
        EXPECT_EQ(engine::loads_of(d).rows.size(), static_cast<std::size_t>(k) + 1);
    }
}
