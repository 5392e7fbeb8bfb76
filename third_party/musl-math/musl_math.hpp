// musl's double-precision exp, log, pow, sin, cos, atan and atan2 as C++
// (see README.md): the same bits on every processor and compiler, with no
// choice of code by processor and no fused multiply-add.
#pragma once

namespace musl {

double exp(double x);
double log(double x);
double pow(double x, double y);
double sin(double x);
double cos(double x);
double atan(double x);
double atan2(double y, double x);

}  // namespace musl
