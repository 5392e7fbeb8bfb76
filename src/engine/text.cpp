#include "engine/text.hpp"

#include "tether/design.hpp"

#include <cmath>

namespace engine {

std::string ten_digits(double v)
{
    return std::isnan(v) ? "NaN" : tether::message_number(v);
}

std::string joined(const std::vector<std::string>& names, const std::string& last)
{
    std::string out;
    for (std::size_t i = 0; i < names.size(); ++i) {
        out += (i == 0 ? "" : i + 1 == names.size() ? " " + last + " " : ", ") + names[i];
    }
    return out;
}

namespace {

// The length of the valid UTF-8 sequence of two to four bytes at text[i],
// or 0 where there is none (a stray byte, an overlong form, a surrogate or
// beyond U+10FFFF).
std::size_t utf8_length(const std::string& text, std::size_t i)
{
    const auto byte = [&text](std::size_t k) {
        return k < text.size() ? static_cast<unsigned char>(text[k]) : 0u;
    };
    const unsigned c = byte(i);
    std::size_t n    = 0;
    unsigned low     = 0x80;
    unsigned high    = 0xbf;
    if (c >= 0xc2 && c <= 0xdf) {
        n = 2;
    }
    else if (c >= 0xe0 && c <= 0xef) {
        n    = 3;
        low  = c == 0xe0 ? 0xa0 : 0x80;
        high = c == 0xed ? 0x9f : 0xbf;
    }
    else if (c >= 0xf0 && c <= 0xf4) {
        n    = 4;
        low  = c == 0xf0 ? 0x90 : 0x80;
        high = c == 0xf4 ? 0x8f : 0xbf;
    }
    else {
        return 0;
    }
    if (byte(i + 1) < low || byte(i + 1) > high) {
        return 0;
    }
    for (std::size_t k = 2; k < n; ++k) {
        if (byte(i + k) < 0x80 || byte(i + k) > 0xbf) {
            return 0;
        }
    }
    return n;
}

std::string escape(const std::string& text, std::size_t longest)
{
    static const char hex[] = "0123456789abcdef";
    std::string out;
    std::size_t i = 0;
    for (; i < text.size() && i < longest; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        switch (c) {
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\0':
            out += "\\0";
            break;
        default:
            if (c >= 0x80 && utf8_length(text, i) > 0) {
                // A character of several bytes, kept whole.
                const std::size_t n = utf8_length(text, i);
                out += text.substr(i, n);
                i += n - 1;
            }
            else if (c < 0x20 || c >= 0x7f) {
                out += "\\x";
                out += hex[c >> 4];
                out += hex[c & 15];
            }
            else {
                out += static_cast<char>(c);
            }
        }
    }
    return i < text.size() ? out + "..." : out;
}

}  // namespace

std::string unit_suffix(const std::string& unit)
{
    return unit == "1" || unit == "-" ? "" : " " + unit;
}

std::string printable(const std::string& text)
{
    return escape(text, 40);
}

std::string escaped(const std::string& text)
{
    return escape(text, text.size());
}

}  // namespace engine
