#pragma once

// The processor's floating-point status flags: the independent judge that the tests hold the
// program's fault checks to, which name faults from values alone. Read and cleared in the SSE
// status register on x86-64 (MinGW-w64's <cfenv> would look at the x87 unit as well), through
// <cfenv> elsewhere.
//
// Empty volatile asm statements pin the inputs before the arithmetic and the results after it:
// GCC and clang do not honour FENV_ACCESS and would otherwise move the arithmetic across the flag
// accesses (clang does, at -O2).

#include <array>
#include <concepts>
#include <cstddef>

#include "platform/run_time_error.h"

#if defined(__x86_64__) && defined(__SSE2_MATH__)
#include <xmmintrin.h>
#else
#include <cfenv>
#endif

namespace kestavon::testing_support {

namespace status_flags {

#if defined(__x86_64__) && defined(__SSE2_MATH__)
inline constexpr unsigned kInvalid = 0x01;         // MXCSR.IE
inline constexpr unsigned kDivisionByZero = 0x04;  // MXCSR.ZE
inline constexpr unsigned kOverflow = 0x08;        // MXCSR.OE

inline unsigned pending() { return _mm_getcsr() & (kInvalid | kDivisionByZero | kOverflow); }
inline void clear() { _mm_setcsr(_mm_getcsr() & ~0x3Fu); }

template <std::floating_point T>
void fence(T& value) {
  asm volatile("" : "+x"(value));
}
#elif defined(__wasm__)
// WebAssembly has no status flags: nothing is ever recorded, and the tests that judge by them skip.
inline constexpr unsigned kInvalid = 0x01;
inline constexpr unsigned kDivisionByZero = 0x04;
inline constexpr unsigned kOverflow = 0x08;

inline unsigned pending() { return 0; }
inline void clear() {}

template <std::floating_point T>
void fence(T& value) {
  volatile T pinned = value;
  value = pinned;
}
#else
inline constexpr unsigned kInvalid = FE_INVALID;
inline constexpr unsigned kDivisionByZero = FE_DIVBYZERO;
inline constexpr unsigned kOverflow = FE_OVERFLOW;

inline unsigned pending() {
  return static_cast<unsigned>(std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW));
}
inline void clear() { std::feclearexcept(FE_ALL_EXCEPT); }

template <std::floating_point T>
void fence(T& value) {
#if defined(__aarch64__)
  asm volatile("" : "+w"(value));
#else
  volatile T pinned = value;
  value = pinned;
#endif
}
#endif

template <class T, std::size_t N>
void fence(std::array<T, N>& values) {
  for (T& value : values) fence(value);
}

}  // namespace status_flags

// Evaluates function(inputs...) between a clear and a test of the status flags, and throws the
// RunTimeError that the program raises for the faults they record (an overflow before a division
// by zero before an invalid operation), or returns the results.
template <class Function, class... Inputs>
auto underStatusFlags(Function function, Inputs... inputs) {
  status_flags::clear();
  (status_flags::fence(inputs), ...);
  auto results = function(inputs...);
  status_flags::fence(results);
  const unsigned flags = status_flags::pending();
  if ((flags & status_flags::kOverflow) != 0) throw RunTimeError(RunTimeFault::Overflow);
  if ((flags & status_flags::kDivisionByZero) != 0) {
    throw RunTimeError(RunTimeFault::DivisionByZero);
  }
  if ((flags & status_flags::kInvalid) != 0) throw RunTimeError(RunTimeFault::InvalidOperation);
  return results;
}

}  // namespace kestavon::testing_support
