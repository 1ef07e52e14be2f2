#pragma once

#include <string>

namespace kestavon {

// The one line that the program prints when the window system cannot be reached: which display
// it could not open, and how to get a picture without one. `platform`, `display` and
// `waylandDisplay` are the environment's QT_QPA_PLATFORM, DISPLAY and WAYLAND_DISPLAY (null when
// unset).
std::string missingDisplayMessage(const char* platform, const char* display,
                                  const char* waylandDisplay);

// While it lives, holds back Qt's messages. Should Qt find no display to open meanwhile (the
// toolkit would abort), the program prints missingDisplayMessage on standard error and ends with
// status 1 instead, dropping the held messages; on any other fatal message it prints that message
// on one line and ends with status 1. When it goes, the held messages are passed on as they came.
// Made around the construction of the application object. One at a time.
class MissingDisplayGuard {
 public:
  MissingDisplayGuard();
  ~MissingDisplayGuard();
  MissingDisplayGuard(const MissingDisplayGuard&) = delete;
  MissingDisplayGuard& operator=(const MissingDisplayGuard&) = delete;
};

}  // namespace kestavon
