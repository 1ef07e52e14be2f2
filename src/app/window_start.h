#pragma once

#include "app/command_line.h"

namespace kestavon {

// Opens the window and runs it until the program ends; returns the exit status. The application
// object gets the program's name alone: the rest of the command line is the program's own. Without
// a display to open, prints one line saying so and how to get a picture anyway, and returns 1.
int runWindow(char* programName, const Options& options);

}  // namespace kestavon
