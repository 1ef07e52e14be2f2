#pragma once

#include <QImage>
#include <QString>
#include <optional>

#include "plot/raster_canvas.h"

namespace kestavon {

// An image over the canvas's pixels, not a copy: it shows what is drawn later, and stays valid
// while the canvas keeps its buffer (Cls and drawing do; moving or resizing the canvas does not).
QImage imageOver(const RasterCanvas& canvas);

// A copy of the canvas's pixels at its own resolution.
QImage canvasImage(const RasterCanvas& canvas);

// Why no picture can be written to `path`, known before one is drawn ("cannot write PATH: it is a
// directory; ..."), or nothing.
std::optional<QString> refusalOf(const QString& path);

// Writes the canvas as a PNG picture to `path`, as destinationOf judges it: a regular file (or a
// new one) first to a temporary file beside it, renamed into place only once complete, so a write
// that fails leaves no partial picture and whatever was at `path` before stays as it was; a FIFO
// or a character device directly (a FIFO waits for its reader); standard output for
// kStandardOutput; anything else not at all. Returns the reason it failed, naming the file, or
// nothing.
std::optional<QString> writePng(const RasterCanvas& canvas, const QString& path);

}  // namespace kestavon
