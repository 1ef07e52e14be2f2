#pragma once

// What the program's window brings: one implementation for each toolkit, in its own folder, which
// the program links with. Nothing else of the program knows which toolkit draws the window.

#include <optional>
#include <span>
#include <string_view>

#include "dynamics/oscillator.h"

namespace kestavon {

// Opens the window and runs it until the program ends; returns the exit status. Every run starts
// at `fixedStart` when it holds a state. The toolkit gets the program's name alone: the rest of
// the command line is the program's own.
int runWindow(char* programName, const std::optional<OscState>& fixedStart);

// A command-line option that the toolkit would read from a program's arguments.
struct ToolkitOption {
  std::string_view name;      // without its dash or dashes
  std::string_view variable;  // the environment variable that does the same, or empty
  bool takesValue;
};

// The toolkit's own options, which the program does not read (toolkit_options.h says so to the
// user), and a paragraph on them for --help (whole lines, or empty).
struct ToolkitOptions {
  std::string_view toolkit;  // its name, e.g. "Qt"
  std::span<const ToolkitOption> options;
  std::string_view help;
};
const ToolkitOptions& toolkitOptions();

}  // namespace kestavon
