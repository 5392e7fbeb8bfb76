// The climb as a function of time: the altitude of a climber hours after it
// left the foot, and the time it takes to reach an altitude, from the time
// integral's stretches.
#pragma once

#include "climber/integral.hpp"

#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <utility>
#include <vector>

namespace climber {

// A climber's altitude against the time since it left the foot, built once
// per design from the time integral's stretches: the capped ones at vmax,
// the others in panels on which the pace 1 / speed is a Chebyshev series
// whose last coefficients are below 1e-13 of its mean, with the time its
// integral. Altitudes to about 1e-12 relative.
class climb_profile {
  public:
    climb_profile(const tether::model& m, const drive_params& d, double ztop,
                  const integral_settings& s = {});

    // The time to the top of the march, h; NaN where the climb could not
    // be followed (the search for the cap's changes or the panels reached
    // their limits).
    double climb_time() const
    {
        return time_;
    }
    double ztop() const
    {
        return ztop_;
    }
    // The altitude (km) of a climber t hours after it left the foot: 0 at
    // t <= 0, ztop at t >= climb_time. `hint`, where given, is the panel
    // to look from and is left at the panel found: ascending times are
    // followed in one pass.
    double altitude_at(double t, std::size_t* hint = nullptr) const;
    // The time (h) a climber takes from the foot to altitude z (km).
    double time_to(double z) const;
    // The altitudes of climbers that left 0, interval, 2 interval, ...
    // hours ago, count of them, each as altitude_at gives it, visited in
    // that order in one walk along the panels.
    template <class Visit> void at_departures(double interval, double count, Visit&& visit) const;
    // A cheaper altitude at t, for estimates: linear between the ends of
    // an uncapped panel, where altitude_at solves for it.
    double rough_altitude_at(double t, std::size_t& hint) const;

    static constexpr std::size_t degree = 16;  // of the pace's series on a panel

  private:
    struct panel {
        double a;                             // km
        double b;                             // km
        double t0;                            // time at a, h
        double t1;                            // time at b, h
        bool capped;                          // at vmax throughout
        std::array<double, degree + 1> pace;  // h/km, Chebyshev (Boost's convention: c0 halved)
        std::array<double, degree + 2> time;  // h per half-width, its integral from a
    };
    std::vector<panel> panels_;
    double vmax_ = 0;
    double ztop_ = 0;
    double time_ = std::numeric_limits<double>::quiet_NaN();

    bool add_uncapped(const tether::model& m, const drive_params& d, const climb_stretch& st,
                      const integral_settings& s);
    double offset_in(const panel& p, double z) const;
    std::size_t panel_at(double t, std::size_t from) const;
    double solve_in(const panel& p, double dt) const;
    static std::pair<double, double> time_and_pace(const panel& p, double x);
};

template <class Visit>
inline void climb_profile::at_departures(double interval, double count, Visit&& visit) const
{
    std::size_t i = 0;
    for (double j = 0; j < count; ++j) {
        const double t = j * interval;
        if (!std::isfinite(time_)) {
            visit(std::numeric_limits<double>::quiet_NaN());
        }
        else if (!(t > 0)) {
            visit(0.0);
        }
        else if (t >= time_) {
            visit(ztop_);
        }
        else {
            i = panel_at(t, i);
            visit(solve_in(panels_[i], t - panels_[i].t0));
        }
    }
}

}  // namespace climber
