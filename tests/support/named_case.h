#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace kestavon::testing_support {

// Table-driven cases carry a `name`; these name the generated tests and print the case by it.
struct NamedCase {
  const char* name;
  friend std::ostream& operator<<(std::ostream& os, const NamedCase& c) { return os << c.name; }
};

inline constexpr auto caseName = [](const auto& info) { return std::string(info.param.name); };

}  // namespace kestavon::testing_support
