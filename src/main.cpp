// tether-study: a design study of a carbon-nanotube space-elevator tether
// and of a climber that rides up it, printed as a plain-text report.
#include "climber/drive.hpp"
#include "tether/model.hpp"
#include "tether/positions.hpp"

#include <cstdio>

int main()
{
    const tether::model model         = tether::compute_model();
    const tether::positions pos       = tether::compute_positions(model);
    const climber::drive_params drive = climber::compute_drive_params(model);

    climber::print_drive_params(stdout, drive);

    tether::print_cnt_properties(stdout);
    tether::print_positions(stdout, model, pos);
    return 0;
}
