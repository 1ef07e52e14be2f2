#pragma once

#include <windows.h>

#include <utility>

namespace kestavon {

// Reports the exception being handled, as an unhandled error: on standard error, and in a message
// box titled with the caption, owned by `owner` (which it disables); then ends the program with
// status 1. From then on no handler runs.
[[noreturn]] void reportUnhandled(HWND owner) noexcept;

// Whether an unhandled error is being reported: handlers that come meanwhile do not run.
bool endingAfterError();

// Runs an event handler of the program. An exception that leaves it is reported and ends the
// program right here, so that it never unwinds through the system's own frames.
template <class Handler>
void runHandler(HWND owner, Handler&& handler) noexcept {
  if (endingAfterError()) return;
  try {
    std::forward<Handler>(handler)();
  } catch (...) {
    reportUnhandled(owner);
  }
}

}  // namespace kestavon
