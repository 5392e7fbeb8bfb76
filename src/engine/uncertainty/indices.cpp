#include "engine/uncertainty/indices.hpp"

#include <boost/random/mersenne_twister.hpp>
#include <boost/random/seed_seq.hpp>
#include <boost/random/uniform_int_distribution.hpp>

#include <algorithm>
#include <cmath>
#include <limits>

namespace engine {

saltelli_design::saltelli_design(std::vector<distribution> dists, std::uint64_t n,
                                 std::uint64_t key)
    : dists_(std::move(dists)), rows_(n), key_(key)
{
}

std::size_t saltelli_design::inputs() const
{
    return dists_.size();
}

std::uint64_t saltelli_design::rows() const
{
    return rows_;
}

std::uint64_t saltelli_design::size() const
{
    return rows_ * (dists_.size() + 2);
}

std::vector<double> saltelli_design::values_at(std::uint64_t m) const
{
    const std::size_t k         = dists_.size();
    const std::uint64_t j       = m / (k + 2);
    const auto c                = static_cast<std::size_t>(m % (k + 2));
    const std::vector<double> u = unit_draw(key_, j, 2 * k);
    std::vector<double> values(k);
    for (std::size_t i = 0; i < k; ++i) {
        const bool from_b = c == 1 || c == i + 2;
        values[i]         = dists_[i].quantile(u[from_b ? k + i : i]);
    }
    return values;
}

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// The rows' values, centred: A, B, then each A_B(i), row by row.
struct centred_rows {
    std::size_t k;
    std::vector<double> g;
    std::size_t width() const
    {
        return k + 2;
    }
};

// The estimates from the rows picked (each index a row of r), into first
// and total.
void estimate(const centred_rows& r, const std::vector<std::size_t>& picks,
              std::vector<double>& first, std::vector<double>& total)
{
    const std::size_t k = r.k;
    double sum          = 0;
    double squares      = 0;
    std::vector<double> b_d(k, 0);  // sums of f_B (f_ABi - f_A)
    std::vector<double> d(k, 0);    // of f_ABi - f_A
    std::vector<double> dd(k, 0);   // of its squares
    for (std::size_t j : picks) {
        const double* row = &r.g[j * r.width()];
        sum += row[0] + row[1];
        squares += row[0] * row[0] + row[1] * row[1];
        for (std::size_t i = 0; i < k; ++i) {
            const double di = row[2 + i] - row[0];
            b_d[i] += row[1] * di;
            d[i] += di;
            dd[i] += di * di;
        }
    }
    const auto n      = static_cast<double>(picks.size());
    const double mean = sum / (2 * n);
    const double var  = (squares - 2 * n * mean * mean) / (2 * n - 1);
    for (std::size_t i = 0; i < k; ++i) {
        first[i] = var > 0 ? (b_d[i] - mean * d[i]) / n / var : nan;
        total[i] = var > 0 ? dd[i] / (2 * n) / var : nan;
    }
}

// The 2.5 % and 97.5 % percentiles of the finite estimates (sorted in
// place), with h = p (n - 1) interpolated as for a sample's quantile.
std::pair<double, double> interval(std::vector<double>& x)
{
    x.erase(std::remove_if(x.begin(), x.end(), [](double v) { return !std::isfinite(v); }),
            x.end());
    if (x.empty()) {
        return {nan, nan};
    }
    std::sort(x.begin(), x.end());
    const auto at = [&](double p) {
        const double h          = p * static_cast<double>(x.size() - 1);
        const auto lower        = static_cast<std::size_t>(std::floor(h));
        const std::size_t upper = std::min(lower + 1, x.size() - 1);
        return x[lower] + (h - static_cast<double>(lower)) * (x[upper] - x[lower]);
    };
    return {at(0.025), at(0.975)};
}

}  // namespace

