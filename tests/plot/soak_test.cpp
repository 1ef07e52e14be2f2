// Many whole runs in one process, as a long session at the window would make them: the process's
// resident memory must settle after the first few runs and stay there.
//
// KESTAVON_SOAK_RUNS sets the number of runs (200 by default); the memory after the last run is
// compared with the memory after run 10 (or after the last, for fewer runs).

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "plot/raster_canvas.h"
#include "plot/trajectory.h"

namespace kestavon {
namespace {

constexpr double kPi = 3.141592654;
constexpr double kViewAngle = 120;
constexpr int kDefaultRuns = 200;
constexpr int kSettledAfterRun = 10;
constexpr long kAllowedGrowth = 1024 * 1024;  // bytes

// Resident set size of this process in bytes: resident pages times the page size. Read with
// plain system calls into a stack buffer, since a stream's buffer would itself take heap memory
// that a sanitizer's allocator does not hand out again at once.
long residentBytes() {
  const int fd = open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  char text[128] = {};
  const ssize_t length = read(fd, text, sizeof text - 1);
  close(fd);
  long totalPages = 0, residentPages = 0;
  if (length <= 0 || std::sscanf(text, "%ld %ld", &totalPages, &residentPages) != 2) return -1;
  return residentPages * sysconf(_SC_PAGESIZE);
}

int soakRuns() {
  const char* text = std::getenv("KESTAVON_SOAK_RUNS");
  if (text == nullptr || *text == '\0') return kDefaultRuns;
  char* end = nullptr;
  const long runs = std::strtol(text, &end, 10);
  if (*end != '\0' || runs < 1 || runs > 100'000) {
    ADD_FAILURE() << "KESTAVON_SOAK_RUNS=" << text << " is not a run count; using " << kDefaultRuns;
    return kDefaultRuns;
  }
  return static_cast<int>(runs);
}

TEST(TrajectorySoakTest, RunsOfBothViewsKeepResidentMemoryFlat) {
  const int runs = soakRuns();
  const int settledRun = std::min(kSettledAfterRun, runs);
  RasterCanvas canvas(549, 373);
  std::vector<long> resident;
  resident.reserve(static_cast<std::size_t>(runs));  // no allocation between measurements

  for (int run = 1; run <= runs; ++run) {
    // Alternating as a user clicking both buttons would; runs accumulate on the canvas.
    TrajectoryRun(run % 2 == 1 ? View::XYPlane : View::Oblique, canvas, kPi, kViewAngle);
    resident.push_back(residentBytes());
  }

  ASSERT_GT(resident.front(), 0) << "cannot read /proc/self/statm";
  const long settled = resident[static_cast<std::size_t>(settledRun - 1)];
  const long last = resident.back();
  const long peak = *std::max_element(resident.begin(), resident.end());
  RecordProperty("runs", runs);
  RecordProperty("resident_after_run_" + std::to_string(settledRun), std::to_string(settled));
  RecordProperty("resident_after_last_run", std::to_string(last));
  RecordProperty("resident_peak", std::to_string(peak));
  std::printf(
      "resident memory: after run 1 %ld B, after run %d %ld B, after run %d %ld B, peak %ld B\n",
      resident.front(), settledRun, settled, runs, last, peak);
  EXPECT_LE(last - settled, kAllowedGrowth)
      << "resident memory grew from " << settled << " B after run " << settledRun << " to " << last
      << " B after run " << runs;

  // The runs really drew: the trajectories and the axes are on the canvas.
  const std::uint32_t* pixels = canvas.pixels();
  const std::size_t count = static_cast<std::size_t>(canvas.width() * canvas.height());
  EXPECT_GT(std::count(pixels, pixels + count, 0xFF00FF00u), 5'000);
  EXPECT_GT(std::count(pixels, pixels + count, 0xFFFFFF00u), 0);
}

}  // namespace
}  // namespace kestavon
