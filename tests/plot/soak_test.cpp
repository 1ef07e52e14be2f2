// Many whole runs in one process, as a long session at the window would make them: the process's
// resident memory must settle after the first few runs and stay there.
//
// KESTAVON_SOAK_RUNS sets the number of runs (200 by default); the memory after the last run is
// compared with the memory after run 10 (or after the last, for fewer runs).

#include <gtest/gtest.h>

#include <algorithm>
#include <cinttypes>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// <psapi.h> needs <windows.h> first.
#include <psapi.h>
#elif defined(__linux__)
#include <fcntl.h>
#include <unistd.h>
#endif

#include "plot/raster_canvas.h"
#include "plot/trajectory.h"

namespace kestavon {
namespace {

constexpr double kPi = 3.141592654;
constexpr double kViewAngle = 120;
constexpr int kDefaultRuns = 200;
constexpr int kSettledAfterRun = 10;
constexpr std::int64_t kAllowedGrowth = 1024 * 1024;  // bytes

// Resident memory of this process in bytes, or -1 where it cannot be read. No heap memory is
// taken for the reading: a sanitizer's allocator does not hand freed memory out again at once, so
// the reading itself would look like growth.
#if defined(_WIN32)
constexpr const char* kResidentSource = "GetProcessMemoryInfo";

std::int64_t residentBytes() {
  PROCESS_MEMORY_COUNTERS counters{};
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return -1;
  return static_cast<std::int64_t>(counters.WorkingSetSize);
}
#elif defined(__linux__)
constexpr const char* kResidentSource = "/proc/self/statm";

// Resident pages times the page size, read with plain system calls into a stack buffer.
std::int64_t residentBytes() {
  const int fd = open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  char text[128] = {};
  const ssize_t length = read(fd, text, sizeof text - 1);
  close(fd);
  long totalPages = 0, residentPages = 0;
  if (length <= 0 || std::sscanf(text, "%ld %ld", &totalPages, &residentPages) != 2) return -1;
  return static_cast<std::int64_t>(residentPages) * sysconf(_SC_PAGESIZE);
}
#else
constexpr const char* kResidentSource = nullptr;

std::int64_t residentBytes() { return -1; }
#endif

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

// The runs really drew: the trajectories and the axes are on the canvas.
void checkDrawn(const RasterCanvas& canvas) {
  const std::uint32_t* pixels = canvas.pixels();
  const std::size_t count = static_cast<std::size_t>(canvas.width() * canvas.height());
  EXPECT_GT(std::count(pixels, pixels + count, 0xFF00FF00u), 5'000);
  EXPECT_GT(std::count(pixels, pixels + count, 0xFFFFFF00u), 0);
}

TEST(TrajectorySoakTest, RunsOfBothViewsKeepResidentMemoryFlat) {
  const int runs = soakRuns();
  const int settledRun = std::min(kSettledAfterRun, runs);
  RasterCanvas canvas(549, 373);
  std::vector<std::int64_t> resident;
  resident.reserve(static_cast<std::size_t>(runs));  // no allocation between measurements

  for (int run = 1; run <= runs; ++run) {
    // Alternating as a user clicking both buttons would; runs accumulate on the canvas.
    TrajectoryRun(run % 2 == 1 ? View::XYPlane : View::Oblique, canvas, kPi, kViewAngle);
    resident.push_back(residentBytes());
  }
  RecordProperty("runs", runs);
  checkDrawn(canvas);

  if constexpr (kResidentSource == nullptr) {
    GTEST_SKIP() << runs << " runs drawn; resident memory not measured: no way to read it is "
                 << "known on this platform";
  }
  ASSERT_GT(resident.front(), 0) << "cannot read resident memory (" << kResidentSource << ")";
  const std::int64_t settled = resident[static_cast<std::size_t>(settledRun - 1)];
  const std::int64_t last = resident.back();
  const std::int64_t peak = *std::max_element(resident.begin(), resident.end());
  RecordProperty("resident_after_run_" + std::to_string(settledRun), std::to_string(settled));
  RecordProperty("resident_after_last_run", std::to_string(last));
  RecordProperty("resident_peak", std::to_string(peak));
  std::printf("resident memory (%s): after run 1 %" PRId64 " B, after run %d %" PRId64
              " B, after run %d %" PRId64 " B, peak %" PRId64 " B\n",
              kResidentSource, resident.front(), settledRun, settled, runs, last, peak);
  EXPECT_LE(last - settled, kAllowedGrowth)
      << "resident memory grew from " << settled << " B after run " << settledRun << " to " << last
      << " B after run " << runs;
}

}  // namespace
}  // namespace kestavon
