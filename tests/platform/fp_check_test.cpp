#include "platform/fp_check.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "platform/run_time_error.h"
#include "support/named_case.h"
#include "support/raises_fault.h"

namespace kestavon {
namespace {

enum class Operation { Multiply, Divide, Subtract };

// One checked binary operation, written the way the program's checked code is.
double checkedOperation(Operation operation, double a, double b) {
  clearFpFaults();
  fpFence(a, b);
  double result = 0;
  switch (operation) {
    case Operation::Multiply:
      result = a * b;
      break;
    case Operation::Divide:
      result = a / b;
      break;
    case Operation::Subtract:
      result = a - b;
      break;
  }
  fpFence(result);
  checkFpFaults();
  return result;
}

struct FaultCase : testing_support::NamedCase {
  Operation operation;
  double a, b;
  RunTimeFault expected;
};

class FpCheckFaultTest : public testing::TestWithParam<FaultCase> {};

TEST_P(FpCheckFaultTest, RaisesTheNamedFault) {
  const FaultCase& c = GetParam();
  EXPECT_TRUE(
      testing_support::raisesFault([&] { checkedOperation(c.operation, c.a, c.b); }, c.expected));
}

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kMax = std::numeric_limits<double>::max();

INSTANTIATE_TEST_SUITE_P(Faults, FpCheckFaultTest,
                         testing::Values(FaultCase{"overflow", Operation::Multiply, kMax, 2.0,
                                                   RunTimeFault::Overflow},
                                         FaultCase{"zero_by_zero", Operation::Divide, 0.0, 0.0,
                                                   RunTimeFault::InvalidOperation},
                                         FaultCase{"one_by_zero", Operation::Divide, 1.0, 0.0,
                                                   RunTimeFault::DivisionByZero},
                                         FaultCase{"inf_minus_inf", Operation::Subtract, kInf, kInf,
                                                   RunTimeFault::InvalidOperation}),
                         testing_support::caseName);

TEST(FpCheckTest, HarmlessResultsPassUnchanged) {
  // Underflow and inexact results are not faults; neither is arithmetic on an infinity.
  EXPECT_EQ(checkedOperation(Operation::Multiply, 1e-300, 1e-300), 0.0);
  EXPECT_EQ(checkedOperation(Operation::Divide, 1.0, 3.0), 1.0 / 3.0);
  EXPECT_EQ(checkedOperation(Operation::Subtract, kInf, 1.0), kInf);
}

TEST(FpCheckTest, FlagLeftByOtherCodeIsNotReported) {
  volatile double big = kMax;
  volatile double overflowed = big * 2;  // leaves the overflow flag set
  (void)overflowed;
  ASSERT_NE(pendingFpFaults(), 0u);
  EXPECT_EQ(checkedOperation(Operation::Multiply, 2.0, 3.0), 6.0);
}

TEST(RunTimeErrorTest, MessageNamesTheFaultAndDetail) {
  const RunTimeError error(RunTimeFault::ConversionOverflow, "40000 does not fit");
  EXPECT_STREQ(error.what(), "Run-time error: Conversion overflow (40000 does not fit)");
  EXPECT_STREQ(RunTimeError(RunTimeFault::Overflow).what(),
               "Run-time error: Floating-point overflow");
}

}  // namespace
}  // namespace kestavon
