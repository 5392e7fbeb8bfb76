/*
 * Copyright (c) 2018, Arm Limited.
 * SPDX-License-Identifier: MIT
 */
#pragma once

namespace musl::detail {

constexpr int LOG_TABLE_BITS = 7;
constexpr int LOG_POLY_ORDER = 6;
constexpr int LOG_POLY1_ORDER = 12;
struct log_data {
	/* Fields in the order of their initializers in log_data.cpp.  */
	double ln2hi;
	double ln2lo;
	double poly1[LOG_POLY1_ORDER - 1];
	double poly[LOG_POLY_ORDER - 1]; /* First coefficient is 1.  */
	struct {
		double invc, logc;
	} tab[1 << LOG_TABLE_BITS];
	/* Always here: the split of c that the code without fma uses.  */
	struct {
		double chi, clo;
	} tab2[1 << LOG_TABLE_BITS];
};
extern const log_data log_table;

}  // namespace musl::detail
