#include "dynamics/oscillator.h"

#include "dynamics/oscillator_field.h"
#include "platform/fp_check.h"

namespace kestavon {

namespace {

template <double (*formula)(double, double) noexcept>
double checked(double a, double b) {
  clearFpFaults();
  fpFence(a, b);
  double result = formula(a, b);
  fpFence(result);
  checkFpFaults();
  return result;
}

}  // namespace

double fx(double y, double z) { return checked<field::fx>(y, z); }
double fy(double x, double y) { return checked<field::fy>(x, y); }
double fz(double x, double z) { return checked<field::fz>(x, z); }

}  // namespace kestavon
