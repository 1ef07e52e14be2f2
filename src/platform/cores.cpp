#include "platform/cores.h"

#include <algorithm>
#include <thread>

#if defined(__linux__)
#include <sched.h>
#elif defined(_WIN32)
#include <windows.h>

#include <bit>
#endif

namespace kestavon {

int usableCores() {
#if defined(__linux__)
  cpu_set_t allowed;
  CPU_ZERO(&allowed);
  if (sched_getaffinity(0, sizeof allowed, &allowed) == 0) return std::max(1, CPU_COUNT(&allowed));
#elif defined(_WIN32)
  DWORD_PTR process = 0, system = 0;
  if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system) != 0 && process != 0) {
    return std::popcount(static_cast<unsigned long long>(process));
  }
#endif
  return static_cast<int>(std::max(1U, std::thread::hardware_concurrency()));
}

}  // namespace kestavon
