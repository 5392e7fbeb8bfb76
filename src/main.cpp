// tether-study: a design study of a carbon-nanotube space-elevator tether
// and of a climber that rides up it, printed as a plain-text report.
#include "climber/drive.hpp"
#include "climber/march.hpp"
#include "tether/model.hpp"
#include "tether/positions.hpp"

#include <cstdio>

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
    return 0;
}
