#include "app/progress.h"

#include <charconv>

#include "platform/standard_streams.h"

namespace kestavon {
namespace {

std::string digits(int value) {
  char buffer[16];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return error == std::errc() ? std::string(buffer, end) : std::string();
}

}  // namespace

RunProgress::RunProgress(int runs) : m_runs(runs), m_onTerminal(standardErrorIsTerminal()) {
  if (!m_onTerminal) return;
  const std::size_t widest = ("run " + digits(runs) + " of " + digits(runs)).size();
  m_clearedAtEnd.emplace('\r' + std::string(widest, ' ') + '\r');
}

RunProgress::~RunProgress() { clear(); }

void RunProgress::show(int finished) {
  if (!m_onTerminal) return;
  const std::string line = "run " + digits(finished) + " of " + digits(m_runs);
  // K only grows, so each line is at least as long as the one it overwrites.
  writeStandardError('\r' + line);
  m_shownWidth = line.size();
}

void RunProgress::clear() {
  if (m_shownWidth == 0) return;
  writeStandardError('\r' + std::string(m_shownWidth, ' ') + '\r');
  m_shownWidth = 0;
}

}  // namespace kestavon
