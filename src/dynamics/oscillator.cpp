#include "dynamics/oscillator.h"

#include "dynamics/oscillator_field.h"
#include "platform/checked.h"

namespace kestavon {

double fx(double y, double z) {
  return checkedFormula([](auto a, auto b) { return field::fx(a, b); }, y, z);
}

double fy(double x, double y) {
  return checkedFormula([](auto a, auto b) { return field::fy(a, b); }, x, y);
}

double fz(double x, double z) {
  return checkedFormula([](auto a, auto b) { return field::fz(a, b); }, x, z);
}

}  // namespace kestavon
