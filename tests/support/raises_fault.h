#pragma once

#include <gtest/gtest.h>

#include "platform/run_time_error.h"

namespace kestavon::testing_support {

// Succeeds when `call()` throws RunTimeError with the expected fault:
// EXPECT_TRUE(raisesFault(...)).
template <class Call>
::testing::AssertionResult raisesFault(Call&& call, RunTimeFault expected) {
  try {
    call();
  } catch (const RunTimeError& error) {
    if (error.fault() == expected) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "raised " << error.what() << " instead of " << describe(expected);
  }
  return ::testing::AssertionFailure() << "raised nothing instead of " << describe(expected);
}

}  // namespace kestavon::testing_support
