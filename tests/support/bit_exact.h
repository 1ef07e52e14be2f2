#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace kestavon::testing_support {

// Compares two doubles bit for bit, so -0 differs from 0 and the last ulp counts; the message
// shows both values as hex floats.
inline ::testing::AssertionResult bitIdentical(double actual, double expected) {
  std::uint64_t actualBits, expectedBits;  // std::bit_cast is missing from emscripten's libc++
  std::memcpy(&actualBits, &actual, sizeof actualBits);
  std::memcpy(&expectedBits, &expected, sizeof expectedBits);
  if (actualBits == expectedBits) {
    return ::testing::AssertionSuccess();
  }
  char text[96];
  std::snprintf(text, sizeof text, "%a differs from the expected %a", actual, expected);
  return ::testing::AssertionFailure() << text;
}

}  // namespace kestavon::testing_support
