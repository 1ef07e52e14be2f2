// The fault checks on formulas of their own: each fault named from values, a fault that leads to
// another named as the first, and what is no fault passed through unchanged.
// tests/plot/formula_faults_test.cpp holds every formula of the program to the status flags.

#include "dynamics/checked.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>

#include "platform/run_time_error.h"
#include "support/named_case.h"
#include "support/raises_fault.h"

namespace kestavon {
namespace {

using testing_support::raisesFault;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kMax = std::numeric_limits<double>::max();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

constexpr auto productMinusHalf = [](auto p, auto q) { return p * q - p * 0.5; };
constexpr auto quotient = [](auto p, auto q) { return p / q; };
constexpr auto differenceOfProducts = [](auto p, auto q) { return p * q - q * p; };
// Two results from a float and a double: the float halved in single precision.
constexpr auto halfAndSum = [](auto f, auto d) {
  const auto half = f / 2;
  return std::array{half + d, d - half};
};

struct FaultCase : testing_support::NamedCase {
  double (*evaluate)(double, double);
  double a, b;
  RunTimeFault expected;
};

class CheckedFaultTest : public testing::TestWithParam<FaultCase> {};

TEST_P(CheckedFaultTest, RaisesTheNamedFault) {
  const FaultCase& c = GetParam();
  EXPECT_TRUE(raisesFault([&] { c.evaluate(c.a, c.b); }, c.expected));
}

double productFormula(double a, double b) { return checked<productMinusHalf>(a, b); }
double quotientFormula(double a, double b) { return checked<quotient>(a, b); }
double differenceFormula(double a, double b) { return checked<differenceOfProducts>(a, b); }
double floatFormula(double a, double b) { return checked<halfAndSum>(static_cast<float>(a), b)[1]; }
double cosineCall(double a, double) {
  return checkedCall([](double x) { return std::cos(x); }, a);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, CheckedFaultTest,
    testing::Values(
        FaultCase{{"overflow"}, productFormula, kMax, 4, RunTimeFault::Overflow},
        // 0 * inf is invalid; no infinity was made by an overflow before it.
        FaultCase{{"zero_times_inf"}, productFormula, 0, kInf, RunTimeFault::InvalidOperation},
        // inf - inf after two overflows: the overflow, which caused it, is named.
        FaultCase{
            {"overflow_then_inf_minus_inf"}, differenceFormula, kMax, 2, RunTimeFault::Overflow},
        FaultCase{{"division_by_zero"}, quotientFormula, -1, 0, RunTimeFault::DivisionByZero},
        FaultCase{{"zero_by_zero"}, quotientFormula, 0, 0, RunTimeFault::InvalidOperation},
        FaultCase{{"inf_by_inf"}, quotientFormula, kInf, -kInf, RunTimeFault::InvalidOperation},
        // A quotient beyond the range from a divisor that is not zero.
        FaultCase{{"quotient_overflow"}, quotientFormula, kMax, 0.5, RunTimeFault::Overflow},
        // The float's half is widened before it meets the double.
        FaultCase{{"float_meets_double"}, floatFormula, kInf, kInf, RunTimeFault::InvalidOperation},
        FaultCase{{"cos_of_inf"}, cosineCall, kInf, 0, RunTimeFault::InvalidOperation},
        FaultCase{{"cos_of_minus_inf"}, cosineCall, -kInf, 0, RunTimeFault::InvalidOperation}),
    testing_support::caseName);

TEST(CheckedTest, HarmlessResultsPassUnchanged) {
  // Underflow and inexact results are not faults; neither is arithmetic that carries an infinite
  // or NaN input through without an invalid operation.
  EXPECT_EQ(productFormula(1e-300, 1e-300), -5e-301);  // 1e-600 underflows to 0
  EXPECT_EQ(productFormula(3, 1.0 / 3), -0.5);         // 3 * (1/3) rounds to exactly 1
  EXPECT_TRUE(std::isnan(productFormula(kNaN, 1)));
  EXPECT_EQ(quotientFormula(kInf, 2), kInf);
  EXPECT_EQ(quotientFormula(1, kInf), 0);
  EXPECT_EQ(floatFormula(kInf, 1), -kInf);
  EXPECT_TRUE(std::isnan(cosineCall(kNaN, 0)));
  EXPECT_EQ(cosineCall(0, 0), 1);
}

}  // namespace
}  // namespace kestavon
