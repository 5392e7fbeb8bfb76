// What a user may say about a design: NAME = VALUE settings, from the
// command line or from a design file, applied to a design.
#pragma once

#include "engine/words/numbers.hpp"
#include "engine/words/text.hpp"

#include "tether/design.hpp"

#include <optional>
#include <stdexcept>
#include <string>

namespace engine {

// The names a face lists for its user: where a message says a name is
// unknown, the face adds where its user finds them.
enum class names { none, parameters, figures };

// A mistake in what the user gave: the message says what is wrong, and the
// program exits with status 2.
struct usage_error : std::runtime_error {
    explicit usage_error(const std::string& what, names unknown_name = names::none)
        : std::runtime_error(what), unknown(unknown_name)
    {
    }
    // e said of where it was given: "WHERE: WHAT", the unknown name kept.
    usage_error(const std::string& where, const usage_error& e)
        : std::runtime_error(where + ": " + e.what()), unknown(e.unknown)
    {
    }
    names unknown;  // the kind of name that is unknown, if that is the mistake
};

// Sets NAME to the VALUE text: a parameter's number, "auto" where allowed,
// or a planet's name for "planet". Throws usage_error saying what is wrong
// with it; the caller says where it was given.
void apply(tether::design& d, const std::string& name, const std::string& value);

// A value that a computation gives parameter p (a log sweep's steps): for a
// parameter of whole numbers (climbers), one within 4 ulps of a whole number
// is that number (a log sweep's 10 comes out 9.999999999999998); any other
// value as it is.
double as_given(const tether::param& p, double v);

// Refuses (usage_error) parameter p, where it takes whole numbers alone, for
// a way of choosing its values that gives any number in a span (`how`: "goal
// seek", "a distribution").
void check_spanned(const tether::param& p, const std::string& how);

// Splits "NAME=VALUE" (blanks around either allowed); throws usage_error.
void apply_assignment(tether::design& d, const std::string& assignment);

// A design file that cannot be read at all: errno says why.
struct unreadable_file : usage_error {
    unreadable_file(const std::string& what, int err) : usage_error(what), error(err) {}
    int error;
};

inline constexpr std::size_t max_file_bytes = 1048576;  // a design file's length, at most
inline constexpr std::size_t max_line_bytes = 4096;     // a line's length, at most

// Applies "name = value" lines, "#" starting a comment anywhere on a line,
// in order. A UTF-8 byte-order mark may come first; CR LF line ends are
// read as LF. Errors name source:line, and lines are at most max_line_bytes.
void apply_text(tether::design& d, const std::string& text, const std::string& source);

// Reads a design file of such lines: a regular file or a pipe, at most
// max_file_bytes long. Throws unreadable_file where it cannot be read.
void apply_file(tether::design& d, const std::string& path);

// Why a design cannot be computed: the parameter at fault (and a second one
// where the two together are), and a message "NAME = VALUE UNIT: REASON" or
// "NAME = VALUE UNIT and OTHER = VALUE UNIT: REASON".
struct design_fault {
    std::string name;
    std::string other;
    std::string message;
    std::string reason;  // the message after "NAME = VALUE UNIT: "
};

// The first fault of a design that fails the library's check, or none.
std::optional<design_fault> design_error(const tether::design& d, bool with_rows);

}  // namespace engine

namespace engine {

// A parameter's words (its meaning, what auto gives) with GEO named as the
// design's balance point where it has a partner body.
std::string balance_words(std::string text, const tether::design& design);

// Every parameter as "name = value  # unit, meaning", grouped under "#"
// lines, in a form that apply_file reads back to the same design; the
// design's warnings first, as "# warning: TEXT" lines.
std::string listing(const tether::design& d);

}  // namespace engine
