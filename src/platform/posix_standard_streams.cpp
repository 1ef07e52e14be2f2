#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/signals.h"
#include "platform/standard_streams.h"

namespace kestavon {

StandardOutputState standardOutputState() {
  const int flags = ::fcntl(STDOUT_FILENO, F_GETFL);
  if (flags == -1) return StandardOutputState::Closed;
  if ((flags & O_ACCMODE) == O_RDONLY) return StandardOutputState::NotWritable;
  if (::isatty(STDOUT_FILENO) == 1) return StandardOutputState::Terminal;
  return StandardOutputState::Writable;
}

std::optional<std::string> writeStandardOutput(std::span<const std::uint8_t> bytes) {
  const WriteSignalsAsErrors asErrors(false);  // SIGPIPE still ends the program, as a filter's
  while (!bytes.empty()) {
    const ssize_t written = ::write(STDOUT_FILENO, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return std::strerror(written < 0 ? errno : EIO);
    bytes = bytes.subspan(static_cast<std::size_t>(written));
  }
  return std::nullopt;
}

bool standardErrorIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

void writeStandardError(std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = ::write(STDERR_FILENO, text.data(), text.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    text.remove_prefix(static_cast<std::size_t>(written));
  }
}

// Standard error is always there to be had on these systems.
MessageBoxWithoutConsole::MessageBoxWithoutConsole(const std::string& /*caption*/) {}
MessageBoxWithoutConsole::~MessageBoxWithoutConsole() = default;

}  // namespace kestavon
