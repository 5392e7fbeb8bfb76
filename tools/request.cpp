#include "request.hpp"

#include "engine/answers/solve.hpp"
#include "engine/run/requests.hpp"
#include "engine/run/sweep.hpp"
#include "engine/words/vocabulary.hpp"

namespace tools {

namespace {

// The design that the options describe: defaults, then the design file line
// by line, then the planet, then each --set in order.
tether::design design_of(const options& o)
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
        given_in("--set " + engine::printable(s), [&] { engine::apply_assignment(d, s); });
    }
    return d;
}

// The name of the method the options ask for.
std::string method_name(const options& o)
{
    return engine::named_name(engine::methods(), o.method);
}

// Whether --method is given and names another method than the integral one.
bool other_method(const options& o)
{
    return o.has("--method") && o.method != climber::method::integral;
}

// Whether the options ask for one design: no sweep, no draws.
bool one_design(const options& o)
{
    return o.sweeps.empty() && o.vary.empty();
}

// Refuses the first of others given: "LEAD OTHER", --for named as --solve.
void refuse_any(const options& o, const std::string& lead, const std::vector<std::string>& others)
{
    const std::string other = o.first_set(others);
    if (!other.empty()) {
        throw engine::usage_error(lead + (other == "--for" ? "--solve" : other));
    }
}

// --shard's K/N, or the whole.
std::pair<std::uint64_t, std::uint64_t> shard_in(const options& o)
{
    if (o.shard.empty()) {
        return {1, 1};
    }
    return given_in("--shard", [&] { return engine::parse_shard(o.shard); });
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
    if (other_method(o)) {
        throw engine::usage_error("--solve seeks with the integral method, whose figures are "
                                  "smooth in the parameters: not with --method " +
                                  method_name(o));
    }
    return engine::read_goal(o.solve, o.goal);
}

// What every run of the options asks: the base design, the method, the
// modes and the figures.
engine::run_request run_request_of(const options& o, const tether::design& base)
{
    engine::run_request r;
    r.base          = base;
    r.figures       = {o.method};
    r.figures.modes = o.mode_count;
    r.names         = o.figures;
    given_in("--figures", [&] { engine::figure_selection(o.figures, o.mode_count); });
    return r;
}

// The run that the options describe: the grid of --sweep, the goal of
// --solve and --for, the method, the modes and the figures asked for.
engine::run run_of(const options& o, const tether::design& base)
{
    engine::run_request r = run_request_of(o, base);
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

// --vary's parameters, --samples' count and --seed's (or --key's) seed,
// each refused naming the argument; a varied parameter that is also swept
// or set too.
engine::draw_request draw_request_of(const options& o)
{
    const auto text = [&o](const char* name, const std::string& t) {
        return o.has(name) ? std::optional<std::string>(t) : std::nullopt;
    };
    const char* seed = o.has("--key") ? "--key" : "--seed";
    try {
        return engine::read_draws({o.vary, o.sweeps, text("--samples", o.samples),
                                   text(seed, o.has("--key") ? o.key : o.seed), o.indices, o.sets});
    }
    catch (const engine::draw_error& e) {
        throw engine::usage_error(e.part == engine::draw_part::vary
                                      ? "--vary " + engine::printable(o.vary[e.index])
                                  : e.part == engine::draw_part::count ? "--samples"
                                                                       : seed,
                                  e);
    }
}

// The run of draws the options describe.
engine::run draws_run_of(const options& o, const tether::design& base)
{
    engine::run_request r = run_request_of(o, base);
    r.drawn               = draw_request_of(o);
    return given_in(o.indices ? "--indices" : "--vary", [&] { return engine::run(std::move(r)); });
}

// The options of draws with the others: what needs --vary, and what draws
// do not take (yet).
void check_draws(const options& o)
{
    for (const char* name : {"--samples", "--seed", "--key", "--summary", "--indices"}) {
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
    draw_request_of(o);  // a bad --vary, --samples or --seed is said first
    const std::string what = o.summary ? "--summary" : o.indices ? "--indices" : "--vary";
    std::vector<std::string> others{"--sweep",  "--solve", "--for",  "--report",
                                    "--ascent", "--swing", "--list", "--shapes"};
    if (o.summary || o.indices) {
        others.insert(others.begin(), "--shard");
    }
    const std::string other = o.summary && o.indices ? "--indices" : o.first_set(others);
    if (!other.empty()) {
        const bool for_now = other == "--sweep" || other == "--solve";
        throw engine::usage_error(what + " cannot be combined with " + other +
                                  (for_now ? " for now" : ""));
    }
}

// --sensitivity with the other options: one design, by the integral method.
void check_sensitivity(const options& o)
{
    if (!o.sensitivity) {
        return;
    }
    if (other_method(o)) {
        throw engine::usage_error("--sensitivity differentiates the integral method's figures: "
                                  "the march's sums are not smooth in the parameters (they "
                                  "step as march points come and go), so not with --method " +
                                  method_name(o));
    }
    refuse_any(o, "--sensitivity is for one design's figures: not with ",
               {"--sweep", "--solve", "--for", "--report", "--ascent", "--swing", "--list",
                "--shapes", "--shard", "--vary", "--load"});
}

// --modes and --shapes with the other options; one is --report, --ascent,
// --swing or --list where one is given.
void check_modes(const options& o, const std::string& one)
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
    if (o.mode_count > 0 && (!one.empty() || !o.solve.empty())) {
        throw engine::usage_error((one.empty() ? "--solve" : one) +
                                  " cannot be combined with --modes");
    }
}

// The options that go together, and those that do not, beyond the
// exclusions of the option table.
void check_combinations(const options& o)
{
    const std::string one = o.first_set({"--report", "--ascent", "--swing", "--list"});
    if (o.load) {
        refuse_any(o, "--load cannot be combined with ",
                   {"--report", "--ascent", "--swing", "--list", "--solve", "--for", "--modes",
                    "--sweep", "--vary", "--figures", "--shard"});
    }
    check_modes(o, one);
    if (o.swing && other_method(o)) {
        throw engine::usage_error("--swing follows the climb by the integral method: not with "
                                  "--method " +
                                  method_name(o));
    }
    if (o.has("--method") && !other_method(o) && (o.report || o.ascent)) {
        throw engine::usage_error(one + " is the march's: --method integral gives the headline "
                                        "figures and sweeps only");
    }
    if (!o.figures.empty() && (!o.solve.empty() || (o.mode_count > 0 && one_design(o)))) {
        throw engine::usage_error(std::string("--figures cannot be combined with ") +
                                  (o.solve.empty() ? "--modes alone" : "--solve"));
    }
    if ((!o.solve.empty() || !o.goal.empty()) && !one.empty()) {
        throw engine::usage_error(one + " cannot be combined with --solve");
    }
}

}  // namespace

request request_of(const options& o)
{
    check_draws(o);
    check_sensitivity(o);
    if (o.sensitivity) {
        return {asked::sensitivity, design_of(o)};
    }
    check_combinations(o);
    request q{asked::one_design, design_of(o)};
    const bool modes_alone = o.mode_count > 0 && one_design(o);
    if (!o.vary.empty()) {
        q.what = asked::draws;
        q.run  = draws_run_of(o, q.design);
    }
    else if (!modes_alone && !o.report && !o.list && !o.ascent && !o.swing && !o.load) {
        q.what = asked::figures;
        q.run  = run_of(o, q.design);
    }
    else {
        return q;
    }
    q.shard = shard_in(o);
    return q;
}

}  // namespace tools
