#include "climber/study.hpp"

namespace climber {

study compute_study(const tether::design& d)
{
    return compute_study(d, [](const drive_point&, double) {});
}

void print_report(std::FILE* out, const tether::design& d)
{
    const tether::model model       = tether::compute_model(d);
    const tether::positions pos     = tether::compute_positions(d, model);
    const climber::drive_params drv = compute_drive_params(d, model);

    print_drive_params(out, drv);
    const double total = run_march(out, model, drv, plan_march(d, model)).total;
    tether::print_cnt_properties(out, d, model);
    tether::print_positions(out, d, model, pos);
    print_mass_summary(out, total, pos.mapex);
}

}  // namespace climber
