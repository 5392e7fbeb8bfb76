// Draws over uncertain inputs: parameters given distributions instead of
// values, and the designs drawn from them. Draw k's values depend on the
// key and k alone, so that any split of the draws over cores, shards or
// machines gives the same values.
#pragma once

#include "engine/words/settings.hpp"
#include "engine/words/vocabulary.hpp"

#include "tether/design.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace engine {

inline constexpr std::uint64_t max_draws = 10000000;

enum class distribution_kind { normal, lognormal, uniform, triangular };

// The distributions by name, their meanings giving their numbers:
// normal:MEAN:SD, lognormal:MEDIAN:FACTOR, uniform:LOW:HIGH and
// triangular:LOW:MODE:HIGH.
const std::vector<named<distribution_kind>>& distributions();

// A distribution of one input. lognormal is MEDIAN x FACTOR^Z, Z standard
// normal: about 68 % of its values lie between MEDIAN / FACTOR and
// MEDIAN x FACTOR.
struct distribution {
    distribution_kind kind;
    std::vector<double> numbers;  // as written: MEAN SD, MEDIAN FACTOR, LOW HIGH, LOW MODE HIGH
    // The value below which a share p of the distribution lies, 0 < p < 1
    // (Boost.Math's quantile, evaluated in binary64).
    // A span wider than binary64 holds is drawn within it, not as infinity.
    double quantile(double p) const;

  private:
    double unscaled_quantile(double p) const;
};

// Parses "normal:MEAN:SD", "lognormal:MEDIAN:FACTOR", "uniform:LOW:HIGH" or
// "triangular:LOW:MODE:HIGH". Throws usage_error naming the part at fault:
// an unknown distribution, a wrong count of numbers, a number that is not
// finite, SD <= 0, MEDIAN <= 0, FACTOR <= 1, LOW >= HIGH, a MODE outside
// [LOW, HIGH].
distribution parse_distribution(const std::string& text);

// A parameter of the design and the distribution it is drawn from.
struct varied {
    const tether::param* param;
    distribution dist;
};

// Parses "NAME=DIST"; throws usage_error.
varied parse_varied(const std::string& text);

// A mistake in one of the varied parameters: which one, and why; what() is
// the reason alone, for the face to say where it was given.
struct varied_error : usage_error {
    varied_error(std::size_t at, const std::string& why) : usage_error(why), index(at) {}
    std::size_t index;
};

// Parses every "NAME=DIST" in order; a parameter varied twice is refused at
// its second. Throws varied_error.
std::vector<varied> read_varied(const std::vector<std::string>& texts);

// The number of draws: a whole number from 1 to max_draws (written as a
// number, "1e6" too). Throws usage_error.
std::uint64_t parse_draw_count(const std::string& text);
// A key (a seed): a whole number from 0 to 2^64 - 1, in decimal digits
// (blanks around them allowed), or up to 2^53 written as a number ("1e3").
// Throws usage_error.
std::uint64_t parse_key(const std::string& text);

// The first `count` numbers of draw k, each uniform in the open interval
// (0, 1): the outputs of Boost.Random's mt19937_64 keyed with SplitMix64's
// finaliser of the key, exclusive-or k; each output's top 52 bits b give
// (b + 1/2) / 2^52.
std::vector<double> unit_draw(std::uint64_t key, std::uint64_t k, std::size_t count);

// Draws of the given distributions: draw k's value i is distribution i's
// quantile of unit_draw(key, k, n)[i], n the number of distributions.
class draws {
  public:
    draws(std::vector<distribution> dists, std::uint64_t key);
    std::size_t dimensions() const;
    std::vector<double> values_at(std::uint64_t k) const;

  private:
    std::vector<distribution> dists_;
    std::uint64_t key_;
};

// The distributions of the varied parameters, in order.
std::vector<distribution> distributions_of(const std::vector<varied>& v);
// The base design with the varied parameters set to the values.
tether::design design_with(const tether::design& base, const std::vector<varied>& v,
                           const std::vector<double>& values);
// The values as "strength=33.2, density=1250", for messages.
std::string varied_text(const std::vector<varied>& v, const std::vector<double>& values);

}  // namespace engine
