// Numbers as the user writes them and as machines read them back.
#pragma once

#include <optional>
#include <string>

namespace engine {

// The text without the blanks (spaces, tabs, carriage returns) around it.
std::string trim(const std::string& s);

// What parse_number says of text that is no number at all.
inline constexpr const char* not_a_number = "is not a finite number";

// The number in text (blanks around it allowed), which must be a binary64
// written as digits with an optional sign, point and exponent, and nothing
// else, whose magnitude is 0 or within the normal range of binary64. None
// otherwise; then, where why is given, it says what is wrong with the text
// ("is beyond the largest number, about 1.8e308").
std::optional<double> parse_number(const std::string& text, std::string* why = nullptr);

// The shortest text that reads back as the same binary64, in fixed or
// scientific notation, whichever is shorter (fixed on a tie), laid out as
// std::to_chars lays it out.
std::string shortest(double v);

// Text that reads back as the same binary64, in plain digits where they are
// short enough to read (300000, not 3e+05).
std::string readable(double v);

// Room for any text of shortest() or readable(): a sign, and at most 17
// digits, a point and an exponent or "0.000" and 17 digits.
inline constexpr int number_size = 32;

// shortest(v) and readable(v) written at out, which has room for
// number_size characters, without allocating; the text's end returned.
char* shortest_to(char* out, double v);
char* readable_to(char* out, double v);

}  // namespace engine
