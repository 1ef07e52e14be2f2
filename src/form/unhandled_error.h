#pragma once

#include <exception>
#include <string>

namespace kestavon {

// The report of an exception that left a handler, as the user reads it: a run-time error's own
// message ("Run-time error: ..."), anything else as a fault of the program itself. A front-end
// shows it on standard error and in a message box titled with the caption, then ends the program
// with status 1.
std::string unhandledErrorText(const std::exception_ptr& error);

}  // namespace kestavon
