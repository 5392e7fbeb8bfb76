// The flux models written out anew from their sources in long double with
// the C library's functions, and the debris band by Simpson's rule.
#pragma once

#include <cmath>

namespace reference {

// Grün et al. 1985 (ECSS-E-ST-10-04C): meteoroids of at least m g, /m^2/yr.
inline long double grun(long double m)
{
    return 3.15576e7L * (std::pow(2.2e3L * std::pow(m, 0.306L) + 15, -4.38L) +
                         1.3e-9L * std::pow(m + 1e11L * m * m + 1e27L * std::pow(m, 4.0L), -0.36L) +
                         1.3e-16L * std::pow(m + 1e6L * m * m, -0.85L));
}

// NASA-90 (Kessler et al. 1991): objects of at least d cm, /m^2/yr, at h km.
inline long double nasa90(long double d, long double h, long double t, long double s)
{
    const long double x = (std::log10(d) - 0.78L) / 0.637L;
    const long double g1 =
        t < 2011 ? std::pow(1.02L, t - 1988) : std::pow(1.02L, 23.0L) * std::pow(1.04L, t - 2011);
    const long double p = std::pow(10.0L, h / 200 - s / 140 - 1.5L);
    return std::sqrt(std::pow(10.0L, std::exp(-x * x))) *
           (1.22e-5L * std::pow(d, -2.5L) * g1 +
            8.1e10L * std::pow(d + 700, -6.0L) * (1 + 0.05L * (t - 1988))) *
           p / (p + 1);
}

// NASA-90's altitude factor over 200-2000 km, by Simpson's rule on 7200 panels.
inline long double band(long double s)
{
    long double sum = 0;
    for (int i = 0; i <= 7200; ++i) {
        const long double p = std::pow(10.0L, (200 + i * 0.25L) / 200 - s / 140 - 1.5L);
        sum += (i == 0 || i == 7200 ? 1 : i % 2 == 1 ? 4 : 2) * p / (p + 1);
    }
    return sum * 0.25L / 3;
}

}  // namespace reference
