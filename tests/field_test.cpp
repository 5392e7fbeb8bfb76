// The field along the tether: with no partner every figure as before, bit
// for bit; with one, its balance points against the collinear Lagrange
// equation solved here, its potential and acceleration against the three
// terms written out in the barycentre's frame, and the lunar ribbon's
// figures against what its material and the Moon's gravity give.
#include "climber/figures.hpp"
#include "climber/study.hpp"
#include "tether/field.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

using tether::design;

// The Moon and the Earth, as the presets have them.
constexpr double GM_moon  = 4902.800066;
constexpr double GM_earth = 398600.4418;
constexpr double D_moon   = 384400;

std::uint64_t bits(double v)
{
    std::uint64_t b = 0;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

std::vector<double> every_figure(const design& d)
{
    climber::figures_request r;
    r.how                           = climber::method::integral;
    r.modes                         = 2;
    const climber::design_figures f = climber::compute_figures(d, r);
    std::vector<double> out{f.model.rgeo,          f.model.omega,       f.model.taper_re,
                            f.model.taper_apex,    f.positions.gre,     f.positions.aapex,
                            f.positions.mapex,     f.positions.mre,     f.sums.total,
                            f.sums.time,           f.sums.cap_alt,      f.whole.lower_mass,
                            f.whole.upper_mass,    f.whole.orbit_alt,   f.whole.escape_alt,
                            f.whole.apex_vinf,     f.whole.uniform_top, f.modes.in_plane.at(0),
                            f.modes.in_plane.at(1)};
    const climber::study march = climber::compute_study(d);
    out.push_back(march.sums.time);
    out.push_back(march.sums.total);
    return out;
}

TEST(Field, NoPartnerKeepsEveryFigureBitForBitWhateverItsDistanceAndSide)
{
    for (const char* name : {"earth", "mars"}) {
        design d;
        d.planet                        = *tether::planet_named(name);
        d.march.dz                      = 4;
        const std::vector<double> plain = every_figure(d);
        for (const double side : {1.0, -1.0, 0.0, 7.0}) {
            design other                  = d;
            other.planet.partner_distance = side == 0 ? 0 : 1000 * side;
            other.planet.partner_RE       = -side;
            other.planet.partner_side     = side;
            ASSERT_FALSE(tether::check(other)) << name << " side " << side;
            const std::vector<double> same = every_figure(other);
            for (std::size_t i = 0; i < plain.size(); ++i) {
                EXPECT_EQ(bits(same[i]), bits(plain[i])) << name << ", figure " << i;
            }
        }
    }
}

// The barycentre at the origin, the Earth at -D GM / (GM + GM2) and the Moon
// at D GM2 / (GM + GM2) on the x axis; x a point on the line.
struct bary {
    double omega2 = (GM_moon + GM_earth) / (D_moon * D_moon * D_moon);
    double xe     = -D_moon * GM_moon / (GM_moon + GM_earth);
    double xm     = D_moon * GM_earth / (GM_moon + GM_earth);

    // Acceleration along +x in the turning frame, km/s^2.
    double accel(double x) const
    {
        const double de = x - xe;
        const double dm = x - xm;
        return -GM_earth * de / std::fabs(de * de * de) - GM_moon * dm / std::fabs(dm * dm * dm) +
               omega2 * x;
    }
    // Potential per kg in the turning frame, MJ/kg.
    double potential(double x) const
    {
        return -GM_earth / std::fabs(x - xe) - GM_moon / std::fabs(x - xm) - omega2 * x * x / 2;
    }
    // The collinear Lagrange point between a and b (accel changes sign), by
    // halving.
    double lagrange(double a, double b) const
    {
        const bool rising = accel(a) < 0;
        for (int i = 0; i < 200; ++i) {
            const double mid                     = a + (b - a) / 2;
            ((accel(mid) < 0) == rising ? a : b) = mid;
        }
        return a + (b - a) / 2;
    }
};

TEST(Field, BalancePointsAreTheCollinearLagrangePoints)
{
    const bary e;
    // L1 between the bodies, L2 beyond the Moon.
    const double l1 = e.xm - e.lagrange(e.xe + 7000, e.xm - 2000);
    const double l2 = e.lagrange(e.xm + 2000, 2 * D_moon) - e.xm;
    for (const auto& [side, want] : {std::pair{1.0, l1}, std::pair{-1.0, l2}}) {
        const tether::field f = tether::partner_field(GM_moon, GM_earth, D_moon, side);
        const double r        = tether::balance_radius(f);
        EXPECT_NEAR(r, want, 1e-9 * want) << "side " << side;
        EXPECT_LT(tether::outward(f, r * (1 - 1e-9)), 0);
        EXPECT_GT(tether::outward(f, r * (1 + 1e-9)), 0);
        EXPECT_EQ(tether::balance_name(f), side > 0 ? "L1" : "L2");
    }
    // On the Earth away from the Moon: L3, beyond the larger body.
    const tether::field far = tether::partner_field(GM_earth, GM_moon, D_moon, -1);
    EXPECT_NEAR(tether::balance_radius(far), e.xe - e.lagrange(-2 * D_moon, e.xe - 7000), 1e-3);
    EXPECT_EQ(tether::balance_name(far), "L3");
    const double RE = 1738.1;
    EXPECT_NEAR(l1 - RE, 56000, 1000);  // above the near side
    EXPECT_GT(l2 - RE, 60000);          // above the far side
    EXPECT_LT(l2 - RE, 65000);
}

TEST(Field, PotentialAndAccelerationAreTheThreeTermsAndOneTheOthersSlope)
{
    const bary e;
    for (const double side : {1.0, -1.0}) {
        const tether::field f = tether::partner_field(GM_moon, GM_earth, D_moon, side);
        for (const double r : {1738.1, 10000.0, 58000.0, 64000.0, 150000.0, 300000.0}) {
            // Toward the Earth x falls from the Moon's centre.
            const double x = e.xm - side * r;
            const double E = e.potential(x);
            const double F = -side * e.accel(x);  // outward: away from the Moon
            // The sizes of the terms, which set the rounding of their sum.
            const double u     = D_moon - side * r;
            const double scale = GM_moon / (r * r) + GM_earth / (u * u) + e.omega2 * std::fabs(x);
            EXPECT_NEAR(tether::potential(f, r), E, 1e-13 * std::fabs(E)) << side << " " << r;
            EXPECT_NEAR(tether::outward(f, r), F, 1e-13 * scale) << side << " " << r;
            // E' = -F, by a central difference.
            const double h = 1e-5 * r;
            const double slope =
                (tether::potential(f, r + h) - tether::potential(f, r - h)) / (2 * h);
            EXPECT_NEAR(slope, -tether::outward(f, r), 1e-7 * scale) << side << " " << r;
            // F' by a central difference, and the gain against the difference.
            const tether::field_slope k = tether::outward_slope(f, r);
            const double dF = (tether::outward(f, r + h) - tether::outward(f, r - h)) / (2 * h);
            EXPECT_NEAR(k.falling + k.rising, dF, 1e-6 * dF) << side << " " << r;
            const double gain = tether::outward(f, r + 500) - tether::outward(f, r);
            EXPECT_NEAR(tether::outward_gain(f, r, 500), gain, 1e-9 * gain);
        }
    }
}

// The M5 ribbon hung from the Moon through L1, its cross-section at the
// surface 0.69 mm^2.
design lunar_ribbon(const char* preset = "moon-l1")
{
    design d;
    d.planet          = *tether::planet_named(preset);
    d.tether.strength = 5.7;
    d.tether.density  = 1700;
    d.tether.safety   = 2;
    d.tether.rapex    = 150000;
    d.tether.rhog     = tether::automatic;
    d.climber.mclimb  = 580;
    d.climber.fextra  = 600;
    d.climber.vmax    = 30;
    d.tether.csgeo    = 1;
    d.tether.csgeo    = 0.69 / tether::compute_model(d).taper_re;
    return d;
}

TEST(Field, TheLunarRibbonTapersFivefoldAndHoldsTwoKilonewtonsAtTheSurface)
{
    const design d = lunar_ribbon();
    ASSERT_FALSE(climber::check(d, false));
    const tether::model m     = tether::compute_model(d);
    const tether::positions p = tether::compute_positions(d, m);
    // The locked day: the Moon's orbit in this circular model.
    EXPECT_NEAR(2 * tether::PI / m.omega / 86400, 27.2846, 1e-4);
    EXPECT_NEAR(1 / m.taper_re, 5.0, 0.05);
    EXPECT_NEAR(p.cs_re, 0.69, 1e-12);
    // The load at the surface: working stress x 0.69 mm^2, and the mass whose
    // weight there it is.
    const double load = tether::working_stress(d.tether) * 0.69 * 1000;  // GPa mm^2 = kN
    EXPECT_NEAR(load, 1970, 10);
    EXPECT_NEAR(p.mre * 1000 * (p.gre * 1000), load, 1e-9 * load);
    // The Moon's surface gravity less the Earth's tide and the slow turn.
    EXPECT_NEAR(p.gre * 1000, GM_moon / (1738.1 * 1738.1) * 1000, 0.001);
    // The counterweight's pull is the tension at the top.
    EXPECT_NEAR(p.mapex * 1000 * p.aapex * 1000,
                tether::working_stress(d.tether) * p.cs_apex * 1000, 1e-9 * p.mapex * 1e6);
}

TEST(Field, TheMarchAndTheIntegralsAgreeOnEitherSide)
{
    for (const char* preset : {"moon-l1", "moon-l2"}) {
        for (const double vmax : {3.0, 30.0, 1e3}) {
            design d                        = lunar_ribbon(preset);
            d.climber.vmax                  = vmax;
            d.march.dz                      = 0.5;
            const climber::study march      = climber::compute_study(d);
            const climber::design_figures i = climber::compute_study_integral(d);
            ASSERT_FALSE(i.missed()) << preset << " " << vmax;
            EXPECT_NEAR(i.sums.time, march.sums.time, 2e-3 * march.sums.time)
                << preset << " " << vmax;
            EXPECT_NEAR(i.sums.total, march.sums.total, 1e-4 * march.sums.total) << preset;
            // The cap's start within a step of the march's first capped point.
            if (std::isnan(march.sums.cap_alt)) {
                EXPECT_TRUE(std::isnan(i.sums.cap_alt)) << preset << " " << vmax;
            }
            else {
                EXPECT_NEAR(i.sums.cap_alt, march.sums.cap_alt, d.march.dz)
                    << preset << " " << vmax;
            }
        }
    }
}

TEST(Field, TheWholeTetherSplitsAtTheBalancePointAndLeavesTheReleaseFiguresEmpty)
{
    const design d = lunar_ribbon();
    climber::figures_request r;
    r.how                           = climber::method::integral;
    r.modes                         = 1;
    const climber::design_figures f = climber::compute_figures(d, r);
    // The mass to L1 by the climber's integral to the top of the march plus
    // the 19 km or so above it, at most the cross-section at L1.
    const double above = f.model.rgeo - f.model.RE - climber::top_of_march(d, f.model);
    const double at_l1 = d.tether.density * d.tether.csgeo / 1e6;  // t/km
    EXPECT_GT(f.whole.lower_mass, f.sums.total);
    EXPECT_LT(f.whole.lower_mass, f.sums.total + above * at_l1 * (1 + 1e-9));
    for (const double v :
         {f.whole.orbit_alt, f.whole.escape_alt, f.whole.apex_speed, f.whole.apex_vinf}) {
        EXPECT_TRUE(std::isnan(v));
    }
    const std::vector<climber::note> notes = climber::field_notes(f, r);
    ASSERT_EQ(notes.size(), 1U);
    EXPECT_NE(notes[0].text.find("both bodies"), std::string::npos);
    // The one-cross-section figures follow E: the top of a uniform tether is
    // where E returns to its surface value.
    const double top = f.model.RE + f.whole.uniform_top;
    EXPECT_NEAR(tether::effpot(f.model, top), f.model.vre, 1e-9 * f.model.vre);
    // Inside a partner this large no tether reaches that top: empty, a note.
    design big                       = d;
    big.planet.partner_RE            = 100000;
    const climber::design_figures in = climber::compute_figures(big, r);
    EXPECT_TRUE(std::isnan(in.whole.uniform_top));
    EXPECT_DOUBLE_EQ(in.whole.top_in_partner, top - (f.model.fld.D - 100000));
    EXPECT_EQ(climber::field_notes(in, r).back().concerns, "uniform_top");
    // Out of plane the stiffness is the in-plane one plus omega^2 all along.
    ASSERT_FALSE(f.modes.missed);
    EXPECT_EQ(f.modes.lambda2_out[0], f.modes.lambda2_in[0] + f.model.omega2);
}

TEST(Field, BadPartnersAreRefusedNamingTheParameter)
{
    struct bad {
        const char* name;
        void (*change)(design&);
        const char* words;
    };
    const bad cases[] = {
        {"partner_GM", [](design& d) { d.planet.partner_GM = -1; }, "negative"},
        {"partner_side", [](design& d) { d.planet.partner_side = 0.5; }, "+1"},
        {"partner_distance", [](design& d) { d.planet.partner_distance = 1738.1 + 6378; },
         "overlap"},
        {"partner_RE", [](design& d) { d.planet.partner_RE = 0; }, "greater than 0"},
        {"tsid", [](design& d) { d.planet.tsid = 86400; }, "tsid = auto"},
        {"rapex", [](design& d) { d.tether.rapex = 50000; }, "balance point (L1)"},
        {"rapex", [](design& d) { d.tether.rapex = 384400 - 6378; }, "surface"},
        {"partner_RE", [](design& d) { d.planet.partner_RE = 340000; }, "(L1), 58019"},
        {"partner_GM", [](design& d) { d.planet.partner_GM = 1e-300; }, "precision"},
        {"RE", [](design& d) { d.planet.RE = 60000; }, "balance point (L1)"},
    };
    for (const bad& c : cases) {
        design d = lunar_ribbon();
        c.change(d);
        const auto p = tether::check(d);
        ASSERT_TRUE(p) << c.name;
        EXPECT_EQ(p->name, c.name);
        EXPECT_NE(p->why.find(c.words), std::string::npos) << p->why;
    }
    // No partner: tsid must be a number.
    design d;
    d.planet.tsid = tether::automatic;
    const auto p  = tether::check(d);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->name, "tsid");
    // The top of the march below L2, in its words.
    design high     = lunar_ribbon("moon-l2");
    high.march.ztop = 70000;
    const auto top  = climber::check(high, false);
    ASSERT_TRUE(top);
    EXPECT_EQ(top->name, "ztop");
    EXPECT_NE(top->why.find("balance point (L2)"), std::string::npos) << top->why;
}

}  // namespace
