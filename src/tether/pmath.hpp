// The elementary functions that the figures use, from one portable source
// (musl's, in third_party/musl-math) in every build: the C library's exp
// and its kin differ in last bits by processor (glibc runs FMA variants
// where the processor has them) and by platform (Emscripten's are
// musl's), so the programs, the Python module and the web page would
// otherwise print different last digits for the same design. sqrt, fabs,
// fmin, fmax, ldexp and floor are exact in every C library and stay std::.
#pragma once

#include "musl_math.hpp"

namespace tether::pmath {

using musl::atan;
using musl::atan2;
using musl::cos;
using musl::exp;
using musl::log;
using musl::pow;
using musl::sin;

}  // namespace tether::pmath
