#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "plot/surface.h"

namespace kestavon {

// A PlotSurface over a 32-bit pixel buffer (row-major, 0xFFRRGGBB, as QImage::Format_RGB32). It
// keeps its drawing until Cls. By default a pixel is 15 twips (96 dots per inch); a finer scale
// serves high-density screens while ScaleWidth and ScaleHeight keep their size in twips.
//
// Lines are clipped in floating point before any integer conversion: coordinates anywhere in the
// float range, infinities and NaN never write outside the buffer (a segment with a non-finite end
// draws nothing).
class RasterCanvas : public PlotSurface {
 public:
  static constexpr float kTwipsPerPixel = 15;

  // Throws std::invalid_argument for a negative size or a scale that is not finite and positive.
  RasterCanvas(int widthPixels, int heightPixels, float twipsPerPixel = kTwipsPerPixel);

  int width() const { return m_width; }
  int height() const { return m_height; }
  float twipsPerPixel() const { return m_twipsPerPixel; }
  const std::uint32_t* pixels() const { return m_pixels.data(); }

  // The pixel at (x, y) as 0xFFRRGGBB; (x, y) must lie inside.
  std::uint32_t pixel(int x, int y) const;

  float ScaleWidth() const override;
  float ScaleHeight() const override;
  void Cls() override;
  void Line(float x1, float y1, float x2, float y2, Colour colour) override;

 private:
  // Position of pixel (x, y), which must lie inside, in the buffer.
  std::size_t indexOf(int x, int y) const {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width) +
           static_cast<std::size_t>(x);
  }
  void drawClipped(double x1, double y1, double x2, double y2, std::uint32_t argb);
  void drawPixels(int x1, int y1, int x2, int y2, std::uint32_t argb, bool boundsChecked);

  int m_width;
  int m_height;
  float m_twipsPerPixel;
  std::vector<std::uint32_t> m_pixels;
};

// The canvas's pixel value for a colour: opaque 0xFFRRGGBB.
constexpr std::uint32_t toArgb(Colour colour) {
  const std::uint32_t red = colour & 0xFF, green = (colour >> 8) & 0xFF,
                      blue = (colour >> 16) & 0xFF;
  return 0xFF000000u | (red << 16) | (green << 8) | blue;
}

}  // namespace kestavon
