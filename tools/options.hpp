// tether-explore's options as one table: each row's name, argument, help,
// group and how its value is read into the options. The parser and --help
// are built from it, and the manual page's check (man.tables) reads --help.
#pragma once

#include "engine/words/vocabulary.hpp"

#include <CLI/CLI.hpp>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <variant>
#include <vector>

namespace tools {

// What the command line gave, each option read by its row. The texts read
// with others or by the run (the design's, the grid's, the goal's, the
// draws', the shard's) are kept as given: tools/request.hpp reads them.
struct options {
    std::string config, planet;
    std::vector<std::string> sets, sweeps, figures, vary;
    engine::format format  = engine::formats().front().value;
    climber::method method = engine::methods().front().value;
    unsigned job_count     = 0;  // 0: every processor this process may use
    unsigned mode_count    = 0;  // the oscillation modes asked for, 1 to engine::max_modes
    std::string shard, solve, goal, samples, seed, key, where;
    bool list = false, report = false, ascent = false, swing = false, load = false, quiet = false,
         shapes  = false;
    bool summary = false, indices = false, sensitivity = false;
    std::set<std::string> given;  // the names of the options given
    bool has(const std::string& name) const
    {
        return given.count(name) > 0;
    }
    // Whether the option NAME asks for something: a flag given, a text, a
    // list or a number not empty.
    bool holds(const std::string& name) const;
    // The first of the options that holds, or empty.
    std::string first_set(const std::vector<std::string>& names) const;
};

// How a row reads its values into the options: what it takes on the command
// line, what reading each value does (a mistake in it is said after the
// option's name), whether the options then hold it, and the values it
// takes where they are a list.
struct reader {
    enum class takes { flag, one, each } shape;
    std::function<void(options&, const std::string&)> read;
    std::function<bool(const options&)> holds;
    std::vector<std::string> choices = {};
};

// A flag that sets f.
reader flag(bool options::*f);
// A text kept as given in f; choices, where given, are the texts allowed.
reader text(std::string options::*f, std::vector<std::string> choices = {});
// Each value given added to f, in order.
reader each(std::vector<std::string> options::*f);
// A number read by `parse` into f (0: not given).
reader number(unsigned options::*f, unsigned (*parse)(const std::string&));
// One of the names of an engine's table, its value in f.
template <class T> reader pick(T options::*f, const std::vector<engine::named<T>>& table)
{
    std::vector<std::string> names;
    names.reserve(table.size());
    for (const engine::named<T>& n : table) {
        names.emplace_back(n.name);
    }
    return {
        reader::takes::one,
        [f, &table](options& o, const std::string& v) { o.*f = *engine::named_value(table, v); },
        [](const options&) { return true; }, names};
}

struct option_row {
    std::string name;      // "--set"
    std::string argument;  // "NAME=VALUE"; empty for a flag
    std::string help;
    std::string group;
    reader reads;
    char delimiter                    = 0;   // splits an argument into several values
    std::vector<std::string> excludes = {};  // options it cannot be given with
};

// The rows, in the order their values are read.
const std::vector<option_row>& option_table();

// The command line's parser: option_table()'s rows in app, with --help and
// --version, and their texts as given.
class parser {
  public:
    explicit parser(CLI::App& app);
    parser(const parser&)            = delete;
    parser& operator=(const parser&) = delete;
    // After app.parse: refuses an option of one value given more than once,
    // then reads each row's values, in the table's order.
    options read() const;

    // An option's text as given: a flag's, one value's or a list's.
    using given = std::variant<bool, std::string, std::vector<std::string>>;

  private:
    CLI::App& app_;
    std::map<std::string, given> texts_;  // by the options' names
};

}  // namespace tools
