// tether-explore: the tether and climber study for any design, given on the
// command line or in a design file.
#include "engine/figures.hpp"
#include "engine/modes.hpp"
#include "engine/run.hpp"
#include "engine/runner.hpp"
#include "engine/settings.hpp"
#include "engine/sweep.hpp"

#include "output.hpp"

#include "climber/report.hpp"
#include "climber/study.hpp"
#include "engine/solve.hpp"
#include "tether/modes.hpp"

#include <CLI/CLI.hpp>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* program = "tether-explore";

// This run's stop request: set by SIGINT, SIGTERM and SIGHUP to the signal.
std::atomic<int> stop_flag{0};

extern "C" void note_signal(int sig)
{
    // A lock-free atomic store: safe in a signal handler.
    stop_flag.store(sig);
}

// From now on SIGINT, SIGTERM and SIGHUP stop the run: it ends after its
// last complete row.
void stop_on_signals()
{
    struct sigaction sa {};
    sa.sa_handler = note_signal;
    sigemptyset(&sa.sa_mask);
    // No SA_RESTART: a write blocked on a terminal returns, and the request
    // is heard. Further signals (a scheduler may send one to every process of
    // a job, a terminal to the whole group) only repeat the request: dying
    // on one would cut a row in the middle.
    sa.sa_flags = 0;
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(sig, &sa, nullptr);
    }
}

struct options {
    std::vector<std::string> sets;
    std::vector<std::string> sweeps;
    std::string shard;
    unsigned jobs = 0;  // 0: every processor this process may use
    std::string jobs_text;
    bool quiet = false;
    std::string planet;
    std::string config;
    bool config_given  = false;
    std::string format = engine::formats().front().name;
    std::string method = engine::methods().front().name;
    bool method_given  = false;
    bool list          = false;
    bool report        = false;
    bool ascent        = false;
    std::string solve;  // NAME=LOW:HIGH
    std::string goal;   // FIGURE=VALUE
    std::string modes_text;
    std::vector<std::string> figures;  // the figures asked for (none: every one)
    unsigned modes = 0;                // the oscillation modes asked for, 1 to engine::max_modes
    bool shapes    = false;
};

// The design that the options describe: defaults, then the design file line
// by line, then the planet, then each --set in order.
tether::design describe(const options& o)
{
    tether::design d;
    if (o.config_given) {
        engine::apply_file(d, o.config);
    }
    if (!o.planet.empty()) {
        engine::apply(d, "planet", o.planet);
    }
    for (const std::string& s : o.sets) {
        try {
            engine::apply_assignment(d, s);
        }
        catch (const engine::usage_error& e) {
            throw engine::usage_error("--set " + engine::printable(s) + ": " + e.what());
        }
    }
    return d;
}

// What a signal asked for: the rows written, and the exit status 128 + signal.
int interrupted(std::uint64_t written, std::uint64_t total, const char* what)
{
    std::fprintf(stderr, "%s: interrupted: %llu of %llu %s written\n", program,
                 static_cast<unsigned long long>(written), static_cast<unsigned long long>(total),
                 what);
    return 128 + stop_flag.load();
}

// A failed write: the real reason and how far the output got; status 1.
int write_failed(const tools::row_output& out, std::uint64_t total, const char* what)
{
    std::fprintf(stderr, "%s: write error: %s (%llu of %llu %s written)\n", program,
                 std::strerror(out.error()), static_cast<unsigned long long>(out.rows_written()),
                 static_cast<unsigned long long>(total), what);
    if (out.torn()) {
        std::fprintf(stderr,
                     "%s: the output may hold a partial row of this run: another writer "
                     "appended to it after the failed write, so it was not cut back\n",
                     program);
    }
    return 1;
}

bool stop_requested()
{
    return stop_flag.load() != 0;
}

// A note's line on standard error; the integral method named as this
// program names it.
void say_note(const climber::note& n)
{
    const char* how = n.kind == climber::note_kind::coarse_march ? " (--method integral)" : "";
    std::fprintf(stderr, "%s: warning: %s%s\n", program, n.text.c_str(), how);
}

// --jobs N: a whole number in digits, 1 to max_jobs.
constexpr unsigned max_jobs = 4096;

