#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "plot/raster_canvas.h"
#include "plot/surface.h"

namespace kestavon {

// Where a drawing area of whole logical pixels (15 twips each) lies on a screen's grid of device
// pixels: `ratio` device pixels to a logical pixel, and the area's top-left corner `offsetX`,
// `offsetY` device pixels into the device pixel that holds it, each in [0, 1). At a fractional
// ratio the area's edges need not fall on the device grid: at 1.25 an area starting at logical 34
// starts half-way into device pixel 42.
struct DeviceGrid {
  double ratio = 1;
  double offsetX = 0;
  double offsetY = 0;

  // The grid of an area whose top-left corner lies at (logicalX, logicalY) of a surface shown at
  // `ratio` (the window's backing store, whose origin is on the device grid).
  static DeviceGrid at(double ratio, double logicalX, double logicalY);

  friend bool operator==(const DeviceGrid&, const DeviceGrid&) = default;
};

// The whole device pixel that holds a device position, counting a position a hair below a whole
// pixel as on it (device positions are products of logical positions and a ratio such as 1.1).
double wholeDevicePixel(double position);

// Twips per device pixel at a device pixel ratio: 15 at ratio 1, 7.5 at ratio 2. The window and
// the headless renderer compute it here alike, so their canvases agree bit for bit.
float twipsPerDevicePixel(double ratio);

// The window's plot surface: a drawing area of logicalWidth x logicalHeight logical pixels drawn
// at the device pixels of the screen it is shown on, so that lines are one device pixel wide and
// every device pixel of the area shows one colour of the drawing. This is the one place that
// knows about a screen's density.
//
// Device canvas pixel (i, j) covers device pixel (floor(origin) + i, ...); a point t twips from
// the area's left edge lies at device canvas coordinate offsetX + t / twipsPerDevicePixel(ratio).
// The canvas also covers the device pixels that the area covers only in part, so none of them is
// left to mix the drawing with what lies beside it.
//
// Each device pixel belongs to the logical pixel that contains its centre (the one that holds the
// larger part of it; for a device pixel at an edge whose centre lies outside the area, the nearest
// one). Unless the device canvas is itself a logical canvas (ratio 1 on the grid), a logical
// record keeps for every logical pixel the colour last drawn on any device pixel that belongs to
// it. On a move to another grid every new device pixel takes the colour of the logical pixel it
// belongs to: a logical pixel that showed a line shows it after, in the colour drawn last there,
// and at ratios of 1 or more every logical pixel has a device pixel of its own. A drawing of a few
// lines only (the axes that the window draws as it opens) is drawn again on the new grid instead,
// so that it stays one device pixel wide.
class ScreenCanvas : public PlotSurface {
 public:
  // The largest device pixel ratio served; a finer screen would need gigabytes.
  static constexpr double kMaxRatio = 16;

  // Throws std::invalid_argument for a size below 1 x 1 or a grid that is not finite, has a ratio
  // that is not in (0, kMaxRatio] or an offset outside [0, 1).
  ScreenCanvas(int logicalWidth, int logicalHeight, const DeviceGrid& grid = {});

  float ScaleWidth() const final { return m_scaleWidth; }
  float ScaleHeight() const final { return m_scaleHeight; }
  void Cls() final;
  [[gnu::always_inline]] void Line(float x1, float y1, float x2, float y2, Colour colour) final {
    if (m_record.empty()) {
      m_device.Line(x1, y1, x2, y2, colour);
    } else {
      const std::uint32_t argb = toArgb(colour);
      m_device.forEachPixel(x1, y1, x2, y2, [this, argb](int x, int y) {
        m_device.setPixel(x, y, argb);
        m_record[logicalIndex(x, y)] = argb;
      });
    }
    if (!m_manyLines) [[unlikely]]
      remember({x1, y1, x2, y2, colour});
  }

  // Moves the drawing to another grid as described above, and returns whether the grid changed.
  // On failure (a bad grid, no memory) it throws and keeps the drawing as it was.
  bool setGrid(const DeviceGrid& grid);
  const DeviceGrid& grid() const { return m_grid; }

  // The device pixels, as the screen shows them.
  const RasterCanvas& device() const { return m_device; }

 private:
  struct DrawnLine {
    float x1, y1, x2, y2;
    Colour colour;
  };
  // The most lines that a move draws again.
  static constexpr std::size_t kFewLines = 16;

  // Keeps a line drawn since the last Cls while there are few of them.
  [[gnu::noinline]] void remember(const DrawnLine& line);

  // The logical pixel that device pixel (x, y) belongs to, as an index into the record.
  std::size_t logicalIndex(int x, int y) const {
    return m_ownerY[static_cast<std::size_t>(y)] + m_ownerX[static_cast<std::size_t>(x)];
  }

  int m_logicalWidth;
  int m_logicalHeight;
  std::size_t m_logicalStride;
  float m_scaleWidth, m_scaleHeight;
  DeviceGrid m_grid;
  RasterCanvas m_device;
  // For each device column its logical column, and for each device row the index in the record
  // of its logical row's first pixel.
  std::vector<std::size_t> m_ownerX, m_ownerY;
  // The colour last drawn on each logical pixel; empty when the device canvas is the logical one.
  std::vector<std::uint32_t> m_record;
  // The lines drawn since the last Cls, as long as there are at most kFewLines of them.
  std::vector<DrawnLine> m_lines;
  bool m_manyLines = false;
};

}  // namespace kestavon
