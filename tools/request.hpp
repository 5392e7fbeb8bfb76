// What tether-explore's options ask for, read from them and checked
// together: the options that go together and those that do not, the design,
// and the run with its shard. Every mistake is said in the options' words.
#pragma once

#include "options.hpp"

#include "engine/run/run.hpp"
#include "engine/words/settings.hpp"

#include "tether/design.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace tools {

// f(), a mistake in it said of where it was given: "WHERE: WHAT".
template <class F> auto given_in(const std::string& where, F&& f)
{
    try {
        return f();
    }
    catch (const engine::usage_error& e) {
        throw engine::usage_error(where, e);
    }
}

// What the options ask for.
enum class asked {
    sensitivity,  // one design's derivatives
    draws,        // a run of draws: each draw's row, a summary or the indices
    figures,      // a run of designs: the grid's, or one design's figures or goal
    one_design,   // one design's list, report, ascent, load or modes
};

struct request {
    asked what;
    tether::design design;                                // the base design
    std::optional<engine::run> run = {};                  // of draws or figures
    std::pair<std::uint64_t, std::uint64_t> shard{1, 1};  // K of N
};

// Reads what the options ask for: refuses the options that do not go
// together (beyond the option table's exclusions), then reads the design and
// the run. Throws usage_error.
request request_of(const options& o);

}  // namespace tools
