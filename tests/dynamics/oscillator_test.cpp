#include "dynamics/oscillator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "platform/run_time_error.h"
#include "support/bit_exact.h"
#include "support/fp_settings.h"
#include "support/named_case.h"
#include "support/raises_fault.h"

namespace kestavon {
namespace {

using testing_support::bitIdentical;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kMax = std::numeric_limits<double>::max();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

enum class Function { Fx, Fy, Fz };

double call(Function f, double a, double b) {
  switch (f) {
    case Function::Fx:
      return fx(a, b);
    case Function::Fy:
      return fy(a, b);
    case Function::Fz:
      return fz(a, b);
  }
  return 0;
}

struct ValueCase : testing_support::NamedCase {
  Function function;
  double a, b;
  double expected;
};

class OscillatorValueTest : public testing::TestWithParam<ValueCase> {};

TEST_P(OscillatorValueTest, GivesTheExactValue) {
  const ValueCase& c = GetParam();
  EXPECT_TRUE(bitIdentical(call(c.function, c.a, c.b), c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Values, OscillatorValueTest,
    testing::Values(ValueCase{{"fx_1_2"}, Function::Fx, 1, 2, -3},
                    ValueCase{{"fx_zero_is_negative_zero"}, Function::Fx, 0, 0, -0.0},
                    // 1.4 as the order rounds it.
                    ValueCase{{"fy_1_2"}, Function::Fy, 1, 2, 2 * 0.2 + 1},
                    ValueCase{{"fy_y_zero_gives_x"}, Function::Fy, 0.7123456789, 0, 0.7123456789},
                    ValueCase{{"fz_x_is_5_7"}, Function::Fz, 5.7, 3, 0.2},
                    ValueCase{{"fz_origin"}, Function::Fz, 0, 0, 0.2},
                    // Arguments in their positions: fz subtracts 5.7 from its first argument.
                    ValueCase{{"fz_argument_order"}, Function::Fz, 1, 2, (1 - 5.7) * 2 + 0.2},
                    ValueCase{{"fx_inf_passes"}, Function::Fx, kInf, 1, -kInf},
                    ValueCase{{"fz_inf_passes"}, Function::Fz, kInf, 1, kInf}),
    testing_support::caseName);

TEST(OscillatorTest, FyOfOneAndTwoIsOnePointFour) { EXPECT_DOUBLE_EQ(fy(1, 2), 1.4); }

TEST(OscillatorTest, QuietNaNPassesWithoutError) {
  EXPECT_TRUE(std::isnan(fx(kNaN, 1)));
  EXPECT_TRUE(std::isnan(fy(1, kNaN)));
  EXPECT_TRUE(std::isnan(fz(kNaN, 1)));
}

struct FaultCase : testing_support::NamedCase {
  Function function;
  double a, b;
  RunTimeFault expected;
};

class OscillatorFaultTest : public testing::TestWithParam<FaultCase> {};

TEST_P(OscillatorFaultTest, RaisesInsteadOfReturning) {
  const FaultCase& c = GetParam();
  EXPECT_TRUE(testing_support::raisesFault([&] { call(c.function, c.a, c.b); }, c.expected));
  // Rounding toward zero left by other code would turn an overflow into the largest double.
  testing_support::apply(testing_support::Setting::RoundTowardZero);
  const bool raisedAll =
      testing_support::raisesFault([&] { call(c.function, c.a, c.b); }, c.expected);
  testing_support::restoreDefault();
  EXPECT_TRUE(raisedAll) << "rounding toward zero";
}

INSTANTIATE_TEST_SUITE_P(
    Faults, OscillatorFaultTest,
    testing::Values(
        FaultCase{{"fz_product_overflows"}, Function::Fz, 1e200, 1e200, RunTimeFault::Overflow},
        FaultCase{{"fx_sum_overflows"}, Function::Fx, kMax, kMax, RunTimeFault::Overflow},
        FaultCase{{"fy_sum_overflows"}, Function::Fy, kMax, kMax, RunTimeFault::Overflow},
        FaultCase{{"fx_inf_minus_inf"}, Function::Fx, kInf, -kInf, RunTimeFault::InvalidOperation},
        FaultCase{{"fz_zero_times_inf"}, Function::Fz, 5.7, kInf, RunTimeFault::InvalidOperation}),
    testing_support::caseName);

TEST(OscillatorTest, FlagLeftByOtherCodeIsNotThisCallsFault) {
  volatile double big = kMax;
  volatile double overflowed = big * big;
  (void)overflowed;
  EXPECT_EQ(fx(1, 2), -3);
  EXPECT_EQ(fz(5.7, 3), 0.2);
}

}  // namespace
}  // namespace kestavon
