#include "engine/run/sweep.hpp"

#include "engine/words/text.hpp"

#include "tether/pmath.hpp"

#include <algorithm>
#include <cmath>
#include <string_view>

namespace engine {

namespace {

double number_in(const std::string& part, const char* what)
{
    std::string why;
    const auto v = parse_number(part, &why);
    if (!v) {
        throw usage_error(std::string(what) + " '" + printable(part) + "' " + why);
    }
    return *v;
}

// N of a range: a whole number, 1 or more.
double count_in(const std::string& part)
{
    const double n = number_in(part, "N");
    if (!(n >= 1) || n != std::floor(n)) {
        throw usage_error("N = " + printable(trim(part)) +
                          ": the number of values must be a whole number, 1 or more");
    }
    return n;
}

std::vector<double> range_values(const std::vector<std::string>& parts)
{
    const bool log_form = parts.size() == 4;
    if (parts.size() < 3 || parts.size() > 4 || (log_form && trim(parts[3]) != "log")) {
        throw usage_error("expected FROM:TO:N, FROM:TO:N:log or a list V1,V2,...");
    }
    const double from = number_in(parts[0], "FROM");
    const double to   = number_in(parts[1], "TO");
    const double n    = count_in(parts[2]);
    if (n > static_cast<double>(max_grid_designs)) {
        throw usage_error("N = " + printable(trim(parts[2])) + ": at most " +
                          std::to_string(max_grid_designs) + " values");
    }
    if (n == 1 && from != to) {
        throw usage_error("N = 1 takes one value: FROM and TO must be equal");
    }
    if (log_form && !(from > 0 && to > 0)) {
        throw usage_error("a log range needs FROM and TO greater than 0");
    }
    const auto count = static_cast<std::size_t>(n);
    std::vector<double> values(count);
    // Where TO / FROM leaves the normal numbers (1e-160:1e160), the steps go
    // in logarithms, which stay in range; elsewhere the ratio's power.
    const bool in_logs    = log_form && !std::isnormal(to / from);
    const double log_from = in_logs ? tether::pmath::log(from) : 0;
    const double log_span = in_logs ? tether::pmath::log(to) - log_from : 0;
    for (std::size_t k = 0; k < count; ++k) {
        const auto kd  = static_cast<double>(k);
        const double m = n - 1;
        values[k]      = in_logs    ? tether::pmath::exp(log_from + (kd / m) * log_span)
                         : log_form ? from * tether::pmath::pow(to / from, kd / m)
                                    : from + (kd * (to - from)) / m;
    }
    values.front() = from;
    values.back()  = count == 1 ? from : to;
    return values;
}

}  // namespace

double sweep_size(const std::string& text)
{
    const std::string value = text.substr(text.find('=') + 1);
    if (text.find('=') == std::string::npos) {
        return 1;  // parse_sweep says what is wrong
    }
    if (value.find(':') == std::string::npos) {
        return static_cast<double>(split(value, ',').size());
    }
    const std::vector<std::string> parts = split(value, ':');
    if (parts.size() < 3) {
        return 1;
    }
    return count_in(parts[2]);
}

sweep parse_sweep(const std::string& text)
{
    const auto eq = text.find('=');
    if (eq == std::string::npos) {
        throw usage_error("expected NAME=FROM:TO:N, NAME=FROM:TO:N:log or NAME=V1,V2,...");
    }
    const std::string name  = trim(text.substr(0, eq));
    const std::string value = trim(text.substr(eq + 1));
    sweep s{tether::find_param(name), {}};
    if (s.param == nullptr) {
        throw usage_error("unknown parameter '" + printable(name) + "'", names::parameters);
    }
    if (value.find(':') != std::string::npos) {
        s.values = range_values(split(value, ':'));
        return s;
    }
    for (const std::string& part : split(value, ',')) {
        s.values.push_back(number_in(part, "value"));
    }
    return s;
}

grid::grid(std::vector<sweep> sweeps) : sweeps_(std::move(sweeps))
{
    if (sweeps_.size() > max_sweeps) {
        throw usage_error("at most " + std::to_string(max_sweeps) + " sweeps make a grid");
    }
    for (std::size_t i = 0; i < sweeps_.size(); ++i) {
        for (double& v : sweeps_[i].values) {
            v = as_given(*sweeps_[i].param, v);
        }
        for (std::size_t j = 0; j < i; ++j) {
            if (sweeps_[i].param == sweeps_[j].param) {
                throw usage_error(std::string(sweeps_[i].param->name) + " is swept twice");
            }
        }
        // Each sweep has at most max_grid_designs values, so the product
        // cannot overflow before it is caught.
        size_ *= sweeps_[i].values.size();
        if (size_ > max_grid_designs) {
            throw usage_error("a grid of " + std::to_string(size_) +
                              (i + 1 < sweeps_.size() ? " or more" : "") +
                              " designs is too large; at most " + std::to_string(max_grid_designs));
        }
    }
}

namespace {

// The designs that the axes make, counted before any list of values is
// made: in binary64, exact while the counts are within the limit; the first
// product beyond it is said (or the axis' own count, where the product
// overflows).
void count_designs(const std::vector<axis>& axes, std::uint64_t limit, const std::string& where)
{
    double designs = 1;
    for (std::size_t i = 0; i < axes.size(); ++i) {
        double n = 1;
        try {
            n = axes[i].listed ? static_cast<double>(axes[i].values.size())
                               : sweep_size(axes[i].text);
        }
        catch (const usage_error& e) {
            throw grid_error(i, e);
        }
        designs *= n;
        if (designs > static_cast<double>(limit)) {
            const bool more = i + 1 < axes.size() || std::isinf(designs);
            throw grid_error(std::nullopt,
                             "a grid of " + readable(std::isinf(designs) ? n : designs) +
                                 (more ? " or more" : "") + " designs is too large; at most " +
                                 std::to_string(limit) + (where.empty() ? "" : " " + where));
        }
    }
}

// A parameter's listed values, which must be finite; throws usage_error.
sweep listed_sweep(const axis& a)
{
    const tether::param* p = tether::find_param(a.text);
    if (p == nullptr) {
        throw usage_error("unknown parameter '" + printable(a.text) + "'", names::parameters);
    }
    for (double v : a.values) {
        if (!std::isfinite(v)) {
            throw usage_error(std::string(std::isnan(v) ? "NaN" : "an infinite value") +
                              " is not a finite number");
        }
    }
    return {p, a.values};
}

}  // namespace

grid read_grid(const std::vector<axis>& axes, std::uint64_t limit, const std::string& where)
{
    limit = std::min(limit, max_grid_designs);
    if (axes.size() > max_sweeps) {
        throw grid_error(std::nullopt,
                         "at most " + std::to_string(max_sweeps) + " sweeps make a grid");
    }
    count_designs(axes, limit, where);
    std::vector<sweep> sweeps;
    for (std::size_t i = 0; i < axes.size(); ++i) {
        try {
            sweeps.push_back(axes[i].listed ? listed_sweep(axes[i]) : parse_sweep(axes[i].text));
        }
        catch (const usage_error& e) {
            throw grid_error(i, e);
        }
    }
    try {
        return grid(std::move(sweeps));
    }
    catch (const usage_error& e) {
        throw grid_error(std::nullopt, e);
    }
}

std::uint64_t grid::size() const
{
    return size_;
}

const std::vector<sweep>& grid::sweeps() const
{
    return sweeps_;
}

std::vector<double> grid::values_at(std::uint64_t i) const
{
    std::vector<double> values(sweeps_.size());
    for (std::size_t s = sweeps_.size(); s-- > 0;) {
        const std::uint64_t n = sweeps_[s].values.size();
        values[s]             = sweeps_[s].values[static_cast<std::size_t>(i % n)];
        i /= n;
    }
    return values;
}

tether::design grid::design_at(const tether::design& base, std::uint64_t i) const
{
    tether::design d            = base;
    const std::vector<double> v = values_at(i);
    for (std::size_t s = 0; s < sweeps_.size(); ++s) {
        sweeps_[s].param->field(d) = v[s];
    }
    return d;
}

std::string grid::values_text(std::uint64_t i) const
{
    std::string text;
    const std::vector<double> values = values_at(i);
    for (std::size_t s = 0; s < values.size(); ++s) {
        text +=
            (s == 0 ? "" : ", ") + std::string(sweeps_[s].param->name) + "=" + shortest(values[s]);
    }
    return text;
}

bool grid::starts_block(std::uint64_t i) const
{
    return sweeps_.size() >= 2 && i > 0 && i % (size_ / sweeps_.front().values.size()) == 0;
}

std::optional<design_fault> grid_fault(const grid& g, const tether::design& base,
                                       const std::function<bool()>& stop, note_tally* notes)
{
    for (std::uint64_t i = 0; i < g.size() && !stop(); ++i) {
        const tether::design d = g.design_at(base, i);
        auto fault             = design_error(d, false);
        if (!fault) {
            if (notes != nullptr) {
                // Only the first note of a kind is kept whole.
                notes->add(i, climber::design_notes(
                                  d, [notes](climber::note_kind k) { return !notes->holds(k); }));
            }
            continue;
        }
        if (g.sweeps().empty()) {
            return fault;
        }
        fault->message = "design " + std::to_string(i + 1) + " of " + std::to_string(g.size()) +
                         " (" + g.values_text(i) + "): " + fault->message;
        return fault;
    }
    return std::nullopt;
}

void note_tally::add(std::uint64_t i, const std::vector<climber::note>& notes)
{
    for (const climber::note& n : notes) {
        entry& seen = seen_[static_cast<int>(n.kind)];
        if (seen.count++ == 0) {
            seen.first = i;
            seen.note  = n;
        }
    }
}

bool note_tally::holds(climber::note_kind kind) const
{
    return seen_.count(static_cast<int>(kind)) != 0;
}

std::vector<note_tally::entry> note_tally::entries() const
{
    std::vector<entry> out;
    for (const auto& [kind, seen] : seen_) {
        out.push_back(seen);
    }
    return out;
}

std::string designs_lead(const grid& g, std::uint64_t first, std::uint64_t count)
{
    if (g.sweeps().empty()) {
        return {};
    }
    return "design " + std::to_string(first + 1) + " of " + std::to_string(g.size()) + " (" +
           g.values_text(first) + ")" +
           (count > 1 ? " and " + std::to_string(count - 1) + " more" : "");
}

std::vector<climber::note> note_tally::notes(const grid& g) const
{
    std::vector<climber::note> out;
    for (const auto& [kind, seen] : seen_) {
        climber::note n = seen.note;
        if (!g.sweeps().empty()) {
            n.text = designs_lead(g, seen.first, seen.count) + ": " + n.text;
        }
        out.push_back(std::move(n));
    }
    return out;
}

std::pair<std::uint64_t, std::uint64_t> parse_shard(const std::string& text)
{
    const auto slash = text.find('/');
    const auto k     = parse_number(text.substr(0, slash));
    const auto n = slash == std::string::npos ? std::nullopt : parse_number(text.substr(slash + 1));
    if (!k || !n || *k != std::floor(*k) || *n != std::floor(*n) || !(*k >= 1) || !(*k <= *n) ||
        !(*n <= 1e9)) {
        throw usage_error("expected K/N, whole numbers with 1 <= K <= N <= 1000000000");
    }
    return {static_cast<std::uint64_t>(*k), static_cast<std::uint64_t>(*n)};
}

shard_range shard_of(std::uint64_t m, std::uint64_t k, std::uint64_t n)
{
    // m <= 1e7 and n <= 1e9: the products stay far below 2^64.
    return {(k - 1) * m / n, k * m / n};
}

}  // namespace engine
