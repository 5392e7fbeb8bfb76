#include "tether/field.hpp"

#include "tether/model.hpp"
#include "tether/pmath.hpp"

#include <cmath>
#include <limits>

namespace tether {

field central_field(double GM, double omega2)
{
    field f;
    f.GM     = GM;
    f.omega2 = omega2;
    return f;
}

field partner_field(double GM, double GM2, double D, double s)
{
    field f;
    f.GM     = GM;
    f.GM2    = GM2;
    f.D      = D;
    f.s      = s;
    f.omega2 = (GM + GM2) / ((D * D) * D);
    f.b      = D * (GM2 / (GM + GM2));
    return f;
}

namespace {

// |D - s r|: the distance from the partner's centre.
double from_partner(const field& f, double r)
{
    return std::fabs(f.D - f.s * r);
}

}  // namespace

double partner_lift(const field& f, double r)
{
    const double arm = r - f.s * f.b;  // from the centre of mass
    return (f.GM / r + f.GM2 / from_partner(f, r)) + ((0.5 * f.omega2) * arm) * arm;
}

double potential(const field& f, double r)
{
    return -lift(f, r);
}

double partner_outward(const field& f, double r)
{
    const double u = f.D - f.s * r;
    return (f.omega2 * (r - f.s * f.b) + f.s * (f.GM2 / (u * u))) - f.GM / (r * r);
}

field_slope outward_slope(const field& f, double r)
{
    const double body = 2 * f.GM / ((r * r) * r) + f.omega2;
    if (!f.partnered()) {
        return {body, 0};
    }
    const double u       = from_partner(f, r);
    const double partner = 2 * f.GM2 / ((u * u) * u);
    // Toward the partner |D - r| shrinks as r grows: its term rises.
    return f.s > 0 ? field_slope{body, partner} : field_slope{body + partner, 0};
}

double outward_gain(const field& f, double r0, double z)
{
    const double r    = r0 + z;
    const double body = (f.GM * z) * (r + r0) / ((r0 * r0) * (r * r)) + f.omega2 * z;
    if (!f.partnered()) {
        return body;
    }
    // s GM2 (1/u^2 - 1/w^2) with u = D - s r, w = D - s r0: w - u = s z.
    const double u = f.D - f.s * r;
    const double w = f.D - f.s * r0;
    return body + (f.GM2 * z) * (u + w) / ((u * u) * (w * w));
}

double balance_radius(const field& f)
{
    if (!f.partnered()) {
        // pow with the binary64 third, as the study has always had it.
        return pmath::pow(f.GM / f.omega2, third);
    }
    const auto F = [&f](double r) { return outward(f, r); };
    // F rises from -infinity at the body's centre; toward the partner it
    // reaches +infinity at the partner's centre, away from it as omega^2 r.
    double lo = f.D / 1048576;
    while (lo > 0 && !(F(lo) < 0)) {
        lo /= 1024;
    }
    double hi = f.s > 0 ? f.D - f.D / 1048576 : f.D;
    for (int i = 0; i < 64 && std::isfinite(hi) && !(F(hi) > 0); ++i) {
        hi = f.s > 0 ? f.D - (f.D - hi) / 1024 : hi * 1024;
    }
    if (!(lo > 0) || !(F(lo) < 0) || !std::isfinite(hi) || !(F(hi) > 0)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    // Newton's steps kept inside the bracket (a halving where a step would
    // leave it); F' > 0 throughout, so the bracket always holds the one root.
    // The standard library alone: the study's own program computes this.
    double r = lo + (hi - lo) / 2;
    for (int i = 0; i < 200; ++i) {
        const double Fr = F(r);
        if (Fr == 0) {
            return r;
        }
        (Fr < 0 ? lo : hi)  = r;
        const field_slope k = outward_slope(f, r);
        const double newton = r - Fr / (k.falling + k.rising);
        const double next   = newton > lo && newton < hi ? newton : lo + (hi - lo) / 2;
        if (next == r || std::fabs(next - r) <= 2 * std::numeric_limits<double>::epsilon() * r) {
            return next;
        }
        r = next;
    }
    return r;
}

double across_out_of_plane(const field& f, double r)
{
    const double body = f.GM / ((r * r) * r);
    if (!f.partnered()) {
        return body;
    }
    const double u = from_partner(f, r);
    return body + f.GM2 / ((u * u) * u);
}

double across_in_plane(const field& f, double r)
{
    return across_out_of_plane(f, r) - f.omega2;
}

double tide_in_plane(const field& f, double r)
{
    if (!f.partnered()) {
        return 0;
    }
    const double u = std::fabs(f.D - f.s * r);
    return f.GM2 * (1 / ((u * u) * u) + (f.D + u) / ((u * u) * (f.D * f.D)));
}

std::string balance_name(const field& f)
{
    if (!f.partnered()) {
        return "GEO";
    }
    // Between the bodies L1; beyond the smaller body L2, beyond the larger
    // L3 (of equal bodies, L2).
    if (f.s > 0) {
        return "L1";
    }
    return f.GM > f.GM2 ? "L3" : "L2";
}

}  // namespace tether
