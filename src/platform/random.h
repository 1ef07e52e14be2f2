#pragma once

namespace kestavon {

// Reseeds the random sequence from the system clock: two calls a moment apart give different
// sequences. Before the first call the sequence starts from a fixed seed.
void Randomize();

// The next value of the sequence: single precision, uniform in [0, 1), never 1.0f.
float Rnd();

}  // namespace kestavon
