#pragma once

#include <optional>
#include <string>

namespace kestavon {

// The line to print instead of opening the window when the X display that the toolkit would open
// does not answer: which display it is, and how to get a picture without one. Nothing when it
// answers, or when the toolkit is to use another platform (QT_QPA_PLATFORM, a Wayland display).
// Asks the X server itself, before the application object is made.
std::optional<std::string> missingDisplay();

}  // namespace kestavon
