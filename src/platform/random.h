#pragma once

#include <cstdint>
#include <optional>

namespace kestavon {

// Reseeds the random sequence from the system clock: two calls a moment apart give different
// sequences. Before the first call the sequence starts from a fixed seed. After FixRandomSeed it
// does nothing.
void Randomize();

// Seeds the sequence with `seed` and keeps it: Randomize then leaves it alone, so the k-th value
// drawn after this call is always the same for the same seed. std::nullopt gives Randomize back
// its clock.
void FixRandomSeed(std::optional<std::uint32_t> seed);

// The next value of the sequence: single precision, uniform in [0, 1), never 1.0f.
float Rnd();

}  // namespace kestavon
