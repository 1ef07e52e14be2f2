#include "platform/fp_environment.h"

namespace kestavon {

#if defined(__x86_64__) && defined(__SSE2_MATH__)

namespace {
// MXCSR: bits 0-5 are the status flags, left as they are; the rest is control. The default control
// masks every exception (bits 7-12) and has rounding to nearest (bits 13-14 clear), flush-to-zero
// (bit 15) and denormals-are-zero (bit 6) off.
constexpr std::uint32_t kStatusFlags = 0x3F;
constexpr std::uint32_t kDefaultControl = 0x1F80;

std::uint32_t readControl() {
  std::uint32_t csr;
  asm volatile("stmxcsr %0" : "=m"(csr));
  return csr;
}

void writeControl(std::uint32_t control) {
  std::uint32_t csr = (readControl() & kStatusFlags) | (control & ~kStatusFlags);
  asm volatile("ldmxcsr %0" : : "m"(csr));
}

bool isDefault(std::uint32_t csr) { return (csr & ~kStatusFlags) == kDefaultControl; }
}  // namespace

DefaultFpEnvironment::DefaultFpEnvironment() noexcept {
  const std::uint32_t csr = readControl();
  m_saved = csr;
  if (!isDefault(csr)) [[unlikely]] {
    m_replaced = true;
    writeControl(kDefaultControl);
  }
}

DefaultFpEnvironment::~DefaultFpEnvironment() {
  if (m_replaced) writeControl(static_cast<std::uint32_t>(m_saved));
}

bool fpEnvironmentIsDefault() noexcept { return isDefault(readControl()); }

#elif defined(__aarch64__)

namespace {
// FPCR: the default is all zero (round to nearest, no flush-to-zero, no default NaN, no traps).
std::uint64_t readControl() {
  std::uint64_t fpcr;
  asm volatile("mrs %0, fpcr" : "=r"(fpcr));
  return fpcr;
}

void writeControl(std::uint64_t fpcr) { asm volatile("msr fpcr, %0" : : "r"(fpcr)); }
}  // namespace

DefaultFpEnvironment::DefaultFpEnvironment() noexcept {
  m_saved = readControl();
  if (m_saved != 0) [[unlikely]] {
    m_replaced = true;
    writeControl(0);
  }
}

DefaultFpEnvironment::~DefaultFpEnvironment() {
  if (m_replaced) writeControl(m_saved);
}

bool fpEnvironmentIsDefault() noexcept { return readControl() == 0; }

#elif defined(__wasm__)

// WebAssembly has no control register: it always rounds to nearest, keeps subnormals and never
// traps, so its environment is the default one and there is nothing to hold.
DefaultFpEnvironment::DefaultFpEnvironment() noexcept = default;
DefaultFpEnvironment::~DefaultFpEnvironment() = default;
bool fpEnvironmentIsDefault() noexcept { return true; }

#else
#error "The floating-point environment of this processor is not known: add its control register."
#endif

}  // namespace kestavon
