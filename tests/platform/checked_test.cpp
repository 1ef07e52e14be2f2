#include "platform/checked.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "platform/run_time_error.h"
#include "support/named_case.h"
#include "support/raises_fault.h"

namespace kestavon {
namespace {

using testing_support::raisesFault;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kMax = std::numeric_limits<double>::max();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

void leaveOverflowFlagSet() {
  volatile double big = kMax;
  volatile double overflowed = big * 2;
  (void)overflowed;
}

// The same faults through both ways of checked evaluation: a formula (finiteness first, the flags
// only for a non-finite result) and a call (the flags every time).
enum class Way { Formula, Call };

struct FaultCase : testing_support::NamedCase {
  Way way;
  double a, b;
  RunTimeFault expected;
};

constexpr double productMinusHalf(double p, double q) { return p * q - p * 0.5; }
constexpr double negatedSuccessor(double a) { return -(a + 1); }
constexpr double doubled(double a) { return a * 2; }

double checkedProductMinusHalf(Way way, double a, double b) {
  if (way == Way::Formula) return checked<productMinusHalf>(a, b);
  return checkedCall(productMinusHalf, a, b);
}

class CheckedFaultTest : public testing::TestWithParam<FaultCase> {};

TEST_P(CheckedFaultTest, RaisesTheNamedFault) {
  const FaultCase& c = GetParam();
  EXPECT_TRUE(raisesFault([&] { checkedProductMinusHalf(c.way, c.a, c.b); }, c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Faults, CheckedFaultTest,
    testing::Values(
        FaultCase{{"formula_overflow"}, Way::Formula, kMax, 4, RunTimeFault::Overflow},
        FaultCase{{"call_overflow"}, Way::Call, kMax, 4, RunTimeFault::Overflow},
        // 0 * inf is invalid; no infinity was made by an overflow before it.
        FaultCase{
            {"formula_zero_times_inf"}, Way::Formula, 0, kInf, RunTimeFault::InvalidOperation},
        FaultCase{{"call_zero_times_inf"}, Way::Call, 0, kInf, RunTimeFault::InvalidOperation}),
    testing_support::caseName);

TEST(CheckedCallTest, DivisionByZeroAndZeroByZero) {
  const auto divide = [](double a, double b) {
    return checkedCall([](double p, double q) { return p / q; }, a, b);
  };
  EXPECT_TRUE(raisesFault([&] { divide(1, 0); }, RunTimeFault::DivisionByZero));
  EXPECT_TRUE(raisesFault([&] { divide(0, 0); }, RunTimeFault::InvalidOperation));
}

TEST(CheckedTest, HarmlessResultsPassUnchanged) {
  // Underflow and inexact results are not faults; neither is arithmetic that carries an infinite
  // or NaN input through without an invalid operation.
  for (const Way way : {Way::Formula, Way::Call}) {
    // 1e-600 underflows to 0; 3 * (1/3) rounds (inexactly) to exactly 1.
    EXPECT_EQ(checkedProductMinusHalf(way, 1e-300, 1e-300), -5e-301);
    EXPECT_EQ(checkedProductMinusHalf(way, 3, 1.0 / 3), -0.5);
    EXPECT_TRUE(std::isnan(checkedProductMinusHalf(way, kNaN, 1)));
  }
  EXPECT_EQ(checked<negatedSuccessor>(kInf), -kInf);
}

TEST(CheckedTest, FlagLeftByOtherCodeIsNotReported) {
  leaveOverflowFlagSet();
  ASSERT_NE(fault_flags::pending(), 0u);
  EXPECT_EQ(checkedProductMinusHalf(Way::Call, 2, 3), 5.0);
  leaveOverflowFlagSet();
  EXPECT_EQ(checkedProductMinusHalf(Way::Formula, 2, 3), 5.0);
  // The slow way of a formula clears them too: -inf comes through without a fault of its own.
  leaveOverflowFlagSet();
  EXPECT_EQ(checked<doubled>(-kInf), -kInf);
}

TEST(RunTimeErrorTest, MessageNamesTheFaultAndDetail) {
  const RunTimeError error(RunTimeFault::ConversionOverflow, "40000 does not fit");
  EXPECT_STREQ(error.what(), "Run-time error: Conversion overflow (40000 does not fit)");
  EXPECT_STREQ(RunTimeError(RunTimeFault::Overflow).what(),
               "Run-time error: Floating-point overflow");
}

}  // namespace
}  // namespace kestavon
