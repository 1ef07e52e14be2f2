// Fuzzes RasterCanvas::Line with arbitrary float ends (NaN, infinities, the whole float range),
// canvas sizes up to 96 x 96 pixels, arbitrary twips-per-pixel scales, shifts of up to a pixel
// and colours.
//
// Input layout (little-endian, missing bytes read as zero):
//   u8 width % 97, u8 height % 97, f32 twips per pixel, u8 shift x, u8 shift y (in 256ths of a
//   pixel), then up to 32 segments of { f32 x1, y1, x2, y2; u32 colour }.
//
// After each segment, drawn on a cleared canvas, it checks that
//   - every pixel is black or the segment's colour (nothing else is written; AddressSanitizer
//     catches a write outside the buffer);
//   - a segment with a non-finite end draws nothing;
//   - an end on the canvas lights the pixel that holds it, as that point drawn alone does: the
//     canvas converts twips to pixels once, in single precision, whether it clips or not;
//   - with both ends within 1e9 pixels of the origin, every lit pixel lies within the segment's
//     bounding box grown by a pixel and within 0.5 + sqrt(1/2) pixels of the segment (each end
//     moves less than sqrt(1/2) to the corner of its pixel, and the line between those strays
//     less than half a pixel), no more pixels are lit than its longer side spans, and the segment
//     is visible wherever it crosses the canvas.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <utility>

#include "fuzz_input.h"
#include "plot/raster_canvas.h"

