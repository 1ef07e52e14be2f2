#pragma once

// The signals that end the program and those that a failed write raises: one concept on every
// system (posix_signals.cpp; windows_signals.cpp, where Ctrl+C and Ctrl+Break in a console end a
// program and a failed write raises nothing).

#include <string>

namespace kestavon {

// While it lives, the signals that end a program (SIGINT, SIGTERM, SIGHUP, SIGQUIT; on Windows
// Ctrl+C and Ctrl+Break) wait, whichever of the program's threads the system gives them to; one
// that came meanwhile takes effect when it goes. Made around the life of a temporary file, so that
// none can end the program between the file's creation and its rename or removal. One at a time.
class HeldEndings {
 public:
  HeldEndings();
  ~HeldEndings();
  HeldEndings(const HeldEndings&) = delete;
  HeldEndings& operator=(const HeldEndings&) = delete;
};

// While it lives, a write of this thread that the system would answer with a signal that ends the
// program fails with an error for the writer to report instead: a file grown past the size limit
// (SIGXFSZ; the write fails with EFBIG) and, when `closedPipeToo`, a pipe whose reader has gone
// (SIGPIPE; EPIPE). The signals that such writes raised are dropped when it goes.
class WriteSignalsAsErrors {
 public:
  explicit WriteSignalsAsErrors(bool closedPipeToo);
  ~WriteSignalsAsErrors();
  WriteSignalsAsErrors(const WriteSignalsAsErrors&) = delete;
  WriteSignalsAsErrors& operator=(const WriteSignalsAsErrors&) = delete;

 private:
  unsigned m_blocked = 0;     // which of the two this thread had not blocked already
  unsigned m_wasPending = 0;  // which of them were pending before: not ours to drop
};

// While it lives, `words` go to standard error when a signal that ends the program ends it (the
// progress line on a terminal is cleared); the program still ends by that signal. A signal that the
// program was started ignoring stays ignored. One at a time.
class LastWords {
 public:
  explicit LastWords(std::string words);
  ~LastWords();
  LastWords(const LastWords&) = delete;
  LastWords& operator=(const LastWords&) = delete;
};

}  // namespace kestavon
