#pragma once

// The program's fault checks: an invalid operation, a division by zero or an overflow anywhere in
// a floating-point expression raises RunTimeError before its value is used.
//
//   checked<formula>(inputs...)       the program's arithmetic (the oscillator, the step, the
//                                     projections, the axes, the scale factors, the oblique angle)
//   checkedCall(function, inputs...)  a library function (libm's cos and sin)
//
// Faults are named from values, not from the processor's status flags: some systems have none
// (WebAssembly), and reading them costs more than the arithmetic of a step. Under rounding to
// nearest every fault leaves a non-finite value where it happens: an overflow or a division by
// zero gives an infinity from finite operands, an invalid operation a NaN from operands that are
// not NaN. +, -, * and division by a finite non-zero constant turn a non-finite operand into a
// non-finite result. So in a formula made of those operations alone, each of them reaching a
// result, a finite result proves that no fault occurred, and nothing else is looked at. A result
// that is not finite is evaluated again on Tracked numbers, which note each operation's fault from
// its operands and its result: the faults found are raised, or, when there are none, an infinite
// or NaN input was carried through (fx of an infinity) and the result stands.
// tests/plot/formula_faults_test.cpp feeds every formula of the program infinities, NaNs and
// overflowing values and checks that the faults named are the ones the status flags record.
//
// A formula is a generic function of its inputs, taken by value: a lambda with auto parameters,
// made of +, -, *, / and float-to-double promotion, returning a number or a std::array of them. It
// is written once and instantiated for float and double, for Tracked numbers on the slow path,
// and for lanes of several runs (dynamics/lanes.h). As a template argument it is a direct call,
// which the compiler can inline.
//
// Rounding to nearest is a precondition: rounded toward zero an overflow gives the largest finite
// number. Runs and the public checked functions hold the default floating-point environment
// (platform/fp_environment.h); the Runge-Kutta step, which a run calls a million times, requires
// it of its caller.

#include <array>
#include <cfloat>
#include <cmath>
#include <concepts>
#include <cstddef>
#include <functional>
#include <type_traits>
#include <utility>

// With excess precision (x87, FLT_EVAL_METHOD 2) results would differ from the prescribed ones and
// an overflow would hide until a store.
static_assert(FLT_EVAL_METHOD == 0, "arithmetic must be evaluated in its own type (SSE2, not x87)");