unsigned jobs_in(const std::string& text)
{
    const std::string t     = engine::trim(text);
    const std::string range = "; give N from 1 to " + std::to_string(max_jobs);
    if (t.empty() || t.find_first_not_of("0123456789") != std::string::npos) {
        throw engine::usage_error("--jobs: " + engine::printable_value(text) +
                                  " is not a whole number" + range);
    }
    const auto digits = t.find_first_not_of('0');
    if (digits == std::string::npos || t.size() - digits > 4 ||
        std::stoul(t.substr(digits)) > max_jobs) {
        throw engine::usage_error("--jobs: " + engine::printable(text) + " is out of range" +
                                  range);
    }
    return static_cast<unsigned>(std::stoul(t.substr(digits)));
}

// The goal that --solve and --for give, or none.
std::optional<engine::goal> goal_of(const options& o)
{
    if (o.solve.empty() && o.goal.empty()) {
        return std::nullopt;
    }
    if (o.solve.empty() || o.goal.empty()) {
        throw engine::usage_error(o.solve.empty() ? "--for needs --solve NAME=LOW:HIGH"
                                                  : "--solve needs --for FIGURE=VALUE");
    }
    if (o.method_given &&
        engine::named_value(engine::methods(), o.method) != climber::method::integral) {
        throw engine::usage_error("--solve seeks with the integral method, whose figures are "
                                  "smooth in the parameters: not with --method " +
                                  o.method);
    }
    engine::goal g{};
    try {
        g = engine::parse_solve(o.solve);
    }
    catch (const engine::usage_error& e) {
        throw engine::usage_error("--solve " + engine::printable(o.solve) + ": " + e.what());
    }
    try {
        engine::parse_for(g, o.goal);
    }
    catch (const engine::usage_error& e) {
        throw engine::usage_error("--for " + engine::printable(o.goal) + ": " + e.what());
    }
    for (const std::string& s : o.sweeps) {
        if (engine::trim(s.substr(0, s.find('='))) == g.param->name) {
            throw engine::usage_error("--solve " + engine::printable(o.solve) + ": " +
                                      g.param->name + " is swept too");
        }
    }
    return g;
}

// --shard's K/N, or 1/1.
std::pair<std::uint64_t, std::uint64_t> shard_of(const options& o)
{
    if (o.shard.empty()) {
        return {1, 1};
    }
    try {
        return engine::parse_shard(o.shard);
    }
    catch (const engine::usage_error& e) {
        throw engine::usage_error(std::string("--shard: ") + e.what());
    }
}

// The run that the options describe: the grid of --sweep, the goal of
// --solve and --for, the method, the modes and the figures asked for.
engine::run run_of(const options& o, const tether::design& base)
{
    engine::run_request r;
    r.base = base;
    for (const std::string& text : o.sweeps) {
        r.axes.push_back({text});
    }
    r.figures       = {*engine::named_value(engine::methods(), o.method)};
    r.figures.modes = o.modes;
    r.names         = o.figures;
    try {
        engine::figure_selection(o.figures, o.modes);
    }
    catch (const engine::usage_error& e) {
        throw engine::usage_error(std::string("--figures: ") + e.what());
    }
    try {
        r.sought = goal_of(o);
        return engine::run(std::move(r));
    }
    catch (const engine::grid_error& e) {
        throw engine::usage_error(
            "--sweep" + (e.axis ? " " + engine::printable(o.sweeps[*e.axis]) : std::string()) +
            ": " + e.what());
    }
}

// A row's line on standard error where its figures are missing.
void say_missed(const engine::run& r, std::uint64_t i, const engine::run_row& row)
{
    const engine::grid& g   = r.designs();
    const std::string which = g.sweeps().empty() ? "" : " (" + g.values_text(i) + ")";
    std::fprintf(stderr, "%s: design %llu of %llu%s: %s%s\n", program,
                 static_cast<unsigned long long>(i) + 1, static_cast<unsigned long long>(g.size()),
                 which.c_str(), row.why.c_str(), row.solved ? "; its figures are NaN" : "");
}

// What comes before the rows: a single design's goal is sought first (where
// it has no answer, nothing is written and the design is refused, else its
// row is returned); a grid without a goal is checked whole, its notes said.
std::optional<engine::run_row> before_rows(const engine::run& r)
{
    if (r.request().sought.has_value()) {
        if (!r.designs().sweeps().empty()) {
            return std::nullopt;
        }
        engine::run_row single = r.row(0, &stop_flag);
        if (!single.solved->problem.empty()) {
            throw engine::usage_error(single.solved->problem);
        }
        return single;
    }
    engine::note_tally notes;
    if (const auto fault = r.check(stop_requested, &notes)) {
        throw engine::usage_error((r.designs().sweeps().empty() ? "" : "--sweep: ") +
                                  fault->message);
    }
    for (const climber::note& n : r.led(notes)) {
        say_note(n);
    }
    return std::nullopt;
}

