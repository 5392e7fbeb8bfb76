// tether-explore: the tether and climber study for any design, given on the
// command line or in a design file.
#include "engine/answers/evaluation.hpp"
#include "engine/answers/loads.hpp"
#include "engine/answers/mode_table.hpp"
#include "engine/answers/sensitivity.hpp"
#include "engine/run/run.hpp"
#include "engine/run/sayings.hpp"
#include "engine/run/spread.hpp"
#include "engine/words/table.hpp"
#include "engine/words/vocabulary.hpp"

#include "options.hpp"
#include "output.hpp"
#include "request.hpp"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <functional>
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

using tools::given_in;
using tools::options;

// A line on standard error after the program's name.
void say(const std::string& text)
{
    std::fprintf(stderr, "%s: %s\n", program, text.c_str());
}

engine::format format_of(const options& o)
{
    return o.format;
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
        say("the output may hold a partial row of this run: another writer appended to it "
            "after the failed write, so it was not cut back");
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

// Where to look, after a note: the integral method named as this program
// names it.
std::string where_to_look(const climber::note& n)
{
    return climber::advises_integral(n) ? " (--method integral)" : "";
}

// A note's line on standard error.
void say_note(const climber::note& n)
{
    say("warning: " + n.text + where_to_look(n));
}

// A run that had fewer threads than --jobs asked for says so.
void say_threads(const engine::run_result& r)
{
    const std::string text = engine::threads_text(r);
    if (!text.empty()) {
        say("note: " + text);
    }
}

// Rows of a run to standard output, on --jobs threads, with a progress line
// on a terminal unless --quiet.
struct run_output {
    tools::row_output out{STDOUT_FILENO, &stop_flag};
    tools::progress_line progress;
    engine::run_settings settings;

    run_output(const options& o, std::uint64_t total)
        : progress(!o.quiet && isatty(STDERR_FILENO) != 0, total)
    {
        settings.jobs     = o.job_count == 0 ? engine::available_cpus() : o.job_count;
        settings.stop     = &stop_flag;
        settings.progress = [this](std::uint64_t done) { progress.show(done); };
    }
};

// A row's text, given its index.
using row_text = std::function<std::string(std::uint64_t, engine::run_row&)>;

// Any table of the engine, written whole to out (none: standard output) in
// the format asked for, its metadata first in JSON; then its notes, each
// after its lead, and why it missed: 0, 3 where it missed, or the status
// of a stop, a failed write, said.
int write_table(const options& o, const engine::table& t, tools::row_output* to = nullptr)
{
    if (t.stopped) {
        return interrupted(0, t.planned, t.rows_are.c_str());
    }
    std::optional<tools::row_output> own;
    tools::row_output& out = to != nullptr ? *to : own.emplace(STDOUT_FILENO, &stop_flag);
    const engine::row_writer w(format_of(o), t.columns);
    if (format_of(o) == engine::format::json && !t.metadata.empty()) {
        out.put(engine::metadata_line(t.metadata), 0);
    }
    out.put(w.header(), 0);
    for (const engine::table_row& row : t.rows) {
        out.put(w.row(row.values, row.texts));
    }
    if (const int status = finished(out, t.rows.size(), t.rows_are.c_str(), false)) {
        return status;
    }
    for (const engine::table_note& n : t.notes) {
        say(n.lead + ": " + n.text + (n.note ? where_to_look(*n.note) : ""));
    }
    if (!t.missed.why.empty()) {
        say(t.missed_text());
        return 3;
    }
    return 0;
}

// Rows [s) of r written to standard output after head, each as `line`
// writes it (row s.begin being `first` where given): the run's summary, and
// 0 or the status of a failed write or an interruption, said.
std::pair<engine::run_summary, int> write_rows(const options& o, const engine::run& r,
                                               engine::shard_range s, const std::string& head,
                                               const char* what, const row_text& line,
                                               std::optional<engine::run_row> first = {})
{
    run_output ro(o, s.end - s.begin);
    ro.out.put(head, 0);
    const auto sink = [&](std::uint64_t i, engine::run_row& row) {
        return ro.out.put(line(i, row));
    };
    engine::run_summary ran = r.execute(s.begin, s.end, sink, ro.settings, std::move(first));
    ro.progress.clear();
    say_threads(ran.result);
    const int status = finished(ro.out, s.end - s.begin, what, ran.result.stopped);
    return {std::move(ran), status};
}

int figures(const options& o, const engine::run& r, std::pair<std::uint64_t, std::uint64_t> shard)
{
    // From here an interrupt ends the run with only whole rows written, even
    // while the grid is still being checked.
    stop_on_signals();
    const auto [k, n]       = shard;
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
    if (stop_requested()) {
        return interrupted(0, s.end - s.begin, "designs");
    }
    const engine::row_writer w(format_of(o), r.columns());
    std::uint64_t said = 0;
    const auto line    = [&](std::uint64_t i, engine::run_row& row) {
        if (row.missed && ++said <= 10) {
            say(engine::missed_text(r, i, row));
        }
        const bool gap = format_of(o) == engine::format::table && r.designs().starts_block(i);
        return (gap ? "\n" : "") + w.row(row.values);
    };
    const auto [summary, status] =
        write_rows(o, r, s, k == 1 ? w.header() : "", "designs", line, std::move(start.first));
    if (status != 0) {
        return status;
    }
    for (const climber::note& each : r.led(summary.notes)) {
        say_note(each);
    }
    if (summary.missed > 10) {
        say("and " + std::to_string(summary.missed - 10) + " more designs without figures");
    }
    return summary.missed == 0 ? 0 : 3;
}

// After the rows of draws: their notes, then the lines that end them (the
// draws that missed, the draws written with their key); 3 where a draw
// missed, as a sweep's design.
int say_draws(const engine::run& r, const engine::run_summary& ran,
              const std::vector<std::string>& end)
{
    for (const climber::note& each : engine::rows_notes(r, ran)) {
        say_note(each);
    }
    for (const std::string& line : end) {
        say(line);
    }
    return ran.missed == 0 ? 0 : 3;
}

// --summary's rows, each figure's, or --indices', each figure's and
// parameter's; the shares or the key said last.
int whole_draws(const options& o, const engine::run& r, run_output& ro)
{
    std::optional<engine::spread_summary> s;
    std::optional<engine::spread_indices> x;
    if (o.summary) {
        const auto where = o.where.empty() ? std::nullopt : std::optional<std::string>(o.where);
        s                = given_in("--where " + engine::printable(o.where),
                                    [&] { return engine::summarize(r, ro.settings, where); });
    }
    else {
        x = engine::indices_of(r, ro.settings);
    }
    ro.progress.clear();
    say_threads((s ? s->run : x->run).result);
    if ((s ? s->run : x->run).result.stopped) {
        return interrupted(0, r.size(), "draws");
    }
    if (const int status = write_table(
            o, s ? engine::summary_table(r, *s) : engine::indices_table(r, *x), &ro.out)) {
        return status;
    }
    if (!s) {
        return say_draws(r, x->run, engine::indices_end(r, *x));
    }
    for (const std::string& line : engine::shares_end(r, *s, where_to_look)) {
        say(line);
    }
    return s->run.missed == 0 ? 0 : 3;
}

// --vary: each draw's row, or with --summary each figure's, or with
// --indices each figure's and parameter's; the key said last.
int draws(const options& o, const engine::run& r, std::pair<std::uint64_t, std::uint64_t> shard)
{
    stop_on_signals();
    const auto [k, n] = shard;
    if (o.summary || o.indices) {
        run_output ro(o, r.size());
        return whole_draws(o, r, ro);
    }
    const engine::shard_range range     = engine::shard_of(r.size(), k, n);
    std::vector<engine::column> columns = r.columns();
    columns.push_back(engine::run::reason_column());
    const engine::row_writer w(format_of(o), columns);
    const bool json = format_of(o) == engine::format::json;
    const auto line = [&](std::uint64_t, engine::run_row& row) {
        return w.row(row.values, {row.reason});
    };
    const std::string head =
        k == 1 ? (json ? engine::draws_metadata(r, nullptr) : "") + w.header() : "";
    const auto [ran, status] = write_rows(o, r, range, head, "draws", line);
    return status != 0 ? status : say_draws(r, ran, engine::draws_end(r, ran, range));
}

// A march written as it goes: --report's lines or --ascent's rows; then
// the write error or the interruption that cut it short, or the notes on
// its study.
int march(const options& o, const tether::design& d)
{
    tools::row_output out(STDOUT_FILENO, &stop_flag);
    const engine::row_writer w(format_of(o), engine::ascent_columns());
    out.put(o.report ? "" : w.header(), 0);
    const climber::study s =
        o.report ? engine::report(
                       [&out](std::string_view text) {
                           const auto lines = std::count(text.begin(), text.end(), '\n');
                           return out.put(std::string(text), static_cast<std::uint64_t>(lines));
                       },
                       d, &stop_flag)
                 : engine::ascent_rows(
                       d, [&](const std::vector<double>& values) { out.put(w.row(values)); },
                       &stop_flag);
    const std::uint64_t total = engine::march_length(d, o.report);
    if (const int status = finished(out, total, o.report ? "lines" : "rows", stop_requested())) {
        return status;
    }
    // The design's notes after the march, as the march's: not before what
    // was asked for.
    for (const std::vector<climber::note>& notes :
         {climber::design_notes(d), climber::notes(s, true)}) {
        for (const climber::note& n : notes) {
            say_note(n);
        }
    }
    return 0;
}

// Rows (each a line's text) to standard output after head, whole: 0, or
// the status of a failed write, said.
int write_whole(const std::string& head, const std::vector<std::string>& rows, const char* what)
{
    tools::row_output out(STDOUT_FILENO, &stop_flag);
    out.put(head, 0);
    for (const std::string& row : rows) {
        out.put(row);
    }
    return finished(out, rows.size(), what, false);
}

// The lines of a text, each with its end.
std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> out;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size() - 1) + 1;
        out.push_back(text.substr(at, end - at));
        at = end;
    }
    return out;
}

