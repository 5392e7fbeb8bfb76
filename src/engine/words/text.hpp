// Text for people: numbers to ten significant digits, lists of names, and
// what the user gave quoted safely in a message.
#pragma once

#include <string>
#include <vector>

namespace engine {

// v to ten significant digits as %g writes them in the POSIX locale,
// whatever the process's locale; "NaN" for any NaN.
std::string ten_digits(double v);

// The parts of text between the separators, empty ones too ("a,,b": "a",
// "", "b").
std::vector<std::string> split(const std::string& text, char sep);

// The names as "a, b or c" (last "and": "a, b and c").
std::string joined(const std::vector<std::string>& names, const std::string& last = "or");

// " UNIT" to follow a number in a message, or nothing for a pure number
// (unit "1" or "-").
std::string unit_suffix(const std::string& unit);

// Text for a message: control characters and bytes that are no part of
// valid UTF-8 as C escapes (\t, \0, \x1b, \xff), the characters that
// reorder or hide text around them (C1 controls, bidirectional marks,
// embeddings, overrides and isolates, zero-width characters, line and
// paragraph separators, the byte-order mark) as \u202e, and only the
// first 40 bytes of a longer text (a character of several kept whole),
// then "...".
std::string printable(const std::string& text);
// As printable, but '' for an empty (or blank) value, which would vanish
// from the message.
std::string printable_value(const std::string& text);
// As printable, whatever its length: for messages that quote the user.
std::string escaped(const std::string& text);

// The text as a JSON string, in quotes: '"' and '\\' escaped, control
// characters as \u00XX, the rest (UTF-8) as it is.
std::string json_string(const std::string& text);

}  // namespace engine
