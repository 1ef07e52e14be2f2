#pragma once

#include <QtGlobal>
#include <optional>
#include <string>

namespace kestavon {

// The line to print instead of opening the window when the X display that the toolkit would open
// does not answer: which display it is, and how to get a picture without one. Nothing when it
// answers, or when the toolkit is to use another platform (QT_QPA_PLATFORM, a Wayland display).
// Asks the X server itself, before the application object is made.
std::optional<std::string> missingDisplay();

// The toolkit's messages, each on one line of standard error through report(). The toolkit aborts
// after a fatal message, which it sends when it can start no platform; this handler ends the
// program with status 1 after the line instead. `starting` says whether the application object is
// being made.
void toolkitMessage(QtMsgType type, const QMessageLogContext& context, const QString& text);
void setStarting(bool starting);

}  // namespace kestavon
