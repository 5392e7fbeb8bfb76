// Designs read from settings and design files, their listing, and the
// faults the check finds, each naming the parameter at fault.
#include "engine/words/settings.hpp"

#include "climber/drive.hpp"
#include "climber/march.hpp"
#include "tether/positions.hpp"

#include "exact.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>

#include <unistd.h>

namespace {

// Writes text to a temporary design file and returns its path.
std::string design_file(const std::string& text)
{
    char path[]  = "/tmp/tether-design-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) {
        throw std::runtime_error("mkstemp failed");
    }
    close(fd);
    std::ofstream(path) << text;
    return path;
}

std::string error_of(void (*act)(tether::design&, const std::string&), const std::string& text)
{
    tether::design d;
    try {
        act(d, text);
    }
    catch (const engine::usage_error& e) {
        return e.what();
    }
    return "no error";
}
TEST(Settings, SettingsNameTheirMistake)
{
    EXPECT_EQ(error_of(engine::apply_assignment, "strength=abc"), "not a finite number");
    EXPECT_EQ(error_of(engine::apply_assignment, "ztop=nan"), "not a finite number or auto");
    EXPECT_EQ(error_of(engine::apply_assignment, "vmax=auto"), "not a finite number");
    EXPECT_EQ(error_of(engine::apply_assignment, "colour=1"), "unknown parameter");
    EXPECT_EQ(error_of(engine::apply_assignment, "strength"), "expected NAME=VALUE");
    EXPECT_EQ(error_of(engine::apply_assignment, "planet=venus"),
              "unknown planet; known: earth, mars, moon-l1, moon-l2");
    EXPECT_EQ(error_of(engine::apply_assignment, " strength = 50 "), "no error");
}

TEST(Settings, DesignFileLinesApplyInOrderAndErrorsNameFileAndLine)
{
    const std::string path = design_file("# a stronger fibre on Mars\n"
                                         "strength = 50   # GPa\n"
                                         "\n"
                                         "planet = mars\n"
                                         "strength = 60\n"
                                         "ztop = auto # 19 km below GEO\n");
    tether::design d;
    engine::apply_file(d, path);
    EXPECT_BITS(d.tether.strength, 60.0);
    EXPECT_BITS(d.planet.RE, 3396.2);
    EXPECT_TRUE(tether::is_automatic(d.march.ztop));
    std::remove(path.c_str());

    const struct {
        const char* text;
        const char* wanted;  // after "FILE:"
    } bad[] = {
        {"strength = 50\nvmax = fast\n", "2: vmax = fast: not a finite number"},
        {"strength 50\n", "1: expected 'name = value', found 'strength 50'"},
        {"# ok\nlength = 3\n", "2: length = 3: unknown parameter"},
        {"planet = venus # no\n",
         "1: planet = venus: unknown planet; known: earth, mars, moon-l1, moon-l2"},
        {"dz =\n", "1: dz = : not a finite number"},
        // Hostile files: raw control characters and long values never reach a
        // terminal as they are; a line past the limit is refused unread.
        {"vmax = \x1b[31m\n", "1: vmax = \\x1b[31m: not a finite number"},
        {"vmax\t= 1\x01\n", "1: vmax = 1\\x01: not a finite number"},
        {"vmax = 12345678901234567890123456789012345678901234567890x\n",
         "1: vmax = 1234567890123456789012345678901234567890...: not a finite number"},
        {"\n\n#\n", ""},
    };
    for (const auto& b : bad) {
        const std::string file = design_file(b.text);
        EXPECT_EQ(error_of(engine::apply_file, file),
                  *b.wanted != 0 ? file + ":" + b.wanted : "no error");
        std::remove(file.c_str());
    }
    const std::string long_line = design_file("vmax = 1\n# " + std::string(4095, 'x') + "\n");
    EXPECT_EQ(error_of(engine::apply_file, long_line),
              long_line + ":2: line longer than 4096 bytes");
    std::remove(long_line.c_str());
    const std::string long_file = design_file(std::string(1048577, '\n'));
    EXPECT_EQ(error_of(engine::apply_file, long_file),
              long_file + ": longer than 1 MiB; a design file is a few lines");
    std::remove(long_file.c_str());
    EXPECT_EQ(error_of(engine::apply_file, "/nonexistent/design"),
              "/nonexistent/design: cannot read the design file: No such file or directory");
    EXPECT_EQ(error_of(engine::apply_file, "/tmp"),
              "/tmp: cannot read the design file: Is a directory");
    EXPECT_EQ(error_of(engine::apply_file, "/dev/zero"),
              "/dev/zero: cannot read the design file: not a regular file or a pipe");
    EXPECT_EQ(error_of(engine::apply_file, ""), "the design file's name is empty");
}

