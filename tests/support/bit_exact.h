#pragma once

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdio>

namespace kestavon::testing_support {

// Compares two doubles bit for bit, so -0 differs from 0 and the last ulp counts; the message
// shows both values as hex floats.
inline ::testing::AssertionResult bitIdentical(double actual, double expected) {
  if (std::bit_cast<std::uint64_t>(actual) == std::bit_cast<std::uint64_t>(expected)) {
    return ::testing::AssertionSuccess();
  }
  char text[96];
  std::snprintf(text, sizeof text, "%a differs from the expected %a", actual, expected);
  return ::testing::AssertionFailure() << text;
}

}  // namespace kestavon::testing_support
