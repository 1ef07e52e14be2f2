#include "dynamics/oscillator.h"

#include "dynamics/checked.h"
#include "platform/fp_environment.h"

namespace kestavon {

// Each holds the default floating-point environment: its check needs rounding to nearest.
double fx(double y, double z) {
  const DefaultFpEnvironment environment;
  return checked<field::fx>(y, z);
}

double fy(double x, double y) {
  const DefaultFpEnvironment environment;
  return checked<field::fy>(x, y);
}

double fz(double x, double z) {
  const DefaultFpEnvironment environment;
  return checked<field::fz>(x, z);
}

}  // namespace kestavon
