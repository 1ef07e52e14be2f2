#include "picture/held_signals.h"

#include <pthread.h>

#include <cerrno>
#include <ctime>
#include <initializer_list>

namespace kestavon {
namespace {

sigset_t setOf(std::initializer_list<int> signals) {
  sigset_t set;
  sigemptyset(&set);
  for (const int signal : signals) sigaddset(&set, signal);
  return set;
}

}  // namespace

HeldEndings::HeldEndings() {
  const sigset_t endings = setOf({SIGINT, SIGTERM, SIGHUP, SIGQUIT});
  pthread_sigmask(SIG_BLOCK, &endings, &m_previous);
}

HeldEndings::~HeldEndings() { pthread_sigmask(SIG_SETMASK, &m_previous, nullptr); }

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
