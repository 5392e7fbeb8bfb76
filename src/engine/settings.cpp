#include "engine/settings.hpp"

#include "climber/march.hpp"
#include "climber/study.hpp"
#include "tether/model.hpp"
#include "tether/positions.hpp"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace engine {

void apply(tether::design& d, const std::string& name, const std::string& value)
{
    const std::string v = trim(value);
    if (name == "planet") {
        const auto p = tether::planet_named(v);
        if (!p) {
            std::string known;
            for (const std::string& n : tether::planet_names()) {
                known += (known.empty() ? "" : ", ") + n;
            }
            throw usage_error("unknown planet; known: " + known);
        }
        d.planet = *p;
        return;
    }
    const tether::param* p = tether::find_param(name);
    if (p == nullptr) {
        throw usage_error("unknown parameter (tether-explore --list shows them)");
    }
    if (v == "auto" && p->can_be_auto) {
        p->field(d) = tether::automatic;
        return;
    }
    std::string why;
    const auto number = parse_number(v, &why);
    if (!number && why == not_a_number) {
        throw usage_error(std::string("not a finite number") + (p->can_be_auto ? " or auto" : ""));
    }
    if (!number) {
        throw usage_error(printable(v) + " " + why);
    }
    p->field(d) = *number;
}

void apply_assignment(tether::design& d, const std::string& assignment)
{
    const auto eq = assignment.find('=');
    if (eq == std::string::npos) {
        throw usage_error("expected NAME=VALUE");
    }
    apply(d, trim(assignment.substr(0, eq)), assignment.substr(eq + 1));
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

void apply_lines(tether::design& d, std::istream& in, const std::string& source)
{
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    apply_text(d, text, source);
}

void apply_text(tether::design& d, const std::string& text, const std::string& source)
{
    // A UTF-8 byte-order mark, as some editors write, is no part of a line.
    std::size_t at = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    for (int number = 1; at < text.size(); ++number) {
        auto end = text.find('\n', at);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string where = source + ":" + std::to_string(number) + ": ";
        // A CR before the LF ends the line; it is no part of its length.
        const std::size_t length = end - at - (end > at && text[end - 1] == '\r' ? 1 : 0);
        if (length > max_line_bytes) {
            throw usage_error(where + "line longer than " + std::to_string(max_line_bytes) +
                              " bytes");
        }
        const std::string line = text.substr(at, end - at);
        at                     = end + 1;
        const std::string body = trim(line.substr(0, line.find('#')));
        if (body.empty()) {
            continue;
        }
        const auto eq = body.find('=');
        if (eq == std::string::npos) {
            throw usage_error(where + "expected 'name = value', found '" + printable(body) + "'");
        }
        const std::string name  = trim(body.substr(0, eq));
        const std::string value = trim(body.substr(eq + 1));
        try {
            apply(d, name, value);
        }
        catch (const usage_error& e) {
            throw usage_error(where + printable(name) + " = " + printable(value) + ": " + e.what());
        }
    }
}

void apply_file(tether::design& d, const std::string& path)
{
    if (path.empty()) {
        throw usage_error("--config needs a file name");
    }
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        throw unreadable_file(
            printable(path) + ": cannot read the design file: " + std::strerror(errno), errno);
    }
    struct stat st {};
    std::string reason;
    int err = 0;
    if (fstat(fd, &st) != 0) {
        err = errno;
    }
    else if (S_ISDIR(st.st_mode)) {
        err = EISDIR;
    }
    else if (!S_ISREG(st.st_mode) && !S_ISFIFO(st.st_mode)) {
        reason = "not a regular file or a pipe";
    }
    // Read at most one byte past the limit: enough to know the file is too long.
    std::string text;
    char buf[65536];
    while (err == 0 && reason.empty() && text.size() <= max_file_bytes) {
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            err = errno;
        }
        else if (n == 0) {
            break;
        }
        else {
            text.append(buf, static_cast<std::size_t>(n));
        }
    }
    close(fd);
    if (err != 0) {
        throw unreadable_file(
            printable(path) + ": cannot read the design file: " + std::strerror(err), err);
    }
    if (!reason.empty()) {
        throw usage_error(printable(path) + ": cannot read the design file: " + reason);
    }
    if (text.size() > max_file_bytes) {
        throw usage_error(printable(path) + ": longer than " +
                          std::to_string(max_file_bytes / 1048576) +
                          " MiB; a design file is a few lines");
    }
    apply_text(d, text, printable(path));
}

std::optional<design_fault> design_error(const tether::design& design, bool with_rows)
{
    auto problem = climber::check(design, with_rows);
    if (!problem) {
        return std::nullopt;
    }
    if (problem->name == "rowdz" && design.march.rowdz == tether::stepping{}.rowdz) {
        // A value the user never set: say so, and what to do.
        const std::string reason =
            "is not a whole multiple of dz = " + shortest(design.march.dz) + " km; set rowdz too";
        return design_fault{
            "rowdz", "", "rowdz = " + shortest(design.march.rowdz) + " km (the default) " + reason,
            reason};
    }
    const auto given = [&design](const std::string& name) {
        const tether::param* p = tether::find_param(name);
        const double v         = p != nullptr ? tether::value_of(design, *p) : tether::automatic;
        return name + " = " +
               (tether::is_automatic(v) ? "auto" : shortest(v) + unit_suffix(p->unit));
    };
    std::string message = given(problem->name);
    if (!problem->other.empty()) {
        message += " and " + given(problem->other);
    }
    return design_fault{problem->name, problem->other, message + ": " + problem->why, problem->why};
}

}  // namespace engine

namespace engine {

std::string listing(const tether::design& design)
{
    std::string out;
    std::string group;
    for (const tether::param* p = tether::params_begin(); p != tether::params_end(); ++p) {
        if (group != p->group) {
            group = p->group;
            out += (out.empty() ? "# " : "\n# ") + group + "\n";
        }
        const double v  = tether::value_of(design, *p);
        std::string set = p->name;
        set.resize(std::max<std::size_t>(set.size(), 8), ' ');
        set += " = ";
        std::string note;
        if (p->can_be_auto && tether::is_automatic(v)) {
            set += "auto";
            note = std::string("; auto: ") + p->auto_rule + " (" + shortest(p->worked_out(design)) +
                   " for this design)";
        }
        else {
            set += readable(v);
        }
        set.resize(std::max<std::size_t>(set.size(), 24), ' ');
        out += set + "  # " + p->unit + ", " + p->meaning + note + "\n";
    }
    return out;
}

}  // namespace engine
