#include "numbers.hpp"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// The standard library's floating-point to_chars and from_chars where it has
// them; printf and strtod where it has not (Emscripten's libc++), or where a
// test asks for them to compare the two.
#if defined(__cpp_lib_to_chars) && !defined(TETHER_PORTABLE_NUMBERS)
#define TETHER_FLOAT_CHARCONV 1
#else
#define TETHER_FLOAT_CHARCONV 0
#endif

namespace explore {

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

#if !TETHER_FLOAT_CHARCONV
// Where the standard library has no floating-point to_chars (Emscripten's
// libc++): the fewest significant digits that read back to v, as a digit
// string and a decimal exponent.
bool reads_back(const std::string& digits, int exponent, double v)
{
    const std::string text =
        digits.substr(0, 1) + "." + digits.substr(1) + "e" + std::to_string(exponent);
    return std::strtod(text.c_str(), nullptr) == v;
}

// printf's correctly rounded digits of v after the first, precision of them.
void rounded(double v, int precision, std::string& digits, int& exponent)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.*e", precision, v);
    const char* e = std::strchr(text, 'e');
    exponent      = std::atoi(e + 1);
    digits.clear();
    for (const char* c = text; c != e; ++c) {
        if (*c >= '0' && *c <= '9') {
            digits += *c;
        }
    }
}

// The digit string one unit in the last place higher, keeping its length.
void step_up(std::string& digits, int& exponent)
{
    auto i = digits.size();
    while (i-- > 0) {
        if (digits[i] < '9') {
            ++digits[i];
            return;
        }
        digits[i] = '0';
    }
    digits[0] = '1';  // 9.99 up to 10.0
    ++exponent;
}

void shortest_digits(double v, std::string& digits, int& exponent)
{
    // If the correctly rounded digits of one length read back, so do those
    // of every longer length; 17 digits always do.
    int low  = 0;
    int high = 16;
    while (low < high) {
        const int mid = (low + high) / 2;
        rounded(v, mid, digits, exponent);
        if (reads_back(digits, exponent, v)) {
            high = mid;
        }
        else {
            low = mid + 1;
        }
    }
    rounded(v, low, digits, exponent);
    // Only at a power of two do the values that read back lie unevenly
    // about v, further above than below: there a shorter text one unit
    // above the rounded digits may read back.
    int binary_exponent = 0;
    if (std::frexp(v, &binary_exponent) != 0.5) {
        return;
    }
    for (int precision = 0; precision < low; ++precision) {
        std::string d;
        int x = 0;
        rounded(v, precision, d, x);
        step_up(d, x);
        if (reads_back(d, x, v)) {
            digits   = d;
            exponent = x;
            return;
        }
    }
}

// In fixed notation: shortest digits with the point placed; a whole number
// longer than its shortest digits is written with all its own digits, as
// the closest of the texts of that length.
std::string fixed_text(double v, const std::string& digits, int exponent)
{
    const int n = static_cast<int>(digits.size());
    if (exponent < 0) {
        return "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    }
    if (exponent + 1 >= n) {
        char text[400];
        std::snprintf(text, sizeof text, "%.0f", v);
        return text;
    }
    const std::size_t point = static_cast<std::size_t>(exponent) + 1;  // digits before the point
    return digits.substr(0, point) + "." + digits.substr(point);
}

std::string scientific_text(const std::string& digits, int exponent)
{
    char e[16];
    std::snprintf(e, sizeof e, "e%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
    return digits.substr(0, 1) + (digits.size() > 1 ? "." + digits.substr(1) : "") + e;
}
#endif

}  // namespace

std::string trim(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

std::optional<double> parse_number(const std::string& text)
{
    const std::string t = trim(text);
    if (!is_decimal(t)) {
        return std::nullopt;
    }
    double v = 0;
#if TETHER_FLOAT_CHARCONV
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
#if TETHER_FLOAT_CHARCONV
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
    const std::string fixed      = fixed_text(std::fabs(v), digits, exponent);
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
#if TETHER_FLOAT_CHARCONV
    char text[48];
    const auto r = std::to_chars(text, text + sizeof text, v, std::chars_format::fixed);
    return std::string(text, r.ptr);
#else
    std::string digits;
    int exponent = 0;
    shortest_digits(a, digits, exponent);
    return (v < 0 ? "-" : "") + fixed_text(a, digits, exponent);
#endif
}

}  // namespace explore
