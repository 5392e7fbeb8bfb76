// The tables a face builds its forms and lists from, as plain values: the
// parameters with the study's values, the preset planets with what each
// sets, and the figures with the methods that compute each.
#pragma once

#include "engine/words/rows.hpp"

#include <string>
#include <utility>
#include <vector>

namespace engine {

struct parameter_row {
    std::string group;
    std::string name;
    std::string unit;
    std::string meaning;
    std::string value;  // the study's, as readable() writes it, or "auto"
    bool can_be_auto = false;
    std::string auto_rule;  // what auto gives, where it is allowed
};
std::vector<parameter_row> parameter_rows();

// A planet's preset: the parameters it sets (its planet's members), in the
// parameter table's order, each with its value as parameter_row's.
struct preset {
    std::string name;
    std::vector<std::pair<std::string, std::string>> values;
};
std::vector<preset> presets();

// A headline figure (figure_columns(0, true): those shown only by name too)
// and the names of the methods that compute it.
struct figure_row {
    column figure;
    std::vector<std::string> methods;
    bool named = false;  // given only where asked for by name, never by default
};
std::vector<figure_row> figure_rows();

}  // namespace engine
