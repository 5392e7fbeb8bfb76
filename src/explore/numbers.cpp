#include "numbers.hpp"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace explore {

namespace {

std::string trim(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

// [-]digits[.digits][(e|E)[+|-]digits], with a digit before or after the point.
bool is_decimal(const std::string& t)
{
    std::size_t i     = t.size() > 0 && t[0] == '-' ? 1 : 0;
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

#if !defined(__cpp_lib_to_chars)
// Where the standard library has no floating-point to_chars (Emscripten's
// libc++): the fewest significant digits that read back to v, found by
// printf's correct rounding, as a digit string and a decimal exponent.
void shortest_digits(double v, std::string& digits, int& exponent)
{
    char text[40];
    for (int precision = 0; precision < 17; ++precision) {
        std::snprintf(text, sizeof text, "%.*e", precision, v);
        if (std::strtod(text, nullptr) == v) {
            break;
        }
    }
    const char* e = std::strchr(text, 'e');
    exponent      = std::atoi(e + 1);
    digits.clear();
    for (const char* c = text; c != e; ++c) {
        if (*c >= '0' && *c <= '9') {
            digits += *c;
        }
    }
}

std::string fixed_text(const std::string& digits, int exponent)
{
    const int n = static_cast<int>(digits.size());
    if (exponent < 0) {
        return "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    }
    if (exponent + 1 >= n) {
        return digits + std::string(static_cast<std::size_t>(exponent + 1 - n), '0');
    }
    return digits.substr(0, static_cast<std::size_t>(exponent + 1)) + "." +
           digits.substr(static_cast<std::size_t>(exponent + 1));
}

std::string scientific_text(const std::string& digits, int exponent)
{
    char e[8];
    std::snprintf(e, sizeof e, "e%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
    return digits.substr(0, 1) + (digits.size() > 1 ? "." + digits.substr(1) : "") + e;
}
#endif

}  // namespace

std::optional<double> parse_number(const std::string& text)
{
    const std::string t = trim(text);
    if (!is_decimal(t)) {
        return std::nullopt;
    }
    double v = 0;
#if defined(__cpp_lib_to_chars)
    const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
    if (r.ec != std::errc()) {
        return std::nullopt;
    }
#else
    errno = 0;
    v     = std::strtod(t.c_str(), nullptr);
    if (errno == ERANGE && (v == 0 || std::isinf(v))) {
        return std::nullopt;
    }
#endif
    if (!std::isfinite(v)) {
        return std::nullopt;
    }
    return v;
}

std::string shortest(double v)
{
#if defined(__cpp_lib_to_chars)
    char text[32];
    const auto r = std::to_chars(text, text + sizeof text, v);
    return std::string(text, r.ptr);
#else
    if (v == 0 || !std::isfinite(v)) {
        return std::signbit(v) ? (v == 0 ? "-0" : "-inf")
                               : (v == 0          ? "0"
                                  : std::isinf(v) ? "inf"
                                                  : "nan");
    }
    std::string digits;
    int exponent = 0;
    shortest_digits(std::fabs(v), digits, exponent);
    const std::string fixed      = fixed_text(digits, exponent);
    const std::string scientific = scientific_text(digits, exponent);
    return (v < 0 ? "-" : "") + (fixed.size() <= scientific.size() ? fixed : scientific);
#endif
}

std::string readable(double v)
{
    const double a = std::fabs(v);
    if (!(a >= 1e-4 && a < 1e15)) {
        return shortest(v);
    }
#if defined(__cpp_lib_to_chars)
    char text[48];
    const auto r = std::to_chars(text, text + sizeof text, v, std::chars_format::fixed);
    return std::string(text, r.ptr);
#else
    std::string digits;
    int exponent = 0;
    shortest_digits(a, digits, exponent);
    return (v < 0 ? "-" : "") + fixed_text(digits, exponent);
#endif
}

}  // namespace explore
