// Arbitrary text through the explorer's design parsing and the library's
// checks (not the march): the text as a design file, and each of its lines
// as a NAME=VALUE setting. Nothing may crash or trip a sanitizer, and a
// design that passes the checks must list and read back to itself.
#include "settings.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    explore::described d;
    try {
        std::istringstream in(text);
        explore::apply_lines(d, in, "design");
    }
    catch (const explore::usage_error&) {
    }
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        try {
            explore::apply_assignment(d, line);
        }
        catch (const explore::usage_error&) {
        }
    }
    for (bool with_rows : {false, true}) {
        if (explore::design_error(d, with_rows)) {
            return 0;
        }
    }
    const std::string list = explore::listing(d);
    explore::described back;
    std::istringstream in(list);
    explore::apply_lines(back, in, "listing");
    if (explore::listing(back) != list) {
        std::abort();
    }
    return 0;
}
