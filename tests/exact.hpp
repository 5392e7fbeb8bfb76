// Bit-exact comparison of binary64 values. On failure both values are shown
// with 17 significant digits and in hexadecimal, so a one-ulp difference is
// visible.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>

inline ::testing::AssertionResult exact_eq(const char* actual_expr, const char* wanted_expr,
                                           double actual, double wanted)
{
    if (actual == wanted) {
        return ::testing::AssertionSuccess();
    }
    char text[256];
    std::snprintf(text, sizeof text, "%s is %.17g (%a),\nwanted %s = %.17g (%a)", actual_expr,
                  actual, actual, wanted_expr, wanted, wanted);
    return ::testing::AssertionFailure() << text;
}

#define EXPECT_BITS(actual, wanted) EXPECT_PRED_FORMAT2(exact_eq, actual, wanted)
