#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "dynamics/oscillator.h"
#include "plot/trajectory.h"

namespace kestavon {

// What the command line asks for. Without --render the window opens.
struct Options {
  std::optional<std::uint32_t> seed;  // --seed N
  std::optional<OscState> start;      // --start X,Y,Z
  std::optional<View> render;         // --render xy|3d
  std::string output;                 // --output FILE.png, or - for standard output: bytes
  int runs = 1;                       // --runs N
  int scale = 1;                      // --scale K
};

// A command line answered without opening the window or rendering: --help and --version (to
// standard output, status 0) or a bad command line (a message and a usage hint for standard
// error, status 2).
struct Answer {
  static constexpr int kBadCommandLine = 2;

  int status = 0;
  std::string text;  // whole lines, each ending in a newline
  bool toStandardOutput() const { return status == 0; }
};

// Reads the program's arguments (without the program name), each as the bytes it was given. Each
// option at most once, its value either the next argument or after '='; a value may start with
// one dash (-1,2,3 or - for standard output) but not with two, given either way. A value shown in
// a message is shown with printable().
std::variant<Options, Answer> parseCommandLine(const std::vector<std::string>& arguments);

// Prints the answer on its stream and returns the exit status: the answer's, or 1 (with a line on
// standard error) when standard output cannot take it, e.g. --help > /dev/full. A reader that
// closes the pipe early ends the program by SIGPIPE, as it ends any filter.
int give(const Answer& answer);

}  // namespace kestavon
