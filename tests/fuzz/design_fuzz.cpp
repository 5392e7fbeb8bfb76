// Arbitrary text through the explorer's design parsing and the library's
// checks (not the march): the text as a design file, and each of its lines
// as a NAME=VALUE setting. Nothing may crash or trip a sanitizer, and a
// design that passes the checks must list and read back to itself.
#include "engine/words/settings.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    tether::design d;
    try {
        engine::apply_text(d, text, "design");
    }
    catch (const engine::usage_error&) {
    }
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        try {
            engine::apply_assignment(d, line);
        }
        catch (const engine::usage_error&) {
        }
    }
    for (bool with_rows : {false, true}) {
        if (engine::design_error(d, with_rows)) {
            return 0;
        }
    }
    const std::string list = engine::listing(d);
    tether::design back;
    engine::apply_text(back, list, "listing");
    if (engine::listing(back) != list) {
        std::abort();
    }
    return 0;
}
