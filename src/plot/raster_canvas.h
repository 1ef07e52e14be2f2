#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

#include "platform/all_of.h"
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
// serves high-density screens while ScaleWidth and ScaleHeight keep their size in twips.
//
// Lines are clipped in floating point before any integer conversion: coordinates anywhere in the
// float range, infinities and NaN never write outside the buffer (a segment with a non-finite end
// draws nothing).
class RasterCanvas final : public PlotSurface {
 public:
  static constexpr float kTwipsPerPixel = 15;

  // Throws std::invalid_argument for a negative size or a scale that is not finite and positive.
  RasterCanvas(int widthPixels, int heightPixels, float twipsPerPixel = kTwipsPerPixel);

  int width() const { return m_width; }
  int height() const { return m_height; }
  float twipsPerPixel() const { return m_twipsPerPixel; }
  const std::uint32_t* pixels() const { return m_pixels.data(); }

  // The pixel at (x, y) as 0xFFRRGGBB; (x, y) must lie inside.
  std::uint32_t pixel(int x, int y) const { return m_pixels[indexOf(x, y)]; }
  void setPixel(int x, int y, std::uint32_t argb) { m_pixels[indexOf(x, y)] = argb; }

  float ScaleWidth() const override { return static_cast<float>(m_width) * m_twipsPerPixel; }
  float ScaleHeight() const override { return static_cast<float>(m_height) * m_twipsPerPixel; }
  void Cls() override;
  [[gnu::always_inline]] void Line(float x1, float y1, float x2, float y2, Colour colour) override {
    const std::uint32_t argb = toArgb(colour);
    forEachPixel(x1, y1, x2, y2, [this, argb](int x, int y) { setPixel(x, y, argb); });
  }
  RasterCanvas* directCanvas() override { return this; }

  // Segments between points at whole twips, lit as Line lights them when both ends lie on the
  // canvas at most a pixel apart (in the same pixel or in neighbouring ones); nearly every segment
  // of a run is such a one. Plain values, for a loop that keeps everything in registers: the
  // pixels, and the column and the row of the pixel that holds each whole twip from 0 on, as far
  // as the canvas reaches, found with Line's own division. So it costs no division: a run's
  // integration step has twelve, and the divider is what a run waits for.
  struct ShortLines {
    std::uint32_t* pixels;
    std::size_t width;
    const std::int32_t* columnOfTwip;
    std::size_t columns;
    const std::int32_t* rowOfTwip;
    std::size_t rows;

    // When the segment is such a one, lights it and returns true; otherwise draws nothing and
    // returns false (the caller then draws it with Line).
    [[gnu::always_inline]] bool draw(int x1, int y1, int x2, int y2, std::uint32_t argb) const {
      return drawWith(x1, y1, x2, y2, [this, argb](std::size_t column, std::size_t row) {
        pixels[row * width + column] = argb;
      });
    }

    // The same, calling plot(column, row) for each end instead of lighting it.
    template <class Plot>
    [[gnu::always_inline]] bool drawWith(int x1, int y1, int x2, int y2, Plot&& plot) const {
      const auto within = [](int value, std::size_t size) {
        return static_cast<std::size_t>(static_cast<unsigned>(value)) < size;
      };
      if (!allOf(within(x1, columns), within(x2, columns), within(y1, rows), within(y2, rows))) {
        return false;
      }
      const auto at = [](const std::int32_t* table, int twips) {
        return static_cast<std::size_t>(table[static_cast<unsigned>(twips)]);
      };
      const std::size_t column1 = at(columnOfTwip, x1), row1 = at(rowOfTwip, y1);
      const std::size_t column2 = at(columnOfTwip, x2), row2 = at(rowOfTwip, y2);
      if (!allOf(withinOnePixel(column1, column2), withinOnePixel(row1, row2))) return false;
      plot(column1, row1);
      plot(column2, row2);
      return true;
    }
  };
  ShortLines shortLines() {
    return {m_pixels.data(),       static_cast<std::size_t>(m_width),
            m_columnOfTwip.data(), m_columnOfTwip.size(),
            m_rowOfTwip.data(),    m_rowOfTwip.size()};
  }

  // The pixel that holds each whole twip 0, 1, 2, ... along a side of `pixels` pixels, found as
  // Line finds it for a point `shift` twips further on (a float addition, then a float division),
  // for as long as it lies on the canvas and fits in 16 bits.
  static std::vector<std::int32_t> pixelOfEachTwip(int pixels, float twipsPerPixel,
                                                   float shift = 0);

