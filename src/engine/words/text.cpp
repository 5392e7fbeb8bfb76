#include "engine/words/text.hpp"

#include "engine/words/numbers.hpp"

#include "tether/design.hpp"

#include <cmath>

namespace engine {

std::string ten_digits(double v)
{
    return std::isnan(v) ? "NaN" : tether::message_number(v);
}

std::vector<std::string> split(const std::string& text, char sep)
{
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (;;) {
        const auto at = text.find(sep, from);
        parts.push_back(text.substr(from, at - from));
        if (at == std::string::npos) {
            return parts;
        }
        from = at + 1;
    }
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

// The code point of the valid UTF-8 sequence of n bytes at text[i].
unsigned code_point(const std::string& text, std::size_t i, std::size_t n)
{
    const unsigned lead_bits[] = {0, 0, 0x1f, 0x0f, 0x07};
    unsigned cp                = static_cast<unsigned char>(text[i]) & lead_bits[n];
    for (std::size_t k = 1; k < n; ++k) {
        cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3fu);
    }
    return cp;
}

// Characters that change how the text around them shows, or show as
// nothing: C1 controls; the Arabic letter mark; zero-width space, joiners
// and the left-to-right and right-to-left marks; the line and paragraph
// separators, bidirectional embeddings and overrides (U+2028 to U+202E);
// the word joiner, invisible operators and isolates (U+2060 to U+2069);
// the byte-order mark; the interlinear annotation characters. (Unicode's
// Bidi_Control and Default_Ignorable_Code_Point properties, and its line
// breaks.)
bool hides_text(unsigned cp)
{
    return (cp >= 0x80 && cp <= 0x9f) || cp == 0x61c || (cp >= 0x200b && cp <= 0x200f) ||
           (cp >= 0x2028 && cp <= 0x202e) || (cp >= 0x2060 && cp <= 0x2069) || cp == 0xfeff ||
           (cp >= 0xfff9 && cp <= 0xfffb);
}

// \u followed by four hexadecimal digits.
std::string u_escape(unsigned cp)
{
    static const char hex[] = "0123456789abcdef";
    std::string out         = "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) {
        out += hex[(cp >> shift) & 15u];
    }
    return out;
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
                // A character of several bytes, kept whole unless it hides
                // or reorders the text around it.
                const std::size_t n = utf8_length(text, i);
                const unsigned cp   = code_point(text, i, n);
                out += hides_text(cp) ? u_escape(cp) : text.substr(i, n);
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

std::string printable_value(const std::string& text)
{
    return trim(text).empty() ? "''" : printable(text);
}

std::string escaped(const std::string& text)
{
    return escape(text, text.size());
}

std::string json_string(const std::string& t)
{
    std::string out = "\"";
    for (char c : t) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        }
        else if (u < 0x20) {
            constexpr const char* hex = "0123456789abcdef";
            out += "\\u00";
            out += hex[u >> 4];
            out += hex[u & 15];
        }
        else {
            out += c;
        }
    }
    return out + "\"";
}

}  // namespace engine