int figures(const options& o, const tether::design& base)
{
    // From here an interrupt ends the run with only whole rows written, even
    // while the grid is still being checked.
    stop_on_signals();
    const engine::run r                                 = run_of(o, base);
    const std::pair<std::uint64_t, std::uint64_t> shard = shard_of(o);
    std::optional<engine::run_row> single               = before_rows(r);
    const auto [k, n]                                   = shard;
    const engine::shard_range s                         = engine::shard_of(r.size(), k, n);
    const std::uint64_t total                           = s.end - s.begin;
    if (stop_requested()) {
        return interrupted(0, total, "designs");
    }
    const engine::format f = *engine::named_value(engine::formats(), o.format);
    const engine::row_writer w(f, r.columns());
    tools::row_output out(STDOUT_FILENO, &stop_flag);
    if (k == 1) {
        out.put(w.header(), 0);
    }
    std::uint64_t said = 0;
    const auto sink    = [&](std::uint64_t i, engine::run_row& row) {
        if (row.missed && ++said <= 10) {
            say_missed(r, i, row);
        }
        const bool gap = f == engine::format::table && r.designs().starts_block(i);
        return out.put((gap ? "\n" : "") + w.row(row.values));
    };
    engine::run_settings settings;
    settings.jobs = single ? 0 : o.jobs == 0 ? engine::available_cpus() : o.jobs;
    settings.stop = &stop_flag;
    tools::progress_line progress(!o.quiet && isatty(STDERR_FILENO) != 0, total);
    settings.progress = [&progress](std::uint64_t done) { progress.show(done); };
    engine::run_summary summary;
    if (single && s.begin < s.end) {
        summary.notes.add(0, single->notes);
        summary.missed = single->missed ? 1 : 0;
        sink(0, *single);
    }
    else if (!single) {
        summary = r.execute(s.begin, s.end, sink, settings);
    }
    progress.clear();
    out.flush();
    if (out.error() != 0) {
        return write_failed(out, total, "designs");
    }
    if (summary.result.stopped || out.stopped()) {
        return interrupted(out.rows_written(), total, "designs");
    }
    for (const climber::note& each : r.led(summary.notes)) {
        say_note(each);
    }
    if (summary.missed > 10) {
        std::fprintf(stderr, "%s: and %llu more designs without figures\n", program,
                     static_cast<unsigned long long>(summary.missed) - 10);
    }
    return summary.missed == 0 ? 0 : 3;
}

// The end of a march written row by row (--ascent, --report): the write
// error or the interruption that cut it short, or the notes on its study.
int finish_march(const tools::row_output& out, std::uint64_t total, const char* what,
                 const climber::study& s)
{
    if (out.error() != 0) {
        return write_failed(out, total, what);
    }
    if (stop_requested()) {
        return interrupted(out.rows_written(), total, what);
    }
    for (const climber::note& n : climber::notes(s, true)) {
        say_note(n);
    }
    return 0;
}

// The climber at every row of the ascent table, written as it marches.
int ascent(const options& o, const tether::design& d)
{
    const climber::push_params push = engine::ascent_push(d);
    const engine::row_writer w(*engine::named_value(engine::formats(), o.format),
                               engine::ascent_columns());
    tools::row_output out(STDOUT_FILENO, &stop_flag);
    const climber::march_plan plan = climber::plan_march(d, tether::compute_model(d));
    const auto total               = static_cast<std::uint64_t>(plan.rows());
    out.put(w.header(), 0);
    const climber::study s = climber::compute_study(
        d,
        [&](const climber::drive_point& p, double time) {
            // The march hears a stop only every so many points: no row is
            // made for nothing meanwhile.
            if (!stop_requested()) {
                out.put(w.row(engine::ascent_values(push, p, time)));
            }
        },
        &stop_flag);
    out.flush();
    return finish_march(out, total, "rows", s);
}

