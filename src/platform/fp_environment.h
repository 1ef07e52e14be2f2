#pragma once

// The floating-point environment that the program's results assume: rounding to nearest, ties to
// even; subnormal numbers kept (no flush-to-zero, no denormals-are-zero); no fault trapping. A
// library or a plugin loaded into the process may change it, and then every run would draw other
// numbers without a word. A run therefore holds a DefaultFpEnvironment: it checks the environment
// once (cheap: one read of the control register), puts the default in place if it finds another,
// and gives the caller's environment back at the end.

#include <cstdint>

namespace kestavon {

class DefaultFpEnvironment {
 public:
  DefaultFpEnvironment() noexcept;
  ~DefaultFpEnvironment();
  DefaultFpEnvironment(const DefaultFpEnvironment&) = delete;
  DefaultFpEnvironment& operator=(const DefaultFpEnvironment&) = delete;

 private:
  // Unused where there is no control register (WebAssembly).
  [[maybe_unused]] bool m_replaced = false;
  [[maybe_unused]] std::uint64_t m_saved = 0;  // the register as found (MXCSR, FPCR)
};

// Whether the environment in force is the default one (see above).
bool fpEnvironmentIsDefault() noexcept;

}  // namespace kestavon
