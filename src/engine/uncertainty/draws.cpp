#include "engine/uncertainty/draws.hpp"

#include "tether/pmath.hpp"

#include <boost/math/distributions/lognormal.hpp>
#include <boost/math/distributions/normal.hpp>
#include <boost/math/distributions/triangular.hpp>
#include <boost/math/distributions/uniform.hpp>
#include <boost/random/mersenne_twister.hpp>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace engine {

namespace {

// Quantiles evaluated in binary64 throughout: Boost's default promotes
// double to long double, whose width differs between x86-64 (80 bits) and
// WebAssembly (128 bits), and the page must draw the same values.
using binary64 = boost::math::policies::policy<boost::math::policies::promote_double<false>>;

// The names of the numbers each distribution takes, in order.
std::vector<const char*> number_names(distribution_kind kind)
{
    switch (kind) {
    case distribution_kind::normal:
        return {"MEAN", "SD"};
    case distribution_kind::lognormal:
        return {"MEDIAN", "FACTOR"};
    case distribution_kind::uniform:
        return {"LOW", "HIGH"};
    case distribution_kind::triangular:
        break;
    }
    return {"LOW", "MODE", "HIGH"};
}

std::string said(const char* name, double v)
{
    return std::string(name) + " = " + shortest(v);
}

// Why the numbers make no distribution of that kind, or nothing.
std::string fault_of(distribution_kind kind, const std::vector<double>& n)
{
    switch (kind) {
    case distribution_kind::normal:
        return n[1] > 0 ? "" : said("SD", n[1]) + ": must be greater than 0";
    case distribution_kind::lognormal:
        if (!(n[0] > 0)) {
            return said("MEDIAN", n[0]) + ": must be greater than 0";
        }
        return n[1] > 1 ? "" : said("FACTOR", n[1]) + ": must be greater than 1";
    case distribution_kind::uniform:
        return n[0] < n[1] ? ""
                           : said("LOW", n[0]) + " and " + said("HIGH", n[1]) +
                                 ": LOW must be less than HIGH";
    case distribution_kind::triangular:
        break;
    }
    if (!(n[0] < n[2])) {
        return said("LOW", n[0]) + " and " + said("HIGH", n[2]) + ": LOW must be less than HIGH";
    }
    return n[1] >= n[0] && n[1] <= n[2]
               ? ""
               : said("MODE", n[1]) + ": must lie from LOW = " + shortest(n[0]) +
                     " to HIGH = " + shortest(n[2]);
}

}  // namespace

const std::vector<named<distribution_kind>>& distributions()
{
    static const std::vector<named<distribution_kind>> table{
        {"normal", distribution_kind::normal, "normal:MEAN:SD, SD > 0"},
        {"lognormal", distribution_kind::lognormal,
         "lognormal:MEDIAN:FACTOR, MEDIAN x FACTOR^Z with Z standard normal, MEDIAN > 0, "
         "FACTOR > 1"},
        {"uniform", distribution_kind::uniform, "uniform:LOW:HIGH, LOW < HIGH"},
        {"triangular", distribution_kind::triangular,
         "triangular:LOW:MODE:HIGH, LOW < HIGH, MODE from LOW to HIGH"}};
    return table;
}

double distribution::quantile(double p) const
{
    const double x = unscaled_quantile(p);
    if (std::isfinite(x) || kind == distribution_kind::normal ||
        kind == distribution_kind::lognormal) {
        return x;
    }
    // A span wider than binary64 holds (HIGH - LOW, or a product of two
    // spans, overflows): the same expression of the numbers scaled by a
    // power of 2 that brings them below 2, scaled back. Scaling by a power
    // of 2 is exact, so this is the value the expression would have in
    // wider numbers, rounded to binary64; a span that does not overflow
    // keeps its draws bit for bit.
    const int e = std::ilogb(std::max(std::fabs(numbers.front()), std::fabs(numbers.back())));
    distribution scaled{kind, numbers};
    for (double& v : scaled.numbers) {
        v = std::ldexp(v, -e);
    }
    return std::ldexp(scaled.unscaled_quantile(p), e);
}

double distribution::unscaled_quantile(double p) const
{
    const std::vector<double>& n = numbers;
    switch (kind) {
    case distribution_kind::normal:
        return boost::math::quantile(boost::math::normal_distribution<double, binary64>(n[0], n[1]),
                                     p);
    case distribution_kind::lognormal:
        return boost::math::quantile(boost::math::lognormal_distribution<double, binary64>(
                                         tether::pmath::log(n[0]), tether::pmath::log(n[1])),
                                     p);
    case distribution_kind::uniform:
        return boost::math::quantile(
            boost::math::uniform_distribution<double, binary64>(n[0], n[1]), p);
    case distribution_kind::triangular:
        break;
    }
    return boost::math::quantile(
        boost::math::triangular_distribution<double, binary64>(n[0], n[1], n[2]), p);
}

