#pragma once

#include <QLoggingCategory>

namespace kestavon {

// Where a click's time goes, for the click-to-picture benchmark: with
// QT_LOGGING_RULES="kestavon.timing.debug=true" the window prints, on standard error, a line
// "kestavon: kestavon.timing: <event> <milliseconds>" at each step, on the monotonic clock that
// other processes read too. Off (and costing one test of a flag) otherwise.
Q_DECLARE_LOGGING_CATEGORY(timingTrace)

// Prints `event` with the time now, when the trace is on.
void traceTime(const char* event);

}  // namespace kestavon
