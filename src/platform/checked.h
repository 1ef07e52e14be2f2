#pragma once

// The program's fault checks: an invalid operation, a division by zero or an overflow anywhere in
// a floating-point expression raises RunTimeError before its value is used, and a fault flag left
// set by other code is never reported as the program's own.
//
//   checked<formula>(inputs...)       the program's arithmetic (the oscillator, the step, the
//                                     projections, the axes, the scale factors, the oblique angle)
//   checkedCall(function, inputs...)  anything else (libm's cos and sin)
//
// checked tests finiteness, not the status flags. Under rounding to nearest every fault leaves
// a non-finite value where it happens: an overflow or a division by zero gives an infinity, an
// invalid operation a NaN. +, -, * and division by a finite non-zero constant turn a non-finite
// operand into a non-finite result. So in a formula made of those operations alone, each of them
// reaching a result, a finite result proves that no fault occurred, and the status register,
// whose reading waits for all the arithmetic before it, is not read at all. A result that is not
// finite is evaluated again between a clear and a test of the flags, which names the fault, or
// finds none when an infinite or NaN input was carried through (fx of an infinity): then that
// result is returned. tests/plot/formula_faults_test.cpp feeds every formula of the program
// infinities, NaNs and overflowing values and checks that the two evaluations agree.
//
// Rounding to nearest is a precondition: rounded toward zero an overflow gives the largest finite
// number. Runs and the public checked functions hold the default floating-point environment
// (fp_environment.h); the Runge-Kutta step, which a run calls a million times, requires it of its
// caller.
//
// A formula is a function that takes its inputs as arguments and returns a float, a double or a
// std::array of them; as a template argument it is a direct call, which the compiler can inline.
//
// An evaluation that tests the flags pins its inputs before the arithmetic and its results after
// it with empty volatile asm statements ("fences"): GCC and clang do not honour FENV_ACCESS and
// would otherwise move the arithmetic across the flag accesses (clang does, at -O2). On x86-64 the
// flags are read and cleared in the SSE status register directly; glibc's feclearexcept also
// rewrites the x87 environment, which costs more than the arithmetic of a step.

#include <array>
#include <cfloat>
#include <cmath>
#include <concepts>
#include <cstddef>
#include <utility>

// With excess precision (x87, FLT_EVAL_METHOD 2) results would differ from the prescribed ones and
// an overflow would hide until a store.
static_assert(FLT_EVAL_METHOD == 0, "arithmetic must be evaluated in its own type (SSE2, not x87)");

#if defined(__x86_64__) && defined(__SSE2_MATH__)
#define KESTAVON_SSE_STATUS 1
#elif defined(__wasm__)
#define KESTAVON_NO_STATUS 1  // WebAssembly has no floating-point status flags
#else
#include <cfenv>
#endif

namespace kestavon {

namespace fault_flags {

#if defined(KESTAVON_SSE_STATUS)
inline constexpr unsigned kInvalid = 0x01;         // MXCSR.IE
inline constexpr unsigned kDivisionByZero = 0x04;  // MXCSR.ZE
inline constexpr unsigned kOverflow = 0x08;        // MXCSR.OE

inline unsigned readStatus() noexcept {
  unsigned csr;
  asm volatile("stmxcsr %0" : "=m"(csr));
  return csr;
}

inline unsigned pending() noexcept {
  return readStatus() & (kInvalid | kDivisionByZero | kOverflow);
}

// The fault flags are almost always clear already; the register is then left alone, since
// writing it can stall the pipeline.
inline void clear() noexcept {
  unsigned csr = readStatus();
  if ((csr & (kInvalid | kDivisionByZero | kOverflow)) != 0) {
    csr &= ~0x3Fu;  // every status flag: IE DE ZE OE UE PE
    asm volatile("ldmxcsr %0" : : "m"(csr));
  }
}

template <std::floating_point T>
inline void fence(T& value) noexcept {
  asm volatile("" : "+x"(value));
}
#elif defined(KESTAVON_NO_STATUS)
inline constexpr unsigned kInvalid = 0x01;
inline constexpr unsigned kDivisionByZero = 0x04;
inline constexpr unsigned kOverflow = 0x08;

// Nothing to read: a non-finite result goes on as it is.
inline unsigned pending() noexcept { return 0; }

inline void clear() noexcept {}

template <std::floating_point T>
inline void fence(T& value) noexcept {
  volatile T pinned = value;
  value = pinned;
}
#else
inline constexpr unsigned kInvalid = FE_INVALID;
inline constexpr unsigned kDivisionByZero = FE_DIVBYZERO;
inline constexpr unsigned kOverflow = FE_OVERFLOW;

inline unsigned pending() noexcept {
  return static_cast<unsigned>(std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW));
}

inline void clear() noexcept { std::feclearexcept(FE_ALL_EXCEPT); }

template <std::floating_point T>
inline void fence(T& value) noexcept {
#if defined(__aarch64__) && (defined(__GNUC__) || defined(__clang__))
  asm volatile("" : "+w"(value));
#else
  volatile T pinned = value;
  value = pinned;
#endif
}
#endif

template <class T, std::size_t N>
inline void fence(std::array<T, N>& values) noexcept {
  for (T& value : values) fence(value);
}

// Raises the run-time error for the flags given. From finite inputs an invalid operation mostly
// follows from an infinity made earlier by an overflow or a division by zero, so those are named
// first, as the likelier cause.
[[noreturn]] void raise(unsigned flags);

}  // namespace fault_flags

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

// Evaluates function(inputs...) between a clear and a test of the fault flags.
template <class Function, class... Inputs>
auto checkedCall(Function function, Inputs... inputs) {
  fault_flags::clear();
  (fault_flags::fence(inputs), ...);
  auto results = function(inputs...);
  fault_flags::fence(results);
  if (const unsigned flags = fault_flags::pending(); flags != 0) fault_flags::raise(flags);
  return results;
}

namespace checked_detail {
template <auto formula, class... Inputs>
[[gnu::noinline, gnu::cold]] auto evaluateAgain(Inputs... inputs) {
  return checkedCall([](Inputs... in) { return formula(in...); }, inputs...);
}
}  // namespace checked_detail

// The check of checked<formula>(inputs...) for `results` already computed as formula(inputs...),
// by a computation that hands out some of its intermediate values as well (the Runge-Kutta step's
// slopes).
template <auto formula, class Results, class... Inputs>
[[gnu::always_inline]] inline Results checkedResults(Results results, Inputs... inputs) {
  if (!allFinite(results)) [[unlikely]] {
    results = checked_detail::evaluateAgain<formula>(inputs...);
  }
  return results;
}

// Evaluates formula(inputs...), raising its faults (see the top of this file).
template <auto formula, class... Inputs>
[[gnu::always_inline]] inline auto checked(Inputs... inputs) {
  return checkedResults<formula>(formula(inputs...), inputs...);
}

}  // namespace kestavon
