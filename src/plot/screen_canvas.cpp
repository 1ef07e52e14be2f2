#include "plot/screen_canvas.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <utility>

#include "platform/number_text.h"

namespace kestavon {
namespace {

// How far a device position computed from a logical one may miss a whole device pixel.
constexpr double kGridTolerance = 1e-6;

// The grid, once it and the area's size are known to be usable.
const DeviceGrid& usable(const DeviceGrid& grid, int logicalWidth, int logicalHeight) {
  if (logicalWidth < 1 || logicalHeight < 1) {
    throw std::invalid_argument("plot area size " + std::to_string(logicalWidth) + " x " +
                                std::to_string(logicalHeight) + " is not positive");
  }
  const auto isOffset = [](double offset) { return offset >= 0 && offset < 1; };  // false for NaN
  if (!(grid.ratio > 0 && grid.ratio <= ScreenCanvas::kMaxRatio)) {
    // Numbers with a point whatever the locale.
    throw std::invalid_argument("device pixel ratio " + shortestText(grid.ratio) +
                                " is outside (0, " + shortestText(ScreenCanvas::kMaxRatio) + "]");
  }
  if (!(isOffset(grid.offsetX) && isOffset(grid.offsetY))) {
    throw std::invalid_argument("device grid offsets must lie in [0, 1)");
  }
  return grid;
}

// Device pixels needed to cover `logicalSize` logical pixels starting `offset` into the first.
int deviceSize(int logicalSize, double offset, double ratio) {
  return static_cast<int>(std::ceil(offset + logicalSize * ratio - kGridTolerance));
}

// The logical pixel that each of `count` device pixels belongs to, the one holding its centre or
// the nearest one for a centre outside the area, as its index times `stride`.
std::vector<std::size_t> owners(int count, int logicalSize, double offset, double ratio,
                                std::size_t stride) {
  std::vector<std::size_t> owner(static_cast<std::size_t>(count));
  for (int k = 0; k < count; ++k) {
    const double centre = (k + 0.5 - offset) / ratio;
    const int logical = std::clamp(static_cast<int>(std::floor(centre)), 0, logicalSize - 1);
    owner[static_cast<std::size_t>(k)] = static_cast<std::size_t>(logical) * stride;
  }
  return owner;
}

}  // namespace

double wholeDevicePixel(double position) { return std::floor(position + kGridTolerance); }

DeviceGrid DeviceGrid::at(double ratio, double logicalX, double logicalY) {
  const auto offset = [ratio](double logical) {
    const double device = logical * ratio;
    return std::max(0.0, device - wholeDevicePixel(device));
  };
  return DeviceGrid{ratio, offset(logicalX), offset(logicalY)};
}

float twipsPerDevicePixel(double ratio) {
  return RasterCanvas::kTwipsPerPixel / static_cast<float>(ratio);
}

ScreenCanvas::ScreenCanvas(int logicalWidth, int logicalHeight, const DeviceGrid& grid)
    : m_logicalWidth(logicalWidth),
      m_logicalHeight(logicalHeight),
      m_logicalStride(static_cast<std::size_t>(logicalWidth)),
      m_scaleWidth(static_cast<float>(logicalWidth) * RasterCanvas::kTwipsPerPixel),
      m_scaleHeight(static_cast<float>(logicalHeight) * RasterCanvas::kTwipsPerPixel),
      m_grid(usable(grid, logicalWidth, logicalHeight)),
      m_device(deviceSize(logicalWidth, grid.offsetX, grid.ratio),
               deviceSize(logicalHeight, grid.offsetY, grid.ratio), twipsPerDevicePixel(grid.ratio),
               static_cast<float>(grid.offsetX) * twipsPerDevicePixel(grid.ratio),
               static_cast<float>(grid.offsetY) * twipsPerDevicePixel(grid.ratio)),
      m_ownerX(owners(m_device.width(), logicalWidth, grid.offsetX, grid.ratio, 1)),
      m_ownerY(
          owners(m_device.height(), logicalHeight, grid.offsetY, grid.ratio, m_logicalStride)) {
  const bool deviceIsLogical = grid.ratio == 1 && grid.offsetX == 0 && grid.offsetY == 0;
  if (!deviceIsLogical) {
    m_record.assign(m_logicalStride * static_cast<std::size_t>(logicalHeight),
                    toArgb(RGB(0, 0, 0)));
  }
}

void ScreenCanvas::Cls() {
  m_device.Cls();
  std::fill(m_record.begin(), m_record.end(), toArgb(RGB(0, 0, 0)));
  m_lines.clear();
  m_manyLines = false;
}

void ScreenCanvas::remember(const DrawnLine& line) {
  if (m_lines.size() < kFewLines) {
    m_lines.push_back(line);
  } else {
    m_lines.clear();
    m_manyLines = true;
  }
}

bool ScreenCanvas::setGrid(const DeviceGrid& grid) {
  if (grid == m_grid) return false;
  ScreenCanvas moved(m_logicalWidth, m_logicalHeight, grid);
  if (!m_manyLines) {
    for (const DrawnLine& line : m_lines)
      moved.Line(line.x1, line.y1, line.x2, line.y2, line.colour);
  } else {
    // Every device pixel takes the colour of the logical pixel it belongs to.
    const std::size_t count = m_logicalStride * static_cast<std::size_t>(m_logicalHeight);
    const std::vector<std::uint32_t> logical =
        m_record.empty() ? std::vector(m_device.pixels(), m_device.pixels() + count) : m_record;
    for (int y = 0; y < moved.m_device.height(); ++y) {
      for (int x = 0; x < moved.m_device.width(); ++x) {
        moved.m_device.setPixel(x, y, logical[moved.logicalIndex(x, y)]);
      }
    }
    if (!moved.m_record.empty()) moved.m_record = logical;
    moved.m_manyLines = true;
  }
  *this = std::move(moved);
  return true;
}

}  // namespace kestavon
