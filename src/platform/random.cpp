#include "platform/random.h"

#include <chrono>
#include <cstdint>
#include <random>

namespace kestavon {

namespace {

std::mt19937& engine() {
  static std::mt19937 generator;  // default seed until the first Randomize
  return generator;
}

bool seedIsFixed = false;

}  // namespace

void Randomize() {
  if (seedIsFixed) return;
  // The clock alone could repeat within its resolution; the call count keeps two reseeds a
  // moment apart distinct.
  static std::uint32_t calls = 0;
  const auto ticks = static_cast<std::uint64_t>(
      std::chrono::high_resolution_clock::now().time_since_epoch().count());
  std::seed_seq seed{static_cast<std::uint32_t>(ticks), static_cast<std::uint32_t>(ticks >> 32),
                     ++calls};
  engine().seed(seed);
}

void FixRandomSeed(std::optional<std::uint32_t> seed) {
  seedIsFixed = seed.has_value();
  if (seed) engine().seed(*seed);
}

float Rnd() {
  // The top 24 bits of a 32-bit draw, times 2^-24: every float k / 2^24 with k < 2^24, exactly
  // uniform and never 1. (generate_canonical<float> can round up to 1.0f.)
  const auto bits = static_cast<std::uint32_t>(engine()() >> 8);
  return static_cast<float>(bits) * 0x1p-24f;
}

}  // namespace kestavon