namespace kestavon {

namespace checked_detail {

// Faults, one bit each.
inline constexpr unsigned kInvalid = 1;
inline constexpr unsigned kDivisionByZero = 2;
inline constexpr unsigned kOverflow = 4;

// Raises the run-time error for the faults given. From finite inputs an invalid operation mostly
// follows from an infinity made earlier by an overflow or a division by zero, so those are named
// first, as the likelier cause.
[[noreturn]] void raise(unsigned faults);

// The faults of one operation that gave `result` from `operands`: a NaN from operands that are
// not NaN is an invalid operation; an infinity from finite operands is a division by zero when
// the operation divided by zero, and an overflow otherwise.
template <class Result, class... Operands>
unsigned faultOf(Result result, bool byZero, Operands... operands) {
  if (std::isnan(result)) return (std::isnan(operands) || ...) ? 0 : kInvalid;
  if (std::isinf(result)) {
    if (!(std::isfinite(operands) && ...)) return 0;
    return byZero ? kDivisionByZero : kOverflow;
  }
  return 0;
}

// A number on the slow path of a check: its value, and the faults of the operations that made it.
template <std::floating_point T>
struct Tracked {
  T value;
  unsigned faults = 0;
};

template <class T>
struct IsTracked : std::false_type {};
template <class T>
struct IsTracked<Tracked<T>> : std::true_type {};

template <class T>
struct ValueType {
  using type = T;
};
template <class T>
struct ValueType<Tracked<T>> {
  using type = T;
};

template <class T>
T valueOf(T number) {
  return number;
}
template <class T>
T valueOf(Tracked<T> number) {
  return number.value;
}

template <class T>
unsigned faultsOf(T /*number*/) {
  return 0;
}
template <class T>
unsigned faultsOf(Tracked<T> number) {
  return number.faults;
}
template <class T, std::size_t N>
unsigned faultsOf(const std::array<T, N>& numbers) {
  unsigned faults = 0;
  for (const T& number : numbers) faults |= faultsOf(number);
  return faults;
}

template <class A, class B>
concept TrackedOperands = IsTracked<A>::value || IsTracked<B>::value;

// An operation on Tracked numbers (or one and a constant): the operands in their common type, as
// the language converts them, and the faults of both and of the operation.
template <class A, class B, class Operation>
auto track(A a, B b, Operation operation) {
  using R = std::common_type_t<typename ValueType<A>::type, typename ValueType<B>::type>;
  const R left = static_cast<R>(valueOf(a)), right = static_cast<R>(valueOf(b));
  const R result = operation(left, right);
  const bool byZero = std::is_same_v<Operation, std::divides<>> && right == 0;
  return Tracked<R>{result, faultsOf(a) | faultsOf(b) | faultOf(result, byZero, left, right)};
}

template <class A, class B>
requires TrackedOperands<A, B>
auto operator+(A a, B b) { return track(a, b, std::plus<>()); }
template <class A, class B>
requires TrackedOperands<A, B>
auto operator-(A a, B b) { return track(a, b, std::minus<>()); }
template <class A, class B>
requires TrackedOperands<A, B>
auto operator*(A a, B b) { return track(a, b, std::multiplies<>()); }
template <class A, class B>
requires TrackedOperands<A, B>
auto operator/(A a, B b) { return track(a, b, std::divides<>()); }
template <class T>
Tracked<T> operator-(Tracked<T> a) {
  return {-a.value, a.faults};
}

// Evaluates formula(inputs...) on Tracked numbers and raises the faults it made, if any.
template <auto formula, class... Inputs>
[[gnu::noinline, gnu::cold]] void raiseFaultsOf(Inputs... inputs) {
  if (const unsigned faults = faultsOf(formula(Tracked<Inputs>{inputs}...)); faults != 0) {
    raise(faults);
  }
}

}  // namespace checked_detail

// Whether every value is finite, in one test for all rather than a branch for each.
template <std::floating_point T>
inline bool allFinite(T value) noexcept {
  return std::isfinite(value);
}
template <class T, std::size_t N>
inline bool allFinite(const std::array<T, N>& values) noexcept {
  return [&values]<std::size_t... I>(std::index_sequence<I...>) {
    return (static_cast<unsigned>(std::isfinite(values[I])) & ...) != 0;
  }
  (std::make_index_sequence<N>{});
}

// The check of checked<formula>(inputs...) for `results` already computed as formula(inputs...),
// by a computation that hands out some of its intermediate values as well (the Runge-Kutta step's
// slopes).
template <auto formula, class Results, class... Inputs>
[[gnu::always_inline]] inline Results checkedResults(Results results, Inputs... inputs) {
  if (!allFinite(results)) [[unlikely]] {
    checked_detail::raiseFaultsOf<formula>(inputs...);
  }
  return results;
}

// Evaluates formula(inputs...), raising its faults (see the top of this file).
template <auto formula, class... Inputs>
[[gnu::always_inline]] inline auto checked(Inputs... inputs) {
  return checkedResults<formula>(formula(inputs...), inputs...);
}

// Evaluates function(inputs...) for a function whose faults are invalid operations and overflows
// (cos and sin of infinity are invalid operations), naming them from its results as a formula's.
template <class Function, class... Inputs>
auto checkedCall(Function function, Inputs... inputs) {
  auto results = function(inputs...);
  if (!allFinite(results)) [[unlikely]] {
    unsigned faults = 0;
    if constexpr (std::is_floating_point_v<decltype(results)>) {
      faults = checked_detail::faultOf(results, false, inputs...);
    } else {
      for (const auto result : results) faults |= checked_detail::faultOf(result, false, inputs...);
    }
    if (faults != 0) checked_detail::raise(faults);
  }
  return results;
}

}  // namespace kestavon