// The report is the study of a planet turning alone: its words and its
// release section are GEO's and a two-body orbit's.
void refuse_partner_report(const tether::design& d)
{
    if (tether::has_partner(d)) {
        throw engine::usage_error(
            "--report is the study of a planet turning alone (GEO, and payloads let go into "
            "two-body orbits): a design with a partner (partner_GM > 0) has its figures, "
            "--ascent and --modes instead");
    }
}

int report(const tether::design& d)
{
    refuse_partner_report(d);
    tools::row_output out(STDOUT_FILENO, &stop_flag);
    const climber::study s = climber::print_report(
        [&out](std::string_view text) {
            std::uint64_t lines = 0;
            for (char c : text) {
                lines += c == '\n' ? 1 : 0;
            }
            return out.put(std::string(text), lines);
        },
        d, &stop_flag);
    out.flush();
    const std::uint64_t total =
        climber::report_lines(climber::plan_march(d, tether::compute_model(d)));
    return finish_march(out, total, "lines", s);
}

// One design's oscillation modes: a row a mode with its periods in and out
// of plane, or with --shapes the in-plane shapes at evenly spaced altitudes.
int modes_table(const options& o, const tether::design& d)
{
    if (const auto error = engine::design_error(d, false)) {
        throw engine::usage_error(error->message);
    }
    for (const climber::note& n : climber::design_notes(d)) {
        say_note(n);
    }
    const tether::model m     = tether::compute_model(d);
    const tether::positions p = tether::compute_positions(d, m);
    const tether::modes found = tether::compute_modes(m, p, o.modes);
    const engine::format f    = *engine::named_value(engine::formats(), o.format);
    tools::row_output out(STDOUT_FILENO, &stop_flag);
    std::uint64_t rows = 0;
    if (o.shapes) {
        const std::vector<double> altitudes = engine::shape_altitudes(m);
        const auto shapes                   = tether::mode_shapes(m, p, found, altitudes);
        const engine::row_writer w(f, engine::shape_columns(o.modes));
        out.put(w.header(), 0);
        for (std::size_t i = 0; i < altitudes.size(); ++i) {
            std::vector<double> values{altitudes[i]};
            for (const auto& shape : shapes) {
                values.push_back(shape.at(i));
            }
            out.put(w.row(values));
        }
        rows = altitudes.size();
    }
    else {
        const engine::row_writer w(f, engine::mode_columns());
        out.put(w.header(), 0);
        for (unsigned k = 0; k < o.modes; ++k) {
            out.put(w.row(engine::mode_row(found, k)));
        }
        rows = o.modes;
    }
    out.flush();
    if (out.error() != 0) {
        return write_failed(out, rows, o.shapes ? "rows" : "modes");
    }
    if (found.unstable || found.missed) {
        std::fprintf(stderr, "%s: %s\n", program, found.why.c_str());
        return 3;
    }
    return 0;
}

// --modes and --shapes with the other options.
void check_modes(const options& o)
{
    if (o.shapes && o.modes == 0) {
        throw engine::usage_error("--shapes needs --modes N");
    }
    if (o.shapes && !o.sweeps.empty()) {
        throw engine::usage_error("--shapes is for one design: not with --sweep");
    }
    if (o.modes == 0) {
        return;
    }
    if (!o.shard.empty() && o.sweeps.empty()) {
        throw engine::usage_error("--shard is for sweeps: not with --modes for one design");
    }
    const char* other = o.report ? "--report" : o.ascent ? "--ascent" : o.list ? "--list" : "";
    if (*other == 0 && !o.solve.empty()) {
        other = "--solve";
    }
    if (*other != 0) {
        throw engine::usage_error(std::string(other) + " cannot be combined with --modes");
    }
}

// The options that go together, and those that do not.
void check_combinations(const options& o)
{
    check_modes(o);
    if (engine::named_value(engine::methods(), o.method) == climber::method::integral &&
        (o.report || o.ascent)) {
        throw engine::usage_error(std::string(o.report ? "--report" : "--ascent") +
                                  " is the march's: --method integral gives the headline "
                                  "figures and sweeps only");
    }
    if (!o.figures.empty() && (!o.solve.empty() || (o.modes > 0 && o.sweeps.empty()))) {
        throw engine::usage_error(std::string("--figures cannot be combined with ") +
                                  (o.solve.empty() ? "--modes alone" : "--solve"));
    }
    if ((!o.solve.empty() || !o.goal.empty()) && (o.report || o.ascent || o.list)) {
        throw engine::usage_error(std::string(o.report   ? "--report"
                                              : o.ascent ? "--ascent"
                                                         : "--list") +
                                  " cannot be combined with --solve");
    }
}

