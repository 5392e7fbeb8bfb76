/*
 * Copyright (c) 2018, Arm Limited.
 * SPDX-License-Identifier: MIT
 */
#pragma once

#include <cstdint>

namespace musl::detail {

constexpr int EXP_TABLE_BITS = 7;
constexpr int EXP_POLY_ORDER = 5;
constexpr int EXP2_POLY_ORDER = 5;
struct exp_data {
	/* Fields in the order of their initializers in exp_data.cpp.  */
	double invln2N;
	double negln2hiN;
	double negln2loN;
	double shift;
	double poly[4]; /* Last four coefficients.  */
	double exp2_shift;
	double exp2_poly[EXP2_POLY_ORDER];
	std::uint64_t tab[2*(1 << EXP_TABLE_BITS)];
};
extern const exp_data exp_table;

}  // namespace musl::detail
