// Every formula that the program evaluates with checked<> (dynamics/checked.h), fed infinities,
// NaNs, zeros and values that overflow, in one input or two: the check, which names faults from
// values, must raise exactly the fault that the processor's status flags record for the same
// evaluation, and otherwise return the same bits. A formula with an operation whose fault does not
// reach a result (a product that overflows into a divisor, say) fails here.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <concepts>
#include <limits>
#include <string>
#include <tuple>
#include <utility>

#include "dynamics/checked.h"
#include "dynamics/oscillator.h"
#include "dynamics/runge_kutta.h"
#include "platform/run_time_error.h"
#include "plot/geometry.h"
#include "support/named_case.h"
#include "support/status_flags.h"

namespace kestavon {
namespace {

// Input values, the first an ordinary one.
template <class T>
T special(std::size_t index) {
  using Limits = std::numeric_limits<T>;
  const std::array<T, 12> values = {T{1.5},
                                    T{-0.75},
                                    T{0},
                                    -T{0},
                                    Limits::max(),
                                    -Limits::max(),
                                    Limits::max() / 4,
                                    Limits::denorm_min(),
                                    Limits::infinity(),
                                    -Limits::infinity(),
                                    Limits::quiet_NaN(),
                                    T{8235}};
  return values[index];
}
constexpr std::size_t kSpecials = 12;

// The bytes of a result; any NaN as one. Which NaN an operation on a NaN gives is the compiler's
// choice (it may swap the operands of + and *), and no run draws one.
template <std::floating_point T>
std::string bytesOf(T value) {
  if (std::isnan(value)) return "NaN";
  return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}
template <class T, std::size_t N>
std::string bytesOf(const std::array<T, N>& values) {
  std::string bytes;
  for (const T value : values) bytes += bytesOf(value) + ' ';
  return bytes;
}

// What an evaluation gave: the bytes of its results, or the error it raised.
template <class Evaluation>
std::string outcomeOf(Evaluation evaluation) {
  try {
    return bytesOf(evaluation());
  } catch (const RunTimeError& error) {
    return error.what();
  }
}

// How many inputs, with every input ordinary but one or two, make checked<formula> and the status
// flags disagree.
template <auto formula, class... Inputs>
int disagreements() {
  constexpr std::size_t kInputs = sizeof...(Inputs);
  int found = 0;
  for (std::size_t first = 0; first < kInputs; ++first) {
    for (std::size_t second = first; second < kInputs; ++second) {
      for (std::size_t a = 0; a < kSpecials; ++a) {
        for (std::size_t b = 0; b < (second == first ? 1 : kSpecials); ++b) {
          std::array<std::size_t, kInputs> pick{};
          pick[first] = a;
          pick[second] = second == first ? a : b;
          const auto inputs = [&pick]<std::size_t... I>(std::index_sequence<I...>) {
            return std::tuple<Inputs...>{special<Inputs>(pick[I])...};
          }
          (std::make_index_sequence<kInputs>{});
          const std::string byFiniteness = outcomeOf([&] {
            return std::apply([](auto... in) { return checked<formula>(in...); }, inputs);
          });
          const std::string byFlags = outcomeOf([&] {
            return std::apply(
                [](auto... in) {
                  return testing_support::underStatusFlags([](auto... x) { return formula(x...); },
                                                           in...);
                },
                inputs);
          });
          found += byFiniteness != byFlags ? 1 : 0;
        }
      }
    }
  }
  return found;
}

struct FormulaCase : testing_support::NamedCase {
  int (*disagreements)();
  bool propagatesFaults;
};

// Divides by the product of its inputs: an overflow in the product turns into a zero, and the
// finiteness check cannot see it. Here to show that the test finds such a formula.
constexpr auto dividedByProduct = [](auto a, auto b) { return 1 / (a * b); };

class FormulaFaultsTest : public testing::TestWithParam<FormulaCase> {};

TEST_P(FormulaFaultsTest, NamesTheFaultsTheStatusFlagsRecord) {
#if defined(__wasm__)
  GTEST_SKIP() << "WebAssembly has no status flags to judge by; the naming is the same code as "
                  "on the processors that have them";
#endif
  const int found = GetParam().disagreements();
  if (GetParam().propagatesFaults) {
    EXPECT_EQ(found, 0) << "inputs for which the finiteness check misses a fault";
  } else {
    EXPECT_GT(found, 0) << "the test no longer finds a formula that hides a fault";
  }
}

using namespace geometry;  // the plot's formulas

INSTANTIATE_TEST_SUITE_P(
    Formulas, FormulaFaultsTest,
    testing::Values(
        FormulaCase{{"fx"}, disagreements<field::fx, double, double>, true},
        FormulaCase{{"fy"}, disagreements<field::fy, double, double>, true},
        FormulaCase{{"fz"}, disagreements<field::fz, double, double>, true},
        FormulaCase{{"runge_kutta_step"},
                    disagreements<field::rungeKuttaState, double, double, double>,
                    true},
        FormulaCase{{"half_of"}, disagreements<halfOf, float>, true},
        FormulaCase{{"horizontal_axis"}, disagreements<horizontalAxis, float>, true},
        FormulaCase{{"width_scale"}, disagreements<widthScale, float>, true},
        FormulaCase{{"xy_height_scale"}, disagreements<xyHeightScale, float>, true},
        FormulaCase{{"oblique_height_scale"}, disagreements<obliqueHeightScale, float>, true},
        FormulaCase{{"oblique_angle"}, disagreements<obliqueAngle, double, double>, true},
        FormulaCase{{"xy_point"},
                    disagreements<xyPoint, float, float, double, double, double, double>,
                    true},
        FormulaCase{{"oblique_point"},
                    disagreements<obliquePoint, float, float, double, double, double, double,
                                  double, double, double>,
                    true},
        FormulaCase{
            {"divided_by_product"}, disagreements<dividedByProduct, double, double>, false}),
    testing_support::caseName);

}  // namespace
}  // namespace kestavon
