// What both programs do with standard output at the end: make sure that
// everything written reached it.
#pragma once

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace tools {

// Checks that everything written to out reached it. On failure prints
// "PROGRAM: write error: REASON" on standard error and returns 1, else 0.
inline int finish_output(std::FILE* out, const char* program)
{
    // The stream remembers any failed write, so one check at the end covers
    // every piece of the output.
    errno = 0;
    if (std::fflush(out) == 0 && std::ferror(out) == 0) {
        return 0;
    }
    const int err = errno != 0 ? errno : EIO;
    std::fprintf(stderr, "%s: write error: %s\n", program, std::strerror(err));
    return 1;
}

}  // namespace tools
