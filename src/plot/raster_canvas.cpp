#include "plot/raster_canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>

namespace kestavon {

RasterCanvas::RasterCanvas(int widthPixels, int heightPixels, float twipsPerPixel, float shiftX,
                           float shiftY)
    : m_width(widthPixels),
      m_height(heightPixels),
      m_stride(static_cast<std::size_t>(widthPixels)),
      m_twipsPerPixel(twipsPerPixel),
      m_shiftX(shiftX),
      m_shiftY(shiftY),
      m_scaleWidth(static_cast<float>(widthPixels) * twipsPerPixel),
      m_scaleHeight(static_cast<float>(heightPixels) * twipsPerPixel) {
  if (widthPixels < 0 || heightPixels < 0) {
    throw std::invalid_argument("canvas size " + std::to_string(widthPixels) + " x " +
                                std::to_string(heightPixels) + " is negative");
  }
  if (!(std::isfinite(twipsPerPixel) && twipsPerPixel > 0)) {
    throw std::invalid_argument("twips per pixel must be finite and positive");
  }
  if (!(std::isfinite(shiftX) && shiftX >= 0 && std::isfinite(shiftY) && shiftY >= 0)) {
    throw std::invalid_argument("a canvas's shift must be finite and at least 0");
  }
  m_pixels.assign(static_cast<std::size_t>(widthPixels) * static_cast<std::size_t>(heightPixels),
                  toArgb(RGB(0, 0, 0)));
  m_columns = wholeTwipsAlong(widthPixels, shiftX);
  m_rows = wholeTwipsAlong(heightPixels, shiftY);
}

RasterCanvas::WholeTwips RasterCanvas::wholeTwipsAlong(int pixels, float shift) const {
  WholeTwips table;
  const auto side = static_cast<float>(pixels);
  for (int twips = 0; twips <= INT16_MAX; ++twips) {
    const float position = toPixels(static_cast<float>(twips), shift, m_twipsPerPixel);
    if (!(position >= 0 && position < side)) break;
    table.pixelOf.push_back(static_cast<std::int32_t>(position));
  }
  table.count = static_cast<int>(table.pixelOf.size());
  return table;
}

void RasterCanvas::Cls() { std::fill(m_pixels.begin(), m_pixels.end(), toArgb(RGB(0, 0, 0))); }

namespace {

// The second coordinate of the point whose first coordinate is `boundary`, on the line through
// (a1, b1) and (a2, b2), where `boundary` lies between a1 and a2. It interpolates from the end
// nearer the boundary, whose coordinates are the smaller and so the more precise.
double pointAt(double boundary, double a1, double b1, double a2, double b2) {
  if (std::abs(boundary - a2) < std::abs(boundary - a1)) {
    std::swap(a1, a2);
    std::swap(b1, b2);
  }
  return b1 + (b2 - b1) * ((boundary - a1) / (a2 - a1));
}

// Where a point lies beyond the clip box: one bit for each boundary it is beyond.
enum : unsigned { kLeft = 1, kRight = 2, kAbove = 4, kBelow = 8 };

struct ClipBox {
  double lowX, highX, lowY, highY;

  unsigned outcode(double x, double y) const {
    unsigned code = 0;
    if (x < lowX) code |= kLeft;
    if (x > highX) code |= kRight;
    if (y < lowY) code |= kAbove;
    if (y > highY) code |= kBelow;
    return code;
  }

  // Moves the end (x, y), beyond the boundaries in `code`, along the line through (otherX, otherY)
  // onto one of those boundaries: a vertical one if it is beyond one, else a horizontal one.
  void moveOntoBoundary(unsigned code, double& x, double& y, double otherX, double otherY) const {
    if ((code & (kLeft | kRight)) != 0) {
      const double boundary = (code & kLeft) != 0 ? lowX : highX;
      y = pointAt(boundary, x, y, otherX, otherY);
      x = boundary;
    } else {
      const double boundary = (code & kAbove) != 0 ? lowY : highY;
      x = pointAt(boundary, y, x, otherY, otherX);
      y = boundary;
    }
  }
};

}  // namespace

std::optional<RasterCanvas::PixelSegment> RasterCanvas::pixelsOfAnyEnds(float x1, float y1,
                                                                        float x2, float y2) const {
  const float u1 = toPixels(x1, m_shiftX, m_twipsPerPixel);
  const float v1 = toPixels(y1, m_shiftY, m_twipsPerPixel);
  const float u2 = toPixels(x2, m_shiftX, m_twipsPerPixel);
  const float v2 = toPixels(y2, m_shiftY, m_twipsPerPixel);
  const auto width = static_cast<float>(m_width), height = static_cast<float>(m_height);
  if (u1 >= 0 && u1 < width && v1 >= 0 && v1 < height && u2 >= 0 && u2 < width && v2 >= 0 &&
      v2 < height) {
    return PixelSegment{static_cast<int>(u1), static_cast<int>(v1), static_cast<int>(u2),
                        static_cast<int>(v2)};
  }
  // An end off the canvas, or not finite: clipped in double, from the same conversion, so that an
  // end on the canvas lights the pixel it lights alone.
  return clip(widened(u1, x1, m_shiftX), widened(v1, y1, m_shiftY), widened(u2, x2, m_shiftX),
              widened(v2, y2, m_shiftY));
}

double RasterCanvas::widened(float pixels, float twips, float shift) const {
  if (std::isinf(pixels) && std::isfinite(twips)) {
    return (static_cast<double>(twips) + shift) / m_twipsPerPixel;
  }
  return pixels;
}

// Cohen-Sutherland, in double. Each clip moves an end onto the boundary it lies beyond: that
// coordinate becomes the boundary exactly, and the other is interpolated with a ratio in [0, 1],
// so it stays between the two ends and nothing can overflow. With ends beyond about 2^40 pixels
// the line is placed only as precisely as a double allows (a pixel or so).
std::optional<RasterCanvas::PixelSegment> RasterCanvas::clip(double u1, double v1, double u2,
                                                             double v2) const {
  if (!(std::isfinite(u1) && std::isfinite(v1) && std::isfinite(u2) && std::isfinite(v2))) {
    return std::nullopt;
  }
  const ClipBox box{-1, static_cast<double>(m_width), -1, static_cast<double>(m_height)};
  unsigned code1 = box.outcode(u1, v1), code2 = box.outcode(u2, v2);
  // Each pass settles one boundary of one end, so four passes suffice.
  for (int pass = 0; pass < 4 && (code1 | code2) != 0; ++pass) {
    if ((code1 & code2) != 0) return std::nullopt;  // both ends beyond the same boundary
    if (code1 != 0) {
      box.moveOntoBoundary(code1, u1, v1, u2, v2);
      code1 = box.outcode(u1, v1);
    } else {
      box.moveOntoBoundary(code2, u2, v2, u1, v1);
      code2 = box.outcode(u2, v2);
    }
  }
  if ((code1 | code2) != 0) return std::nullopt;
  return PixelSegment{static_cast<int>(std::floor(u1)), static_cast<int>(std::floor(v1)),
                      static_cast<int>(std::floor(u2)), static_cast<int>(std::floor(v2))};
}

}  // namespace kestavon
