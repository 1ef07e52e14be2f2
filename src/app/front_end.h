#pragma once

// What the program's window brings: one implementation for each toolkit, in its own folder, which
// the program links with. Nothing else of the program knows which toolkit draws the window.

#include <optional>
#include <string>

#include "dynamics/oscillator.h"

namespace kestavon {

// Opens the window and runs it until the program ends; returns the exit status. Every run starts
// at `fixedStart` when it holds a state. The toolkit gets the program's name alone: the rest of
// the command line is the program's own.
int runWindow(char* programName, const std::optional<OscState>& fixedStart);

// When `argument` is one of the toolkit's own command-line options, the line that says that it is
// not read and what does its job instead; otherwise nothing. `next` is the argument after it, or
// null.
std::optional<std::string> toolkitOptionMessage(const std::string& argument,
                                                const std::string* next);

// A paragraph for --help on the toolkit's options (whole lines), or nothing.
std::string toolkitHelp();

}  // namespace kestavon
