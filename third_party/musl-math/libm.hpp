// What the functions here use of musl's src/internal/libm.h and of its
// src/math/__math_*.c, in C++: bit casts by memcpy instead of unions, inline
// functions instead of macros, double instead of double_t, no names with
// double underscores. See README.md.
#pragma once

#include <cstdint>
#include <cstring>

namespace musl::detail {

// Support non-nearest rounding mode.
constexpr bool want_rounding = true;

inline std::uint64_t asuint64(double f)
{
    std::uint64_t i;
    std::memcpy(&i, &f, sizeof i);
    return i;
}

inline double asdouble(std::uint64_t i)
{
    double f;
    std::memcpy(&f, &i, sizeof f);
    return f;
}

inline std::uint32_t high_word(double d) { return static_cast<std::uint32_t>(asuint64(d) >> 32); }

inline std::uint32_t low_word(double d) { return static_cast<std::uint32_t>(asuint64(d)); }

// Helps static branch prediction so hot path can be better optimized.
inline bool predict_false(bool x) { return __builtin_expect(x, 0); }

inline double eval_as_double(double x) { return x; }

// fp_barrier returns its input, but limits code transformations as if it
// had a side-effect (e.g. observable io) and returned an arbitrary value.
inline double fp_barrier(double x)
{
    volatile double y = x;
    return y;
}

// fp_force_eval ensures that the input value is computed when that's
// otherwise unused (for its floating-point exceptions alone).
template <class T> inline void fp_force_eval(T x)
{
    volatile T y;
    y = x;
    static_cast<void>(y);
}

// Error handling (musl's __math_xflow and the others).
inline double math_xflow(std::uint32_t sign, double y)
{
    return eval_as_double(fp_barrier(sign ? -y : y) * y);
}
inline double math_oflow(std::uint32_t sign) { return math_xflow(sign, 0x1p769); }
inline double math_uflow(std::uint32_t sign) { return math_xflow(sign, 0x1p-767); }
inline double math_invalid(double x) { return (x - x) / (x - x); }
inline double math_divzero(std::uint32_t sign) { return fp_barrier(sign ? -1.0 : 1.0) / 0.0; }

// The kernels of sin and cos (musl's __rem_pio2, __rem_pio2_large, __sin,
// __cos).
int rem_pio2(double x, double* y);
int rem_pio2_large(const double* x, double* y, int e0, int nx, int prec);
double kernel_sin(double x, double y, int iy);
double kernel_cos(double x, double y);

}  // namespace musl::detail
