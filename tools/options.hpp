// tether-explore's options as one table: each row's name, argument, help,
// group and the field it sets. The parser and --help are built from it, and
// the manual page's check (man.tables) reads --help.
#pragma once

#include "engine/words/vocabulary.hpp"

#include <CLI/CLI.hpp>

#include <set>
#include <string>
#include <variant>
#include <vector>

namespace tools {

// What the command line gave, as text: each face's reading of it follows.
struct options {
    std::vector<std::string> sets, sweeps, figures, vary;
    std::string config, planet, shard, jobs, modes, solve, goal, samples, seed, key, where;
    std::string format = engine::formats().front().name;
    std::string method = engine::methods().front().name;
    bool list = false, report = false, ascent = false, load = false, quiet = false, shapes = false;
    bool summary = false, indices = false, sensitivity = false;
    std::set<std::string> given;  // the names of the options given
    bool has(const std::string& name) const
    {
        return given.count(name) > 0;
    }
    // Whether the option NAME sets its field: a flag given, a text or a list not
    // empty.
    bool holds(const std::string& name) const;
    // The first of the options that sets its field, or empty.
    std::string first_set(const std::vector<std::string>& names) const;
};

using field =
    std::variant<bool options::*, std::string options::*, std::vector<std::string> options::*>;

struct option_row {
    std::string name;      // "--set"
    std::string argument;  // "NAME=VALUE"; empty for a flag
    std::string help;
    std::string group;
    field sets;
    std::vector<std::string> choices  = {};  // the values it takes
    char delimiter                    = 0;   // splits an argument into several values
    std::vector<std::string> excludes = {};  // options it cannot be given with
};

const std::vector<option_row>& option_table();

// Builds the parser of option_table() into o, with --help and --version.
void add_options(CLI::App& app, options& o);

// After parsing: refuses an option of one value given more than once, and
// notes in o.given the options given.
void check_given(const CLI::App& app, options& o);

}  // namespace tools
