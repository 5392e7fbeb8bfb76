// Numbers as the user writes them and as machines read them back.
#pragma once

#include <optional>
#include <string>

namespace explore {

// The text without the blanks (spaces, tabs, carriage returns) around it.
std::string trim(const std::string& s);

// The number in text (blanks around it allowed), which must be a finite
// binary64 written as digits with an optional sign, point and exponent, and
// nothing else; none otherwise.
std::optional<double> parse_number(const std::string& text);

// The shortest text that reads back as the same binary64, in fixed or
// scientific notation, whichever is shorter (fixed on a tie), as
// std::to_chars writes it.
std::string shortest(double v);

// Text that reads back as the same binary64, in plain digits where they are
// short enough to read (300000, not 3e+05).
std::string readable(double v);

}  // namespace explore
