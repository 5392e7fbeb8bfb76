// tether-explore: the tether and climber study for any design, given on the
// command line or in a design file.
#include "figures.hpp"
#include "runner.hpp"
#include "settings.hpp"
#include "sweep.hpp"

#include "climber/study.hpp"
#include "tether/output.hpp"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* program = "tether-explore";

struct options {
    std::vector<std::string> sets;
    std::vector<std::string> sweeps;
    std::string shard;
    unsigned jobs = 0;  // 0: every processor this process may use
    bool quiet    = false;
    std::string planet;
    std::string config;
    std::string format = "table";
    bool list          = false;
    bool report        = false;
    bool ascent        = false;
};

// The design that the options describe: defaults, then the design file line
// by line, then the planet, then each --set in order.
explore::described describe(const options& o)
{
    explore::described d;
    if (!o.config.empty()) {
        explore::apply_file(d, o.config);
    }
    if (!o.planet.empty()) {
        explore::apply(d, "planet", o.planet);
    }
    for (const std::string& s : o.sets) {
        try {
            explore::apply_assignment(d, s);
        }
        catch (const explore::usage_error& e) {
            throw explore::usage_error("--set " + s + ": " + e.what());
        }
    }
    return d;
}

explore::format format_named(const std::string& name)
{
    if (name == "csv") {
        return explore::format::csv;
    }
    if (name == "json") {
        return explore::format::json;
    }
    return explore::format::table;
}

explore::grid grid_of(const options& o)
{
    std::vector<explore::sweep> sweeps;
    for (const std::string& text : o.sweeps) {
        try {
            sweeps.push_back(explore::parse_sweep(text));
        }
        catch (const explore::usage_error& e) {
            throw explore::usage_error("--sweep " + text + ": " + e.what());
        }
    }
    try {
        return explore::grid(std::move(sweeps));
    }
    catch (const explore::usage_error& e) {
        throw explore::usage_error(std::string("--sweep: ") + e.what());
    }
}

// Every design of the grid must pass before anything is printed.
void check_grid(const explore::grid& g, const explore::described& base)
{
    for (std::uint64_t i = 0; i < g.size(); ++i) {
        const auto error = explore::design_error(g.design_at(base, i), false);
        if (!error) {
            continue;
        }
        if (g.sweeps().empty()) {
            throw explore::usage_error(error->message);
        }
        std::string which;
        const std::vector<double> values = g.values_at(i);
        for (std::size_t s = 0; s < values.size(); ++s) {
            which += (s == 0 ? "" : ", ") + std::string(g.sweeps()[s].param->name) + "=" +
                     explore::shortest(values[s]);
        }
        throw explore::usage_error("--sweep: design " + std::to_string(i + 1) + " of " +
                                   std::to_string(g.size()) + " (" + which +
                                   "): " + error->message);
    }
}

int figures(const options& o, const explore::described& base)
{
    // From here an interrupt ends the run with only whole rows written, even
    // while the grid is still being checked.
    explore::stop_on_signals();
    const explore::grid g = grid_of(o);
    std::pair<std::uint64_t, std::uint64_t> shard{1, 1};
    if (!o.shard.empty()) {
        try {
            shard = explore::parse_shard(o.shard);
        }
        catch (const explore::usage_error& e) {
            throw explore::usage_error(std::string("--shard: ") + e.what());
        }
    }
    check_grid(g, base);
    const auto [k, n]            = shard;
    const explore::shard_range r = explore::shard_of(g.size(), k, n);

    const explore::format f = format_named(o.format);
    const explore::row_writer out(f, explore::grid_columns(g));
    if (k == 1) {
        std::fputs(out.header().c_str(), stdout);
    }
    const auto row = [&](std::uint64_t i) {
        const bool gap = f == explore::format::table && g.starts_block(i);
        return (gap ? "\n" : "") + out.row(explore::grid_row(g, base, i));
    };
    explore::run_settings s;
    s.jobs     = o.jobs == 0 ? explore::available_cpus() : o.jobs;
    s.progress = !o.quiet && isatty(STDERR_FILENO) != 0;
    // A write error stops the rows; the stream remembers it for the end.
    explore::write_rows(stdout, r.begin, r.end, row, s);
    return tether::finish_output(stdout, program);
}

