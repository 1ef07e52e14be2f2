#include "picture/png_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QSaveFile>
#include <cerrno>
#include <cstring>

#include "picture/descriptor_write.h"
#include "picture/destination.h"
#include "picture/held_signals.h"

namespace kestavon {
namespace {

QString cannotWrite(const QString& path, const QString& reason) {
  const QString where =
      path == QLatin1String(kStandardOutput) ? QStringLiteral("to standard output") : path;
  return QStringLiteral("cannot write %1: %2").arg(where, reason);
}

QString systemReason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// Encoded in memory first, so that a failing file says why in its own words.
std::optional<QByteArray> encodePng(const RasterCanvas& canvas) {
  QByteArray png;
  QBuffer buffer(&png);
  if (!buffer.open(QIODevice::WriteOnly) || !imageOver(canvas).save(&buffer, "PNG")) {
    return std::nullopt;
  }
  return png;
}

std::optional<QString> writeFile(const QByteArray& png, const QString& path) {
  // Ctrl+C between the temporary file's creation and its rename would leave it behind.
  const HeldEndings held;
  // QSaveFile writes to a temporary file in the target's folder and renames it on commit; a
  // symbolic link stays, and its target is replaced.
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return file.errorString();
  // A short write is no error to QSaveFile, which would commit a truncated file: write until all
  // is written or the system says why not.
  for (qint64 written = 0; written < png.size();) {
    const qint64 more = file.write(png.constData() + written, png.size() - written);
    if (more <= 0) {
      const QString reason = file.errorString();
      file.cancelWriting();
      return reason;
    }
    written += more;
  }
  if (!file.commit()) return file.errorString();
  return std::nullopt;
}

std::optional<QString> writeStream(const QByteArray& png, const QString& path) {
  if (path == QLatin1String(kStandardOutput)) return writeAll(STDOUT_FILENO, png);
  const int descriptor =
      ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  if (descriptor < 0) return systemReason(errno);
  // Whatever took the path's place since it was looked at is written only if it is a stream too.
  struct stat status {};
  std::optional<QString> failure;
  if (::fstat(descriptor, &status) != 0) {
    failure = systemReason(errno);
  } else if (!S_ISFIFO(status.st_mode) && !S_ISCHR(status.st_mode)) {
    failure = QStringLiteral("it is no longer a FIFO or a character device");
  } else {
    failure = writeAll(descriptor, png);
  }
  if (::close(descriptor) != 0 && !failure && errno != EINTR) failure = systemReason(errno);
  return failure;
}

}  // namespace

QImage imageOver(const RasterCanvas& canvas) {
  return {reinterpret_cast<const uchar*>(canvas.pixels()), canvas.width(), canvas.height(),
          static_cast<qsizetype>(canvas.width()) * 4, QImage::Format_RGB32};
}

QImage canvasImage(const RasterCanvas& canvas) { return imageOver(canvas).copy(); }

std::optional<QString> refusalOf(const QString& path) {
  const Destination destination = destinationOf(path);
  if (destination.kind == DestinationKind::Refused) return cannotWrite(path, destination.refusal);
  return std::nullopt;
}

std::optional<QString> writePng(const RasterCanvas& canvas, const QString& path) {
  const Destination destination = destinationOf(path);
  if (destination.kind == DestinationKind::Refused) {
    return cannotWrite(path, destination.refusal);
  }
  const std::optional<QByteArray> png = encodePng(canvas);
  if (!png) return cannotWrite(path, QStringLiteral("the picture could not be encoded as PNG"));
  const std::optional<QString> failure =
      destination.kind == DestinationKind::File ? writeFile(*png, path) : writeStream(*png, path);
  if (failure) return cannotWrite(path, *failure);
  return std::nullopt;
}

}  // namespace kestavon
