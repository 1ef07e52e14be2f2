#pragma once

#include <csignal>

namespace kestavon {

// While it lives, Ctrl+C and the other signals that end a program (SIGINT, SIGTERM, SIGHUP,
// SIGQUIT) are held back, whichever of the program's threads the system gives them to; one that
// comes meanwhile takes effect when it goes. Made around the life of a temporary file, so that no
// signal can end the program between its creation and its rename or removal. One at a time.
class HeldEndings {
 public:
  HeldEndings();
  ~HeldEndings();
  HeldEndings(const HeldEndings&) = delete;
  HeldEndings& operator=(const HeldEndings&) = delete;

 private:
  sigset_t m_previous{};
  struct sigaction m_actions[4]{};  // as they were, for SIGINT, SIGTERM, SIGHUP, SIGQUIT
};

// While it lives, a write to a pipe whose reader has gone fails with EPIPE instead of ending the
// program with SIGPIPE; the SIGPIPE that the write raised is dropped when it goes.
class QuietPipe {
 public:
  QuietPipe();
  ~QuietPipe();
  QuietPipe(const QuietPipe&) = delete;
  QuietPipe& operator=(const QuietPipe&) = delete;

 private:
  sigset_t m_previous{};
  bool m_wasPending = false;  // a SIGPIPE that was there before is not ours to drop
};

}  // namespace kestavon
