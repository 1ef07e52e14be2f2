#include "plot/raster_canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <utility>

namespace kestavon {

RasterCanvas::RasterCanvas(int widthPixels, int heightPixels, float twipsPerPixel)
    : m_width(widthPixels), m_height(heightPixels), m_twipsPerPixel(twipsPerPixel) {
  if (widthPixels < 0 || heightPixels < 0) {
    throw std::invalid_argument("canvas size " + std::to_string(widthPixels) + " x " +
                                std::to_string(heightPixels) + " is negative");
  }
  if (!(std::isfinite(twipsPerPixel) && twipsPerPixel > 0)) {
    throw std::invalid_argument("twips per pixel must be finite and positive");
  }
  m_pixels.assign(static_cast<std::size_t>(widthPixels) * static_cast<std::size_t>(heightPixels),
                  toArgb(RGB(0, 0, 0)));
}

std::uint32_t RasterCanvas::pixel(int x, int y) const { return m_pixels[indexOf(x, y)]; }

float RasterCanvas::ScaleWidth() const { return static_cast<float>(m_width) * m_twipsPerPixel; }

float RasterCanvas::ScaleHeight() const { return static_cast<float>(m_height) * m_twipsPerPixel; }

void RasterCanvas::Cls() { std::fill(m_pixels.begin(), m_pixels.end(), toArgb(RGB(0, 0, 0))); }

void RasterCanvas::Line(float x1, float y1, float x2, float y2, Colour colour) {
  const std::uint32_t argb = toArgb(colour);
  // Twips to pixel coordinates; a pixel covers [k, k + 1).
  const float u1 = x1 / m_twipsPerPixel, v1 = y1 / m_twipsPerPixel;
  const float u2 = x2 / m_twipsPerPixel, v2 = y2 / m_twipsPerPixel;
  const auto width = static_cast<float>(m_width), height = static_cast<float>(m_height);
  const auto inside = [&](float u, float v) { return u >= 0 && u < width && v >= 0 && v < height; };
  if (inside(u1, v1) && inside(u2, v2)) {
    // The common case: both ends on the canvas (false for NaN), so every pixel between is too.
    const int px1 = static_cast<int>(u1), py1 = static_cast<int>(v1);
    const int px2 = static_cast<int>(u2), py2 = static_cast<int>(v2);
    if (px1 == px2 && py1 == py2) {
      // Most segments of a run stay within one pixel.
      m_pixels[indexOf(px1, py1)] = argb;
      return;
    }
    drawPixels(px1, py1, px2, py2, argb, false);
    return;
  }
  // In double, so that no coordinate of the float range overflows on the way to pixels.
  const double scale = m_twipsPerPixel;
  drawClipped(x1 / scale, y1 / scale, x2 / scale, y2 / scale, argb);
}

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

// Clips the segment to the canvas grown by a pixel on each side (Cohen-Sutherland, in double) and
// draws what is left with a bounds test per pixel. Each clip moves an end onto the boundary it
// lies beyond: that coordinate becomes the boundary exactly, and the other is interpolated with a
// ratio in [0, 1], so it stays between the two ends and nothing can overflow. With ends beyond
// about 2^40 pixels the line is placed only as precisely as a double allows (a pixel or so).
void RasterCanvas::drawClipped(double x1, double y1, double x2, double y2, std::uint32_t argb) {
  if (!(std::isfinite(x1) && std::isfinite(y1) && std::isfinite(x2) && std::isfinite(y2))) return;
  const ClipBox box{-1, static_cast<double>(m_width), -1, static_cast<double>(m_height)};
  unsigned code1 = box.outcode(x1, y1), code2 = box.outcode(x2, y2);
  // Each pass settles one boundary of one end, so four passes suffice.
  for (int pass = 0; pass < 4 && (code1 | code2) != 0; ++pass) {
    if ((code1 & code2) != 0) return;  // both ends beyond the same boundary
    if (code1 != 0) {
      box.moveOntoBoundary(code1, x1, y1, x2, y2);
      code1 = box.outcode(x1, y1);
    } else {
      box.moveOntoBoundary(code2, x2, y2, x1, y1);
      code2 = box.outcode(x2, y2);
    }
  }
  if ((code1 | code2) != 0) return;
  drawPixels(static_cast<int>(std::floor(x1)), static_cast<int>(std::floor(y1)),
             static_cast<int>(std::floor(x2)), static_cast<int>(std::floor(y2)), argb, true);
}

// Bresenham's line between two pixels, both included. Without `boundsChecked` every pixel of the
// line must lie on the canvas.
void RasterCanvas::drawPixels(int x1, int y1, int x2, int y2, std::uint32_t argb,
                              bool boundsChecked) {
  const int dx = std::abs(x2 - x1), dy = -std::abs(y2 - y1);
  const int stepX = x1 < x2 ? 1 : -1, stepY = y1 < y2 ? 1 : -1;
  int error = dx + dy;
  for (;;) {
    if (!boundsChecked || (x1 >= 0 && x1 < m_width && y1 >= 0 && y1 < m_height)) {
      m_pixels[indexOf(x1, y1)] = argb;
    }
    if (x1 == x2 && y1 == y2) break;
    const int twice = 2 * error;
    if (twice >= dy) {
      error += dy;
      x1 += stepX;
    }
    if (twice <= dx) {
      error += dx;
      y1 += stepY;
    }
  }
}

}  // namespace kestavon