namespace {

using kestavon::RasterCanvas;

constexpr std::uint32_t kBlack = 0xFF000000u;
constexpr double kModerate = 1e9;  // pixels; beyond this a double places the line only roughly
// How far a lit pixel's centre may lie from the segment, with room for the clip's rounding.
constexpr double kStray = 0.5 + 0.70710678118654752 + 1e-6;
constexpr int kMaxSegments = 32;

// The canvas's shifts, in twips.
struct Shift {
  float x, y;
} shift{0, 0};

[[noreturn]] void fail(const char* what, float x1, float y1, float x2, float y2,
                       const RasterCanvas& canvas) {
  std::fprintf(stderr, "canvas_line_fuzz: %s\n  canvas %d x %d, %a twips per pixel\n", what,
               canvas.width(), canvas.height(), static_cast<double>(canvas.twipsPerPixel()));
  std::fprintf(stderr, "  shifts %a, %a twips\n", static_cast<double>(shift.x),
               static_cast<double>(shift.y));
  std::fprintf(stderr, "  Line(%a, %a, %a, %a)\n", static_cast<double>(x1), static_cast<double>(y1),
               static_cast<double>(x2), static_cast<double>(y2));
  std::abort();
}

bool isLit(const RasterCanvas& canvas, int x, int y) {
  return x >= 0 && x < canvas.width() && y >= 0 && y < canvas.height() &&
         canvas.pixel(x, y) != kBlack;
}

bool litNear(const RasterCanvas& canvas, int x, int y, int radius) {
  for (int dy = -radius; dy <= radius; ++dy) {
    for (int dx = -radius; dx <= radius; ++dx) {
      if (isLit(canvas, x + dx, y + dy)) return true;
    }
  }
  return false;
}

// Distance from (px, py) to the segment (ax, ay)-(bx, by).
double distanceToSegment(double px, double py, double ax, double ay, double bx, double by) {
  const double dx = bx - ax, dy = by - ay;
  const double lengthSquared = dx * dx + dy * dy;
  double t = lengthSquared > 0 ? ((px - ax) * dx + (py - ay) * dy) / lengthSquared : 0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(px - (ax + t * dx), py - (ay + t * dy));
}

void checkSegment(const RasterCanvas& canvas, float x1, float y1, float x2, float y2,
                  std::uint32_t argb) {
  const int width = canvas.width(), height = canvas.height();
  std::size_t lit = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint32_t value = canvas.pixel(x, y);
      if (value == kBlack) continue;
      if (value != argb)
        fail("a pixel took a colour other than the segment's", x1, y1, x2, y2, canvas);
      ++lit;
    }
  }
  if (!(std::isfinite(x1) && std::isfinite(y1) && std::isfinite(x2) && std::isfinite(y2))) {
    if (lit != 0) fail("a segment with a non-finite end drew pixels", x1, y1, x2, y2, canvas);
    return;
  }

  // The ends in pixels, converted as the canvas converts them.
  const float scale = canvas.twipsPerPixel();
  const double ax = (x1 + shift.x) / scale, ay = (y1 + shift.y) / scale;
  const double bx = (x2 + shift.x) / scale, by = (y2 + shift.y) / scale;
  for (const auto& [u, v] : {std::pair{ax, ay}, std::pair{bx, by}}) {
    if (argb != kBlack && u >= 0 && u < width && v >= 0 && v < height &&
        canvas.pixel(static_cast<int>(u), static_cast<int>(v)) == kBlack) {
      fail("an end on the canvas is not where that point alone is drawn", x1, y1, x2, y2, canvas);
    }
  }
  if (!(std::abs(ax) <= kModerate && std::abs(ay) <= kModerate && std::abs(bx) <= kModerate &&
        std::abs(by) <= kModerate)) {
    return;
  }
  const double left = std::floor(std::min(ax, bx)) - 1, right = std::floor(std::max(ax, bx)) + 1;
  const double top = std::floor(std::min(ay, by)) - 1, bottom = std::floor(std::max(ay, by)) + 1;
  const double longerSide = std::max(right - left, bottom - top) + 1;
  if (static_cast<double>(lit) > longerSide) {
    fail("more pixels lit than the segment spans", x1, y1, x2, y2, canvas);
  }
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (canvas.pixel(x, y) == kBlack) continue;
      if (x < left || x > right || y < top || y > bottom) {
        fail("a pixel outside the segment's bounding box was lit", x1, y1, x2, y2, canvas);
      }
      if (distanceToSegment(x + 0.5, y + 0.5, ax, ay, bx, by) > kStray) {
        fail("a pixel far from the segment was lit", x1, y1, x2, y2, canvas);
      }
    }
  }

  // Visible wherever it crosses the canvas: near every sampled point more than two pixels inside
  // the border, a pixel is lit. (The ends snap to whole pixels, so the drawn line can lie up to a
  // pixel and a bit away from the ideal one, and just inside the border it may be drawn outside.)
  if (argb == kBlack) return;
  for (int i = 0; i <= 16; ++i) {
    const double t = i / 16.0;
    const double px = ax + (bx - ax) * t, py = ay + (by - ay) * t;
    if (px >= 2 && px < width - 2 && py >= 2 && py < height - 2 &&
        !litNear(canvas, static_cast<int>(px), static_cast<int>(py), 2)) {
      fail("the segment is missing where it crosses the canvas", x1, y1, x2, y2, canvas);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kestavon::fuzzing::FuzzInput input(data, size);
  const int width = input.take<std::uint8_t>() % 97;
  const int height = input.take<std::uint8_t>() % 97;
  float scale = input.take<float>();
  if (!(std::isfinite(scale) && scale > 0)) {
    bool rejected = false;
    try {
      RasterCanvas refused(width, height, scale);
    } catch (const std::invalid_argument&) {
      rejected = true;
    }
    if (!rejected) {
      std::fprintf(stderr, "canvas_line_fuzz: scale %a accepted\n", static_cast<double>(scale));
      std::abort();
    }
    scale = RasterCanvas::kTwipsPerPixel;
  }
  shift.x = input.take<std::uint8_t>() / 256.0f * scale;
  shift.y = input.take<std::uint8_t>() / 256.0f * scale;
  RasterCanvas canvas(width, height, scale, shift.x, shift.y);

  for (int segment = 0; segment < kMaxSegments && !input.empty(); ++segment) {
    const auto x1 = input.take<float>(), y1 = input.take<float>();
    const auto x2 = input.take<float>(), y2 = input.take<float>();
    const auto colour = input.take<std::uint32_t>();
    canvas.Cls();
    canvas.Line(x1, y1, x2, y2, colour);
    checkSegment(canvas, x1, y1, x2, y2, kestavon::toArgb(colour));
  }
  return 0;
}
