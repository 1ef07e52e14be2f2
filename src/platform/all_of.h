#pragma once

namespace kestavon {

// Whether every condition holds, found with one test in all rather than a branch for each (as &&
// would make): on a hot path that saves the branches a processor could mispredict.
template <class... Condition>
constexpr bool allOf(Condition... conditions) {
  return (static_cast<unsigned>(static_cast<bool>(conditions)) & ...) != 0;
}

}  // namespace kestavon
