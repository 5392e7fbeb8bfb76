// How each figure of a design answers each parameter: the derivative
// d figure / d parameter and the elasticity (parameter / figure) x derivative,
// by the integral method, for every face.
//
// How: central differences at the steps h, h/2 and h/4 (h = 2^-10 of the
// parameter's size), extrapolated twice by Richardson's rule, so that the
// error falls as h^6; the last two levels' difference is the error
// estimate. The figures are computed by the library itself at each step, so
// every term of a figure (its integrals' moving limits, the roots it is found
// from) is differentiated with it. Where a step on one side leaves the
// designs allowed (safety at its bound 1), forward (or backward) differences
// at h, h/2, h/4 and h/8 extrapolated three times instead (one-sided). A
// derivative whose estimate does not settle at h = 2^-10, 2^-14 or 2^-6 of
// the size (a figure that jumps, cap_alt where a capped stretch of the climb
// appears) is NaN, with a note.
//
// A parameter left to the program (auto) is held at its worked-out value:
// ztop = auto moves by whole km, so the derivatives are taken with ztop set to
// the top it works out, and rhog = auto is held at the material's value.
#pragma once

#include "engine/words/rows.hpp"

#include "tether/design.hpp"

#include <atomic>
#include <cstddef>
#include <string>
#include <vector>

namespace engine {

// Accuracy of the modes' periods' derivatives is relaxed to this (relative).
inline constexpr double mode_slope_accuracy = 1e-5;
// And of every other figure's.
inline constexpr double slope_accuracy = 1e-7;
// The periods are shot to about this (relative): no difference of them over
// a step can be known better than this over the step.
inline constexpr double period_noise = 1e-10;

// Whether a derivative's estimate settles: the difference of its last two
// levels (error) within the accuracy asked of it, or within what the
// figure's own error (noise, relative to the figure) over the smallest step
// allows, so that a small derivative of a figure known to fewer digits is
// judged on that figure's scale.
bool settles(double value, double error, double figure, double smallest, double accuracy,
             double noise);

struct slope {
    std::size_t figure;     // index into sensitivities::figures
    std::size_t parameter;  // index into sensitivities::params
    double derivative;      // figure's unit per parameter's unit; NaN: none
    double elasticity;      // 1; NaN where the figure or the derivative is 0 or NaN
    double error;           // the estimate of the derivative's error
    bool one_sided;         // a step to one side leaves the designs allowed
};

struct sensitivities {
    std::vector<column> figures;               // the figures, in order
    std::vector<double> values;                // their values at the design
    std::vector<const tether::param*> params;  // every parameter
    std::vector<double> at;                    // their values, auto ones worked out
    std::vector<slope> slopes;                 // figure by figure, every parameter in order
    std::vector<std::string> notes;            // held auto values, one-sided, jumps
    bool stopped = false;  // the stop request ended it: only the figures mean something
};

// The derivatives of every figure of a design (the tether's, the sums', the
// whole tether's and, where modes > 0, the first modes' periods) by every
// parameter; with names, of the figures so named alone (figure_selection's:
// the ribbon's survival figures too, not the traffic's), in that order, and
// by the parameters they read (the ribbon's too for the survival figures).
// Throws usage_error where the design cannot be computed or a name is
// refused. Ends early, stopped, once *stop (a run's
// stop request) is set.
sensitivities compute_sensitivities(const tether::design& d, unsigned modes = 0,
                                    const std::atomic<int>* stop          = nullptr,
                                    const std::vector<std::string>& names = {});

// The columns of a face's rows: figure, parameter, derivative, elasticity.
std::vector<column> sensitivity_columns();
// A row's labels (the figure's and the parameter's names) and numbers.
std::vector<std::string> slope_labels(const sensitivities& s, const slope& row);
std::vector<double> slope_numbers(const slope& row);

}  // namespace engine
