#pragma once

// The program's standard output and standard error as the system gives them, written by the
// program itself, unbuffered (posix_standard_streams.cpp, windows_standard_streams.cpp). On Windows
// a window program started from a console has neither of its own: the console it was started from
// is attached on the first write, so that the text appears there; handed a file or a pipe, it
// writes there, whatever started it.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kestavon {

// What standard output is, for a picture to be written there.
enum class StandardOutputState {
  Writable,     // a file, a pipe, a device
  Closed,       // there is none
  NotWritable,  // open for reading only
  Terminal,     // a terminal or a console: text, not pictures
};
StandardOutputState standardOutputState();

// Writes `bytes` to standard output: the system's words when it fails. A pipe whose reader has
// gone ends the program quietly, as it ends any filter (by SIGPIPE; on Windows with status 1); a
// file grown past the size limit is a failure (EFBIG), not the end of the program. Text for a
// console goes there in the console's own units.
std::optional<std::string> writeStandardOutput(std::span<const std::uint8_t> bytes);

// Whether standard error is a terminal (a console on Windows).
bool standardErrorIsTerminal();

// Writes `text` on standard error as it is (a failure is not worth reporting: there is nowhere left
// to report it). Where there is no standard error while a MessageBoxWithoutConsole lives, the text
// is kept for its box.
void writeStandardError(std::string_view text);

// While it lives, what a program without a console or standard error (on Windows, a window program
// started from Explorer or a shortcut) would have written on standard error is kept, and shown in
// one message box titled `caption` when it goes, so that a command line's error is seen somewhere.
// Elsewhere, and wherever standard error can be had, it changes nothing.
class MessageBoxWithoutConsole {
 public:
  explicit MessageBoxWithoutConsole(const std::string& caption);
  ~MessageBoxWithoutConsole();  // NOLINT(performance-trivially-destructible): not on Windows
  MessageBoxWithoutConsole(const MessageBoxWithoutConsole&) = delete;
  MessageBoxWithoutConsole& operator=(const MessageBoxWithoutConsole&) = delete;
};

}  // namespace kestavon
