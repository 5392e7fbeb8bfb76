#include "engine/words/numbers.hpp"

#include <fast_float/fast_float.h>
#include <fmt/compile.h>
#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
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
struct decimal {
    char digits[20];  // at most 17 for a binary64
    int size     = 0;
    int exponent = 0;
};

// {fmt} finds the digits (Dragonbox) and writes them into a buffer on the
// stack; its layout, fixed or scientific, is read back here.
decimal shortest_decimal(double v)
{
    char buffer[40];
    const char* const text = buffer;
    const char* const end  = fmt::format_to(buffer, FMT_COMPILE("{}"), v);
    const char* e          = std::find(text, end, 'e');
    const char* point      = std::find(text, e, '.');
    const char* first      = std::find_if(text, e, [](char c) { return c >= '1' && c <= '9'; });
    const char* last       = e;  // past the last nonzero digit
    while (last[-1] == '0' || last[-1] == '.') {
        --last;
    }
    int shift = 0;  // the exponent {fmt} wrote, if any
    if (e != end) {
        for (const char* at = e + 2; at != end; ++at) {
            shift = 10 * shift + (*at - '0');
        }
        shift = e[1] == '-' ? -shift : shift;
    }
    decimal out;
    // The first digit's place, counted from the point.
    out.exponent = shift + static_cast<int>(point - first) - (first < point ? 1 : 0);
    for (const char* at = first; at != last; ++at) {
        if (*at != '.') {
            out.digits[out.size++] = *at;
        }
    }
    return out;
}

char* put(char* out, const char* from, int n)
{
    std::memcpy(out, from, static_cast<std::size_t>(n));
    return out + n;
}

char* put_zeros(char* out, int n)
{
    std::memset(out, '0', static_cast<std::size_t>(n));
    return out + n;
}

// Below 2^53 every whole number is a binary64, so a whole number's own
// digits are its shortest digits followed by zeros; above, they may differ.
constexpr double exact_whole = 9007199254740992.0;  // 2^53

// Fixed notation: the shortest digits with the point placed; a whole number
// longer than its shortest digits is written with all its own digits, as
// std::to_chars writes it (of the texts of that length, the closest).
char* fixed_to(char* out, double v, const decimal& d)
{
    if (d.exponent < 0) {
        *out++ = '0';
        *out++ = '.';
        out    = put_zeros(out, -d.exponent - 1);
        return put(out, d.digits, d.size);
    }
    if (d.exponent + 1 >= d.size) {
        if (v < exact_whole) {
            out = put(out, d.digits, d.size);
            return put_zeros(out, d.exponent + 1 - d.size);
        }
        return fmt::format_to(out, FMT_COMPILE("{:.0f}"), v);
    }
    const int point = d.exponent + 1;  // digits before the point
    out             = put(out, d.digits, point);
    *out++          = '.';
    return put(out, d.digits + point, d.size - point);
}

// d.ddde+XX, the exponent of at least two digits.
char* scientific_to(char* out, const decimal& d)
{
    *out++ = d.digits[0];
    if (d.size > 1) {
        *out++ = '.';
        out    = put(out, d.digits + 1, d.size - 1);
    }
    *out++      = 'e';
    *out++      = d.exponent < 0 ? '-' : '+';
    const int e = std::abs(d.exponent);
    if (e >= 100) {
        *out++ = static_cast<char>('0' + e / 100);
    }
    *out++ = static_cast<char>('0' + e / 10 % 10);
    *out++ = static_cast<char>('0' + e % 10);
    return out;
}

// The lengths of the two notations' texts, as fixed_to and scientific_to
// write them; a whole number of 2^53 or more is measured by writing it.
int fixed_size(double v, const decimal& d)
{
    if (d.exponent < 0) {
        return 1 - d.exponent + d.size;
    }
    if (d.exponent + 1 < d.size) {
        return d.size + 1;
    }
    if (v < exact_whole || d.exponent > number_size) {
        // Beyond, its text is at least exponent digits long, longer than
        // any scientific text.
        return d.exponent + 1;
    }
    char text[number_size * 2];
    return static_cast<int>(fixed_to(text, v, d) - text);
}

int scientific_size(const decimal& d)
{
    return d.size + (d.size > 1 ? 1 : 0) + (std::abs(d.exponent) >= 100 ? 5 : 4);
}

char* put_special(char* out, double v)
{
    const char* text = v == 0 ? "0" : std::isinf(v) ? "inf" : "nan";
    if (std::signbit(v)) {
        *out++ = '-';
    }
    return put(out, text, static_cast<int>(std::strlen(text)));
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

char* shortest_to(char* out, double v)
{
    if (v == 0 || !std::isfinite(v)) {
        return put_special(out, v);
    }
    const double a  = std::fabs(v);
    const decimal d = shortest_decimal(a);
    if (v < 0) {
        *out++ = '-';
    }
    return fixed_size(a, d) <= scientific_size(d) ? fixed_to(out, a, d) : scientific_to(out, d);
}

char* readable_to(char* out, double v)
{
    const double a = std::fabs(v);
    if (!(a >= 1e-4 && a < 1e15)) {
        return shortest_to(out, v);
    }
    if (v < 0) {
        *out++ = '-';
    }
    return fixed_to(out, a, shortest_decimal(a));
}

std::string shortest(double v)
{
    char text[number_size];
    return {text, shortest_to(text, v)};
}

std::string readable(double v)
{
    char text[number_size];
    return {text, readable_to(text, v)};
}

}  // namespace engine
