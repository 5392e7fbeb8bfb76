#include "settings.hpp"

#include "climber/march.hpp"
#include "climber/study.hpp"
#include "tether/model.hpp"
#include "tether/positions.hpp"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace explore {

bool may_be_auto(const tether::param& p)
{
    return p.can_be_auto || p.name == std::string_view("rhog");
}

void apply(described& d, const std::string& name, const std::string& value)
{
    const std::string v = trim(value);
    if (name == "planet") {
        const auto p = tether::planet_named(v);
        if (!p) {
            throw usage_error("unknown planet; known: earth, mars");
        }
        d.design.planet = *p;
        return;
    }
    const tether::param* p = tether::find_param(name);
    if (p == nullptr) {
        throw usage_error("unknown parameter (tether-explore --list shows them)");
    }
    if (v == "auto" && may_be_auto(*p)) {
        if (!p->can_be_auto) {
            d.rhog_auto = true;
        }
        else {
            p->field(d.design) = tether::automatic;
        }
        return;
    }
    std::string why;
    const auto number = parse_number(v, &why);
    if (!number && why == "is not a finite number") {
        throw usage_error(std::string("not a finite number") + (may_be_auto(*p) ? " or auto" : ""));
    }
    if (!number) {
        throw usage_error(v + " " + why);
    }
    set_number(d, *p, *number);
}

void set_number(described& d, const tether::param& p, double v)
{
    p.field(d.design) = v;
    if (p.name == std::string_view("rhog")) {
        d.rhog_auto = false;
    }
}

void apply_assignment(described& d, const std::string& assignment)
{
    const auto eq = assignment.find('=');
    if (eq == std::string::npos) {
        throw usage_error("expected NAME=VALUE");
    }
    apply(d, trim(assignment.substr(0, eq)), assignment.substr(eq + 1));
}

void apply_lines(described& d, std::istream& in, const std::string& source)
{
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const std::string text = trim(line.substr(0, line.find('#')));
        if (text.empty()) {
            continue;
        }
        const std::string where = source + ":" + std::to_string(number) + ": ";
        const auto eq           = text.find('=');
        if (eq == std::string::npos) {
            throw usage_error(where + "expected 'name = value', found '" + text + "'");
        }
        const std::string name  = trim(text.substr(0, eq));
        const std::string value = trim(text.substr(eq + 1));
        try {
            apply(d, name, value);
        }
        catch (const usage_error& e) {
            throw usage_error(where + name + " = " + value + ": " + e.what());
        }
    }
}

void apply_file(described& d, const std::string& path)
{
    std::error_code ec;
    std::ifstream in(path);
    if (!in || std::filesystem::is_directory(path, ec)) {
        throw usage_error(path + ": cannot read the design file");
    }
    apply_lines(d, in, path);
    if (in.bad()) {
        throw usage_error(path + ": cannot read the design file");
    }
}

tether::design resolve(const described& d)
{
    tether::design out = d.design;
    if (d.rhog_auto) {
        const tether::model m = tether::compute_model(out);
        const double rhog     = tether::material_rhog(out, tether::compute_positions(out, m));
        // Where the material gives no finite figure, the check names the
        // parameter at fault before it comes to rhog.
        if (std::isfinite(rhog)) {
            out.tether.rhog = rhog;
        }
    }
    return out;
}

std::optional<design_fault> design_error(const described& d, bool with_rows)
{
    const tether::design design = resolve(d);
    auto problem                = climber::check(design, with_rows);
    if (!problem) {
        return std::nullopt;
    }
    // rhog = auto follows the material: a fault of rhog is the material's.
    if (d.rhog_auto && (problem->name == "rhog" || problem->other == "rhog")) {
        const bool first                         = problem->name == "rhog";
        (first ? problem->name : problem->other) = "density";
        problem->why += " (rhog = auto: density x cross-section at RE, which csgeo and strength "
                        "set)";
    }
    const auto given = [&design](const std::string& name) {
        const tether::param* p = tether::find_param(name);
        const double v         = p != nullptr ? tether::value_of(design, *p) : tether::automatic;
        return name + " = " + (tether::is_automatic(v) ? "auto" : shortest(v) + " " + p->unit);
    };
    std::string message = given(problem->name);
    if (!problem->other.empty()) {
        message += " and " + given(problem->other);
    }
    return design_fault{problem->name, problem->other, message + ": " + problem->why};
}

}  // namespace explore

namespace explore {

std::string listing(const described& d)
{
    const tether::design design = resolve(d);
    const tether::model m       = tether::compute_model(design);
    std::string out;
    std::string group;
    for (const tether::param* p = tether::params_begin(); p != tether::params_end(); ++p) {
        if (group != p->group) {
            group = p->group;
            out += (out.empty() ? "# " : "\n# ") + group + "\n";
        }
        const double v  = tether::value_of(design, *p);
        std::string set = p->name;
        set.resize(std::max<std::size_t>(set.size(), 8), ' ');
        set += " = ";
        std::string note;
        if (tether::is_automatic(v)) {
            set += "auto";
            note = "; auto: 19 km below GEO, rounded down (" +
                   shortest(climber::top_of_march(design, m)) + " for this design)";
        }
        else if (p->name == std::string("rhog") && d.rhog_auto) {
            set += "auto";
            note = "; auto: density x cross-section at RE (" + shortest(v) + " for this design)";
        }
        else {
            set += readable(v);
        }
        set.resize(std::max<std::size_t>(set.size(), 24), ' ');
        out += set + "  # " + p->unit + ", " + p->meaning + note + "\n";
    }
    return out;
}

}  // namespace explore
