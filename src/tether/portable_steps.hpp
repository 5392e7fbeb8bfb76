// Boost.Odeint's controlled Runge-Kutta stepper with its step-size rule's
// pow taken from pmath: Boost's default_step_adjuster calls std::pow, whose
// last bits (and so every step after the first) differ by processor.
#pragma once

#include "tether/pmath.hpp"

#include <boost/numeric/odeint.hpp>

#include <algorithm>

namespace tether {

// Boost's default_step_adjuster (Boost 1.74, controlled_runge_kutta.hpp),
// the same arithmetic with pmath::pow, and no limit on the step.
class portable_step_adjuster
    : public boost::numeric::odeint::default_step_adjuster<double, double> {
  public:
    static double decrease_step(double dt, double error, int error_order)
    {
        return dt * std::max(9.0 / 10 * pmath::pow(error, -1.0 / (error_order - 1)), 1.0 / 5);
    }

    static double increase_step(double dt, double error, int stepper_order)
    {
        if (error < 0.5) {
            error = std::max(pmath::pow(5.0, -static_cast<double>(stepper_order)), error);
            dt *= 9.0 / 10 * pmath::pow(error, -1.0 / stepper_order);
        }
        return dt;
    }
};

// odeint::make_controlled(abs_tolerance, rel_tolerance, Stepper()) with the
// step-size rule above.
template <class Stepper> auto make_portable_controlled(double abs_tolerance, double rel_tolerance)
{
    namespace odeint = boost::numeric::odeint;
    using checker    = odeint::default_error_checker<double, typename Stepper::algebra_type,
                                                  typename Stepper::operations_type>;
    return odeint::controlled_runge_kutta<Stepper, checker, portable_step_adjuster>(
        checker(abs_tolerance, rel_tolerance), portable_step_adjuster(), Stepper());
}

}  // namespace tether
