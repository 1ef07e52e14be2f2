#include "dynamics/runge_kutta.h"

#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <string>

#include "platform/run_time_error.h"
#include "support/bit_exact.h"
#include "support/named_case.h"
#include "support/raises_fault.h"

// Expected values come from reference_step.py beside this file: the same evaluation order in
// plain Python doubles, printed as hex floats.

namespace kestavon {
namespace {

using testing_support::bitIdentical;
using Slopes = std::array<double, 4>;

void expectState(const OscState& actual, const OscState& expected) {
  EXPECT_TRUE(bitIdentical(actual.x, expected.x)) << "x";
  EXPECT_TRUE(bitIdentical(actual.y, expected.y)) << "y";
  EXPECT_TRUE(bitIdentical(actual.z, expected.z)) << "z";
}

void expectSlopes(const Slopes& actual, const Slopes& expected, const char* name) {
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_TRUE(bitIdentical(actual[i], expected[i])) << name << "[" << i << "]";
  }
}

struct OneStepCase : testing_support::NamedCase {
  OscState start;
  OscState expected;
  Slopes kx, ky, kz;
};

class RungeKuttaOneStepTest : public testing::TestWithParam<OneStepCase> {};

TEST_P(RungeKuttaOneStepTest, GivesTheExactStateAndSlopes) {
  const OneStepCase& c = GetParam();
  OscState state = c.start;
  // Whatever the arrays hold on entry must not matter.
  Slopes kx{1, 2, 3, 4}, ky{std::numeric_limits<double>::quiet_NaN()}, kz{-5};
  RungeKuttaStep(state, kx, ky, kz);
  expectState(state, c.expected);
  expectSlopes(kx, c.kx, "kx");
  expectSlopes(ky, c.ky, "ky");
  expectSlopes(kz, c.kz, "kz");
}

INSTANTIATE_TEST_SUITE_P(
    Steps, RungeKuttaOneStepTest,
    testing::Values(
        // kx = (-0, -1e-07, -9.9715e-08, -1.9943157e-07), ky = (0, 0, -5e-11, -9.9725e-11),
        // kz = (0.0002, 0.00019943, 0.0001994316245, 0.00019886323972),
        // new state (-9.981026242e-08, -3.32875e-11, 0.0001994310815).
        OneStepCase{{"from_origin"},
                    {0, 0, 0},
                    {-0x1.acae8b49fab68p-24, -0x1.24ccc94ad42fdp-35, 0x1.a23cbf1fe06c7p-13},
                    {-0.0, -0x1.ad7f29abcaf49p-24, -0x1.ac45cd4d7df2cp-24, -0x1.ac46aae4a73c2p-23},
                    {0.0, 0.0, -0x1.b7cdfd9d7bdbcp-35, -0x1.b6985e4300b3bp-34},
                    {0x1.a36e2eb1c432dp-13, 0x1.a23c2a7dacff1p-13, 0x1.a23d09c283472p-13,
                     0x1.a10be38d1dcbcp-13}},
        // New state (0.9980016471, 1.0011991205, 0.9955095636).
        OneStepCase{{"from_ones"},
                    {1, 1, 1},
                    {0x1.fefa126755cb7p-1, 0x1.004e95e74a8e4p+0, 0x1.fdb36df4a678fp-1},
                    {-0x1.0624dd2f1a9fcp-9, -0x1.05ed7fcabb7a9p-9, -0x1.05eda52575b85p-9,
                     -0x1.05b66cedbe59ep-9},
                    {0x1.3a92a30553261p-10, 0x1.3a5794bc65209p-10, 0x1.3a57a165c15bdp-10,
                     0x1.3a1c9fb3b568dp-10},
                    {-0x1.26e978d4fdf3cp-8, -0x1.2648cadb41400p-8, -0x1.26492801a8c45p-8,
                     -0x1.25a8c37dc308bp-8}},
        // Subnormal slopes, which flush-to-zero or denormals-are-zero would change.
        OneStepCase{{"from_subnormal_start"},
                    {0x1p-1030, 0x1p-1035, 0},
                    {-0x1.acae8b49fab68p-24, -0x1.24ccc94ad42fdp-35, 0x1.a23cbf1fe06c7p-13},
                    {-0x0.0000020c49ba6p-1022, -0x1.ad7f29abcaf49p-24, -0x1.ac45cd4d7df2cp-24,
                     -0x1.ac46aae4a73c2p-23},
                    {0x0.000041f212d77p-1022, 0x0.000041f37fe9fp-1022, -0x1.b7cdfd9d7bdbcp-35,
                     -0x1.b6985e4300b3bp-34},
                    {0x1.a36e2eb1c432dp-13, 0x1.a23c2a7dacff1p-13, 0x1.a23d09c283472p-13,
                     0x1.a10be38d1dcbcp-13}}),
    testing_support::caseName);

TEST(RungeKuttaTest, WholeRunMatchesTheReferenceBitForBit) {
  // A run of the program performs 1,000,001 steps; a single differing bit anywhere on the way
  // would grow into a visibly different end state on this chaotic attractor.
  OscState state{0.5, 0.25, 0.125};
  Slopes kx{}, ky{}, kz{};
  OscState low = state, high = state;
  for (int n = 1; n <= 1'000'001; ++n) {
    RungeKuttaStep(state, kx, ky, kz);
    if (n == 1000) {
      expectState(state, {-0x1.4c11f9be19006p-6, 0x1.3760dd9ec72b6p-1, 0x1.2724df170a74ep-5});
    }
    low = {std::min(low.x, state.x), std::min(low.y, state.y), std::min(low.z, state.z)};
    high = {std::max(high.x, state.x), std::max(high.y, state.y), std::max(high.z, state.z)};
  }
  expectState(state, {-0x1.2290aa27e5a0fp+3, 0x1.57c724a4ea8f1p-2, 0x1.bd62db6b45795p-7});
  expectState(low, {-0x1.235f88592d56ap+3, -0x1.594abce30d86bp+3, 0x1.bb469bd311d0bp-7});
  expectState(high, {0x1.6dda9a2de849bp+3, 0x1.f5c4a9d4d6e3fp+2, 0x1.6d94f606c2951p+4});
}

struct FaultCase : testing_support::NamedCase {
  OscState start;
  RunTimeFault expected;
};

class RungeKuttaFaultTest : public testing::TestWithParam<FaultCase> {};

TEST_P(RungeKuttaFaultTest, RaisesAndLeavesTheStateUntouched) {
  const FaultCase& c = GetParam();
  OscState state = c.start;
  Slopes kx{}, ky{}, kz{};
  EXPECT_TRUE(testing_support::raisesFault([&] { RungeKuttaStep(state, kx, ky, kz); }, c.expected));
  expectState(state, c.start);
}

constexpr double kMax = std::numeric_limits<double>::max();
constexpr double kInf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Faults, RungeKuttaFaultTest,
    testing::Values(
        // (x - 5.7) * z overflows in the first stage.
        FaultCase{{"z_near_largest_double"}, {1e200, 0, 1e200}, RunTimeFault::Overflow},
        // y + z overflows.
        FaultCase{{"y_and_z_near_largest_double"}, {0, kMax, kMax}, RunTimeFault::Overflow},
        // The first stage is finite; stage 2's fy (y * 0.2 + x) overflows: 1e-4 * max + max.
        FaultCase{{"x_at_largest_double"}, {kMax, 0, 0}, RunTimeFault::Overflow},
        FaultCase{{"opposite_infinities"}, {0, kInf, -kInf}, RunTimeFault::InvalidOperation}),
    testing_support::caseName);

TEST(RungeKuttaTest, FlagLeftByOtherCodeIsNotThisStepsFault) {
  volatile double big = kMax;
  volatile double overflowed = big * big;
  (void)overflowed;
  OscState state{1, 1, 1};
  Slopes kx{}, ky{}, kz{};
  EXPECT_NO_THROW(RungeKuttaStep(state, kx, ky, kz));
  EXPECT_TRUE(bitIdentical(state.x, 0x1.fefa126755cb7p-1));
}

}  // namespace
}  // namespace kestavon
