// tether-explore: the tether and climber study for any design, given on the
// command line or in a design file.
#include "engine/figures.hpp"
#include "engine/loads.hpp"
#include "engine/modes.hpp"
#include "engine/run.hpp"
#include "engine/sensitivity.hpp"
#include "engine/spread.hpp"

#include "options.hpp"
#include "output.hpp"

#include "climber/report.hpp"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <new>
#include <unistd.h>

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

// The options as read, and the numbers read from them.
struct options : tools::options {
    unsigned job_count  = 0;  // 0: every processor this process may use
    unsigned mode_count = 0;  // the oscillation modes asked for, 1 to engine::max_modes
};

// The design that the options describe: defaults, then the design file line
// by line, then the planet, then each --set in order.
tether::design describe(const options& o)
{
    tether::design d;
    if (o.has("--config")) {
        if (o.config.empty()) {
            throw engine::usage_error("--config needs a file name");
        }
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
            throw engine::usage_error("--set " + engine::printable(s), e);
        }
    }
    return d;
}

bool stop_requested()
{
    return stop_flag.load() != 0;
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

// The end of rows written to out: 0, or the status of a failed write or
// of an interruption, said.
int finished(tools::row_output& out, std::uint64_t total, const char* what, bool stopped)
{
    out.flush();
    if (out.error() != 0) {
        return write_failed(out, total, what);
    }
    return stopped || out.stopped() ? interrupted(out.rows_written(), total, what) : 0;
}

// --shard's K/N.
std::pair<std::uint64_t, std::uint64_t> shard_in(const std::string& text)
{
    try {
        return engine::parse_shard(text);
    }
    catch (const engine::usage_error& e) {
        throw engine::usage_error("--shard", e);
    }
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
    if (o.has("--method") &&
        engine::named_value(engine::methods(), o.method) != climber::method::integral) {
        throw engine::usage_error("--solve seeks with the integral method, whose figures are "
                                  "smooth in the parameters: not with --method " +
                                  o.method);
    }
    return engine::read_goal(o.solve, o.goal);
}

// What every run of the options asks: the base design, the method, the
// modes and the figures.
engine::run_request request_of(const options& o, const tether::design& base)
{
    engine::run_request r;
    r.base          = base;
    r.figures       = {*engine::named_value(engine::methods(), o.method)};
    r.figures.modes = o.mode_count;
    r.names         = o.figures;
    try {
        engine::figure_selection(o.figures, o.mode_count);
    }
    catch (const engine::usage_error& e) {
        throw engine::usage_error("--figures", e);
    }
    return r;
}

// The run that the options describe: the grid of --sweep, the goal of
// --solve and --for, the method, the modes and the figures asked for.
engine::run run_of(const options& o, const tether::design& base)
{
    engine::run_request r = request_of(o, base);
    for (const std::string& text : o.sweeps) {
        r.axes.push_back({text});
    }
    try {
        r.sought = goal_of(o);
        return engine::run(std::move(r));
    }
    catch (const engine::goal_error& e) {
        throw engine::usage_error(e.target ? "--for " + engine::printable(o.goal)
                                           : "--solve " + engine::printable(o.solve),
                                  e);
    }
    catch (const engine::grid_error& e) {
        throw engine::usage_error(
            "--sweep" + (e.axis ? " " + engine::printable(o.sweeps[*e.axis]) : std::string()), e);
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

int figures(const options& o, const tether::design& base)
{
    // From here an interrupt ends the run with only whole rows written, even
    // while the grid is still being checked.
    stop_on_signals();
    const engine::run r = run_of(o, base);
    const auto [k, n] =
        o.shard.empty() ? std::pair<std::uint64_t, std::uint64_t>{1, 1} : shard_in(o.shard);
    engine::run_start start = r.start(&stop_flag);
    if (start.fault || !start.unsolved.empty()) {
        throw engine::usage_error(start.fault ? (r.designs().sweeps().empty() ? "" : "--sweep: ") +
                                                    start.fault->message
                                              : start.unsolved);
    }
    for (const climber::note& each : r.led(start.notes)) {
        say_note(each);
    }
    const engine::shard_range s = engine::shard_of(r.size(), k, n);
    const std::uint64_t total   = s.end - s.begin;
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
    settings.jobs = o.job_count == 0 ? engine::available_cpus() : o.job_count;
    settings.stop = &stop_flag;
    tools::progress_line progress(!o.quiet && isatty(STDERR_FILENO) != 0, total);
    settings.progress = [&progress](std::uint64_t done) { progress.show(done); };
    const engine::run_summary summary =
        r.execute(s.begin, s.end, sink, settings, std::move(start.first));
    progress.clear();
    if (const int status = finished(out, total, "designs", summary.result.stopped)) {
        return status;
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

// --vary's parameters, --samples' count and --key's key, each refused
// naming the argument; a varied parameter that is also swept too.
engine::draw_request draw_request_of(const options& o)
{
    engine::draw_request dr;
    try {
        dr.vary = engine::read_varied(o.vary);
    }
    catch (const engine::varied_error& e) {
        throw engine::usage_error("--vary " + engine::printable(o.vary[e.index]), e);
    }
    for (const std::string& s : o.sweeps) {
        const std::string name = engine::trim(s.substr(0, s.find('=')));
        for (std::size_t i = 0; i < dr.vary.size(); ++i) {
            if (name == dr.vary[i].param->name) {
                throw engine::usage_error("--vary " + engine::printable(o.vary[i]) + ": " + name +
                                          " is swept too");
            }
        }
    }
    try {
        dr.count = o.samples.empty() ? dr.count : engine::parse_draw_count(o.samples);
    }
    catch (const engine::usage_error& e) {
        throw engine::usage_error("--samples", e);
    }
    try {
        dr.key = o.key.empty() ? dr.key : engine::parse_key(o.key);
    }
    catch (const engine::usage_error& e) {
        throw engine::usage_error("--key", e);
    }
    dr.saltelli = o.indices;
    return dr;
}

// The option that draws cannot be given with (yet), or none.
const char* refused_with_draws(const options& o)
{
    const std::pair<bool, const char*> others[] = {
        {o.summary && o.indices, "--indices"},
        {(o.summary || o.indices) && !o.shard.empty(), "--shard"},
        {!o.sweeps.empty(), "--sweep"},
        {!o.solve.empty(), "--solve"},
        {!o.goal.empty(), "--for"},
        {o.report, "--report"},
        {o.ascent, "--ascent"},
        {o.list, "--list"},
        {o.shapes, "--shapes"},
    };
    for (const auto& [given, name] : others) {
        if (given) {
            return name;
        }
    }
    return nullptr;
}

// The options of draws with the others: what needs --vary, and what draws
// do not take (yet).
void check_draws(const options& o)
{
    for (const char* name : {"--samples", "--key", "--summary", "--indices"}) {
        if (o.vary.empty() && o.has(name)) {
            throw engine::usage_error(std::string(name) + " needs --vary NAME=DIST");
        }
    }
    if (!o.where.empty() && !o.summary) {
        throw engine::usage_error("--where needs --summary");
    }
    if (o.vary.empty()) {
        return;
    }
    draw_request_of(o);  // a bad --vary, --samples or --key is said first
    const char* what = o.summary ? "--summary" : o.indices ? "--indices" : "--vary";
    if (const char* other = refused_with_draws(o)) {
        const bool for_now = std::string(other) == "--sweep" || std::string(other) == "--solve";
        throw engine::usage_error(std::string(what) + " cannot be combined with " + other +
                                  (for_now ? " for now" : ""));
    }
}

// The run of draws the options describe.
engine::run draws_run_of(const options& o, const tether::design& base)
{
    engine::run_request r = request_of(o, base);
    r.drawn               = draw_request_of(o);
    try {
        return engine::run(std::move(r));
    }
    catch (const engine::usage_error& e) {
        throw engine::usage_error(o.indices ? "--indices" : "--vary", e);
    }
}

// The shares of the draws that are no design, that carry each note and
// that meet --where, then the key, on standard error.
void say_shares(const engine::spread_summary& s, std::uint64_t key)
{
    if (s.unbuilt.met > 0) {
        std::fprintf(stderr, "%s: %s are no design\n", program,
                     engine::share_text(s.unbuilt).c_str());
    }
    for (const engine::note_share& n : s.notes) {
        std::fprintf(stderr, "%s: warning: %s: %s\n", program, engine::share_text(n.of).c_str(),
                     n.note.text.c_str());
    }
    if (s.where) {
        std::fprintf(stderr, "%s: %s: %s\n", program, engine::condition_text(*s.where).c_str(),
                     engine::share_text(s.met).c_str());
    }
    std::fprintf(stderr, "%s: %llu draws with key %llu\n", program,
                 static_cast<unsigned long long>(s.run.result.done),
                 static_cast<unsigned long long>(key));
}

// What --summary or --indices give: its rows and their columns, and the
// summary where there is one.
struct draw_table {
    std::vector<engine::labelled_row> rows;
    std::vector<engine::column> columns;
    std::optional<engine::spread_summary> summary;
    engine::run_summary ran;
};

draw_table table_of_draws(const options& o, const engine::run& r, const engine::run_settings& s)
{
    std::optional<std::string> where;
    if (!o.where.empty()) {
        where = o.where;
        try {
            engine::parse_condition(*where, r.figures_shown());
        }
        catch (const engine::usage_error& e) {
            throw engine::usage_error("--where " + engine::printable(o.where), e);
        }
    }
    draw_table t;
    if (o.summary) {
        t.summary = engine::summarize(r, s, where);
        t.ran     = t.summary->run;
        t.rows    = t.summary->rows();
        t.columns = engine::spread_summary::columns();
        return t;
    }
    const engine::spread_indices x = engine::indices_of(r, s);
    t.ran                          = x.run;
    t.rows                         = t.ran.result.stopped ? t.rows : x.rows();
    t.columns                      = engine::spread_indices::columns();
    return t;
}

// After the rows of draws: their notes, the draws that missed, and the
// draws written with their key.
void say_draws(const options& o, const engine::run& r, const engine::run_summary& ran,
               engine::shard_range range)
{
    for (const climber::note& each : r.led(ran.notes)) {
        say_note(each);
    }
    if (ran.missed > 0) {
        std::fprintf(stderr, "%s: draw %llu and %llu more: %s\n", program,
                     static_cast<unsigned long long>(ran.first_missed),
                     static_cast<unsigned long long>(ran.missed - 1), ran.why.c_str());
    }
    const std::uint64_t key   = r.request().drawn->key;
    const std::uint64_t count = r.request().drawn->count;
    const std::uint64_t total = range.end - range.begin;
    if (o.indices || total == count) {
        std::fprintf(stderr, "%s: %llu draws with key %llu\n", program,
                     static_cast<unsigned long long>(count), static_cast<unsigned long long>(key));
    }
    else {
        std::fprintf(stderr, "%s: %llu of %llu draws, from draw %llu, with key %llu\n", program,
                     static_cast<unsigned long long>(total), static_cast<unsigned long long>(count),
                     static_cast<unsigned long long>(range.begin),
                     static_cast<unsigned long long>(key));
    }
}

// --vary: each draw's row, or with --summary each figure's, or with
// --indices each figure's and parameter's; the key said last.
int draws(const options& o, const tether::design& base)
{
    stop_on_signals();
    const engine::run r    = draws_run_of(o, base);
    const engine::format f = *engine::named_value(engine::formats(), o.format);
    const auto [k, n] =
        o.shard.empty() ? std::pair<std::uint64_t, std::uint64_t>{1, 1} : shard_in(o.shard);
    const bool whole = o.summary || o.indices;
    const engine::shard_range range =
        whole ? engine::shard_range{0, r.size()} : engine::shard_of(r.size(), k, n);
    const std::uint64_t total = range.end - range.begin;
    engine::run_settings settings;
    settings.jobs = o.job_count == 0 ? engine::available_cpus() : o.job_count;
    settings.stop = &stop_flag;
    tools::progress_line progress(!o.quiet && isatty(STDERR_FILENO) != 0, total);
    settings.progress = [&progress](std::uint64_t done) { progress.show(done); };
    tools::row_output out(STDOUT_FILENO, &stop_flag);
    draw_table t;
    if (whole) {
        t = table_of_draws(o, r, settings);
        progress.clear();
        if (t.ran.result.stopped) {
            return interrupted(0, total, "draws");
        }
        const engine::row_writer w(f, t.columns);
        if (f == engine::format::json) {
            out.put(engine::draws_metadata(r, t.summary ? &*t.summary : nullptr), 0);
        }
        out.put(w.header(), 0);
        for (const engine::labelled_row& row : t.rows) {
            out.put(w.row(row.values, row.texts));
        }
    }
    else {
        std::vector<engine::column> columns = r.columns();
        columns.push_back(engine::run::reason_column());
        const engine::row_writer w(f, columns);
        if (k == 1 && f == engine::format::json) {
            out.put(engine::draws_metadata(r, nullptr), 0);
        }
        if (k == 1) {
            out.put(w.header(), 0);
        }
        const auto sink = [&](std::uint64_t, engine::run_row& row) {
            return out.put(w.row(row.values, {row.reason}));
        };
        t.ran = r.execute(range.begin, range.end, sink, settings);
        progress.clear();
    }
    if (const int status = finished(out, total, whole ? "rows" : "draws", t.ran.result.stopped)) {
        return status;
    }
    if (t.summary) {
        say_shares(*t.summary, r.request().drawn->key);
        return 0;
    }
    say_draws(o, r, t.ran, range);
    return 0;
}

// The end of a march written row by row (--ascent, --report): the write
// error or the interruption that cut it short, or the notes on its study.
int finish_march(tools::row_output& out, std::uint64_t total, const char* what,
                 const climber::study& s)
{
    if (const int status = finished(out, total, what, stop_requested())) {
        return status;
    }
    for (const climber::note& n : climber::notes(s, true)) {
        say_note(n);
    }
    return 0;
}

// The climber at every row of the ascent table, written as it marches.
int ascent(const options& o, const tether::design& d)
{
    const engine::row_writer w(*engine::named_value(engine::formats(), o.format),
                               engine::ascent_columns());
    tools::row_output out(STDOUT_FILENO, &stop_flag);
    out.put(w.header(), 0);
    const climber::study s = engine::ascent_rows(
        d, [&](const std::vector<double>& values) { out.put(w.row(values)); }, &stop_flag);
    const auto rows = climber::plan_march(d, tether::compute_model(d)).rows();
    return finish_march(out, static_cast<std::uint64_t>(rows), "rows", s);
}

// The tension along the tether at the traffic's worst moment, a row every
// rowdz up to GEO (--load).
int load(const options& o, const tether::design& d)
{
    const engine::load_table t = engine::loads_of(d);
    const engine::row_writer w(*engine::named_value(engine::formats(), o.format),
                               engine::load_columns());
    tools::row_output out(STDOUT_FILENO, &stop_flag);
    out.put(w.header(), 0);
    for (const std::vector<double>& row : t.rows) {
        out.put(w.row(row));
    }
    out.flush();
    if (out.error() != 0) {
        return write_failed(out, t.rows.size(), "rows");
    }
    for (const climber::note& n : t.notes) {
        say_note(n);
    }
    if (!t.why.empty()) {
        std::fprintf(stderr, "%s: %s; the tensions are NaN\n", program, t.why.c_str());
        return 3;
    }
    return 0;
}

// --load with the other options: a table of one design, as --ascent.
void check_load(const options& o)
{
    if (!o.load) {
        return;
    }
    const std::pair<bool, const char*> others[] = {
        {o.report, "--report"},
        {o.ascent, "--ascent"},
        {o.list, "--list"},
        {!o.solve.empty() || !o.goal.empty(), "--solve"},
        {o.mode_count > 0, "--modes"},
        {!o.sweeps.empty(), "--sweep"},
        {!o.vary.empty(), "--vary"},
        {!o.figures.empty(), "--figures"},
        {!o.shard.empty(), "--shard"},
    };
    for (const auto& [given, name] : others) {
        if (given) {
            throw engine::usage_error(std::string("--load cannot be combined with ") + name);
        }
    }
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
            const auto lines = std::count(text.begin(), text.end(), '\n');
            return out.put(std::string(text), static_cast<std::uint64_t>(lines));
        },
        d, &stop_flag);
    const std::uint64_t total =
        climber::report_lines(climber::plan_march(d, tether::compute_model(d)));
    return finish_march(out, total, "lines", s);
}

// One design's oscillation modes: a row a mode with its periods in and out
// of plane, or with --shapes the in-plane shapes at evenly spaced altitudes.
int modes_table(const options& o, const tether::design& d)
{
    const engine::mode_table t = engine::mode_table_of(d, o.mode_count, o.shapes);
    const engine::row_writer w(*engine::named_value(engine::formats(), o.format), t.columns);
    tools::row_output out(STDOUT_FILENO, &stop_flag);
    out.put(w.header(), 0);
    for (const std::vector<double>& row : t.rows) {
        out.put(w.row(row));
    }
    if (const int status = finished(out, t.rows.size(), o.shapes ? "rows" : "modes", false)) {
        return status;
    }
    if (!t.why.empty()) {
        std::fprintf(stderr, "%s: %s\n", program, t.why.c_str());
        return 3;
    }
    return 0;
}

// Whether the options ask for one design: no sweep, no draws.
bool one_design(const options& o)
{
    return o.sweeps.empty() && o.vary.empty();
}

// --modes and --shapes with the other options; one is --report, --ascent or
// --list where one is given.
void check_modes(const options& o, const char* one)
{
    if (o.shapes && o.mode_count == 0) {
        throw engine::usage_error("--shapes needs --modes N");
    }
    if (o.shapes && !one_design(o)) {
        throw engine::usage_error("--shapes is for one design: not with --sweep");
    }
    if (o.mode_count > 0 && !o.shard.empty() && one_design(o)) {
        throw engine::usage_error("--shard is for sweeps: not with --modes for one design");
    }
    if (o.mode_count > 0 && (one != nullptr || !o.solve.empty())) {
        throw engine::usage_error(std::string(one != nullptr ? one : "--solve") +
                                  " cannot be combined with --modes");
    }
}

// The options that go together, and those that do not, beyond the
// exclusions of the option table.
void check_combinations(const options& o)
{
    const char* one = o.report ? "--report" : o.ascent ? "--ascent" : o.list ? "--list" : nullptr;
    check_load(o);
    check_modes(o, one);
    if (engine::named_value(engine::methods(), o.method) == climber::method::integral &&
        (o.report || o.ascent)) {
        throw engine::usage_error(std::string(one) +
                                  " is the march's: --method integral gives the headline "
                                  "figures and sweeps only");
    }
    if (!o.figures.empty() && (!o.solve.empty() || (o.mode_count > 0 && one_design(o)))) {
        throw engine::usage_error(std::string("--figures cannot be combined with ") +
                                  (o.solve.empty() ? "--modes alone" : "--solve"));
    }
    if ((!o.solve.empty() || !o.goal.empty()) && one != nullptr) {
        throw engine::usage_error(std::string(one) + " cannot be combined with --solve");
    }
}

// --sensitivity with the other options: one design, by the integral method.
void check_sensitivity(const options& o)
{
    if (!o.sensitivity) {
        return;
    }
    if (o.has("--method") &&
        engine::named_value(engine::methods(), o.method) != climber::method::integral) {
        throw engine::usage_error("--sensitivity differentiates the integral method's figures: "
                                  "the march's sums are not smooth in the parameters (they "
                                  "step as march points come and go), so not with --method " +
                                  o.method);
    }
    const std::pair<bool, const char*> others[] = {
        {!o.sweeps.empty(), "--sweep"},
        {!o.solve.empty() || !o.goal.empty(), "--solve"},
        {o.report, "--report"},
        {o.ascent, "--ascent"},
        {o.list, "--list"},
        {o.shapes, "--shapes"},
        {!o.shard.empty(), "--shard"},
        {!o.figures.empty(), "--figures"},
        {!o.vary.empty(), "--vary"},
        {o.load, "--load"},
    };
    for (const auto& [given, other] : others) {
        if (given) {
            throw engine::usage_error(
                std::string("--sensitivity is for one design's figures: not with ") + other);
        }
    }
}

// One design's derivatives: a row for each figure and parameter, the notes
// (auto parameters held, one-sided steps, figures that jump) on standard
// error.
int sensitivity_table(const options& o, const tether::design& d)
{
    const engine::sensitivities s = engine::compute_sensitivities(d, o.mode_count);
    for (const climber::note& n : climber::design_notes(d)) {
        say_note(n);
    }
    const engine::row_writer w(*engine::named_value(engine::formats(), o.format),
                               engine::sensitivity_columns());
    std::string text = w.header();
    for (const engine::slope& row : s.slopes) {
        text += w.row(engine::slope_numbers(row), engine::slope_labels(s, row));
    }
    std::fputs(text.c_str(), stdout);
    for (const std::string& n : s.notes) {
        std::fprintf(stderr, "%s: note: %s\n", program, n.c_str());
    }
    return tools::finish_output(stdout, program);
}

int run(const options& o)
{
    check_sensitivity(o);
    if (o.sensitivity) {
        return sensitivity_table(o, describe(o));
    }
    check_combinations(o);
    const tether::design d = describe(o);
    if (!o.vary.empty()) {
        return draws(o, d);
    }
    const bool modes_alone = o.mode_count > 0 && one_design(o);
    if (!modes_alone && !o.report && !o.list && !o.ascent && !o.load) {
        return figures(o, d);
    }
    if (const auto error = engine::design_error(d, o.report || o.ascent)) {
        throw engine::usage_error(error->message);
    }
    for (const climber::note& n : climber::design_notes(d)) {
        say_note(n);
    }
    if (o.load) {
        return load(o, d);
    }
    if (modes_alone) {
        return modes_table(o, d);
    }
    if (o.report || o.ascent) {
        stop_on_signals();
        return o.report ? report(d) : ascent(o, d);
    }
    std::fputs(engine::listing(d).c_str(), stdout);
    return tools::finish_output(stdout, program);
}

// --modes' N: a whole number from 1 to engine::max_modes.
unsigned modes_in(const std::string& text)
{
    try {
        return engine::modes_count(text);
    }
    catch (const engine::usage_error& e) {
        throw engine::usage_error("--modes", e);
    }
}

// Where this program lists the names a message says are unknown.
const char* where_listed(engine::names unknown)
{
    return unknown == engine::names::parameters ? " (tether-explore --list shows them)"
           : unknown == engine::names::figures  ? " (the columns of tether-explore --format csv)"
                                                : "";
}

int explore_main(int argc, char** argv)
{
    CLI::App app("The space-elevator tether and climber study for any design: its headline\n"
                 "figures, a sweep of designs, draws over uncertain inputs, its parameters,\n"
                 "its report or its ascent.",
                 program);
    options o;
    tools::add_options(app, o);
    try {
        app.parse(argc, argv);
        tools::check_given(app, o);
        if (o.has("--modes")) {
            o.mode_count = modes_in(o.modes);
        }
        if (o.has("--jobs")) {
            o.job_count = jobs_in(o.jobs);
        }
        for (const auto& [name, text] : {std::pair{"--samples", &o.samples}, {"--key", &o.key}}) {
            if (o.has(name) && text->empty()) {
                *text = " ";  // given empty: refused by the reader
            }
        }
        check_draws(o);
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
        std::fprintf(stderr, "%s: %s%s\n", program, e.what(), where_listed(e.unknown));
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
