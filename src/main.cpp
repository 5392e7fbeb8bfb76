// tether-study: a design study of a carbon-nanotube space-elevator tether
// and of a climber that rides up it, printed as a plain-text report.
#include "climber/drive.hpp"
#include "climber/march.hpp"
#include "tether/model.hpp"
#include "tether/positions.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// A report lost to a full disk, a closed output or a reader that went away
// must not end in success. The stream remembers any failed write, so one
// check at the end covers every block.
int finish_report(std::FILE* out)
{
    errno = 0;
    if (std::fflush(out) == 0 && std::ferror(out) == 0) {
        return 0;
    }
    const int err = errno != 0 ? errno : EIO;
    std::fprintf(stderr, "tether-study: write error: %s\n", std::strerror(err));
    return 1;
}

}  // namespace

int main()
{
    const tether::model model       = tether::compute_model();
    const tether::positions pos     = tether::compute_positions(model);
    const climber::drive_params drv = climber::compute_drive_params(model);

    climber::print_drive_params(stdout, drv);
    const double total = climber::run_march(stdout, model, drv).total;
    tether::print_cnt_properties(stdout);
    tether::print_positions(stdout, model, pos);
    climber::print_mass_summary(stdout, total, pos.mapex);
    return finish_report(stdout);
}
