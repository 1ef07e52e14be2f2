#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>

#include "platform/signals.h"

namespace kestavon {
namespace {

constexpr std::array<int, 4> kEndings = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
constexpr std::array<int, 2> kWriteSignals = {SIGXFSZ, SIGPIPE};

sigset_t setOf(int signal) {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, signal);
  return set;
}

sigset_t endings() {
  sigset_t set;
  sigemptyset(&set);
  for (const int signal : kEndings) sigaddset(&set, signal);
  return set;
}

// HeldEndings: the mask and actions as they were, and a signal that came to another thread.
sigset_t heldPreviousMask;
std::array<struct sigaction, kEndings.size()> heldPreviousActions{};
volatile std::sig_atomic_t heldSignal = 0;

void hold(int signal) { heldSignal = signal; }

// LastWords: the words, in a buffer that a signal handler may read, and the actions replaced.
std::array<char, 256> lastWords{};
std::size_t lastWordsLength = 0;
std::array<struct sigaction, kEndings.size()> wordsPreviousActions{};
std::array<bool, kEndings.size()> wordsInstalled{};

void sayLastWords(int signal) {
  for (std::size_t done = 0; done < lastWordsLength;) {
    const ssize_t written = ::write(STDERR_FILENO, lastWords.data() + done, lastWordsLength - done);
    if (written <= 0) break;
    done += static_cast<std::size_t>(written);
  }
  std::signal(signal, SIG_DFL);
  std::raise(signal);  // ends the program once this handler returns and unblocks it
}

}  // namespace

HeldEndings::HeldEndings() {
  const sigset_t held = endings();
  pthread_sigmask(SIG_BLOCK, &held, &heldPreviousMask);
  // Another thread (a toolkit's) may take a signal meant for the whole process: it waits too.
  struct sigaction keep {};
  keep.sa_handler = hold;
  sigemptyset(&keep.sa_mask);
  for (std::size_t i = 0; i < kEndings.size(); ++i) {
    sigaction(kEndings[i], &keep, &heldPreviousActions[i]);
  }
}

HeldEndings::~HeldEndings() {
  for (std::size_t i = 0; i < kEndings.size(); ++i) {
    sigaction(kEndings[i], &heldPreviousActions[i], nullptr);
  }
  // One that came to this thread takes effect here, one that came to another is raised again.
  pthread_sigmask(SIG_SETMASK, &heldPreviousMask, nullptr);
  if (const int signal = heldSignal; signal != 0) {
    heldSignal = 0;
    std::raise(signal);
  }
}

WriteSignalsAsErrors::WriteSignalsAsErrors(bool closedPipeToo) {
  sigset_t blocked, pending;
  pthread_sigmask(SIG_SETMASK, nullptr, &blocked);
  sigemptyset(&pending);
  sigpending(&pending);
  for (std::size_t i = 0; i < kWriteSignals.size(); ++i) {
    const int signal = kWriteSignals[i];
    if ((signal == SIGPIPE && !closedPipeToo) || sigismember(&blocked, signal) == 1) continue;
    if (sigismember(&pending, signal) == 1) m_wasPending |= 1U << i;
    m_blocked |= 1U << i;
    const sigset_t one = setOf(signal);
    pthread_sigmask(SIG_BLOCK, &one, nullptr);
  }
}

WriteSignalsAsErrors::~WriteSignalsAsErrors() {
  // The signal of a failed write is directed at the thread that wrote, which holds it: taken
  // before the mask goes back, keeping errno for the caller's report.
  const int savedErrno = errno;
  for (std::size_t i = 0; i < kWriteSignals.size(); ++i) {
    if ((m_blocked & (1U << i)) == 0) continue;
    const sigset_t one = setOf(kWriteSignals[i]);
    if ((m_wasPending & (1U << i)) == 0) {
      const timespec none{};
      while (sigtimedwait(&one, nullptr, &none) == -1 && errno == EINTR) {
      }
    }
    pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
  }
  errno = savedErrno;
}

LastWords::LastWords(std::string words) {
  lastWordsLength = std::min(words.size(), lastWords.size());
  std::memcpy(lastWords.data(), words.data(), lastWordsLength);
  struct sigaction say {};
  say.sa_handler = sayLastWords;
  sigemptyset(&say.sa_mask);
  for (std::size_t i = 0; i < kEndings.size(); ++i) {
    struct sigaction previous {};
    wordsInstalled[i] = sigaction(kEndings[i], nullptr, &previous) == 0 &&
                        previous.sa_handler == SIG_DFL &&
                        sigaction(kEndings[i], &say, &wordsPreviousActions[i]) == 0;
  }
}

LastWords::~LastWords() {
  for (std::size_t i = 0; i < kEndings.size(); ++i) {
    if (wordsInstalled[i]) sigaction(kEndings[i], &wordsPreviousActions[i], nullptr);
    wordsInstalled[i] = false;
  }
}

}  // namespace kestavon
