#include "engine/uncertainty/statistics.hpp"

#include "engine/words/numbers.hpp"
#include "engine/words/text.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace engine {

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

}  // namespace

quantile_sketch::quantile_sketch(std::size_t capacity) : capacity_(capacity)
{
    if (capacity_ < 2 || capacity_ % 2 != 0) {
        throw std::invalid_argument("quantile_sketch: the capacity must be even and at least 2");
    }
}

void quantile_sketch::add(double v)
{
    if (levels_.empty()) {
        levels_.emplace_back();
        odd_.push_back(false);
    }
    // A full level moves up before it takes more, so that a sample of
    // `capacity` values is held whole.
    if (levels_.front().size() == capacity_) {
        compact(0);
    }
    levels_.front().push_back(v);
    min_ = count_ == 0 ? v : std::min(min_, v);
    max_ = count_ == 0 ? v : std::max(max_, v);
    ++count_;
}

void quantile_sketch::compact(std::size_t level)
{
    if (level + 1 == levels_.size()) {
        levels_.emplace_back();
        odd_.push_back(false);
    }
    if (levels_[level + 1].size() == capacity_) {
        compact(level + 1);
    }
    std::vector<double>& from = levels_[level];
    std::sort(from.begin(), from.end());
    // Alternating which half is kept lets the errors of successive steps
    // cancel where they can; the bound holds either way.
    for (std::size_t i = odd_[level] ? 1 : 0; i < from.size(); i += 2) {
        levels_[level + 1].push_back(from[i]);
    }
    odd_[level] = !odd_[level];
    from.clear();
    rank_error_ += std::uint64_t{1} << level;
}

std::uint64_t quantile_sketch::count() const
{
    return count_;
}

std::uint64_t quantile_sketch::rank_error() const
{
    return rank_error_;
}

std::size_t quantile_sketch::held() const
{
    std::size_t n = 0;
    for (const auto& level : levels_) {
        n += level.size();
    }
    return n;
}

double quantile_sketch::quantile(double p) const
{
    if (count_ == 0) {
        return nan;
    }
    if (p <= 0 || p >= 1) {
        return p <= 0 ? min_ : max_;
    }
    // Every value held with the count it stands for, in order.
    std::vector<std::pair<double, std::uint64_t>> held;
    for (std::size_t h = 0; h < levels_.size(); ++h) {
        for (double v : levels_[h]) {
            held.emplace_back(v, std::uint64_t{1} << h);
        }
    }
    std::sort(held.begin(), held.end());
    const double h            = p * static_cast<double>(count_ - 1);
    const auto lower          = static_cast<std::uint64_t>(std::floor(h));
    const std::uint64_t upper = std::min(lower + 1, count_ - 1);
    double at_lower           = nan;
    std::uint64_t below       = 0;  // the count of the values before held[i]
    for (const auto& [v, weight] : held) {
        if (lower >= below && lower < below + weight) {
            at_lower = v;
        }
        if (upper >= below && upper < below + weight) {
            return at_lower + (h - static_cast<double>(lower)) * (v - at_lower);
        }
        below += weight;
    }
    return at_lower;
}

summary_tally::summary_tally(std::size_t capacity) : sketch_(capacity) {}

void summary_tally::add(double v)
{
    if (!std::isfinite(v)) {
        return;
    }
    sketch_.add(v);
    const auto n       = static_cast<double>(sketch_.count());
    const double delta = v - mean_;
    mean_ += delta / n;
    m2_ += delta * (v - mean_);
}

figure_summary summary_tally::result() const
{
    const std::uint64_t n = sketch_.count();
    if (n == 0) {
        return {0, nan, nan, nan, nan, nan, nan, nan};
    }
    return {n,
            mean_,
            n < 2 ? nan : std::sqrt(m2_ / static_cast<double>(n - 1)),
            sketch_.quantile(0.05),
            sketch_.quantile(0.5),
            sketch_.quantile(0.95),
            sketch_.quantile(0),
            sketch_.quantile(1)};
}

bool bound::met_by(double v) const
{
    return below ? v < value : v > value;
}

bool condition::met_by(const double* figures) const
{
    return std::all_of(all.begin(), all.end(),
                       [figures](const bound& b) { return b.met_by(figures[b.at]); });
}

condition parse_condition(const std::string& text, const std::vector<column>& figures)
{
    condition out;
    for (const std::string& one : split(text, ',')) {
        const auto at = one.find_first_of("<>");
        if (at != std::string::npos && at + 1 < one.size() && one[at + 1] == '=') {
            throw usage_error("only < and > are taken, not " + one.substr(at, 2));
        }
        if (at == std::string::npos || one.find_first_of("<>", at + 1) != std::string::npos) {
            throw usage_error("expected FIGURE<VALUE or FIGURE>VALUE, as time<100, or several "
                              "separated by commas");
        }
        bound b{trim(one.substr(0, at)), 0, one[at] == '<', 0};
        const auto hit = std::find_if(figures.begin(), figures.end(),
                                      [&](const column& f) { return f.name == b.figure; });
        if (hit == figures.end()) {
            throw usage_error("unknown figure '" + printable(b.figure) + "'", names::figures);
        }
        b.at = static_cast<std::size_t>(hit - figures.begin());
        std::string why;
        const auto v = parse_number(one.substr(at + 1), &why);
        if (!v) {
            throw usage_error("VALUE '" + printable(trim(one.substr(at + 1))) + "' " + why);
        }
        b.value = *v;
        out.all.push_back(b);
    }
    return out;
}

share share_of(std::uint64_t met, std::uint64_t total)
{
    if (total == 0) {
        return {met, total, nan, nan, nan};
    }
    // Wilson's score interval (E. B. Wilson, J. Am. Stat. Assoc. 22, 209,
    // 1927): within [0, 1], and near its 95 % coverage even for a share
    // near 0 or 1 where the normal approximation's is not.
    const double z   = 1.9599639845400542355;  // the standard normal distribution's 97.5 % quantile
    const auto n     = static_cast<double>(total);
    const double p   = static_cast<double>(met) / n;
    const double z2n = z * z / n;
    const double mid = (p + z2n / 2) / (1 + z2n);
    const double half = z / (1 + z2n) * std::sqrt(p * (1 - p) / n + z2n / (4 * n));
    // At none or all the interval reaches 0 or 1 exactly, where mid - half
    // or mid + half would round to a few ulps beside it.
    return {met, total, p, met == 0 ? 0.0 : std::max(0.0, mid - half),
            met == total ? 1.0 : std::min(1.0, mid + half)};
}

}  // namespace engine
