#include "engine/words/tables.hpp"

#include "engine/words/numbers.hpp"
#include "engine/words/vocabulary.hpp"

#include "tether/design.hpp"

namespace engine {

namespace {

std::string value_text(const tether::design& d, const tether::param& p)
{
    const double v = tether::value_of(d, p);
    return tether::is_automatic(v) ? std::string("auto") : readable(v);
}

// Whether a parameter is a member of the design's planet, which a preset sets.
bool of_planet(const tether::param& p)
{
    tether::design d{};
    const auto* at    = reinterpret_cast<const char*>(&p.field(d));
    const auto* first = reinterpret_cast<const char*>(&d.planet);
    return at >= first && at < first + sizeof d.planet;
}

}  // namespace

std::vector<parameter_row> parameter_rows()
{
    const tether::design d{};
    std::vector<parameter_row> out;
    for (const tether::param* p = tether::params_begin(); p != tether::params_end(); ++p) {
        out.push_back({p->group, p->name, p->unit, p->meaning, value_text(d, *p), p->can_be_auto,
                       p->auto_rule});
    }
    return out;
}

std::vector<preset> presets()
{
    std::vector<preset> out;
    for (const std::string& name : tether::planet_names()) {
        tether::design planet{};
        planet.planet = *tether::planet_named(name);
        out.push_back({name, {}});
        for (const tether::param* p = tether::params_begin(); p != tether::params_end(); ++p) {
            if (of_planet(*p)) {
                out.back().values.emplace_back(p->name, value_text(planet, *p));
            }
        }
    }
    return out;
}

std::vector<figure_row> figure_rows()
{
    std::vector<figure_row> out;
    const std::size_t shown = figure_columns().size();
    for (const column& c : figure_columns(0, true)) {
        out.push_back({c, {}, out.size() >= shown});
        for (const auto& m : methods()) {
            if (computed_by(c.name, m.value)) {
                out.back().methods.emplace_back(m.name);
            }
        }
    }
    return out;
}

}  // namespace engine
