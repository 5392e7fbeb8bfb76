/*
 * Copyright (c) 2018, Arm Limited.
 * SPDX-License-Identifier: MIT
 */
#pragma once

namespace musl::detail {

constexpr int POW_LOG_TABLE_BITS = 7;
constexpr int POW_LOG_POLY_ORDER = 8;
struct pow_log_data {
	double ln2hi;
	double ln2lo;
	double poly[POW_LOG_POLY_ORDER - 1]; /* First coefficient is 1.  */
	/* Note: the pad field is unused, but allows slightly faster indexing.  */
	struct {
		double invc, pad, logc, logctail;
	} tab[1 << POW_LOG_TABLE_BITS];
};
extern const pow_log_data pow_log_table;

}  // namespace musl::detail