// The climber at every row of the ascent table, written as it marches.
void ascent(const options& o, const tether::design& d)
{
    const explore::row_writer out(format_named(o.format), explore::ascent_columns());
    std::fputs(out.header().c_str(), stdout);
    climber::compute_study(d, [&out](const climber::drive_point& p, double time) {
        std::fputs(out.row(explore::ascent_values(p, time)).c_str(), stdout);
    });
}

int run(const options& o)
{
    const explore::described d = describe(o);
    if (!o.report && !o.list && !o.ascent) {
        return figures(o, d);
    }
    if (const auto error = explore::design_error(d, o.report || o.ascent)) {
        throw explore::usage_error(error->message);
    }
    if (o.report) {
        climber::print_report(stdout, explore::resolve(d));
    }
    else if (o.ascent) {
        ascent(o, explore::resolve(d));
    }
    else {
        std::fputs(explore::listing(d).c_str(), stdout);
    }
    return tether::finish_output(stdout, program);
}

int explore_main(int argc, char** argv)
{
    CLI::App app("The space-elevator tether and climber study for any design.\n"
                 "Prints the design's headline figures, its parameters (--list) or its "
                 "full report (--report).",
                 program);
    options o;
    app.set_version_flag("--version", std::string(program) + " " + TETHER_VERSION);
    app.add_option("--set", o.sets, "Set a parameter, NAME=VALUE (repeatable; see --list)")
        ->type_name("NAME=VALUE")
        ->allow_extra_args(false);
    app.add_option("--planet", o.planet, "Use a planet's GM, RE and tsid")
        ->type_name("PLANET")
        ->check(CLI::IsMember({"earth", "mars"}));
    app.add_option("--config", o.config, "Read a design file of 'name = value' lines")
        ->type_name("FILE");
    auto* format = app.add_option("--format", o.format, "Output format of the figures")
                       ->type_name("FORMAT")
                       ->check(CLI::IsMember({"table", "csv", "json"}));
    auto* list   = app.add_flag("--list", o.list, "List every parameter of the design");
    auto* report = app.add_flag("--report", o.report, "Print the design's full report");
    auto* ascent = app.add_flag("--ascent", o.ascent,
                                "Print the climber at every row of the ascent table, in --format");
    auto* sweep  = app.add_option("--sweep", o.sweeps,
                                  "Sweep a parameter: NAME=FROM:TO:N, NAME=FROM:TO:N:log or "
                                   "NAME=V1,V2,... (up to three make a grid)")
                      ->type_name("SWEEP")
                      ->allow_extra_args(false);
    auto* jobs =
        app.add_option("--jobs", o.jobs, "Designs computed at once (default: every processor)")
            ->type_name("N")
            ->check(CLI::Range(1u, 4096u));
    auto* shard = app.add_option("--shard", o.shard, "Compute only shard K of N of the grid")
                      ->type_name("K/N");
    app.add_flag("--quiet", o.quiet, "No progress line on a terminal");
    report->excludes(format)->excludes(list)->excludes(ascent);
    list->excludes(ascent);
    for (auto* opt : {sweep, jobs, shard}) {
        report->excludes(opt);
        list->excludes(opt);
        ascent->excludes(opt);
    }
    app.footer("Precedence: defaults, then the design file line by line, then --planet, then each\n"
               "--set in order. 'ztop=auto' (the default) marches to 19 km below GEO; 'rhog=auto'\n"
               "takes the tether's own linear density at the surface. See tether-explore(1).");

    try {
        app.parse(argc, argv);
        return run(o);
    }
    catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    }
    catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    }
    catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "%s: %s\n", program, e.what());
    }
    catch (const explore::usage_error& e) {
        std::fprintf(stderr, "%s: %s\n", program, e.what());
    }
    std::fprintf(stderr, "Try '%s --help' for more information.\n", program);
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    try {
        return explore_main(argc, argv);
    }
    catch (const std::exception& e) {  // out of memory, say
        std::fprintf(stderr, "%s: %s\n", program, e.what());
    }
    catch (...) {
        std::fprintf(stderr, "%s: unexpected error\n", program);
    }
    return 1;
}