int run(const options& o)
{
    check_combinations(o);
    const tether::design d = describe(o);
    if (o.modes > 0 && o.sweeps.empty()) {
        return modes_table(o, d);
    }
    if (!o.report && !o.list && !o.ascent) {
        return figures(o, d);
    }
    if (const auto error = engine::design_error(d, o.report || o.ascent)) {
        throw engine::usage_error(error->message);
    }
    for (const climber::note& n : climber::design_notes(d)) {
        say_note(n);
    }
    if (o.report || o.ascent) {
        stop_on_signals();
        return o.report ? report(d) : ascent(o, d);
    }
    {
        std::fputs(engine::listing(d).c_str(), stdout);
    }
    return tools::finish_output(stdout, program);
}

// --modes' N: a whole number from 1 to engine::max_modes.
unsigned modes_in(const std::string& text)
{
    try {
        return engine::modes_count(text);
    }
    catch (const engine::usage_error& e) {
        throw engine::usage_error(std::string("--modes: ") + e.what());
    }
}

// A table of names for an option's help: "a (default), b or c".
template <class T> std::string described(const std::vector<engine::named<T>>& table)
{
    std::vector<std::string> each;
    for (std::size_t i = 0; i < table.size(); ++i) {
        each.push_back(std::string(table[i].name) + (i == 0 ? " (default)" : ""));
    }
    return engine::joined(each);
}

// The names of a table.
template <class T> std::vector<std::string> names(const std::vector<engine::named<T>>& table)
{
    std::vector<std::string> out;
    out.reserve(table.size());
    for (const engine::named<T>& n : table) {
        out.emplace_back(n.name);
    }
    return out;
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
               "       tether-explore [DESIGN] (--list | --report | --ascent)\n"
               "DESIGN is any of --config FILE, --planet PLANET and --set NAME=VALUE.\n";
    }
    std::string make_option_opts(const CLI::Option* opt) const override
    {
        return opt->get_type_name().empty() ? "" : " " + opt->get_type_name();
    }
};

