#include "picture/descriptor_write.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "picture/held_signals.h"

namespace kestavon {

std::optional<QString> writeAll(int descriptor, const QByteArray& bytes) {
  const QuietPipe quiet;
  const char* next = bytes.constData();
  for (qsizetype left = bytes.size(); left > 0;) {
    const ssize_t written = ::write(descriptor, next, static_cast<std::size_t>(left));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      return QString::fromLocal8Bit(std::strerror(written < 0 ? errno : EIO));
    }
    next += written;
    left -= written;
  }
  return std::nullopt;
}

}  // namespace kestavon
