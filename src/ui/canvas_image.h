#pragma once

#include <QImage>

#include "plot/raster_canvas.h"

namespace kestavon {

// An image over the canvas's pixels, not a copy: it shows what is drawn later, and stays valid
// while the canvas keeps its buffer (Cls and drawing do; moving or resizing the canvas does not).
inline QImage imageOver(const RasterCanvas& canvas) {
  return {reinterpret_cast<const uchar*>(canvas.pixels()), canvas.width(), canvas.height(),
          static_cast<qsizetype>(canvas.width()) * 4, QImage::Format_RGB32};
}

// A copy of the canvas's pixels at its own resolution.
inline QImage canvasImage(const RasterCanvas& canvas) { return imageOver(canvas).copy(); }

}  // namespace kestavon
