#include "picture/png_file.h"

#include <QBuffer>
#include <QByteArray>
#include <QSaveFile>

namespace kestavon {

QImage imageOver(const RasterCanvas& canvas) {
  return {reinterpret_cast<const uchar*>(canvas.pixels()), canvas.width(), canvas.height(),
          static_cast<qsizetype>(canvas.width()) * 4, QImage::Format_RGB32};
}

QImage canvasImage(const RasterCanvas& canvas) { return imageOver(canvas).copy(); }

std::optional<QString> writePng(const RasterCanvas& canvas, const QString& path) {
  const auto failure = [&path](const QString& reason) {
    return QStringLiteral("cannot write %1: %2").arg(path, reason);
  };
  if (path.isEmpty()) return failure(QStringLiteral("no file name"));
  // Encoded in memory first, so that a failing file says why in its own words.
  QByteArray png;
  QBuffer buffer(&png);
  if (!buffer.open(QIODevice::WriteOnly) || !imageOver(canvas).save(&buffer, "PNG")) {
    return failure(QStringLiteral("the picture could not be encoded as PNG"));
  }
  // QSaveFile writes to a temporary file in the target's folder and renames it on commit.
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return failure(file.errorString());
  // A short write is no error to QSaveFile, which would commit a truncated file: write until all
  // is written or the system says why not.
  for (qint64 written = 0; written < png.size();) {
    const qint64 more = file.write(png.constData() + written, png.size() - written);
    if (more <= 0) {
      const QString reason = file.errorString();
      file.cancelWriting();
      return failure(reason);
    }
    written += more;
  }
  if (!file.commit()) return failure(file.errorString());
  return std::nullopt;
}

}  // namespace kestavon
