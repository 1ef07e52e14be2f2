// Every formula that the program evaluates with checked<> (platform/checked.h), fed infinities,
// NaNs, zeros and values that overflow, alone and in pairs: the finiteness check must raise
// exactly the fault that the status flags record for the same evaluation, and otherwise return
// the same bits. A formula with an operation whose fault does not reach a result (a dead product,
// a division by a variable) fails here.

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstdint>
#include <limits>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "dynamics/oscillator.h"
#include "dynamics/runge_kutta.h"
#include "platform/checked.h"
#include "platform/run_time_error.h"
#include "plot/geometry.h"
#include "support/named_case.h"

namespace kestavon {
namespace {

template <class T>
constexpr std::array<T, 12> kSpecialValues = {
    T{1.5},
    T{-0.75},
    T{0},
    -T{0},
    std::numeric_limits<T>::max(),
    -std::numeric_limits<T>::max(),
    std::numeric_limits<T>::max() / 4,
    std::numeric_limits<T>::denorm_min(),
    std::numeric_limits<T>::infinity(),
    -std::numeric_limits<T>::infinity(),
    std::numeric_limits<T>::quiet_NaN(),
    T{8235},
};

// What an evaluation gave: the bits of its results, or the fault it raised.
struct Outcome {
  std::vector<std::uint64_t> bits;
  std::optional<RunTimeFault> fault;
  friend bool operator==(const Outcome&, const Outcome&) = default;
};

template <class T>
void appendBits(std::vector<std::uint64_t>& bits, T value) {
  bits.push_back(
      std::bit_cast<std::conditional_t<sizeof(T) == 8, std::uint64_t, std::uint32_t>>(value));
}
template <class T, std::size_t N>
void appendBits(std::vector<std::uint64_t>& bits, const std::array<T, N>& values) {
  for (const T value : values) appendBits(bits, value);
}

template <class Evaluation>
Outcome outcomeOf(Evaluation evaluation) {
  Outcome outcome;
  try {
    appendBits(outcome.bits, evaluation());
  } catch (const RunTimeError& error) {
    outcome.fault = error.fault();
  }
  return outcome;
}

// The inputs with `first` and `second` (input positions, -1 for none) taken from the special
// values at `firstValue` and `secondValue`, the others left at 1.5.
template <class... Inputs>
std::tuple<Inputs...> inputsWith(int first, std::size_t firstValue, int second,
                                 std::size_t secondValue) {
  std::tuple<Inputs...> inputs{Inputs{1.5}...};
  int position = 0;
  std::apply(
      [&](auto&... input) {
        const auto set = [&](auto& value) {
          using T = std::remove_reference_t<decltype(value)>;
          if (position == first) value = kSpecialValues<T>[firstValue];
          if (position == second) value = kSpecialValues<T>[secondValue];
          ++position;
        };
        (set(input), ...);
      },
      inputs);
  return inputs;
}

// The inputs for which checked<formula> and the flags disagree, described.
template <auto formula, class... Inputs>
std::vector<std::string> disagreements() {
  constexpr int kInputs = sizeof...(Inputs);
  constexpr std::size_t kValues = kSpecialValues<double>.size();
  std::vector<std::string> found;
  for (int first = -1; first < kInputs; ++first) {
    for (int second = first + 1; second < kInputs; ++second) {
      for (std::size_t a = 0; a < (first < 0 ? 1 : kValues); ++a) {
        for (std::size_t b = 0; b < kValues; ++b) {
          const auto inputs = inputsWith<Inputs...>(first, a, second, b);
          const Outcome byFiniteness = outcomeOf([&] {
            return std::apply([](auto... in) { return checked<formula>(in...); }, inputs);
          });
          const Outcome byFlags = outcomeOf([&] {
            return std::apply(
                [](auto... in) {
                  return checkedCall([](auto... x) { return formula(x...); }, in...);
                },
                inputs);
          });
          if (byFiniteness == byFlags) continue;
          std::ostringstream text;
          std::apply([&](auto... in) { ((text << in << ' '), ...); }, inputs);
          found.push_back(text.str());
        }
      }
    }
  }
  return found;
}

struct FormulaCase : testing_support::NamedCase {
  std::vector<std::string> (*disagreements)();
  bool propagatesFaults;
};

// Divides by the product of its inputs: an overflow in the product turns into a zero, and the
// finiteness check cannot see it. Here to show that the test finds such a formula.
constexpr double dividedByProduct(double a, double b) { return 1 / (a * b); }

class FormulaFaultsTest : public testing::TestWithParam<FormulaCase> {};

TEST_P(FormulaFaultsTest, FinitenessRaisesWhatTheFlagsRecord) {
  const std::vector<std::string> found = GetParam().disagreements();
  if (!GetParam().propagatesFaults) {
    EXPECT_FALSE(found.empty()) << "the test no longer finds a formula that hides a fault";
    return;
  }
  EXPECT_TRUE(found.empty()) << found.size() << " disagreements, the first with inputs "
                             << found.front();
}

using geometry::halfOf, geometry::horizontalAxis, geometry::widthScale, geometry::xyHeightScale,
    geometry::obliqueHeightScale, geometry::obliqueAngle, geometry::xyPoint, geometry::obliquePoint;

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
