// Computes many designs on several threads and writes their rows in order.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace explore {

// The processors this process may run on (as a batch scheduler limits
// them), at least 1.
unsigned available_cpus();

// From now on SIGINT and SIGTERM stop write_rows after its last complete
// row.
void stop_on_signals();

struct run_settings {
    unsigned jobs = 1;      // threads that compute rows
    bool progress = false;  // a progress line on standard error, kept up to date
};

// Writes row(i) for every i in [begin, end) to out, in order, computing them
// on jobs threads; at most a few rows per thread wait to be written, however
// many there are. Returns 0 when all were written, 1 on a write error (which
// the caller reports). When stop_on_signals is in force and a signal comes,
// writes the rows that are complete, says on standard error how many of how
// many were written, and ends the program with status 128 + the signal.
int write_rows(std::FILE* out, std::uint64_t begin, std::uint64_t end,
               const std::function<std::string(std::uint64_t)>& row, const run_settings& s);

}  // namespace explore
