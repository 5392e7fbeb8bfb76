#include "options.hpp"

#include "engine/answers/mode_table.hpp"
#include "engine/run/requests.hpp"
#include "engine/uncertainty/draws.hpp"
#include "engine/words/settings.hpp"
#include "engine/words/vocabulary.hpp"

#include "tether/design.hpp"

#include <algorithm>

namespace tools {

namespace {

// The values of a table of the engine's for its option's help: "a (default),
// b or c".
template <class T> std::string described(const std::vector<engine::named<T>>& table)
{
    std::vector<std::string> names;
    names.reserve(table.size());
    for (const engine::named<T>& n : table) {
        names.emplace_back(n.name);
    }
    names.front() += " (default)";
    return engine::joined(names);
}

// --help's groups, in its order.
const char* const design   = "Design";
const char* const output   = "Output";
const char* const sweeps   = "Sweeps";
const char* const sway     = "Oscillation modes";
const char* const drawn    = "Draws";
const char* const seek     = "Goal seek";
const char* const groups[] = {design, output, sweeps, sway, drawn, seek};

// The rows in the order their values are read: a mistake in an earlier
// row's value is said first (--modes' before --jobs'). --help lists them by
// group, in the order of groups.
std::vector<option_row> rows()
{
    const std::vector<std::string> runs{"--sweep", "--jobs", "--shard", "--figures"};
    const std::vector<std::string> planets = tether::planet_names();
    auto one_design                        = [&](std::vector<std::string> more) {
        more.insert(more.end(), runs.begin(), runs.end());
        return more;
    };
    return {
        {"--config", "FILE", "Read a design file of 'name = value' lines", design,
         text(&options::config)},
        {"--planet", "PLANET",
         "Use a preset body's GM, RE, tsid and partner (" + engine::joined(planets) + ")", design,
         text(&options::planet, planets)},
        {"--set", "NAME=VALUE", "Set a parameter, NAME=VALUE (repeatable; see --list)", design,
         each(&options::sets)},
        {"--format", "FORMAT", described(engine::formats()), output,
         pick(&options::format, engine::formats())},
        {"--method", "METHOD", described(engine::methods()) + "; for the figures and sweeps",
         output, pick(&options::method, engine::methods())},
        {"--figures", "NAME,...", "The figures to print, in this order (default: every one)",
         output, each(&options::figures), ','},
        {"--list", "", "List every parameter of the design", output, flag(&options::list), 0,
         one_design({"--ascent"})},
        {"--report", "", "Print the design's full report", output, flag(&options::report), 0,
         one_design({"--format", "--list", "--ascent"})},
        {"--ascent", "", "Print the climber at every row of the ascent table, in --format", output,
         flag(&options::ascent), 0, one_design({})},
        {"--swing", "",
         "Print the tether's sideways swing during the climb and after it, by the integral "
         "method, in --format",
         output, flag(&options::swing), 0, one_design({"--ascent", "--report", "--list"})},
        {"--load", "",
         "Print the tension along the tether at its traffic's worst moment, in --format", output,
         flag(&options::load)},
        {"--sensitivity", "",
         "The derivative and elasticity of every figure by every parameter, by the integral "
         "method (with --modes N the periods too; with --figures those named alone)",
         output, flag(&options::sensitivity)},
        {"--modes", "N",
         "The first N oscillation modes of the tether (1 to " + std::to_string(engine::max_modes) +
             "): their periods, or with --sweep as columns",
         sway, number(&options::mode_count, engine::modes_count)},
        {"--shapes", "",
         "With --modes, the in-plane mode shapes at " + std::to_string(engine::shape_points) +
             " altitudes instead",
         sway, flag(&options::shapes)},
        {"--sweep", "SWEEP",
         "NAME=FROM:TO:N, NAME=FROM:TO:N:log or NAME=V1,V2,...; up to three make a grid, the "
         "first outermost",
         sweeps, each(&options::sweeps)},
        {"--jobs", "N",
         "Designs computed at once, 1 to " + std::to_string(engine::max_jobs) +
             " (default: every processor)",
         sweeps, number(&options::job_count, engine::parse_jobs)},
        {"--shard", "K/N", "Compute only shard K of N of the grid", sweeps, text(&options::shard)},
        {"--quiet", "", "No progress line on a terminal", sweeps, flag(&options::quiet)},
        {"--vary", "NAME=DIST",
         "Draw a parameter from a distribution, NAME=DIST (repeatable): normal:MEAN:SD, "
         "lognormal:MEDIAN:FACTOR, uniform:LOW:HIGH or triangular:LOW:MODE:HIGH",
         drawn, each(&options::vary)},
        {"--samples", "N",
         "The number of draws, 1 to " + std::to_string(engine::max_draws) + " (default 1000)",
         drawn, text(&options::samples)},
        {"--seed",
         "S",
         "The number that picks the draws, 0 to 2^64 - 1 (default 1)",
         drawn,
         text(&options::seed),
         0,
         {"--key"}},
        {"--key", "S", "--seed by its earlier name", drawn, text(&options::key)},
        {"--summary", "",
         "Instead of the draws, each figure's count, mean, sd, percentiles and range", drawn,
         flag(&options::summary)},
        {"--where", "CONDITION",
         "With --summary, the share of draws that meet FIGURE<VALUE or FIGURE>VALUE, or several "
         "such separated by commas (all of them)",
         drawn, text(&options::where)},
        {"--indices", "",
         "Instead of the draws, each figure's Sobol indices for each varied parameter", drawn,
         flag(&options::indices)},
        {"--solve", "NAME=LOW:HIGH",
         "Seek the value of parameter NAME between LOW and HIGH at which --for's figure takes its "
         "value (by the integral method)",
         seek, text(&options::solve)},
        {"--for", "FIGURE=VALUE", "The figure and its target, a column of --format csv", seek,
         text(&options::goal)},
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
               "       tether-explore [DESIGN] (--list | --report | --ascent | --swing | --load)\n"
               "DESIGN is any of --config FILE, --planet PLANET and --set NAME=VALUE.\n";
    }
    std::string make_option_opts(const CLI::Option* opt) const override
    {
        return opt->get_type_name().empty() ? "" : " " + opt->get_type_name();
    }
};

// One row's option in the parser, its text kept in `text`.
template <class T> CLI::Option* add_row(CLI::App& app, const option_row& r, parser::given& text)
{
    T& value = text.template emplace<T>();
    CLI::Option* opt;
    if constexpr (std::is_same_v<T, bool>) {
        opt = app.add_flag(r.name, value, r.help);
    }
    else if (std::is_same_v<T, std::string> || r.delimiter != 0) {
        // A list is split as it is read: an argument that splits into
        // nothing still takes no other as its value.
        opt = app.add_option(r.name, value, r.help);
    }
    else {
        opt = app.add_option(r.name, value, r.help)->allow_extra_args(false);
    }
    opt->group(r.group);
    if (!r.argument.empty()) {
        opt->type_name(r.argument);
    }
    if (!r.reads.choices.empty()) {
        opt->check(CLI::IsMember(r.reads.choices));
    }
    // An option that takes one value, given again, is refused after
    // parsing in this program's words rather than CLI11's.
    if (opt->get_expected_max() == 1) {
        opt->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    }
    return opt;
}

// The values of row r given: a flag's once where it is set, a list's split
// at its delimiter.
std::vector<std::string> values_of(const option_row& r, const parser::given& t)
{
    if (const bool* set = std::get_if<bool>(&t)) {
        return *set ? std::vector<std::string>{""} : std::vector<std::string>{};
    }
    if (const std::string* one = std::get_if<std::string>(&t)) {
        return {*one};
    }
    const std::vector<std::string>& given = std::get<std::vector<std::string>>(t);
    if (r.delimiter == 0) {
        return given;
    }
    std::vector<std::string> split;
    for (const std::string& v : given) {
        for (const std::string& part : engine::split(v, r.delimiter)) {
            if (!part.empty()) {
                split.push_back(part);
            }
        }
    }
    if (split.empty()) {
        throw engine::usage_error(r.name + " names none: give " + r.argument);
    }
    return split;
}

}  // namespace

reader flag(bool options::*f)
{
    return {reader::takes::flag, [f](options& o, const std::string&) { o.*f = true; },
            [f](const options& o) { return o.*f; }};
}

reader text(std::string options::*f, std::vector<std::string> choices)
{
    return {reader::takes::one, [f](options& o, const std::string& v) { o.*f = v; },
            [f](const options& o) { return !(o.*f).empty(); }, std::move(choices)};
}

reader each(std::vector<std::string> options::*f)
{
    return {reader::takes::each, [f](options& o, const std::string& v) { (o.*f).push_back(v); },
            [f](const options& o) { return !(o.*f).empty(); }};
}

reader number(unsigned options::*f, unsigned (*parse)(const std::string&))
{
    return {reader::takes::one, [f, parse](options& o, const std::string& v) { o.*f = parse(v); },
            [f](const options& o) { return o.*f != 0; }};
}

const std::vector<option_row>& option_table()
{
    static const std::vector<option_row> table = rows();
    return table;
}

parser::parser(CLI::App& app) : app_(app)
{
    app.formatter(std::make_shared<help_format>());
    app.set_version_flag("--version", std::string("tether-explore ") + TETHER_VERSION);
    for (const char* group : groups) {
        for (const option_row& r : option_table()) {
            if (r.group != group) {
                continue;
            }
            auto& text = texts_[r.name];
            switch (r.reads.shape) {
            case reader::takes::flag:
                add_row<bool>(app, r, text);
                break;
            case reader::takes::one:
                add_row<std::string>(app, r, text);
                break;
            case reader::takes::each:
                add_row<std::vector<std::string>>(app, r, text);
                break;
            }
        }
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
    return row->reads.holds(*this);
}

std::string options::first_set(const std::vector<std::string>& names) const
{
    const auto first =
        std::find_if(names.begin(), names.end(), [this](const std::string& n) { return holds(n); });
    return first == names.end() ? "" : *first;
}

options parser::read() const
{
    options o;
    for (const CLI::Option* opt : app_.get_options()) {
        if (opt->get_expected_max() == 1 && opt->count() > 1) {
            throw engine::usage_error(opt->get_name() + " is given " +
                                      std::to_string(opt->count()) + " times: give it once");
        }
        if (opt->count() > 0) {
            o.given.insert(opt->get_name());
        }
    }
    for (const option_row& r : option_table()) {
        if (!o.has(r.name)) {
            continue;
        }
        for (const std::string& v : values_of(r, texts_.at(r.name))) {
            try {
                r.reads.read(o, v);
            }
            catch (const engine::usage_error& e) {
                throw engine::usage_error(r.name, e);
            }
        }
    }
    return o;
}

}  // namespace tools
