#pragma once

// Floating-point settings that a library or a plugin might leave behind, each put in place the way
// such code would: fesetround for the rounding, the control register for flush-to-zero and
// denormals-are-zero. Reset with restoreDefault().

#include <cfenv>
#include <cstdint>
#include <string>

#if defined(__x86_64__) && defined(__SSE2_MATH__)
#include <xmmintrin.h>
#endif

namespace kestavon::testing_support {

enum class Setting { RoundUp, RoundDown, RoundTowardZero, FlushToZero, DenormalsAreZero };

inline const char* nameOf(Setting setting) {
  switch (setting) {
    case Setting::RoundUp:
      return "round_up";
    case Setting::RoundDown:
      return "round_down";
    case Setting::RoundTowardZero:
      return "round_toward_zero";
    case Setting::FlushToZero:
      return "flush_to_zero";
    case Setting::DenormalsAreZero:
      return "denormals_are_zero";
  }
  return "unknown";
}

inline constexpr auto settingName = [](const auto& info) {
  return std::string(nameOf(info.param));
};

#if defined(__x86_64__) && defined(__SSE2_MATH__)
inline std::uint64_t controlRegister() { return _mm_getcsr() & ~0x3Fu; }
inline void setControlBits(std::uint64_t bits) {
  _mm_setcsr(_mm_getcsr() | static_cast<unsigned>(bits));
}
constexpr std::uint64_t kFlushToZero = 0x8000, kDenormalsAreZero = 0x40;
#elif defined(__aarch64__)
inline std::uint64_t controlRegister() {
  std::uint64_t fpcr;
  asm volatile("mrs %0, fpcr" : "=r"(fpcr));
  return fpcr;
}
inline void setControlBits(std::uint64_t bits) {
  const std::uint64_t fpcr = controlRegister() | bits;
  asm volatile("msr fpcr, %0" : : "r"(fpcr));
}
constexpr std::uint64_t kFlushToZero = 1u << 24, kDenormalsAreZero = 1u << 24;  // FZ does both
#else
inline std::uint64_t controlRegister() { return static_cast<std::uint64_t>(std::fegetround()); }
inline void setControlBits(std::uint64_t) {}
constexpr std::uint64_t kFlushToZero = 0, kDenormalsAreZero = 0;
#endif

// Back to the default environment. MinGW-w64's fesetenv(FE_DFL_ENV) resets the x87 unit alone
// (its _fpreset is a bare fninit), so the SSE control register is written as well.
inline void restoreDefault() {
  std::fesetenv(FE_DFL_ENV);
#if defined(__x86_64__) && defined(__SSE2_MATH__)
  _mm_setcsr(0x1F80);  // all exceptions masked, round to nearest, no FTZ or DAZ, no flag set
#endif
}

inline void apply(Setting setting) {
  switch (setting) {
    case Setting::RoundUp:
      std::fesetround(FE_UPWARD);
      break;
    case Setting::RoundDown:
      std::fesetround(FE_DOWNWARD);
      break;
    case Setting::RoundTowardZero:
      std::fesetround(FE_TOWARDZERO);
      break;
    case Setting::FlushToZero:
      setControlBits(kFlushToZero);
      break;
    case Setting::DenormalsAreZero:
      setControlBits(kDenormalsAreZero);
      break;
  }
}

}  // namespace kestavon::testing_support
