// The tables a face builds its forms from, read back through the design's
// reader: each parameter's study value, each preset as "planet=NAME" sets
// it, each figure's methods as the figures computed by each.
#include "engine/words/tables.hpp"

#include "engine/words/settings.hpp"
#include "engine/words/vocabulary.hpp"

#include "climber/figures.hpp"
#include "tether/design.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

// A parameter's value as a design holds it: NaN the same as NaN (auto).
bool same_value(const tether::design& a, const tether::design& b, const tether::param& p)
{
    const double x = tether::value_of(a, p);
    const double y = tether::value_of(b, p);
    return x == y || (std::isnan(x) && std::isnan(y));
}

// Every parameter in the table's order, its study value's text read back
// into a design that differs from the study there gives the study's value.
TEST(Tables, ParameterValuesReadBackToTheStudys)
{
    const std::vector<engine::parameter_row> rows = engine::parameter_rows();
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(tether::params_end() - tether::params_begin()));
    const tether::design study;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const tether::param& p = tether::params_begin()[i];
        EXPECT_EQ(rows[i].name, p.name);
        EXPECT_EQ(rows[i].can_be_auto, p.can_be_auto) << p.name;
        tether::design other;
        p.field(other) = std::nextafter(p.field(other), 1e300);
        engine::apply(other, rows[i].name, rows[i].value);
        EXPECT_TRUE(same_value(other, study, p)) << p.name << " = " << rows[i].value;
    }
}

// A preset's values, applied to the study, give the design that
// "planet=NAME" gives; and the parameters it leaves out are those that
// "planet=NAME" does not change.
TEST(Tables, PresetsAreWhatPlanetSets)
{
    const std::vector<engine::preset> presets = engine::presets();
    ASSERT_EQ(presets.size(), tether::planet_names().size());
    for (const engine::preset& preset : presets) {
        tether::design by_planet;
        engine::apply(by_planet, "planet", preset.name);
        tether::design by_values;
        for (const auto& [name, value] : preset.values) {
            engine::apply(by_values, name, value);
        }
        const tether::design study;
        for (const tether::param* p = tether::params_begin(); p != tether::params_end(); ++p) {
            EXPECT_TRUE(same_value(by_values, by_planet, *p)) << preset.name << ": " << p->name;
            const bool listed = std::any_of(preset.values.begin(), preset.values.end(),
                                            [p](const auto& v) { return v.first == p->name; });
            if (!listed) {
                EXPECT_TRUE(same_value(by_planet, study, *p)) << preset.name << ": " << p->name;
            }
        }
    }
}

// A figure is listed with a method only where the method computes it: by
// any other, the study's value is NaN.
TEST(Tables, FiguresListTheMethodsThatComputeThem)
{
    const std::vector<engine::figure_row> rows = engine::figure_rows();
    ASSERT_EQ(rows.size(), engine::figure_columns(0, true).size());
    for (const auto& m : engine::methods()) {
        const std::vector<double> values =
            engine::figure_values(climber::compute_figures(tether::design{}, {m.value}));
        for (std::size_t i = 0; i < values.size(); ++i) {
            const bool listed = std::find(rows[i].methods.begin(), rows[i].methods.end(), m.name) !=
                                rows[i].methods.end();
            if (!listed) {
                EXPECT_TRUE(std::isnan(values[i])) << rows[i].figure.name << " by " << m.name;
            }
        }
    }
    const auto load_share = std::find_if(rows.begin(), rows.end(), [](const engine::figure_row& r) {
        return r.figure.name == "load_share";
    });
    ASSERT_NE(load_share, rows.end());
    EXPECT_EQ(load_share->methods, std::vector<std::string>{"integral"});
}

}  // namespace
