#pragma once

// The program's one way to evaluate floating-point arithmetic with fault checks: an invalid
// operation, a division by zero or an overflow anywhere raises RunTimeError instead of letting the
// value go on; a flag left set by other code is never reported as the evaluation's own.
//
//   checkedFormula(formula, inputs...)   arithmetic: +, -, *, negation, division by constants
//   checkedCall(function, inputs...)     anything else (libm's cos and sin)
//
// checkedFormula checks finiteness first. Every fault leaves an infinity or a NaN at the operation
// that raised it, and in a formula whose every operation reaches a result (proved at compile time,
// see formula_proof.h) a non-finite value always shows in a result. So a finite result proves that
// no fault occurred, without touching the status register, whose reading waits for all the
// arithmetic before it. A result that is not finite is evaluated again between a clear and a test
// of the flags, which names the fault; a non-finite input carried through without a fault (fx of
// an infinity) is returned as it is. Both evaluations give the same bits.
//
// checkedCall evaluates between a clear and a test of the flags, every time.
//
// A formula is a captureless generic lambda taking its inputs and returning one value or a
// std::array of them, each a float or a double, e.g. [](auto y, auto z) { return -(y + z); }. It
// gets its inputs as constants. A result narrowed after the check (a double into a float) is not
// checked: -Wconversion, on for the whole program, flags an implicit narrowing.
//
// Finiteness proves the absence of a fault only when rounding to nearest: under directed rounding
// an overflow gives the largest finite number. Runs hold the default environment
// (fp_environment.h), and so do the public functions that are not on a run's hot path; the
// Runge-Kutta step, which is, requires it of its caller (reading the control register at every
// step costs a fifth of the step).

#include <array>
#include <cmath>
#include <cstddef>
#include <tuple>
#include <type_traits>
#include <utility>

#include "platform/all_of.h"
#include "platform/formula_proof.h"
#include "platform/fp_check.h"

namespace kestavon {

namespace checked_detail {

template <class T>
inline void fenceAll(T& value) noexcept {
  fpFence(value);
}
template <class T, std::size_t N>
inline void fenceAll(std::array<T, N>& values) noexcept {
  for (T& value : values) fpFence(value);
}

template <std::size_t Checked, class T>
inline bool resultsFinite(const T& value) noexcept {
  return std::isfinite(value);
}
template <std::size_t Checked, class T, std::size_t N>
inline bool resultsFinite(const std::array<T, N>& values) noexcept {
  // Unrolled, so that the outputs can stay in registers.
  return [&]<std::size_t... I>(std::index_sequence<I...>) {
    return allOf(std::isfinite(values[I])...);
  }
  (std::make_index_sequence < Checked == 0 ? N : Checked > {});
}

template <class T>
constexpr bool kIsNumber = std::is_same_v<T, float> || std::is_same_v<T, double>;
template <class T>
constexpr bool kGivesNumbers = kIsNumber<T>;
template <class T, std::size_t N>
constexpr bool kGivesNumbers<std::array<T, N>> = kIsNumber<T>;

// Evaluates between a clear and a test of the flags. The fences pin the inputs before the
// arithmetic and the outputs after it, so that it really happens, and happens in between.
template <class Function, class... Inputs>
auto evaluateTestingFlags(Function function, Inputs... inputs) {
  clearFpFaults();
  (fpFence(inputs), ...);
  auto outputs = function(std::as_const(inputs)...);
  fenceAll(outputs);
  checkFpFaults();
  return outputs;
}

template <class Formula, class... Inputs>
[[gnu::noinline, gnu::cold]] auto evaluateFormulaTestingFlags(Formula formula, Inputs... inputs) {
  return evaluateTestingFlags(formula, inputs...);
}

}  // namespace checked_detail

// The check of checkedFormula, for `outputs` already computed as formula(inputs...): when a
// result is not finite, evaluates again testing the flags, which raises the fault or, if there was
// none, puts that evaluation's outputs in place (the same bits). When `Checked` is not 0, only the
// first `Checked` outputs are results; the others are intermediate values handed out as well, each
// of which reaches a result (the Runge-Kutta step's slopes).
template <std::size_t Checked = 0, class Formula, class Outputs, class... Inputs>
[[gnu::always_inline]] inline void checkFormula(Formula formula, Outputs& outputs,
                                                Inputs... inputs) {
  static_assert(std::is_empty_v<Formula>, "a checked formula takes everything as an input");
  static_assert(checked_detail::kGivesNumbers<Outputs>,
                "a checked formula gives floats or doubles");
  static_assert(formula::faultsReachResults<Formula, sizeof...(Inputs), Checked>(),
                "a checked formula may use only +, -, *, negation and division by non-zero "
                "constants, and every operation in it must reach a result");
  if (!checked_detail::resultsFinite<Checked>(outputs)) [[unlikely]] {
    outputs = checked_detail::evaluateFormulaTestingFlags(formula, inputs...);
  }
}

// Evaluates formula(inputs...) with fault checks (see the top of this file).
template <std::size_t Checked = 0, class Formula, class... Inputs>
[[gnu::always_inline]] inline auto checkedFormula(Formula formula, Inputs... inputs) {
  auto outputs = formula(std::as_const(inputs)...);
  checkFormula<Checked>(formula, outputs, inputs...);
  return outputs;
}

// Evaluates function(inputs...) between a clear and a test of the flags.
template <class Function, class... Inputs>
auto checkedCall(Function function, Inputs... inputs) {
  return checked_detail::evaluateTestingFlags(function, inputs...);
}

}  // namespace kestavon
