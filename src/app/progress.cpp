#include "app/progress.h"

#include <unistd.h>

#include <charconv>

namespace kestavon {
namespace {

void toStandardError(const std::string& text) {
  // Unbuffered and without a locale: a run number is digits whatever the user's locale.
  for (std::size_t done = 0; done < text.size();) {
    const ssize_t written = ::write(STDERR_FILENO, text.data() + done, text.size() - done);
    if (written <= 0) return;  // a progress line is not worth a failure
    done += static_cast<std::size_t>(written);
  }
}

std::string digits(int value) {
  char buffer[16];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return error == std::errc() ? std::string(buffer, end) : std::string();
}

}  // namespace

RunProgress::RunProgress(int runs) : m_runs(runs), m_onTerminal(::isatty(STDERR_FILENO) == 1) {}

RunProgress::~RunProgress() { clear(); }

void RunProgress::show(int finished) {
  if (!m_onTerminal) return;
  const std::string line = "run " + digits(finished) + " of " + digits(m_runs);
  // K only grows, so each line is at least as long as the one it overwrites.
  toStandardError('\r' + line);
  m_shownWidth = line.size();
}

void RunProgress::clear() {
  if (m_shownWidth == 0) return;
  toStandardError('\r' + std::string(m_shownWidth, ' ') + '\r');
  m_shownWidth = 0;
}

}  // namespace kestavon
