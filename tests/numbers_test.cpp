// The explorer writes numbers with {fmt}'s shortest digits laid out as
// std::to_chars lays them out, and reads them with fast_float, in every
// build: checked here against the standard library's to_chars and
// from_chars.
#include "engine/words/numbers.hpp"

#include "exact.hpp"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace {

std::string to_chars(double v, bool fixed = false)
{
    char text[400];
    const auto r = fixed ? std::to_chars(text, text + sizeof text, v, std::chars_format::fixed)
                         : std::to_chars(text, text + sizeof text, v);
    return std::string(text, r.ptr);
}

TEST(Numbers, ShortestTextIsTheStandardLibrarys)
{
    for (double v : {0.0,
                     1.0,
                     -2.5,
                     300000.0,
                     123456.0,
                     1e-4,
                     1e-5,
                     0.0001234,
                     1e21,
                     1e22,
                     105.97027192859169,
                     2275.3355806298227,
                     0.30000000000000004,
                     5e-324,
                     1.7976931348623157e308,
                     0.1,
                     1.0 / 3,
                     27735.009811261458,
                     1e15,
                     123e-20}) {
        EXPECT_EQ(engine::shortest(v), to_chars(v)) << v;
        EXPECT_EQ(engine::shortest(-v), to_chars(-v)) << -v;
    }
    // Powers of two, where the values that read back lie unevenly about v.
    for (int k = -1074; k <= 1023; ++k) {
        const double v = std::ldexp(1.0, k);
        ASSERT_EQ(engine::shortest(v), to_chars(v)) << v;
        ASSERT_EQ(engine::shortest(std::nextafter(v, 0.0)), to_chars(std::nextafter(v, 0.0))) << v;
    }
    std::mt19937_64 gen(8122026);
    std::uniform_int_distribution<std::uint64_t> bits;
    std::uniform_real_distribution<double> unit(0, 1);
    for (int i = 0; i < 20000; ++i) {
        const std::uint64_t b = bits(gen);
        double v              = 0;
        std::memcpy(&v, &b, sizeof v);
        if (std::isfinite(v)) {
            ASSERT_EQ(engine::shortest(v), to_chars(v)) << v;
        }
        // Figures of the sizes a design has.
        const double w = unit(gen) * std::pow(10.0, static_cast<int>(unit(gen) * 24) - 8);
        ASSERT_EQ(engine::shortest(w), to_chars(w)) << w;
        if (w >= 1e-4 && w < 1e15) {
            ASSERT_EQ(engine::readable(w), to_chars(w, true)) << w;
        }
    }
}