// A face adds where its user finds the names a message says are unknown:
// the kind of name survives the file and line put before the message.
TEST(Settings, UnknownNamesKeepTheirKind)
{
    const std::string file = design_file("length = 3\n");
    tether::design d;
    try {
        engine::apply_file(d, file);
        ADD_FAILURE() << "length was taken";
    }
    catch (const engine::usage_error& e) {
        EXPECT_EQ(e.unknown, engine::names::parameters) << e.what();
    }
    std::remove(file.c_str());
    try {
        engine::apply_assignment(d, "strength=abc");
    }
    catch (const engine::usage_error& e) {
        EXPECT_EQ(e.unknown, engine::names::none) << e.what();
    }
}

// A design file of the given length in bytes, setting vmax = 7, its other
// lines comments of at most 100 bytes.
std::string padded_design(std::size_t length)
{
    std::string text = "vmax = 7\n";
    while (text.size() + 100 < length) {
        text += "#" + std::string(98, '-') + "\n";
    }
    text += "#" + std::string(length - text.size() - 2, '-') + "\n";
    return text;
}

TEST(Settings, DesignFilesAndLinesAreReadUpToTheirLimitsExactly)
{
    // A file of exactly 1 MiB is read; one byte more is refused.
    const std::string text = padded_design(engine::max_file_bytes);
    ASSERT_EQ(text.size(), 1048576u);
    std::string path = design_file(text);
    tether::design d;
    engine::apply_file(d, path);
    EXPECT_BITS(d.climber.vmax, 7.0);
    std::remove(path.c_str());
    path = design_file(padded_design(engine::max_file_bytes + 1));
    EXPECT_EQ(error_of(engine::apply_file, path),
              path + ": longer than 1 MiB; a design file is a few lines");
    std::remove(path.c_str());

    // A line of exactly 4096 bytes is read, with either line end, or none;
    // 4097 are refused.
    for (const char* end : {"\n", "\r\n", ""}) {
        for (std::size_t length : {engine::max_line_bytes, engine::max_line_bytes + 1}) {
            const std::string line = "vmax = 8" + std::string(length - 8, ' ');
            path            = design_file("# first\n" + line + end + (*end != 0 ? "dz = 2\n" : ""));
            const bool fits = length <= 4096;
            EXPECT_EQ(error_of(engine::apply_file, path),
                      fits ? "no error" : path + ":2: line longer than 4096 bytes")
                << length << " bytes and '" << engine::printable(end) << "'";
            std::remove(path.c_str());
        }
    }
}

TEST(Settings, DesignFilesWithCrLfEndsOrAByteOrderMarkReadAsPlainOnes)
{
    for (const char* text :
         {"strength = 50\r\nvmax = 20\r\n", "\xEF\xBB\xBFstrength = 50\nvmax = 20\n",
          "\xEF\xBB\xBFstrength=50\r\n# note\r\nvmax=20"}) {
        const std::string path = design_file(text);
        tether::design d;
        engine::apply_file(d, path);
        EXPECT_BITS(d.tether.strength, 50.0);
        EXPECT_BITS(d.climber.vmax, 20.0);
        std::remove(path.c_str());
    }
}