distribution parse_distribution(const std::string& text)
{
    std::vector<std::string> parts;
    for (std::size_t from = 0;;) {
        const auto at = text.find(':', from);
        parts.push_back(trim(text.substr(from, at - from)));
        if (at == std::string::npos) {
            break;
        }
        from = at + 1;
    }
    const auto kind = named_value(distributions(), parts.front());
    if (!kind) {
        throw usage_error("unknown distribution '" + printable(parts.front()) +
                          "'; known: " + names_of(distributions()));
    }
    const std::vector<const char*> names = number_names(*kind);
    if (parts.size() != names.size() + 1) {
        std::string form = parts.front();
        for (const char* name : names) {
            form += std::string(":") + name;
        }
        throw usage_error(form + " takes " + std::to_string(names.size()) + " numbers, not " +
                          std::to_string(parts.size() - 1));
    }
    distribution d{*kind, {}};
    for (std::size_t i = 0; i < names.size(); ++i) {
        std::string why;
        const auto v = parse_number(parts[i + 1], &why);
        if (!v) {
            throw usage_error(std::string(names[i]) + " '" + printable(parts[i + 1]) + "' " + why);
        }
        d.numbers.push_back(*v);
    }
    const std::string fault = fault_of(*kind, d.numbers);
    if (!fault.empty()) {
        throw usage_error(fault);
    }
    return d;
}

varied parse_varied(const std::string& text)
{
    const auto eq = text.find('=');
    if (eq == std::string::npos) {
        throw usage_error("expected NAME=DISTRIBUTION, as strength=lognormal:35:1.5");
    }
    const std::string name = trim(text.substr(0, eq));
    const tether::param* p = tether::find_param(name);
    if (p == nullptr) {
        throw usage_error("unknown parameter '" + printable(name) + "'", names::parameters);
    }
    check_spanned(*p, "a distribution");
    return {p, parse_distribution(text.substr(eq + 1))};
}

std::vector<varied> read_varied(const std::vector<std::string>& texts)
{
    std::vector<varied> out;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        try {
            out.push_back(parse_varied(texts[i]));
        }
        catch (const usage_error& e) {
            throw varied_error(i, e.what());
        }
        for (std::size_t j = 0; j < i; ++j) {
            if (out[j].param == out[i].param) {
                throw varied_error(i, std::string(out[i].param->name) + " is varied twice");
            }
        }
    }
    return out;
}

std::uint64_t parse_draw_count(const std::string& text)
{
    const auto n = parse_number(text);
    if (!n || !(*n >= 1 && *n <= static_cast<double>(max_draws)) || *n != std::floor(*n)) {
        throw usage_error("'" + printable(trim(text)) +
                          "': the number of draws must be a whole number from 1 to " +
                          std::to_string(max_draws));
    }
    return static_cast<std::uint64_t>(*n);
}

std::uint64_t parse_key(const std::string& text)
{
    const std::string t = trim(text);
    std::uint64_t key   = 0;
    const auto r        = std::from_chars(t.data(), t.data() + t.size(), key);
    // from_chars takes a leading '-' for unsigned types on some libraries.
    const bool digits = !t.empty() && t.front() >= '0' && t.front() <= '9';
    if (digits && r.ec == std::errc() && r.ptr == t.data() + t.size()) {
        return key;
    }
    // Written as a number ("1e3"), as a count of draws may be: whole, and
    // up to 2^53, below which binary64 holds every whole number.
    const auto n     = parse_number(t);
    const bool whole = digits && n && *n == std::floor(*n);
    if (whole && *n <= 0x1p53) {
        return static_cast<std::uint64_t>(*n);
    }
    throw usage_error("'" + printable(t) +
                      "': a seed must be a whole number from 0 to 18446744073709551615" +
                      (whole && *n < 0x1p64 ? ", in digits above 2^53" : ""));
}

std::vector<double> unit_draw(std::uint64_t key, std::uint64_t k, std::size_t count)
{
    // SplitMix64's finaliser (S. Vigna, after Steele, Lea and Flood 2014)
    // spreads the key over 64 bits; k exclusive-or'd with it keeps the draws
    // of one key apart. Keying the engine by one number (its own 312-step
    // initialisation) costs about a microsecond, a tenth of keying it
    // through a mixing sequence of 624 words, and less than one design's
    // figures: draw k is computed apart from every other draw, on whatever
    // core or shard.
    std::uint64_t z = key + 0x9e3779b97f4a7c15u;
    z               = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9u;
    z               = (z ^ (z >> 27)) * 0x94d049bb133111ebu;
    z ^= z >> 31;
    boost::random::mt19937_64 engine(z ^ k);
    std::vector<double> u(count);
    for (double& x : u) {
        // 52 bits and a half: exact in binary64, symmetric about 1/2, and
        // never 0 or 1, where quantiles are infinite.
        x = (static_cast<double>(engine() >> 12) + 0.5) * 0x1p-52;
    }
    return u;
}

draws::draws(std::vector<distribution> dists, std::uint64_t key)
    : dists_(std::move(dists)), key_(key)
{
}

std::size_t draws::dimensions() const
{
    return dists_.size();
}

std::vector<double> draws::values_at(std::uint64_t k) const
{
    std::vector<double> values = unit_draw(key_, k, dists_.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        values[i] = dists_[i].quantile(values[i]);
    }
    return values;
}

std::vector<distribution> distributions_of(const std::vector<varied>& v)
{
    std::vector<distribution> out;
    out.reserve(v.size());
    for (const varied& x : v) {
        out.push_back(x.dist);
    }
    return out;
}

tether::design design_with(const tether::design& base, const std::vector<varied>& v,
                           const std::vector<double>& values)
{
    tether::design d = base;
    for (std::size_t i = 0; i < v.size(); ++i) {
        v[i].param->field(d) = values[i];
    }
    return d;
}

std::string varied_text(const std::vector<varied>& v, const std::vector<double>& values)
{
    std::string text;
    for (std::size_t i = 0; i < v.size(); ++i) {
        text += (i == 0 ? "" : ", ") + std::string(v[i].param->name) + "=" + shortest(values[i]);
    }
    return text;
}

}  // namespace engine
