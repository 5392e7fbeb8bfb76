#include "engine/numbers.hpp"

#include <fast_float/fast_float.h>
#include <fmt/format.h>

#include <cmath>
#include <cstdlib>
#include <limits>

namespace engine {

namespace {

// [-]digits[.digits][(e|E)[+|-]digits], with a digit before or after the point.
bool is_decimal(const std::string& t)
{
    std::size_t i     = !t.empty() && t[0] == '-' ? 1 : 0;
    const auto digits = [&t, &i] {
        const std::size_t from = i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
            ++i;
        }
        return i - from;
    };
    std::size_t mantissa = digits();
    if (i < t.size() && t[i] == '.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0) {
        return false;
    }
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
            ++i;
        }
        if (digits() == 0) {
            return false;
        }
    }
    return i == t.size();
}

// The shortest digits of a finite v > 0 that read back to it (no leading or
// trailing zeros), and the decimal exponent of the first: v ~ d.ddd x 10^exponent.
// {fmt} finds them (Dragonbox); its layout, fixed or scientific, is undone here.
void shortest_digits(double v, std::string& digits, int& exponent)
{
    const std::string text     = fmt::format("{}", v);
    const auto e               = text.find('e');
    const std::string mantissa = text.substr(0, e);
    exponent                   = e == std::string::npos ? 0 : std::atoi(text.c_str() + e + 1);
    const auto point           = mantissa.find('.');
    // Digits before the point, less one, shift the exponent up.
    exponent += static_cast<int>(point == std::string::npos ? mantissa.size() : point) - 1;
    digits.clear();
    for (char c : mantissa) {
        if (c != '.') {
            digits += c;
        }
    }
    const auto first = digits.find_first_not_of('0');
    exponent -= static_cast<int>(first);
    digits = digits.substr(first, digits.find_last_not_of('0') - first + 1);
}

// Fixed notation: the shortest digits with the point placed; a whole number
// longer than its shortest digits is written with all its own digits, as
// std::to_chars writes it (of the texts of that length, the closest).
std::string fixed_text(double v, const std::string& digits, int exponent)
{
    const int n = static_cast<int>(digits.size());
    if (exponent < 0) {
        return "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    }
    if (exponent + 1 >= n) {
        return fmt::format("{:.0f}", v);
    }
    const auto point = static_cast<std::size_t>(exponent) + 1;  // digits before the point
    return digits.substr(0, point) + "." + digits.substr(point);
}

std::string scientific_text(const std::string& digits, int exponent)
{
    return digits.substr(0, 1) + (digits.size() > 1 ? "." + digits.substr(1) : "") +
           fmt::format("e{}{:02d}", exponent < 0 ? '-' : '+', std::abs(exponent));
}

}  // namespace

std::string trim(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

std::optional<double> parse_number(const std::string& text, std::string* why)
{
    const std::string t = trim(text);
    const auto fail     = [why](const char* reason) -> std::optional<double> {
        if (why != nullptr) {
            *why = reason;
        }
        return std::nullopt;
    };
    if (!is_decimal(t)) {
        return fail(not_a_number);
    }
    double v     = 0;
    const auto r = fast_float::from_chars(t.data(), t.data() + t.size(), v);
    if (r.ec != std::errc() || r.ptr != t.data() + t.size()) {
        return fail(not_a_number);
    }
    if (std::isinf(v)) {
        return fail("is beyond the largest number, about 1.8e308");
    }
    const bool nonzero =
        t.substr(0, t.find_first_of("eE")).find_first_of("123456789") != std::string::npos;
    if (nonzero && !(std::fabs(v) >= std::numeric_limits<double>::min())) {
        return fail("is too close to 0: it rounds to 0 or to a subnormal number, and a normal "
                    "number (at least about 2.2e-308) is needed");
    }
    return v;
}

std::string shortest(double v)
{
    if (v == 0 || !std::isfinite(v)) {
        return std::signbit(v) ? (v == 0 ? "-0" : "-inf")
                               : (v == 0          ? "0"
                                  : std::isinf(v) ? "inf"
                                                  : "nan");
    }
    std::string digits;
    int exponent = 0;
    shortest_digits(std::fabs(v), digits, exponent);
    const std::string fixed      = fixed_text(std::fabs(v), digits, exponent);
    const std::string scientific = scientific_text(digits, exponent);
    return (v < 0 ? "-" : "") + (fixed.size() <= scientific.size() ? fixed : scientific);
}

std::string readable(double v)
{
    const double a = std::fabs(v);
    if (!(a >= 1e-4 && a < 1e15)) {
        return shortest(v);
    }
    std::string digits;
    int exponent = 0;
    shortest_digits(a, digits, exponent);
    return (v < 0 ? "-" : "") + fixed_text(a, digits, exponent);
}

}  // namespace engine