// A binary64 of either sign whose biased exponent is drawn evenly from
// [low, high] (0 is the subnormals'), its significand's bits at random.
double drawn(std::mt19937_64& gen, int low, int high)
{
    std::uniform_int_distribution<std::uint64_t> exponent(static_cast<std::uint64_t>(low),
                                                          static_cast<std::uint64_t>(high));
    const std::uint64_t bits = (gen() & 0x800FFFFFFFFFFFFFu) | exponent(gen) << 52;
    double v                 = 0;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

// shortest_to and readable_to write what the standard library writes
// (libstdc++'s Ryu), within number_size characters.
void expect_standard_texts(double v)
{
    char text[2 * engine::number_size];
    std::memset(text, '#', sizeof text);
    char* end = engine::shortest_to(text, v);
    ASSERT_EQ(std::string(text, end), to_chars(v)) << v;
    ASSERT_LE(end - text, engine::number_size) << v;
    ASSERT_EQ(text[engine::number_size], '#') << v;
    const bool plain = std::fabs(v) >= 1e-4 && std::fabs(v) < 1e15;
    end              = engine::readable_to(text, v);
    ASSERT_EQ(std::string(text, end), to_chars(v, plain)) << v;
    ASSERT_LE(end - text, engine::number_size) << v;
}

TEST(Numbers, TextsWrittenInPlaceAreTheStandardLibrarysAcrossTheExponents)
{
    std::mt19937_64 gen(20261209);
    for (int i = 0; i < 100000; ++i) {
        // Every exponent, the subnormals' included.
        expect_standard_texts(drawn(gen, 0, 2046));
        // Those readable() writes in plain digits, 2^-14 to 2^50.
        expect_standard_texts(drawn(gen, 1023 - 14, 1023 + 50));
        // Whole numbers around 2^53, where the plain digits stop being the
        // shortest digits and zeros, and on to 10^25.
        expect_standard_texts(drawn(gen, 1023 + 45, 1023 + 84));
    }
    // Whole numbers of few digits, and their neighbours.
    for (double v = 1; v < 1e24; v *= 7) {
        for (double w : {std::floor(v), std::nextafter(std::floor(v), 0.0),
                         std::nextafter(std::floor(v), HUGE_VAL)}) {
            expect_standard_texts(w);
            expect_standard_texts(-w);
        }
    }
    for (double v : {0.0, -0.0, HUGE_VAL, -HUGE_VAL, std::numeric_limits<double>::quiet_NaN()}) {
        expect_standard_texts(v);
    }
}

TEST(Numbers, TheEndsOfPlainDigitsAreLaidOutAsTheStandardLibraryLaysThem)
{
    // readable() writes plain digits from 1e-4 up to 1e15, shortest() beyond:
    // at each end and the numbers next to it, as std::to_chars writes them.
    for (double end : {1e15, 1e-4}) {
        for (double v : {std::nextafter(end, 0.0), end, std::nextafter(end, HUGE_VAL)}) {
            for (double s : {v, -v}) {
                const bool plain = std::fabs(s) >= 1e-4 && std::fabs(s) < 1e15;
                EXPECT_EQ(engine::shortest(s), to_chars(s)) << s;
                EXPECT_EQ(engine::readable(s), to_chars(s, plain)) << s;
            }
        }
    }
    EXPECT_EQ(engine::readable(1e15), "1e+15");
    EXPECT_EQ(engine::readable(std::nextafter(1e15, HUGE_VAL)), "1000000000000000.1");
    EXPECT_EQ(engine::readable(std::nextafter(1e15, 0.0)), "999999999999999.9");
}

TEST(Numbers, ReadingAgreesWithTheStandardLibrary)
{
    for (const char* text : {"35.1", "-2", "1e-3", "1E5", "0.1", "2275.3355806298227", ".5", "5.",
                             "2.2250738585072014e-308", "1.7976931348623157e308", "0", "-0.0"}) {
        double wanted = 0;
        std::from_chars(text, text + std::strlen(text), wanted);
        ASSERT_TRUE(engine::parse_number(text)) << text;
        EXPECT_EQ(*engine::parse_number(text), wanted) << text;
    }
    for (const char* bad : {"nan", "inf", "0x10", "+1", "1e", ""}) {
        std::string why;
        EXPECT_FALSE(engine::parse_number(bad, &why)) << bad;
        EXPECT_EQ(why, "is not a finite number") << bad;
    }
    // Beyond binary64's range either way: said so, never read as inf or 0.
    for (const char* big : {"1e400", "-1e400", "1.8e308"}) {
        std::string why;
        EXPECT_FALSE(engine::parse_number(big, &why)) << big;
        EXPECT_EQ(why, "is beyond the largest number, about 1.8e308") << big;
    }
    for (const char* tiny : {"1e-400", "-1e-400", "4.9e-324", "2.2e-308", "0.00001e-305"}) {
        std::string why;
        EXPECT_FALSE(engine::parse_number(tiny, &why)) << tiny;
        EXPECT_EQ(why.substr(0, 19), "is too close to 0: ") << tiny;
    }
}

TEST(Numbers, NumbersMustBeFiniteAndNothingElse)
{
    EXPECT_BITS(*engine::parse_number("35.1"), 35.1);
    EXPECT_BITS(*engine::parse_number(" 1e-3\t"), 0.001);
    EXPECT_BITS(*engine::parse_number("-2"), -2.0);
    for (const char* bad :
         {"", " ", "abc", "nan", "inf", "-inf", "1e400", "1.5x", "1,5", "0x10", "1 2", "--1"}) {
        EXPECT_FALSE(engine::parse_number(bad)) << "'" << bad << "'";
    }
}

TEST(Numbers, ShortestTextReadsBackToTheSameBits)
{
    EXPECT_EQ(engine::shortest(105.97027192859169), "105.97027192859169");
    EXPECT_EQ(engine::shortest(2275.3355806298227), "2275.3355806298227");
    EXPECT_EQ(engine::readable(300000), "300000");
    EXPECT_EQ(engine::readable(1e-7), "1e-07");
    for (double v :
         {0.1, 1.0 / 3, 6.02214076e23, 2.2250738585072014e-308, 1.7976931348623157e308}) {
        EXPECT_BITS(*engine::parse_number(engine::shortest(v)), v);
        EXPECT_BITS(*engine::parse_number(engine::readable(v)), v);
    }
}

}  // namespace
