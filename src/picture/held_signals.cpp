#include "picture/held_signals.h"

#include <pthread.h>

#include <array>
#include <cerrno>
#include <ctime>
#include <initializer_list>

namespace kestavon {
namespace {

constexpr std::array<int, 4> kEndings = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

sigset_t setOf(std::initializer_list<int> signals) {
  sigset_t set;
  sigemptyset(&set);
  for (const int signal : signals) sigaddset(&set, signal);
  return set;
}

// A signal that ended the program taken by another thread while one is held.
volatile std::sig_atomic_t heldSignal = 0;

void hold(int signal) { heldSignal = signal; }

}  // namespace

HeldEndings::HeldEndings() {
  const sigset_t endings = setOf({SIGINT, SIGTERM, SIGHUP, SIGQUIT});
  pthread_sigmask(SIG_BLOCK, &endings, &m_previous);
  // Another thread (a toolkit's) may take a signal meant for the whole process: it waits too.
  struct sigaction keep {};
  keep.sa_handler = hold;
  sigemptyset(&keep.sa_mask);
  for (std::size_t i = 0; i < kEndings.size(); ++i) sigaction(kEndings[i], &keep, &m_actions[i]);
}

HeldEndings::~HeldEndings() {
  for (std::size_t i = 0; i < kEndings.size(); ++i) sigaction(kEndings[i], &m_actions[i], nullptr);
  // One that came to this thread takes effect here, one that came to another is raised again.
  pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
  if (const int signal = heldSignal; signal != 0) {
    heldSignal = 0;
    raise(signal);
  }
}

QuietPipe::QuietPipe() {
  sigset_t pending;
  sigemptyset(&pending);
  sigpending(&pending);
  m_wasPending = sigismember(&pending, SIGPIPE) == 1;
  const sigset_t pipe = setOf({SIGPIPE});
  pthread_sigmask(SIG_BLOCK, &pipe, &m_previous);
}

QuietPipe::~QuietPipe() {
  // The SIGPIPE of a failed write is directed at the thread that wrote, which holds it: take it
  // before the mask goes back, keeping errno for the caller's report.
  if (!m_wasPending) {
    const int savedErrno = errno;
    const sigset_t pipe = setOf({SIGPIPE});
    const timespec none{};
    while (sigtimedwait(&pipe, nullptr, &none) == -1 && errno == EINTR) {
    }
    errno = savedErrno;
  }
  pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
}

}  // namespace kestavon
