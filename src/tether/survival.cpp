#include "tether/survival.hpp"

#include "tether/pmath.hpp"

#include <cmath>
#include <limits>
#include <string>

namespace tether {

namespace {

constexpr double nan        = std::numeric_limits<double>::quiet_NaN();
constexpr double ln10       = 2.302585092994045684;
constexpr double year       = 3.15576e7;  // s, a Julian year
constexpr double density    = 2.5;        // g/cm^3, a meteoroid's
constexpr double first_year = 1988;       // NASA-90's epoch

// The ranges the models were fitted to: Grün's masses (g), NASA-90's
// diameters (cm).
constexpr double grun_least   = 1e-18;
constexpr double grun_most    = 1;
constexpr double nasa90_least = 1e-3;
constexpr double nasa90_most  = 100;

double log10(double x)
{
    return pmath::log(x) / ln10;
}

// ln(1 + x), accurate where x is small.
double log_1p(double x)
{
    const double u = 1 + x;
    return u == 1 ? x : pmath::log(u) * x / (u - 1);
}

// NASA-90's altitude factor's Phi_1.
double phi1(double h, double s)
{
    return pmath::pow(10.0, h / 200 - s / 140 - 1.5);
}

// NASA-90's flux without its altitude factor: H(d) [F1(d) g1(t) + F2(d) g2(t)].
double size_flux(double d, double t)
{
    const double x  = (log10(d) - 0.78) / 0.637;
    const double h  = std::sqrt(pmath::pow(10.0, pmath::exp(-(x * x))));
    const double f1 = 1.22e-5 * pmath::pow(d, -2.5);
    const double f2 = 8.1e10 * pmath::pow(d + 700, -6.0);
    const double g1 = t < 2011 ? pmath::pow(1.02, t - first_year)
                               : pmath::pow(1.02, 23.0) * pmath::pow(1.04, t - 2011);
    const double g2 = 1 + 0.05 * (t - first_year);
    return h * (f1 * g1 + f2 * g2);
}

// Whether the body is the Earth: GM and RE within 0.1 % of the preset's, and
// no partner.
bool is_earth(const design& d)
{
    const planet e = earth();
    return !has_partner(d) && std::fabs(d.planet.GM - e.GM) <= 1e-3 * e.GM &&
           std::fabs(d.planet.RE - e.RE) <= 1e-3 * e.RE;
}

}  // namespace

double meteoroid_flux(double m)
{
    const double f1 = pmath::pow(2.2e3 * pmath::pow(m, 0.306) + 15, -4.38);
    const double f2 = 1.3e-9 * pmath::pow(m + 1e11 * m * m + 1e27 * (m * m) * (m * m), -0.36);
    const double f3 = 1.3e-16 * pmath::pow(m + 1e6 * m * m, -0.85);
    return year * (f1 + f2 + f3);
}

double meteoroid_mass(double d)
{
    const double cm = d / 10;
    return density * PI / 6 * cm * cm * cm;
}

double debris_flux(double d, double h, double t, double s)
{
    const double p = phi1(h, s);
    return size_flux(d, t) * p / (p + 1);
}

double debris_band(double s)
{
    return 200 / ln10 * (log_1p(phi1(band_high, s)) - log_1p(phi1(band_low, s)));
}

survival no_survival()
{
    return {nan, nan, nan, nan, nan, nan};
}

survival compute_survival(const design& d, const model& m)
{
    const ribbon& r = d.ribbon;
    survival out    = no_survival();
    out.width       = r.width;
    out.csgeo       = d.tether.csgeo;
    out.cutting     = r.cut * r.width;
    out.mass        = meteoroid_mass(out.cutting);
    out.earth       = is_earth(d);
    out.computed    = true;
    // Widths in mm times lengths in km: m^2.
    out.meteoroid_cuts = 2 * r.width * (m.rapex - m.RE) * meteoroid_flux(out.mass);
    if (out.earth) {
        const double across = 2 * r.width * debris_band(r.solar_flux);
        const double size   = out.cutting / 10;  // cm
        const double large  = size_flux(tracked, r.debris_year);
        out.debris_cuts     = across * size_flux(size, r.debris_year);
        out.dodges          = across * large;
        out.untracked_cuts =
            size < tracked ? across * (size_flux(size, r.debris_year) - large) : 0.0;
    }
    const double debris  = out.earth ? out.debris_cuts : 0.0;
    const double dodged  = out.earth ? out.untracked_cuts : 0.0;
    out.survival         = pmath::exp(-(debris + out.meteoroid_cuts));
    out.survival_dodging = pmath::exp(-(dodged + out.meteoroid_cuts));
    return out;
}

void survival_notes(const survival& s, std::vector<note>& out)
{
    if (!s.computed) {
        return;
    }
    if (s.csgeo > s.width * s.width) {
        out.push_back({note_kind::thick_ribbon,
                       "width = " + message_number(s.width, 6) +
                           " mm: the ribbon would be thicker than wide where its cross-section "
                           "exceeds width^2 = " +
                           message_number(s.width * s.width, 6) +
                           " mm^2 (csgeo = " + message_number(s.csgeo, 6) +
                           " mm^2), and the flat-ribbon model of the cuts does not fit there",
                       "width"});
    }
    if (!s.earth) {
        out.push_back({note_kind::no_debris,
                       "debris_cuts, untracked_cuts and dodges are empty: the debris model is the "
                       "Earth's, and the body is not the Earth (GM and RE within 0.1 % of the "
                       "earth preset's, no partner); survival and survival_dodging count the "
                       "meteoroids alone",
                       "debris_cuts"});
    }
    if (!(s.mass >= grun_least && s.mass <= grun_most)) {
        out.push_back({note_kind::meteoroids_extrapolated,
                       "meteoroid_cuts: a meteoroid that cuts the ribbon (cut x width = " +
                           message_number(s.cutting, 6) + " mm across, " +
                           message_number(s.mass, 6) +
                           " g) lies beyond the masses Grün's flux was fitted to (" +
                           compact_number(grun_least) + " to " + compact_number(grun_most) +
                           " g): its flux is an extrapolation",
                       "meteoroid_cuts"});
    }
    const double size = s.cutting / 10;
    if (s.earth && !(size >= nasa90_least && size <= nasa90_most)) {
        out.push_back({note_kind::debris_extrapolated,
                       "debris_cuts: an object that cuts the ribbon (cut x width = " +
                           message_number(size, 6) +
                           " cm across) lies beyond the sizes NASA-90 was fitted to (" +
                           compact_number(nasa90_least) + " to " + compact_number(nasa90_most) +
                           " cm): its flux is an extrapolation",
                       "debris_cuts"});
    }
}

}  // namespace tether