  // Calls plot(x, y) for every pixel that Line lights for this segment, from the first end to the
  // second; every (x, y) lies on the canvas, and a pixel may come twice.
  template <class Plot>
  [[gnu::always_inline]] void forEachPixel(float x1, float y1, float x2, float y2,
                                           Plot&& plot) const;

 private:
  // A segment between two pixels, both ends included.
  struct PixelSegment {
    int x1, y1, x2, y2;
  };

  std::size_t indexOf(int x, int y) const {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width) +
           static_cast<std::size_t>(x);
  }
  bool inside(int x, int y) const { return x >= 0 && x < m_width && y >= 0 && y < m_height; }

  // The pixels of the two ends, when both lie on the canvas (then every pixel between does too).
  [[gnu::always_inline]] std::optional<PixelSegment> pixelsIfOnCanvas(float x1, float y1, float x2,
                                                                      float y2) const;

  // Whether two pixel coordinates (of the canvas, so not negative) are the same or neighbours.
  static constexpr bool withinOnePixel(std::size_t a, std::size_t b) { return a - b + 1 <= 2; }

  // Whether the ends are the same pixel or neighbours: then the line is just its two ends.
  static bool isShort(const PixelSegment& s) {
    const auto index = [](int coordinate) { return static_cast<std::size_t>(coordinate); };
    return allOf(withinOnePixel(index(s.x1), index(s.x2)),
                 withinOnePixel(index(s.y1), index(s.y2)));
  }

  // The segment between two points in pixel units, clipped to the canvas grown by a pixel on
  // each side; nothing when it misses the canvas or an end is not finite.
  std::optional<PixelSegment> clip(double u1, double v1, double u2, double v2) const;

  // Bresenham's line, both ends included.
  template <class Plot>
  static void walk(const PixelSegment& segment, Plot&& plot);

  template <class Plot>
  [[gnu::noinline]] void forEachPixelClipped(float x1, float y1, float x2, float y2,
                                             Plot&& plot) const;

  int m_width;
  int m_height;
  float m_twipsPerPixel;
  std::vector<std::uint32_t> m_pixels;
  // The column and the row of the pixel that holds each whole twip from 0 on, as Line finds them,
  // as far as the canvas reaches (and no further than 16-bit coordinates go).
  std::vector<std::int32_t> m_columnOfTwip;
  std::vector<std::int32_t> m_rowOfTwip;
};

inline std::optional<RasterCanvas::PixelSegment> RasterCanvas::pixelsIfOnCanvas(float x1, float y1,
                                                                                float x2,
                                                                                float y2) const {
  // Twips to pixel coordinates; a pixel covers [k, k + 1).
  const float u1 = x1 / m_twipsPerPixel, v1 = y1 / m_twipsPerPixel;
  const float u2 = x2 / m_twipsPerPixel, v2 = y2 / m_twipsPerPixel;
  const auto width = static_cast<float>(m_width), height = static_cast<float>(m_height);
  // False for NaN.
  const bool onCanvas =
      allOf(u1 >= 0, u1 < width, v1 >= 0, v1 < height, u2 >= 0, u2 < width, v2 >= 0, v2 < height);
  if (!onCanvas) return std::nullopt;
  return PixelSegment{static_cast<int>(u1), static_cast<int>(v1), static_cast<int>(u2),
                      static_cast<int>(v2)};
}

template <class Plot>
inline void RasterCanvas::forEachPixel(float x1, float y1, float x2, float y2, Plot&& plot) const {
  const std::optional<PixelSegment> segment = pixelsIfOnCanvas(x1, y1, x2, y2);
  if (!segment) [[unlikely]] {
    forEachPixelClipped(x1, y1, x2, y2, plot);
    return;
  }
  // Nearly every segment of a run ends in the same pixel or a neighbouring one: then the line is
  // just its two ends, lit without a branch that could be mispredicted.
  if (isShort(*segment)) [[likely]] {
    plot(segment->x1, segment->y1);
    plot(segment->x2, segment->y2);
    return;
  }
  walk(*segment, plot);
}

template <class Plot>
void RasterCanvas::forEachPixelClipped(float x1, float y1, float x2, float y2, Plot&& plot) const {
  // In double, so that no coordinate of the float range overflows on the way to pixels.
  const double scale = m_twipsPerPixel;
  const std::optional<PixelSegment> segment = clip(x1 / scale, y1 / scale, x2 / scale, y2 / scale);
  if (!segment) return;
  walk(*segment, [this, &plot](int x, int y) {
    if (inside(x, y)) plot(x, y);
  });
}

template <class Plot>
void RasterCanvas::walk(const PixelSegment& segment, Plot&& plot) {
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
