#pragma once

// Checked floating-point arithmetic: an invalid operation, a division by zero or an overflow
// raises RunTimeError instead of letting the value go on.
//
// The status flags: a checked operation clears the sticky fault flags, fences its inputs,
// computes, fences its results and then tests the flags once; the flags accumulate, so one test
// sees a fault anywhere in between. GCC does not honour FENV_ACCESS: without the fences it may
// move arithmetic across the flag access. Each fence is an empty volatile asm that takes the value
// in a register, so the value must exist at that point, and volatile asms keep their order among
// themselves. On x86-64 the flags are read and cleared in the SSE status register directly;
// glibc's feclearexcept also rewrites the x87 environment and costs about ten times the
// arithmetic of an integration step.
//
// The projections use checkedArithmetic at the end of this file instead, which consults the flags
// only when a result is not finite: there the reads of the status register, each waiting for all
// the arithmetic before it, kept a run's drawing from overlapping with the next step.

#include <concepts>

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
  volatile T pinned = value;
  value = pinned;
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

// The two ways `checkedArithmetic` runs a computation: NoFence for the plain evaluation, PinFence
// for the evaluation between a clear and a test of the flags.
struct NoFence {
  template <std::floating_point... T>
  void operator()(T&... /*values*/) const noexcept {}
};
struct PinFence {
  template <std::floating_point... T>
  void operator()(T&... values) const noexcept {
    fpFence(values...);
  }
};

template <class Compute>
[[gnu::noinline, gnu::cold]] auto evaluateTestingFlags(Compute compute) {
  clearFpFaults();
  auto result = compute(PinFence{});
  checkFpFaults();
  return result;
}

// Checked evaluation of arithmetic built only from +, -, * and division by non-zero finite
// constants, in which every intermediate value feeds a result.
//
// Every fault leaves an infinity or a NaN at the operation that raised it (overflow and division
// by zero an infinity, an invalid operation a NaN), and through such arithmetic a non-finite value
// always reaches the results. So when `allFinite(result)` holds, no fault occurred, and the status
// register is not touched. Otherwise the computation runs again
// between a clear and a test of the flags, which raises the fault, so flags left by other code are
// never taken for its own; a non-finite input carried through without a fault is returned as it
// is. Both evaluations give the same bits.
//
// `compute(fence)` calls `fence` on its inputs first and on its results last; the second
// evaluation pins them there, so that it really happens and happens between clear and test.
template <class Compute, class AllFinite>
inline auto checkedArithmetic(Compute compute, AllFinite allFinite) {
  auto result = compute(NoFence{});
  if (allFinite(result)) [[likely]] {
    return result;
  }
  return evaluateTestingFlags(compute);
}

}  // namespace kestavon
