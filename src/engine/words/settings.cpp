#include "engine/words/settings.hpp"

#include "climber/march.hpp"
#include "climber/study.hpp"
#include "climber/traffic.hpp"
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
        throw usage_error("unknown parameter", names::parameters);
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
            throw usage_error(where + printable(name) + " = " + printable(value), e);
        }
    }
}

void apply_file(tether::design& d, const std::string& path)
{
    if (path.empty()) {
        throw usage_error("the design file's name is empty");
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
        problem = climber::check_traffic(design.traffic, design);
    }
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

double as_given(const tether::param& p, double v)
{
    const double whole = std::nearbyint(v);
    if (!p.whole || !std::isfinite(v) || whole == v) {
        return v;
    }
    double near = whole;
    for (int k = 0; k < 4; ++k) {
        near = std::nextafter(near, v);
    }
    return std::fabs(v - whole) <= std::fabs(near - whole) ? whole : v;
}

void check_spanned(const tether::param& p, const std::string& how)
{
    if (p.whole) {
        throw usage_error(std::string(p.name) + " takes whole numbers alone, and " + how +
                          " gives it any number in a span");
    }
}

std::string balance_words(std::string text, const tether::design& design)
{
    if (!tether::has_partner(design)) {
        return text;
    }
    const std::string place = tether::balance_place(tether::compute_model(design));
    for (auto at = text.find("GEO"); at != std::string::npos; at = text.find("GEO", at)) {
        text.replace(at, 3, place);
        at += place.size();
    }
    return text;
}

std::string listing(const tether::design& design)
{
    // The design's warnings lead, as comments: the file carries them.
    std::string warnings;
    if (!design_error(design, false)) {
        for (const climber::note& n : climber::design_notes(design)) {
            warnings += "# warning: " + n.text + "\n";
        }
    }
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
            // An auto that gives no number (interval: no stream) is its rule alone.
            const double given = p->worked_out(design);
            note               = "; auto: " + balance_words(p->auto_rule, design) +
                   (std::isnan(given) ? "" : " (" + shortest(given) + " for this design)");
        }
        else {
            set += readable(v);
        }
        set.resize(std::max<std::size_t>(set.size(), 24), ' ');
        out += set + "  # " + p->unit + ", " + balance_words(p->meaning, design) + note + "\n";
    }
    return warnings.empty() ? out : warnings + "\n" + out;
}

}  // namespace engine
