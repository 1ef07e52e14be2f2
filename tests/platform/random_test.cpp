#include "platform/random.h"

#include <gtest/gtest.h>

namespace kestavon {
namespace {

TEST(RandomTest, RndStaysInTheHalfOpenUnitIntervalAndCoversIt) {
  Randomize();
  float lowest = 1, highest = 0;
  double sum = 0;
  constexpr int kDraws = 4'000'000;
  for (int i = 0; i < kDraws; ++i) {
    const float value = Rnd();
    ASSERT_GE(value, 0.0f);
    ASSERT_LT(value, 1.0f);
    lowest = std::min(lowest, value);
    highest = std::max(highest, value);
    sum += value;
  }
  EXPECT_LT(lowest, 1e-5f);
  EXPECT_GT(highest, 1 - 1e-5f);
  EXPECT_NEAR(sum / kDraws, 0.5, 1e-3);
}

TEST(RandomTest, RandomizeAMomentApartGivesDifferentSequences) {
  Randomize();
  const float first[3] = {Rnd(), Rnd(), Rnd()};
  Randomize();
  const float second[3] = {Rnd(), Rnd(), Rnd()};
  EXPECT_FALSE(first[0] == second[0] && first[1] == second[1] && first[2] == second[2]);
}

}  // namespace
}  // namespace kestavon
