#pragma once

// Benchmark figures as ratios to a reference measured in the same process: this machine is
// shared and noisy, so absolute times mean little, but a ratio taken minutes apart holds.

#include <map>
#include <string>

namespace kestavon::bench {

// Runs every registered benchmark (honouring the usual --benchmark_* flags, with nine repetitions
// in random order unless told otherwise) and returns each benchmark's median real time in
// its time unit, by name; nothing when the command line is wrong.
std::map<std::string, double> runForMedians(int argc, char** argv);

// Runs every registered benchmark (honouring the usual --benchmark_* flags, with nine repetitions
// in random order unless told otherwise), then prints each benchmark's median real time divided by
// the median of `referenceName`. Returns the process exit status.
int runWithRatios(int argc, char** argv, const char* referenceName);

}  // namespace kestavon::bench
