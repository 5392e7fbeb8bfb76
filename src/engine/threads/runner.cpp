#include "engine/threads/runner.hpp"

#include <fmt/format.h>

#include <sched.h>

namespace engine {

unsigned available_cpus()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0) {
        return static_cast<unsigned>(std::max(1, CPU_COUNT(&set)));
    }
    return std::max(1u, std::thread::hardware_concurrency());
}

std::string threads_text(const run_result& r)
{
    if (r.threads >= r.wanted) {
        return "";
    }
    return fmt::format("the rows were computed on {} of the {} threads asked for: the system had "
                       "no memory or no threads for the others",
                       r.threads, r.wanted);
}

}  // namespace engine
