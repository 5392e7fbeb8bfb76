// tether-explore: the tether and climber study for any design, given on the
// command line or in a design file.
#include "figures.hpp"
#include "settings.hpp"

#include "climber/study.hpp"
#include "tether/output.hpp"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr const char* program = "tether-explore";

struct options {
    std::vector<std::string> sets;
    std::string planet;
    std::string config;
    std::string format = "table";
    bool list          = false;
    bool report        = false;
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

int run(const options& o)
{
    const explore::described d = describe(o);
    if (const auto error = explore::design_error(d, o.report)) {
        throw explore::usage_error(*error);
    }
    const tether::design design = explore::resolve(d);
    if (o.report) {
        climber::print_report(stdout, design);
    }
    else if (o.list) {
        std::fputs(explore::listing(d).c_str(), stdout);
    }
    else {
        const explore::figure_writer out(format_named(o.format), {});
        std::fputs(out.header().c_str(), stdout);
        std::fputs(out.row({}, climber::compute_study(design)).c_str(), stdout);
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
    report->excludes(format)->excludes(list);
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
