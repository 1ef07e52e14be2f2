#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <variant>

#include "dynamics/runge_kutta.h"
#include "picture/destination.h"
#include "plot/trajectory.h"

namespace kestavon {

// What the command line asks for. Without --render the window opens.
struct Options {
  std::optional<std::uint32_t> seed;  // --seed N
  std::optional<OscState> start;      // --start X,Y,Z
  std::optional<View> render;         // --render xy|3d
  QString output;                     // --output FILE.png, or - for standard output
  int runs = 1;                       // --runs N
  int scale = 1;                      // --scale K

  bool toStandardOutput() const { return output == QLatin1String(kStandardOutput); }
};

// A command line answered without opening the window or rendering: --help and --version (to
// standard output, status 0) or a bad command line (a message and a usage hint for standard
// error, status 2).
struct Answer {
  static constexpr int kBadCommandLine = 2;

  int status = 0;
  QString text;  // whole lines, each ending in a newline
  bool toStandardOutput() const { return status == 0; }
};

// Reads the program's arguments (without the program name). Nothing of the command line goes to
// Qt: the window's QApplication gets the program name alone. Each option at most once, its value
// either the next argument or after '='; a value may start with one dash (-1,2,3 or - for
// standard output) but not with two.
std::variant<Options, Answer> parseCommandLine(const QStringList& arguments);

// Prints the answer on its stream and returns the exit status: the answer's, or 1 (with a line on
// standard error) when standard output cannot take it, e.g. --help > /dev/full.
int give(const Answer& answer);

// The program's arguments, from main's argv, in the local encoding.
QStringList argumentsOf(int argc, char** argv);

}  // namespace kestavon