sobol_indices estimate_indices(const std::vector<double>& f, std::size_t k, std::uint64_t key,
                               unsigned resamples, const std::function<bool()>& stopped)
{
    centred_rows r{k, {}};
    const std::size_t rows = f.size() / r.width();
    double sum             = 0;
    std::vector<std::size_t> row_of;  // each used row's index in f
    for (std::size_t j = 0; j < rows; ++j) {
        const auto first = f.begin() + static_cast<std::ptrdiff_t>(j * r.width());
        const auto last  = first + static_cast<std::ptrdiff_t>(r.width());
        if (std::all_of(first, last, [](double v) { return std::isfinite(v); })) {
            r.g.insert(r.g.end(), first, last);
            sum += *first + *(first + 1);
            row_of.push_back(j);
        }
    }
    const std::size_t used = r.g.size() / r.width();
    sobol_indices out{std::vector<sobol_index>(k, {nan, nan, nan, nan, nan, nan}), used, rows, 0,
                      nan};
    if (used < 2) {
        return out;
    }
    // Centring first keeps the products of the first-order sum near the
    // size of the spread, not of the figure: a figure of 10^6 varying by
    // 10^-3 keeps its digits.
    const double centre = sum / (2 * static_cast<double>(used));
    for (double& v : r.g) {
        v -= centre;
    }
    double squares  = 0;
    double heaviest = 0;
    for (std::size_t j = 0; j < used; ++j) {
        double row = 0;
        for (std::size_t c = 0; c < r.width(); ++c) {
            row += r.g[j * r.width() + c] * r.g[j * r.width() + c];
        }
        squares += row;
        if (row > heaviest) {
            heaviest                   = row;
            const double* g            = &r.g[j * r.width()];
            const auto* const farthest = std::max_element(
                g, g + r.width(), [](double a, double b) { return std::fabs(a) < std::fabs(b); });
            out.heaviest = row_of[j] * r.width() + static_cast<std::size_t>(farthest - g);
        }
    }
    std::vector<std::size_t> picks(used);
    for (std::size_t j = 0; j < used; ++j) {
        picks[j] = j;
    }
    std::vector<double> first(k);
    std::vector<double> total(k);
    estimate(r, picks, first, total);
    if (!std::isfinite(first.front())) {
        return out;  // the figure does not vary
    }
    out.heaviest_share = heaviest / squares;
    // Each resample's estimates, input by input.
    std::vector<std::vector<double>> first_b(k, std::vector<double>(resamples));
    std::vector<std::vector<double>> total_b(k, std::vector<double>(resamples));
    boost::random::seed_seq mix{static_cast<std::uint32_t>(key),
                                static_cast<std::uint32_t>(key >> 32), 0x626f6f74u};
    boost::random::mt19937_64 engine(mix);
    boost::random::uniform_int_distribution<std::size_t> pick(0, used - 1);
    std::vector<double> first_r(k);
    std::vector<double> total_r(k);
    for (unsigned b = 0; b < resamples; ++b) {
        if (stopped && stopped()) {
            return out;
        }
        for (std::size_t& j : picks) {
            j = pick(engine);
        }
        estimate(r, picks, first_r, total_r);
        for (std::size_t i = 0; i < k; ++i) {
            first_b[i][b] = first_r[i];
            total_b[i][b] = total_r[i];
        }
    }
    for (std::size_t i = 0; i < k; ++i) {
        const auto [first_low, first_high] = interval(first_b[i]);
        const auto [total_low, total_high] = interval(total_b[i]);
        out.of[i] = {first[i], first_low, first_high, total[i], total_low, total_high};
    }
    return out;
}

std::string sobol_indices::doubt(const std::vector<std::string>& inputs,
                                 const std::string& row) const
{
    const auto number = [](double v) { return tether::message_number(v, 3); };
    if (heaviest_share > 0.5) {
        return "one row of the " + std::to_string(rows_used) + " used, at " + row + ", carries " +
               number(100 * heaviest_share) +
               " % of the figure's variance, so the estimates and their intervals are that "
               "row's; more draws, or a distribution without that tail, can settle them";
    }
    // An estimate outside [0, 1] by more than its interval is wide: the
    // bootstrap does not reach a share of the variance, where a noisy index
    // near 0 or 1 does (an estimate 3.9 standard errors beyond it: less than
    // once in 10^4).
    const auto outside = [](double v, double low, double high) {
        return std::max(-v, v - 1) > high - low;
    };
    for (std::size_t i = 0; i < of.size(); ++i) {
        const sobol_index& x = of[i];
        const bool first     = outside(x.first, x.first_low, x.first_high);
        if (first || outside(x.total, x.total_low, x.total_high)) {
            return inputs[i] + "'s " + (first ? "first-order" : "total-effect") + " index " +
                   number(first ? x.first : x.total) +
                   " lies outside [0, 1] by more than its 95 % interval is wide (" +
                   number(first ? x.first_low : x.total_low) + " to " +
                   number(first ? x.first_high : x.total_high) +
                   "), so the rows do not sample the figure's variance well; more draws can "
                   "settle it";
        }
    }
    return {};
}

}  // namespace engine
