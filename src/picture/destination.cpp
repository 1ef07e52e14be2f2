#include "picture/destination.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <cstring>

namespace kestavon {
namespace {

QString systemReason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

Destination refused(const QString& why) { return {DestinationKind::Refused, why}; }

Destination kindOf(const struct stat& status) {
  const mode_t type = status.st_mode & S_IFMT;
  if (type == S_IFREG) return {DestinationKind::File, {}};
  if (type == S_IFIFO || type == S_IFCHR) return {DestinationKind::Stream, {}};
  const QString named = type == S_IFDIR    ? QStringLiteral("a directory")
                        : type == S_IFSOCK ? QStringLiteral("a socket")
                        : type == S_IFBLK  ? QStringLiteral("a block device")
                                           : QStringLiteral("not a regular file");
  return refused(QStringLiteral("it is %1; a picture goes into a file, a FIFO or a character "
                                "device")
                     .arg(named));
}

}  // namespace

Destination standardOutput() {
  struct stat status {};
  if (::fstat(STDOUT_FILENO, &status) != 0) return refused(systemReason(errno));
  if (::isatty(STDOUT_FILENO) == 1) {
    return refused(QStringLiteral("it is a terminal; redirect it to a file or a pipe"));
  }
  return {DestinationKind::Stream, {}};
}

Destination destinationOf(const QString& path) {
  if (path == QLatin1String(kStandardOutput)) return standardOutput();
  if (path.isEmpty()) return refused(QStringLiteral("no file name"));
  struct stat status {};
  if (::stat(QFile::encodeName(path).constData(), &status) == 0) return kindOf(status);
  // Nothing there yet (or a link to nothing): a new file. Anything else the system says stands.
  if (errno == ENOENT) return {DestinationKind::File, {}};
  return refused(systemReason(errno));
}

}  // namespace kestavon
