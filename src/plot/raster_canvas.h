#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

#include "plot/surface.h"

namespace kestavon {

// The canvas's pixel value for a colour: opaque 0xFFRRGGBB.
constexpr std::uint32_t toArgb(Colour colour) {
  const std::uint32_t red = colour & 0xFF, green = (colour >> 8) & 0xFF,
                      blue = (colour >> 16) & 0xFF;
  return 0xFF000000u | (red << 16) | (green << 8) | blue;
}

// A PlotSurface over a 32-bit pixel buffer (row-major, 0xFFRRGGBB, as QImage::Format_RGB32). It
// keeps its drawing until Cls. By default a pixel is 15 twips (96 dots per inch); a finer scale
// serves high-density screens.
//
// A point t twips from the left edge lies at pixel coordinate (t + shiftX) / twipsPerPixel, in
// single precision, and likewise downward; pixel k covers coordinates [k, k + 1). A shift places
// the drawing a fraction of a pixel into the canvas, for a drawing area that does not start on a
// screen's pixel grid (screen_canvas.h).
//
// Lines are clipped in floating point before any integer conversion: coordinates anywhere in the
// float range, infinities and NaN never write outside the buffer (a segment with a non-finite end
// draws nothing).
class RasterCanvas final : public PlotSurface {
 public:
  static constexpr float kTwipsPerPixel = 15;

  // Throws std::invalid_argument for a negative size, a scale that is not finite and positive, or
  // a shift that is not finite and at least 0.
  RasterCanvas(int widthPixels, int heightPixels, float twipsPerPixel = kTwipsPerPixel,
               float shiftX = 0, float shiftY = 0);

  int width() const { return m_width; }
  int height() const { return m_height; }
  float twipsPerPixel() const { return m_twipsPerPixel; }
  const std::uint32_t* pixels() const { return m_pixels.data(); }

  // The pixel at (x, y) as 0xFFRRGGBB; (x, y) must lie inside.
  std::uint32_t pixel(int x, int y) const { return m_pixels[indexOf(x, y)]; }
  void setPixel(int x, int y, std::uint32_t argb) { m_pixels[indexOf(x, y)] = argb; }

  float ScaleWidth() const override { return m_scaleWidth; }
  float ScaleHeight() const override { return m_scaleHeight; }
  void Cls() override;
  [[gnu::always_inline]] void Line(float x1, float y1, float x2, float y2, Colour colour) override {
    const std::uint32_t argb = toArgb(colour);
    forEachPixel(x1, y1, x2, y2, [this, argb](int x, int y) { setPixel(x, y, argb); });
  }

  // Calls plot(x, y) for every pixel that Line lights for this segment, from the first end to the
  // second; every (x, y) lies on the canvas, and a pixel may come twice.
  template <class Plot>
  [[gnu::always_inline]] void forEachPixel(float x1, float y1, float x2, float y2,
                                           Plot&& plot) const;

  // The pixel (column, row) that holds the point (x, y) of whole twips, when it lies on the
  // canvas: the pixel that Line lights for an end there, found as Line finds it.
  [[gnu::always_inline]] bool pixelOf(std::int64_t x, std::int64_t y, int& column, int& row) const {
    return m_columns.findWhole(x, column) && m_rows.findWhole(y, row);
  }

 private:
  // A segment between two pixels, both ends included.
  struct PixelSegment {
    int x1, y1, x2, y2;
  };

  // The pixel that holds each whole twip from 0 on along one side, as far as the canvas reaches
  // (and no further than 16-bit coordinates go), found once with the division that Line makes.
  // A run draws a million segments between whole twips, and its integration step has twelve
  // divisions of its own: the divider is what a run waits for.
  struct WholeTwips {
    std::vector<std::int32_t> pixelOf;
    int count = 0;  // pixelOf.size()

    // The pixel of `twips` when it is a whole twip in the table.
    [[gnu::always_inline]] bool find(float twips, int& pixel) const {
      // Wide enough for every 16-bit coordinate, so that the compiler drops the test for one (a
      // run's points); false for NaN.
      if (!(twips > -32769.0f && twips < 32768.0f)) return false;
      const int whole = static_cast<int>(twips);
      return static_cast<float>(whole) == twips && findWhole(whole, pixel);
    }
    [[gnu::always_inline]] bool findWhole(std::int64_t twips, int& pixel) const {
      if (static_cast<std::uint64_t>(twips) >= static_cast<std::uint64_t>(count)) return false;
      pixel = pixelOf[static_cast<std::size_t>(twips)];
      return true;
    }
  };

