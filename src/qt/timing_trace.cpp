#include "qt/timing_trace.h"

#include <chrono>

namespace kestavon {

Q_LOGGING_CATEGORY(timingTrace, "kestavon.timing", QtInfoMsg)

void traceTime(const char* event) {
  if (!timingTrace().isDebugEnabled()) return;
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  qCDebug(timingTrace, "%s %.3f", event, std::chrono::duration<double, std::milli>(now).count());
}

}  // namespace kestavon