// One design's derivatives: a row for each figure and parameter, the notes
// (auto parameters held, one-sided steps, figures that jump) on standard
// error; a signal ends it with none written.
int sensitivity_table(const options& o, const tether::design& d)
{
    stop_on_signals();
    const engine::table t = engine::sensitivity_table(d, o.mode_count, &stop_flag, o.figures);
    for (const climber::note& n :
         t.stopped ? std::vector<climber::note>{} : climber::design_notes(d)) {
        say_note(n);
    }
    return write_table(o, t);
}

// What the options ask for, computed and written.
int run(const options& o, const tools::request& q)
{
    const tether::design& d = q.design;
    switch (q.what) {
    case tools::asked::sensitivity:
        return sensitivity_table(o, d);
    case tools::asked::draws:
        return draws(o, *q.run, q.shard);
    case tools::asked::figures:
        return figures(o, *q.run, q.shard);
    case tools::asked::one_design:
        break;
    }
    if (const auto error = engine::design_error(d, o.report || o.ascent || o.swing)) {
        throw engine::usage_error(error->message);
    }
    if (o.report) {
        engine::check_report(d, "--report", "--ascent and --modes");
    }
    if (o.report || o.ascent) {
        stop_on_signals();
        return march(o, d);
    }
    if (o.swing) {
        stop_on_signals();
        for (const climber::note& n : climber::design_notes(d)) {
            say_note(n);
        }
        return write_table(o, engine::swing_table(d, &stop_flag));
    }
    if (o.list) {
        // The design file is what was asked for: its warnings are in it, as
        // comments, and none on the terminal. In one piece: a failed write
        // cuts the file back to what it held, never leaving part of a
        // design that would read as another.
        const std::string text = engine::listing(d);
        const auto lines = static_cast<std::uint64_t>(std::count(text.begin(), text.end(), '\n'));
        tools::row_output out(STDOUT_FILENO, &stop_flag);
        out.put(text, lines);
        return finished(out, lines, "lines", false);
    }
    for (const climber::note& n : climber::design_notes(d)) {
        say_note(n);
    }
    return write_table(o, o.load ? engine::loads_table(d)
                                 : engine::modes_table(d, o.mode_count, o.shapes));
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
    const tools::parser parser(app);
    try {
        app.parse(argc, argv);
        const options o = parser.read();
        return run(o, tools::request_of(o));
    }
    catch (const CLI::CallForHelp&) {
        return write_whole("", lines_of(app.help()), "lines");
    }
    catch (const CLI::CallForVersion& e) {
        return write_whole("", {e.what() + std::string("\n")}, "lines");
    }
    catch (const CLI::ParseError& e) {
        // The parser quotes what it refuses: control characters are escaped.
        say(engine::escaped(e.what()));
    }
    catch (const engine::usage_error& e) {
        say(e.what() + std::string(where_listed(e.unknown)));
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
        say("out of memory");
    }
    catch (const std::exception& e) {
        say(e.what());
    }
    catch (...) {
        say("unexpected error");
    }
    return 1;
}