  std::size_t indexOf(int x, int y) const {
    return static_cast<std::size_t>(y) * m_stride + static_cast<std::size_t>(x);
  }
  bool inside(int x, int y) const { return x >= 0 && x < m_width && y >= 0 && y < m_height; }

  // The coordinate in pixels of a position along a side: the one conversion of twips to pixels,
  // for the whole-twip tables, for ends on the canvas and for ends that a clip moves alike.
  static float toPixels(float twips, float shift, float twipsPerPixel) {
    return (twips + shift) / twipsPerPixel;
  }
  // A coordinate from toPixels, widened for the clip. Where the float overflowed (a finite
  // coordinate of more than about 10^38 twips on a canvas finer than a twip a pixel), no float
  // can disagree with the double computed instead.
  double widened(float pixels, float twips, float shift) const;
  WholeTwips wholeTwipsAlong(int pixels, float shift) const;

  // The pixels of any ends, each converted with toPixels, and clipped to the canvas grown by a
  // pixel on each side; nothing when the segment misses it or an end is not finite.
  std::optional<PixelSegment> pixelsOfAnyEnds(float x1, float y1, float x2, float y2) const;
  std::optional<PixelSegment> clip(double u1, double v1, double u2, double v2) const;

  // Bresenham's line, both ends included.
  template <class Plot>
  [[gnu::always_inline]] static void walk(PixelSegment segment, Plot&& plot);
  template <class Plot>
  [[gnu::noinline]] static void walkLong(PixelSegment segment, Plot plot);

  int m_width;
  int m_height;
  std::size_t m_stride;  // the width, of a type that no store of a pixel can be taken to change
  float m_twipsPerPixel;
  float m_shiftX, m_shiftY;
  float m_scaleWidth, m_scaleHeight;
  std::vector<std::uint32_t> m_pixels;
  WholeTwips m_columns, m_rows;
};

template <class Plot>
inline void RasterCanvas::forEachPixel(float x1, float y1, float x2, float y2, Plot&& plot) const {
  int column1 = 0, row1 = 0, column2 = 0, row2 = 0;
  if (m_columns.find(x1, column1) && m_rows.find(y1, row1) && m_columns.find(x2, column2) &&
      m_rows.find(y2, row2)) [[likely]] {
    walk({column1, row1, column2, row2}, plot);
  } else if (const std::optional<PixelSegment> segment = pixelsOfAnyEnds(x1, y1, x2, y2)) {
    walk(*segment, [this, plot](int x, int y) mutable {
      if (inside(x, y)) plot(x, y);
    });
  }
}

template <class Plot>
inline void RasterCanvas::walk(PixelSegment segment, Plot&& plot) {
  // Nearly every segment of a run ends in the same pixel as it starts or in a neighbouring one:
  // then the line is just its two ends, lit without a branch that could be mispredicted.
  const auto withinOnePixel = [](int a, int b) { return static_cast<unsigned>(b - a + 1) <= 2u; };
  if (withinOnePixel(segment.x1, segment.x2) && withinOnePixel(segment.y1, segment.y2)) [[likely]] {
    plot(segment.x1, segment.y1);
    plot(segment.x2, segment.y2);
    return;
  }
  walkLong(segment, plot);
}

template <class Plot>
void RasterCanvas::walkLong(PixelSegment segment, Plot plot) {
  int x = segment.x1, y = segment.y1;
  const int dx = std::abs(segment.x2 - x), dy = -std::abs(segment.y2 - y);
  const int stepX = x < segment.x2 ? 1 : -1, stepY = y < segment.y2 ? 1 : -1;
  int error = dx + dy;
  for (;;) {
    plot(x, y);
    if (x == segment.x2 && y == segment.y2) break;
    const int twice = 2 * error;
    if (twice >= dy) {
      error += dy;
      x += stepX;
    }
    if (twice <= dx) {
      error += dx;
      y += stepY;
    }
  }
}

}  // namespace kestavon