int explore_main(int argc, char** argv)
{
    CLI::App app("The space-elevator tether and climber study for any design: its headline\n"
                 "figures, a sweep of designs, its parameters, its report or its ascent.",
                 program);
    app.formatter(std::make_shared<help_format>());
    options o;
    app.set_version_flag("--version", std::string(program) + " " + TETHER_VERSION);
    const char* design = "Design";
    const char* output = "Output";
    const char* sweeps = "Sweeps";
    auto* config =
        app.add_option("--config", o.config, "Read a design file of 'name = value' lines")
            ->type_name("FILE")
            ->group(design);
    app.add_option("--planet", o.planet,
                   "Use a planet's GM, RE and tsid (" + engine::joined(tether::planet_names()) +
                       ")")
        ->type_name("PLANET")
        ->check(CLI::IsMember(tether::planet_names()))
        ->group(design);
    app.add_option("--set", o.sets, "Set a parameter, NAME=VALUE (repeatable; see --list)")
        ->type_name("NAME=VALUE")
        ->allow_extra_args(false)
        ->group(design);
    auto* format = app.add_option("--format", o.format, described(engine::formats()))
                       ->type_name("FORMAT")
                       ->check(CLI::IsMember(names(engine::formats())))
                       ->group(output);
    auto* method = app.add_option("--method", o.method,
                                  described(engine::methods()) + "; for the figures and sweeps")
                       ->type_name("METHOD")
                       ->check(CLI::IsMember(names(engine::methods())))
                       ->group(output);
    auto* chosen = app.add_option("--figures", o.figures,
                                  "The figures to print, in this order (default: every one)")
                       ->type_name("NAME,...")
                       ->delimiter(',')
                       ->group(output);
    auto* list =
        app.add_flag("--list", o.list, "List every parameter of the design")->group(output);
    auto* report =
        app.add_flag("--report", o.report, "Print the design's full report")->group(output);
    auto* ascent = app.add_flag("--ascent", o.ascent,
                                "Print the climber at every row of the ascent table, in --format")
                       ->group(output);
    auto* sweep = app.add_option("--sweep", o.sweeps,
                                 "NAME=FROM:TO:N, NAME=FROM:TO:N:log or NAME=V1,V2,...; "
                                 "up to three make a grid, the first outermost")
                      ->type_name("SWEEP")
                      ->allow_extra_args(false)
                      ->group(sweeps);
    auto* jobs = app.add_option("--jobs", o.jobs_text,
                                "Designs computed at once, 1 to 4096 (default: every processor)")
                     ->type_name("N")
                     ->group(sweeps);
    auto* shard = app.add_option("--shard", o.shard, "Compute only shard K of N of the grid")
                      ->type_name("K/N")
                      ->group(sweeps);
    app.add_flag("--quiet", o.quiet, "No progress line on a terminal")->group(sweeps);
    const char* sway = "Oscillation modes";
    auto* modes      = app.add_option("--modes", o.modes_text,
                                      "The first N oscillation modes of the tether (1 to " +
                                          std::to_string(engine::max_modes) +
                                          "): their periods, or with --sweep as columns")
                      ->type_name("N")
                      ->group(sway);
    app.add_flag("--shapes", o.shapes,
                 "With --modes, the in-plane mode shapes at " +
                     std::to_string(engine::shape_points) + " altitudes instead")
        ->group(sway);
    const char* seek = "Goal seek";
    app.add_option("--solve", o.solve,
                   "Seek the value of parameter NAME between LOW and HIGH at which --for's "
                   "figure takes its value (by the integral method)")
        ->type_name("NAME=LOW:HIGH")
        ->group(seek);
    app.add_option("--for", o.goal, "The figure and its target, a column of --format csv")
        ->type_name("FIGURE=VALUE")
        ->group(seek);
    // An option that takes one value, given again, is refused after
    // parsing in this program's words rather than CLI11's.
    for (CLI::Option* opt : app.get_options()) {
        if (opt->get_expected_max() == 1) {
            opt->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
        }
    }
    report->excludes(format)->excludes(list)->excludes(ascent);
    list->excludes(ascent);
    for (auto* opt : {sweep, jobs, shard, chosen}) {
        report->excludes(opt);
        list->excludes(opt);
        ascent->excludes(opt);
    }
    app.footer("Examples:\n"
               "  tether-explore --set strength=50 --format csv\n"
               "  tether-explore --sweep strength=0.78:130:50:log --method integral > sweep.txt\n"
               "  tether-explore --planet mars --list > mars.design\n"
               "  tether-explore --solve strength=10:300 --for time=110 --format csv\n"
               "\n"
               "Precedence: defaults, then the design file, then --planet, then each --set in\n"
               "order. 'ztop=auto' (the default) marches to 19 km below GEO; 'rhog=auto' takes\n"
               "the tether's own linear density at the surface. See tether-explore(1).");

    try {
        app.parse(argc, argv);
        for (const CLI::Option* opt : app.get_options()) {
            if (opt->get_expected_max() == 1 && opt->count() > 1) {
                throw engine::usage_error(opt->get_name() + " is given " +
                                          std::to_string(opt->count()) + " times: give it once");
            }
        }
        o.config_given = config->count() > 0;
        o.method_given = method->count() > 0;
        if (modes->count() > 0) {
            o.modes = modes_in(o.modes_text);
        }
        if (jobs->count() > 0) {
            o.jobs = jobs_in(o.jobs_text);
        }
        return run(o);
    }
    catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    }
    catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    }
    catch (const CLI::ParseError& e) {
        // The parser quotes what it refuses: control characters are escaped.
        std::fprintf(stderr, "%s: %s\n", program, engine::escaped(e.what()).c_str());
    }
    catch (const engine::usage_error& e) {
        std::fprintf(stderr, "%s: %s\n", program, e.what());
    }
    std::fprintf(stderr, "Try '%s --help' for more information.\n", program);
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    // A file size limit (ulimit -f) makes a write fail with EFBIG, said as
    // any other write error and cut back to the last whole row, rather
    // than killing the program mid-row.
    std::signal(SIGXFSZ, SIG_IGN);
    try {
        return explore_main(argc, argv);
    }
    catch (const std::bad_alloc&) {
        std::fprintf(stderr, "%s: out of memory\n", program);
    }
    catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", program, e.what());
    }
    catch (...) {
        std::fprintf(stderr, "%s: unexpected error\n", program);
    }
    return 1;
}
