#include "dynamics/oscillator.h"

#include "dynamics/oscillator_field.h"
#include "platform/checked.h"
#include "platform/fp_environment.h"

namespace kestavon {

// Each holds the default floating-point environment: its check needs rounding to nearest.
double fx(double y, double z) {
  const DefaultFpEnvironment environment;
  return checkedFormula([](auto a, auto b) { return field::fx(a, b); }, y, z);
}

double fy(double x, double y) {
  const DefaultFpEnvironment environment;
  return checkedFormula([](auto a, auto b) { return field::fy(a, b); }, x, y);
}

double fz(double x, double z) {
  const DefaultFpEnvironment environment;
  return checkedFormula([](auto a, auto b) { return field::fz(a, b); }, x, z);
}

}  // namespace kestavon
