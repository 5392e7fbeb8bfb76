#include "options.hpp"

#include "engine/answers/mode_table.hpp"
#include "engine/uncertainty/draws.hpp"
#include "engine/words/settings.hpp"
#include "engine/words/vocabulary.hpp"

#include "tether/design.hpp"

#include <algorithm>

namespace tools {

namespace {

// The names of a table of the engine's.
template <class T> std::vector<std::string> names(const std::vector<engine::named<T>>& table)
{
    std::vector<std::string> out;
    out.reserve(table.size());
    for (const engine::named<T>& n : table) {
        out.emplace_back(n.name);
    }
    return out;
}

// The values an option takes for its help: "a (default), b or c".
std::string described(std::vector<std::string> choices)
{
    choices.front() += " (default)";
    return engine::joined(choices);
}

std::vector<option_row> rows()
{
    const char* design = "Design";
    const char* output = "Output";
    const char* sweeps = "Sweeps";
    const char* sway   = "Oscillation modes";
    const char* seek   = "Goal seek";
    const char* drawn  = "Draws";
    const std::vector<std::string> runs{"--sweep", "--jobs", "--shard", "--figures"};
    const std::vector<std::string> formats = names(engine::formats());
    const std::vector<std::string> methods = names(engine::methods());
    const std::vector<std::string> planets = tether::planet_names();
    auto one_design                        = [&](std::vector<std::string> more) {
        more.insert(more.end(), runs.begin(), runs.end());
        return more;
    };
    return {
        {"--config", "FILE", "Read a design file of 'name = value' lines", design,
         &options::config},
        {"--planet", "PLANET",
         "Use a preset body's GM, RE, tsid and partner (" + engine::joined(planets) + ")", design,
         &options::planet, planets},
        {"--set", "NAME=VALUE", "Set a parameter, NAME=VALUE (repeatable; see --list)", design,
         &options::sets},
        {"--format", "FORMAT", described(formats), output, &options::format, formats},
        {"--method", "METHOD", described(methods) + "; for the figures and sweeps", output,
         &options::method, methods},
        {"--figures",
         "NAME,...",
         "The figures to print, in this order (default: every one)",
         output,
         &options::figures,
         {},
         ','},
        {"--list",
         "",
         "List every parameter of the design",
         output,
         &options::list,
         {},
         0,
         one_design({"--ascent"})},
        {"--report",
         "",
         "Print the design's full report",
         output,
         &options::report,
         {},
         0,
         one_design({"--format", "--list", "--ascent"})},
        {"--ascent",
         "",
         "Print the climber at every row of the ascent table, in --format",
         output,
         &options::ascent,
         {},
         0,
         one_design({})},
        {"--load", "",
         "Print the tension along the tether at its traffic's worst moment, in --format", output,
         &options::load},
        {"--sensitivity", "",
         "The derivative and elasticity of every figure by every parameter, by the integral "
         "method (with --modes N the periods too; with --figures those named alone)",
         output, &options::sensitivity},
        {"--sweep", "SWEEP",
         "NAME=FROM:TO:N, NAME=FROM:TO:N:log or NAME=V1,V2,...; up to three make a grid, the "
         "first outermost",
         sweeps, &options::sweeps},
        {"--jobs", "N", "Designs computed at once, 1 to 4096 (default: every processor)", sweeps,
         &options::jobs},
        {"--shard", "K/N", "Compute only shard K of N of the grid", sweeps, &options::shard},
        {"--quiet", "", "No progress line on a terminal", sweeps, &options::quiet},
        {"--modes", "N",
         "The first N oscillation modes of the tether (1 to " + std::to_string(engine::max_modes) +
             "): their periods, or with --sweep as columns",
         sway, &options::modes},
        {"--shapes", "",
         "With --modes, the in-plane mode shapes at " + std::to_string(engine::shape_points) +
             " altitudes instead",
         sway, &options::shapes},
        {"--vary", "NAME=DIST",
         "Draw a parameter from a distribution, NAME=DIST (repeatable): normal:MEAN:SD, "
         "lognormal:MEDIAN:FACTOR, uniform:LOW:HIGH or triangular:LOW:MODE:HIGH",
         drawn, &options::vary},
        {"--samples", "N",
         "The number of draws, 1 to " + std::to_string(engine::max_draws) + " (default 1000)",
         drawn, &options::samples},
        {"--seed",
         "S",
         "The number that picks the draws, 0 to 2^64 - 1 (default 1)",
         drawn,
         &options::seed,
         {},
         0,
         {"--key"}},
        {"--key", "S", "--seed by its earlier name", drawn, &options::key},
        {"--summary", "",
         "Instead of the draws, each figure's count, mean, sd, percentiles and range", drawn,
         &options::summary},
        {"--where", "CONDITION",
         "With --summary, the share of draws that meet FIGURE<VALUE or FIGURE>VALUE, or several "
         "such separated by commas (all of them)",
         drawn, &options::where},
        {"--indices", "",
         "Instead of the draws, each figure's Sobol indices for each varied parameter", drawn,
         &options::indices},
        {"--solve", "NAME=LOW:HIGH",
         "Seek the value of parameter NAME between LOW and HIGH at which --for's figure takes its "
         "value (by the integral method)",
         seek, &options::solve},
        {"--for", "FIGURE=VALUE", "The figure and its target, a column of --format csv", seek,
         &options::goal},
    };
}

// Help as a well-kept tool writes it: the main forms first, options by
// group without CLI11's lists of exclusions, and examples last.
class help_format : public CLI::Formatter {
  public:
    std::string make_usage(const CLI::App* /*app*/, std::string /*name*/) const override
    {
        return "Usage: tether-explore [DESIGN] [--format FORMAT] [--method METHOD]\n"
               "       tether-explore [DESIGN] --sweep SWEEP... [--jobs N] [--shard K/N]\n"
               "       tether-explore [DESIGN] --solve NAME=LOW:HIGH --for FIGURE=VALUE "
               "[--sweep SWEEP...]\n"
               "       tether-explore [DESIGN] --sensitivity [--modes N] [--figures NAME,...] "
               "[--format FORMAT]\n"
               "       tether-explore [DESIGN] --vary NAME=DIST... [--samples N] [--seed S] "
               "[--summary | --indices]\n"
               "       tether-explore [DESIGN] (--list | --report | --ascent | --load)\n"
               "DESIGN is any of --config FILE, --planet PLANET and --set NAME=VALUE.\n";
    }
    std::string make_option_opts(const CLI::Option* opt) const override
    {
        return opt->get_type_name().empty() ? "" : " " + opt->get_type_name();
    }
};

// One row's option in the parser.
CLI::Option* add_row(CLI::App& app, options& o, const option_row& r)
{
    CLI::Option* opt = std::visit(
        [&](auto member) -> CLI::Option* {
            using value = std::remove_reference_t<decltype(o.*member)>;
            if constexpr (std::is_same_v<value, bool>) {
                return app.add_flag(r.name, o.*member, r.help);
            }
            else if (std::is_same_v<value, std::string> || r.delimiter != 0) {
                // A list is split after parsing (check_given): an argument
                // that splits into nothing still takes no other as its value.
                return app.add_option(r.name, o.*member, r.help);
            }
            else {
                return app.add_option(r.name, o.*member, r.help)->allow_extra_args(false);
            }
        },
        r.sets);
    opt->group(r.group);
    if (!r.argument.empty()) {
        opt->type_name(r.argument);
    }
    if (!r.choices.empty()) {
        opt->check(CLI::IsMember(r.choices));
    }
    // An option that takes one value, given again, is refused after
    // parsing in this program's words rather than CLI11's.
    if (opt->get_expected_max() == 1) {
        opt->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    }
    return opt;
}

}  // namespace

const std::vector<option_row>& option_table()
{
    static const std::vector<option_row> table = rows();
    return table;
}

void add_options(CLI::App& app, options& o)
{
    app.formatter(std::make_shared<help_format>());
    app.set_version_flag("--version", std::string("tether-explore ") + TETHER_VERSION);
    for (const option_row& r : option_table()) {
        add_row(app, o, r);
    }
    for (const option_row& r : option_table()) {
        for (const std::string& other : r.excludes) {
            app.get_option(r.name)->excludes(app.get_option(other));
        }
    }
    app.footer("Examples:\n"
               "  tether-explore --set strength=50 --format csv\n"
               "  tether-explore --set rhog=auto --sweep strength=27:200:50:log > sweep.txt\n"
               "  tether-explore --planet mars --list > mars.design\n"
               "  tether-explore --set rhog=auto --solve strength=27:300 --for time=110\n"
               "  tether-explore --vary strength=lognormal:35:1.5 --set rhog=auto \\\n"
               "      --method integral --summary --where 'time<110'\n"
               "\n"
               "Precedence: defaults, then the design file, then --planet, then each --set in\n"
               "order. 'ztop=auto' (the default) marches to 19 km below GEO; 'rhog=auto' takes\n"
               "the tether's own linear density at the surface. See tether-explore(1).");
}

bool options::holds(const std::string& name) const
{
    const auto row = std::find_if(option_table().begin(), option_table().end(),
                                  [&](const option_row& r) { return r.name == name; });
    return std::visit(
        [this](auto member) {
            if constexpr (std::is_same_v<std::decay_t<decltype(this->*member)>, bool>) {
                return this->*member;
            }
            else {
                return !(this->*member).empty();
            }
        },
        row->sets);
}

std::string options::first_set(const std::vector<std::string>& names) const
{
    const auto first =
        std::find_if(names.begin(), names.end(), [this](const std::string& n) { return holds(n); });
    return first == names.end() ? "" : *first;
}

void check_given(const CLI::App& app, options& o)
{
    for (const CLI::Option* opt : app.get_options()) {
        if (opt->get_expected_max() == 1 && opt->count() > 1) {
            throw engine::usage_error(opt->get_name() + " is given " +
                                      std::to_string(opt->count()) + " times: give it once");
        }
        if (opt->count() > 0) {
            o.given.insert(opt->get_name());
        }
    }
    for (const option_row& r : option_table()) {
        if (r.delimiter == 0) {
            continue;
        }
        std::vector<std::string>& values = o.*std::get<std::vector<std::string> options::*>(r.sets);
        std::vector<std::string> split;
        for (const std::string& v : values) {
            for (const std::string& part : engine::split(v, r.delimiter)) {
                if (!part.empty()) {
                    split.push_back(part);
                }
            }
        }
        if (split.empty() && o.has(r.name)) {
            throw engine::usage_error(r.name + " names none: give " + r.argument);
        }
        values = split;
    }
}

}  // namespace tools
