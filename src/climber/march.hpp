// The ascent march: the climber stepped from the surface to just below GEO,
// a row of the ascent table every rowdz, and the sums of time and mass.
//
// Definitions
//   dz     step between march points, km; point i is at altitude i * dz
//   ztop   highest march point, km; by default 19 km below GEO, rounded down
//   every  a table row at every this many points (rowdz / dz)
//   dtfac  hours to climb one step at 1 m/s
//   dm0    tether mass of one step at the surface cross-section, t
//   time   travel time summed over the march points, h
//   total  tether mass summed over the march points, t
#pragma once

#include "climber/drive.hpp"
#include "tether/design.hpp"
#include "tether/model.hpp"
#include "tether/positions.hpp"

#include <atomic>
#include <cstdint>
#include <limits>

namespace climber {

// Where the march goes, worked out from a design.
struct march_plan {
    double dz;            // step, km
    double ztop;          // highest point, km
    std::int64_t points;  // march points 0, dz, 2 dz, ... up to ztop
    std::int64_t every;   // a row at every this many points, at least 1
    double dtfac;         // h per step at 1 m/s
    double dm0;           // t per step at unit taper

    // Rows of the ascent table: one at every every-th point from the first.
    std::int64_t rows() const
    {
        return (points + every - 1) / every;
    }
};

using tether::top_of_march;

march_plan plan_march(const tether::design& d, const tether::model& m);

// The march's sums after its last point.
struct march_sums {
    double time;     // travel time, h
    double total;    // tether mass from the surface to the top point, t
    double cap_alt;  // lowest march point where the top speed caps the speed, km; NaN if none
    bool stopped;    // the march was stopped before its end: the sums mean nothing
};

// Marches from 0 to ztop and calls row(point, time) at every row's point,
// after the point has added to both sums. Every 65536 points it asks
// stopped(); once that is true it returns at once, its sums marked stopped.
template <bool Partner, class Row, class Stopped>
march_sums march_in(const tether::model& m, const drive_params& d, const march_plan& plan,
                    Row&& row, Stopped&& stopped)
{
    march_sums s{0, 0, std::numeric_limits<double>::quiet_NaN(), false};
    bool capped            = false;
    std::int64_t until_row = 0;
    for (std::int64_t i = 0; i < plan.points; ++i) {
        if ((i & 0xffff) == 0 && stopped()) {
            s.stopped = true;
            break;
        }
        // i * dz, not repeated addition: no drift for any step.
        const drive_point p = drive_in<Partner>(m, d, static_cast<double>(i) * plan.dz);
        // Left-endpoint sums in this order; the row shows the point's own step.
        s.total = s.total + plan.dm0 * p.taper;
        s.time  = plan.dtfac / p.speed + s.time;
        if (!capped && p.speed == d.vmax && p.power / p.weight > d.vmax) {
            capped    = true;
            s.cap_alt = p.alt;
        }
        if (until_row == 0) {
            row(p, s.time);
            until_row = plan.every;
        }
        --until_row;
    }
    return s;
}

template <class Row, class Stopped>
march_sums march_until(const tether::model& m, const drive_params& d, const march_plan& plan,
                       Row&& row, Stopped&& stopped)
{
    // The field chosen once, not at every point.
    if (m.fld.partnered()) {
        return march_in<true>(m, d, plan, row, stopped);
    }
    return march_in<false>(m, d, plan, row, stopped);
}

// The same, ending early once *stop (a run's own stop request, set by
// another thread or a signal handler) is not 0.
template <class Row>
march_sums march(const tether::model& m, const drive_params& d, const march_plan& plan, Row&& row,
                 const std::atomic<int>* stop = nullptr)
{
    return march_until(m, d, plan, row, [stop] {
        return stop != nullptr && stop->load(std::memory_order_relaxed) != 0;
    });
}

}  // namespace climber
