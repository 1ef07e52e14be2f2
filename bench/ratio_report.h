#pragma once

// Benchmark figures as ratios to a reference measured in the same process: this machine is
// shared and noisy, so absolute times mean little, but a ratio taken minutes apart holds.

namespace kestavon::bench {

// Runs every registered benchmark (honouring the usual --benchmark_* flags, with nine repetitions
// in random order unless told otherwise), then prints each benchmark's median real time divided by
// the median of `referenceName`. Returns the process exit status.
int runWithRatios(int argc, char** argv, const char* referenceName);

}  // namespace kestavon::bench
