#include "ratio_report.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace kestavon::bench {

namespace {

// Prints as the console reporter does and keeps each benchmark's median real time.
class MedianCollector : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const bool isMedian = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      const bool isSingle = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
      if (isMedian || isSingle) m_medians[run.run_name.function_name] = run.GetAdjustedRealTime();
    }
  }

  const std::map<std::string, double>& medians() const { return m_medians; }

 private:
  std::map<std::string, double> m_medians;
};

}  // namespace

std::map<std::string, double> runForMedians(int argc, char** argv) {
  // Nine repetitions in random order unless told otherwise: a burst of load from elsewhere then
  // falls on every benchmark alike instead of on one of them.
  std::vector<char*> args(argv, argv + argc);
  std::string repetitions = "--benchmark_repetitions=9";
  std::string interleaving = "--benchmark_enable_random_interleaving=true";
  const auto given = [&](const char* flag) {
    return std::any_of(args.begin() + 1, args.end(),
                       [flag](const char* arg) { return std::string(arg).starts_with(flag); });
  };
  if (!given("--benchmark_repetitions")) args.push_back(repetitions.data());
  if (!given("--benchmark_enable_random_interleaving")) args.push_back(interleaving.data());
  int count = static_cast<int>(args.size());

  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return {};
  MedianCollector collector;
  benchmark::RunSpecifiedBenchmarks(&collector);
  benchmark::Shutdown();
  return collector.medians();
}

int runWithRatios(int argc, char** argv, const char* referenceName) {
  const std::map<std::string, double> medians = runForMedians(argc, argv);
  const auto reference = medians.find(referenceName);
  if (reference == medians.end() || reference->second <= 0) {
    std::printf("\nreference %s was not run: no ratios\n", referenceName);
    return 0;
  }
  std::printf("\nmedian real time as a ratio to %s (%.3f ms):\n", referenceName, reference->second);
  for (const auto& [name, time] : medians) {
    std::printf("  %-28s %6.3f ms  %5.2fx\n", name.c_str(), time, time / reference->second);
  }
  return 0;
}

}  // namespace kestavon::bench