TEST(Settings, ListingReadsBackToTheSameDesign)
{
    tether::design d;
    engine::apply_assignment(d, "strength=1e-1");
    engine::apply_assignment(d, "rapex=42200");
    engine::apply_assignment(d, "rhog=auto");
    engine::apply_assignment(d, "dz=0.1");
    engine::apply_assignment(d, "mclimb=1234.5678901234567");
    const std::string list = engine::listing(d);
    EXPECT_NE(list.find("ztop     = auto"), std::string::npos) << list;
    EXPECT_NE(list.find("rhog     = auto"), std::string::npos) << list;
    EXPECT_EQ(list.substr(0, 9), "# planet\n") << list;
    EXPECT_EQ(list.find("\nplanet"), std::string::npos) << "a heading, not a setting: " << list;

    const std::string path = design_file(list);
    tether::design back;
    engine::apply_file(back, path);
    std::remove(path.c_str());
    EXPECT_EQ(engine::listing(back), list);
    // A design's warnings lead its listing, as comments that read back.
    engine::apply_assignment(back, "rhog=0.02");
    const std::string warned = engine::listing(back);
    EXPECT_EQ(warned.rfind("# warning: rhog = 0.02 kg/m is", 0), 0u) << warned;
    tether::design again;
    engine::apply_text(again, warned, "listing");
    EXPECT_EQ(engine::listing(again), warned);
}

TEST(Settings, RhogAutoFollowsTheMaterial)
{
    tether::design d;
    engine::apply_assignment(d, "rhog=auto");
    const auto rhog = [&d] { return tether::surface_density(d, tether::compute_model(d)); };
    EXPECT_NEAR(rhog(), 0.013583, 0.0000005);
    // Twice as dense and twice as strong: the same taper, twice the mass.
    engine::apply_assignment(d, "density=2600");
    engine::apply_assignment(d, "strength=70.2");
    EXPECT_NEAR(rhog(), 2 * 0.013583, 0.000001);
    // The drive and the march take it too.
    const tether::model m = tether::compute_model(d);
    EXPECT_BITS(climber::compute_drive_params(d, m).rhog, rhog());
    EXPECT_BITS(climber::plan_march(d, m).dm0, d.march.dz * rhog());
    engine::apply_assignment(d, "rhog=0.02");
    EXPECT_BITS(rhog(), 0.02);
}

TEST(Settings, DesignErrorsGiveNameValueAndReason)
{
    tether::design d;
    EXPECT_FALSE(engine::design_error(d, true));
    engine::apply_assignment(d, "rapex=40000");
    EXPECT_EQ(engine::design_error(d, false)->name, "rapex");
    EXPECT_EQ(engine::design_error(d, false)->message,
              "rapex = 40000 km: must be greater than the geostationary radius, 42164.16962 km");
    d = tether::design{};
    // A planet whose geostationary orbit is only 10 km up.
    engine::apply_assignment(d, "planet=mars");
    const double omega2 = tether::compute_model(d).omega2;
    engine::apply_assignment(d, "GM=" + engine::shortest(std::pow(3406.2, 3) * omega2));
    EXPECT_EQ(engine::design_error(d, false)->message.substr(0, 25), "ztop = auto: auto gives -");
}

TEST(Settings, FaultsOfAnAutoRhogNameTheMaterial)
{
    // rhog = auto follows the material; a fault it causes is the material's.
    tether::design d;
    engine::apply_assignment(d, "rhog=auto");
    engine::apply_assignment(d, "csgeo=1e-300");
    const auto fault = engine::design_error(d, false);
    ASSERT_TRUE(fault);
    EXPECT_NE(fault->name, "rhog") << fault->message;
    EXPECT_NE(fault->other, "rhog") << fault->message;
    EXPECT_NE(fault->message.find("rhog = auto"), std::string::npos) << fault->message;
}

}  // namespace
