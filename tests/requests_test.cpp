// A run's requests read from texts: the draws with the text at fault named
// by its part and index, in the order a face says them, and the number of
// threads against its range.
#include "engine/run/requests.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The part and index of the text read_draws refuses, and its reason.
engine::draw_error refusal(const engine::draw_texts& t)
{
    try {
        engine::read_draws(t);
    }
    catch (const engine::draw_error& e) {
        return e;
    }
    ADD_FAILURE() << "read_draws accepted what it should refuse";
    return engine::draw_error(engine::draw_part::key, 99, engine::usage_error(""));
}

TEST(Requests, DrawsReadInOrderWithTheirCountKeyAndDesign)
{
    const engine::draw_request d = engine::read_draws(
        {{"strength=normal:35:1", " vmax = uniform:50:200"}, {"dz=0.1,0.2"}, "1e3", " 7 ", true});
    ASSERT_EQ(d.vary.size(), 2u);
    EXPECT_STREQ(d.vary[0].param->name, "strength");
    EXPECT_STREQ(d.vary[1].param->name, "vmax");
    EXPECT_EQ(d.count, 1000u);
    EXPECT_EQ(d.key, 7u);
    EXPECT_TRUE(d.saltelli);
    // Neither given: the request's own defaults.
    const engine::draw_request plain = engine::read_draws({{"strength=normal:35:1"}});
    EXPECT_EQ(plain.count, engine::draw_request{}.count);
    EXPECT_EQ(plain.key, engine::draw_request{}.key);
    EXPECT_FALSE(plain.saltelli);
}

TEST(Requests, DrawsRefusedNamingTheTextAtFault)
{
    const std::vector<std::string> vary{"strength=normal:35:1", "vmax=uniform:50:200"};
    // A bad varied text is said before a bad count or key.
    engine::draw_error e = refusal({{vary[0], "vmax=normal:1:0"}, {}, "0", "x"});
    EXPECT_EQ(e.part, engine::draw_part::vary);
    EXPECT_EQ(e.index, 1u);
    // A swept parameter names the varied text, whichever axis sweeps it.
    e = refusal({vary, {"dz=0.1,0.2", " vmax =1:2:3"}});
    EXPECT_EQ(e.part, engine::draw_part::vary);
    EXPECT_EQ(e.index, 1u);
    EXPECT_STREQ(e.what(), "vmax is swept too");
    // So does a parameter set on the base, which the draws would replace.
    engine::draw_texts set{vary};
    set.sets = {"dz=0.1", " strength = 50"};
    e        = refusal(set);
    EXPECT_EQ(e.index, 0u);
    EXPECT_EQ(std::string(e.what()).rfind("strength is set too", 0), 0u);
    e = refusal({vary, {}, "0", "x"});
    EXPECT_EQ(e.part, engine::draw_part::count);
    e = refusal({vary, {}, "10", "x"});
    EXPECT_EQ(e.part, engine::draw_part::key);
    // A count or key given empty is refused, not taken as absent.
    EXPECT_EQ(refusal({vary, {}, std::string()}).part, engine::draw_part::count);
    EXPECT_EQ(refusal({vary, {}, std::nullopt, std::string()}).part, engine::draw_part::key);
}

TEST(Requests, JobsAreWholeNumbersInRange)
{
    EXPECT_EQ(engine::parse_jobs("1"), 1u);
    EXPECT_EQ(engine::parse_jobs(" 0004 "), 4u);
    EXPECT_EQ(engine::parse_jobs(std::to_string(engine::max_jobs)), engine::max_jobs);
    const std::string range = "; give N from 1 to " + std::to_string(engine::max_jobs);
    for (const std::string& bad :
         std::vector<std::string>{"", " ", "x", "-1", "1.5", "2e3", "+3"}) {
        try {
            engine::parse_jobs(bad);
            ADD_FAILURE() << "'" << bad << "' accepted";
        }
        catch (const engine::usage_error& e) {
            EXPECT_NE(std::string(e.what()).find("is not a whole number" + range),
                      std::string::npos)
                << e.what();
        }
    }
    for (const std::string& bad : std::vector<std::string>{
             "0", "000", std::to_string(engine::max_jobs + 1), "99999", "18446744073709551617"}) {
        try {
            engine::parse_jobs(bad);
            ADD_FAILURE() << "'" << bad << "' accepted";
        }
        catch (const engine::usage_error& e) {
            EXPECT_EQ(std::string(e.what()), bad + " is out of range" + range);
        }
    }
}

}  // namespace
