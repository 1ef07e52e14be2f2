#pragma once

// The floating-point status flags, underneath checked.h (the program's checked evaluation uses
// these only through it).
//
// An evaluation between a clear and a test of the flags clears the sticky fault flags, fences its
// inputs, computes, fences its results and then tests the flags once; the flags accumulate, so one
// test sees a fault anywhere in between. GCC and clang do not honour FENV_ACCESS: without the
// fences they may move arithmetic across the flag access (clang does, at -O2). Each fence is an
// empty volatile asm that takes the value in a register, so the value must exist at that point,
// and volatile asms keep their order among themselves. On x86-64 the flags are read and cleared in
// the SSE status register directly; glibc's feclearexcept also rewrites the x87 environment and
// costs about ten times the arithmetic of an integration step.

#include <cfloat>
#include <concepts>

// Every double and float operation must be rounded to its own type at once: with excess precision
// (x87, FLT_EVAL_METHOD 2) results would differ from the prescribed ones and an overflow would
// hide until a store.
static_assert(FLT_EVAL_METHOD == 0, "arithmetic must be evaluated in its own type (SSE2, not x87)");

#if !(defined(__x86_64__) && defined(__SSE2_MATH__))
#include <cfenv>
#endif

namespace kestavon {

// Throws RunTimeError naming a fault found in `flags` (the platform's own flag bits, as returned
// by pendingFpFaults), overflow before division by zero before invalid operation.
[[noreturn]] void throwFpFault(unsigned flags);

#if defined(__x86_64__) && defined(__SSE2_MATH__)

namespace fpdetail {
inline constexpr unsigned kInvalid = 0x01;         // MXCSR.IE
inline constexpr unsigned kDivisionByZero = 0x04;  // MXCSR.ZE
inline constexpr unsigned kOverflow = 0x08;        // MXCSR.OE
inline constexpr unsigned kFaults = kInvalid | kDivisionByZero | kOverflow;
inline constexpr unsigned kAllStatusFlags = 0x3F;  // IE DE ZE OE UE PE

inline unsigned readStatus() noexcept {
  unsigned csr;
  asm volatile("stmxcsr %0" : "=m"(csr));
  return csr;
}

template <std::floating_point T>
inline void fence(T& value) noexcept {
  asm volatile("" : "+x"(value));
}
}  // namespace fpdetail

// Starts a checked operation: flags left by other code must not be reported as its faults. Only
// the fault flags matter, and they are almost always clear already; the status register is then
// left alone, since writing it can stall the pipeline.
inline void clearFpFaults() noexcept {
  unsigned csr = fpdetail::readStatus();
  if ((csr & fpdetail::kFaults) != 0) [[unlikely]] {
    csr &= ~fpdetail::kAllStatusFlags;
    asm volatile("ldmxcsr %0" : : "m"(csr));
  }
}

// The fault flags raised since the last clear (zero when there is none).
inline unsigned pendingFpFaults() noexcept { return fpdetail::readStatus() & fpdetail::kFaults; }

#else  // portable fallback through <cfenv>

inline void clearFpFaults() noexcept { std::feclearexcept(FE_ALL_EXCEPT); }

inline unsigned pendingFpFaults() noexcept {
  return static_cast<unsigned>(std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW));
}

namespace fpdetail {
template <std::floating_point T>
inline void fence(T& value) noexcept {
#if defined(__aarch64__) && (defined(__GNUC__) || defined(__clang__))
  asm volatile("" : "+w"(value));
#else
  volatile T pinned = value;
  value = pinned;
#endif
}
}  // namespace fpdetail

#endif

// Pins each value at this point of the program (see the comment at the top of this file).
template <std::floating_point... T>
inline void fpFence(T&... values) noexcept {
  (fpdetail::fence(values), ...);
}

// Ends a checked operation: raises the run-time error if any fault occurred since the clear.
inline void checkFpFaults() {
  if (const unsigned flags = pendingFpFaults(); flags != 0) [[unlikely]] {
    throwFpFault(flags);
  }
}

}  // namespace kestavon
