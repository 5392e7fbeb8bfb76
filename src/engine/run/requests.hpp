// A run's requests read from a face's texts: the draws (the varied
// parameters, their number and key) and the number of threads. The errors
// say what is wrong and which text is at fault; the face says where the
// user gave it.
#pragma once

#include "engine/run/run.hpp"
#include "engine/words/settings.hpp"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace engine {

// The texts of a run of draws.
struct draw_texts {
    std::vector<std::string> vary    = {};  // "NAME=DIST" each
    std::vector<std::string> axes    = {};  // the grid's "NAME=..." texts, where there are any
    std::optional<std::string> count = {};  // the number of draws (none: the default)
    std::optional<std::string> key   = {};  // the key (none: the default)
    bool saltelli                    = false;
    std::vector<std::string> sets    = {};  // the "NAME=VALUE" texts set on the base design
};

// The text of a draw_texts at fault.
enum class draw_part { vary, count, key };

struct draw_error : usage_error {
    draw_error(draw_part at, std::size_t i, const usage_error& e)
        : usage_error(e.what(), e.unknown), part(at), index(i)
    {
    }
    draw_part part;
    std::size_t index;  // of the varied text at fault
};

// Reads the draws: each varied parameter (one that is also an axis of the
// grid or set on the base is refused: "NAME is swept too", "NAME is set
// too"), then the count and the key.
// Throws draw_error.
draw_request read_draws(const draw_texts& t);

// The most threads a run may be given.
inline constexpr unsigned max_jobs = 4096;

// A number of threads: a whole number in digits, 1 to max_jobs. Throws
// usage_error.
unsigned parse_jobs(const std::string& text);

}  // namespace engine
