#include "platform/checked.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "platform/formula_proof.h"
#include "platform/fp_check.h"
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

double checkedProductMinusQuotient(Way way, double a, double b) {
  constexpr auto formula = [](auto p, auto q) { return p * q - p * 0.5; };
  if (way == Way::Formula) return checkedFormula(formula, a, b);
  return checkedCall([](double p, double q) { return p * q - p * 0.5; }, a, b);
}

class CheckedFaultTest : public testing::TestWithParam<FaultCase> {};

TEST_P(CheckedFaultTest, RaisesTheNamedFault) {
  const FaultCase& c = GetParam();
  EXPECT_TRUE(raisesFault([&] { checkedProductMinusQuotient(c.way, c.a, c.b); }, c.expected));
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
    EXPECT_EQ(checkedProductMinusQuotient(way, 1e-300, 1e-300), -5e-301);
    EXPECT_EQ(checkedProductMinusQuotient(way, 3, 1.0 / 3), -0.5);
    EXPECT_TRUE(std::isnan(checkedProductMinusQuotient(way, kNaN, 1)));
  }
  EXPECT_EQ(checkedFormula([](auto a) { return -(a + 1); }, kInf), -kInf);
}

TEST(CheckedTest, FlagLeftByOtherCodeIsNotReported) {
  leaveOverflowFlagSet();
  ASSERT_NE(pendingFpFaults(), 0u);
  EXPECT_EQ(checkedProductMinusQuotient(Way::Call, 2, 3), 5.0);
  leaveOverflowFlagSet();
  EXPECT_EQ(checkedProductMinusQuotient(Way::Formula, 2, 3), 5.0);
  // The slow way of a formula clears them too: -inf comes through without a fault of its own.
  leaveOverflowFlagSet();
  EXPECT_EQ(checkedFormula([](auto a) { return a * 2; }, -kInf), -kInf);
}

// The compile-time proof behind checkedFormula, on formulas it must accept and refuse.
using formula::faultsReachResults;
using formula::Traced;

constexpr auto kGood = [](auto a, auto b) { return std::array{a * b, -(a - b) / 4}; };
constexpr auto kDeadProduct = [](auto a, auto b) {
  const auto unused = a * b;  // could overflow without showing in the result
  (void)unused;
  return a + b;
};
constexpr auto kDividesByZero = [](auto a) { return a / 0.0; };
constexpr auto kDividesByInfinity = [](auto a) { return a / kInf; };
constexpr auto kSecondOutputUnchecked = [](auto a, auto b) { return std::array{a + 1, a * b}; };

static_assert(faultsReachResults<decltype(kGood), 2, 0>());
static_assert(!faultsReachResults<decltype(kDeadProduct), 2, 0>());
static_assert(!faultsReachResults<decltype(kDividesByZero), 1, 0>());
static_assert(!faultsReachResults<decltype(kDividesByInfinity), 1, 0>());
// Checking only the first output is not enough when the second holds a product of its own.
static_assert(faultsReachResults<decltype(kSecondOutputUnchecked), 2, 0>());
static_assert(!faultsReachResults<decltype(kSecondOutputUnchecked), 2, 1>());
// No division by a variable, and nothing but the four operations.
template <class T>
constexpr bool dividesByVariable = requires(T a, T b) {
  a / b;
};
template <class T>
constexpr bool dividesConstantByVariable = requires(T a) {
  1.0 / a;
};
template <class T>
constexpr bool takesRoot = requires(T a) {
  std::sqrt(a);
};
template <class T>
constexpr bool becomesNumber = requires(T a) {
  static_cast<double>(a);
};
static_assert(dividesByVariable<double> && !dividesByVariable<Traced>);
static_assert(!dividesConstantByVariable<Traced> && !takesRoot<Traced> && !becomesNumber<Traced>);
// A long double constant would widen the arithmetic past double on x86.
static_assert(formula::Constant<float> && !formula::Constant<long double>);

TEST(RunTimeErrorTest, MessageNamesTheFaultAndDetail) {
  const RunTimeError error(RunTimeFault::ConversionOverflow, "40000 does not fit");
  EXPECT_STREQ(error.what(), "Run-time error: Conversion overflow (40000 does not fit)");
  EXPECT_STREQ(RunTimeError(RunTimeFault::Overflow).what(),
               "Run-time error: Floating-point overflow");
}

}  // namespace
}  // namespace kestavon
