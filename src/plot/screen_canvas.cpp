#include "plot/screen_canvas.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <stdexcept>
#include <string>
#include <utility>

namespace kestavon {
namespace {

// How far a device position computed from a logical one may miss a whole device pixel.
constexpr double kGridTolerance = 1e-6;

// The grid, once it and the area's size are known to be usable.
const DeviceGrid& checked(const DeviceGrid& grid, int logicalWidth, int logicalHeight) {
  if (logicalWidth < 1 || logicalHeight < 1) {
    throw std::invalid_argument("plot area size " + std::to_string(logicalWidth) + " x " +
                                std::to_string(logicalHeight) + " is not positive");
  }
  const auto isOffset = [](double offset) { return offset >= 0 && offset < 1; };  // false for NaN
  if (!(grid.ratio > 0 && grid.ratio <= ScreenCanvas::kMaxRatio)) {
    // Numbers with a point whatever the locale.
    const auto text = [](double value) {
      char digits[32];
      return std::string(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
    };
    throw std::invalid_argument("device pixel ratio " + text(grid.ratio) + " is outside (0, " +
                                text(ScreenCanvas::kMaxRatio) + "]");
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

// The logical pixel that each of `count` device pixels belongs to: the one holding its centre,
// or the nearest one for a centre outside the area.
std::vector<int> owners(int count, int logicalSize, double offset, double ratio) {
  std::vector<int> owner(static_cast<std::size_t>(count));
  for (int k = 0; k < count; ++k) {
    const double centre = (k + 0.5 - offset) / ratio;
    owner[static_cast<std::size_t>(k)] =
        std::clamp(static_cast<int>(std::floor(centre)), 0, logicalSize - 1);
  }
  return owner;
}

bool isLogicalGrid(const DeviceGrid& grid) {
  return grid.ratio == 1 && grid.offsetX == 0 && grid.offsetY == 0;
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
      m_grid(checked(grid, logicalWidth, logicalHeight)),
      m_device(deviceSize(logicalWidth, grid.offsetX, grid.ratio),
               deviceSize(logicalHeight, grid.offsetY, grid.ratio),
               twipsPerDevicePixel(grid.ratio)) {
  if (!isLogicalGrid(grid)) {
    m_record.emplace(logicalWidth, logicalHeight);
    m_ownerX = owners(m_device.width(), logicalWidth, grid.offsetX, grid.ratio);
    m_ownerY = owners(m_device.height(), logicalHeight, grid.offsetY, grid.ratio);
    const float twips = m_device.twipsPerPixel();
    m_shiftX = static_cast<float>(grid.offsetX) * twips;
    m_shiftY = static_cast<float>(grid.offsetY) * twips;
    m_columnOfTwip = RasterCanvas::pixelOfEachTwip(m_device.width(), twips, m_shiftX);
    m_rowOfTwip = RasterCanvas::pixelOfEachTwip(m_device.height(), twips, m_shiftY);
  }
}

float ScreenCanvas::ScaleWidth() const {
  return static_cast<float>(m_logicalWidth) * RasterCanvas::kTwipsPerPixel;
}

float ScreenCanvas::ScaleHeight() const {
  return static_cast<float>(m_logicalHeight) * RasterCanvas::kTwipsPerPixel;
}

void ScreenCanvas::Cls() {
  m_device.Cls();
  if (m_record) m_record->Cls();
}

void ScreenCanvas::Line(float x1, float y1, float x2, float y2, Colour colour) {
  if (!m_record) {
    m_device.Line(x1, y1, x2, y2, colour);
    return;
  }
  const std::uint32_t argb = toArgb(colour);
  m_device.forEachPixel(x1 + m_shiftX, y1 + m_shiftY, x2 + m_shiftX, y2 + m_shiftY,
                        [this, argb](int x, int y) {
                          m_device.setPixel(x, y, argb);
                          m_record->setPixel(m_ownerX[static_cast<std::size_t>(x)],
                                             m_ownerY[static_cast<std::size_t>(y)], argb);
                        });
}

RasterCanvas* ScreenCanvas::directCanvas() { return m_record ? nullptr : &m_device; }

ScreenCanvas* ScreenCanvas::screenCanvas() { return m_record ? this : nullptr; }

ScreenCanvas::ShortLines ScreenCanvas::shortLines() {
  RasterCanvas::ShortLines device = m_device.shortLines();
  device.columnOfTwip = m_columnOfTwip.data();
  device.columns = m_columnOfTwip.size();
  device.rowOfTwip = m_rowOfTwip.data();
  device.rows = m_rowOfTwip.size();
  return {device, m_record->shortLines().pixels, static_cast<std::size_t>(m_logicalWidth),
          m_ownerX.data(), m_ownerY.data()};
}

std::uint32_t ScreenCanvas::logicalPixel(int x, int y) const {
  return m_record ? m_record->pixel(x, y) : m_device.pixel(x, y);
}

void ScreenCanvas::setGrid(const DeviceGrid& grid) {
  if (grid == m_grid) return;
  ScreenCanvas moved(m_logicalWidth, m_logicalHeight, grid);
  if (moved.m_record) {
    for (int y = 0; y < m_logicalHeight; ++y) {
      for (int x = 0; x < m_logicalWidth; ++x) moved.m_record->setPixel(x, y, logicalPixel(x, y));
    }
    for (int y = 0; y < moved.m_device.height(); ++y) {
      const int row = moved.m_ownerY[static_cast<std::size_t>(y)];
      for (int x = 0; x < moved.m_device.width(); ++x) {
        moved.m_device.setPixel(x, y,
                                logicalPixel(moved.m_ownerX[static_cast<std::size_t>(x)], row));
      }
    }
  } else {
    for (int y = 0; y < m_logicalHeight; ++y) {
      for (int x = 0; x < m_logicalWidth; ++x) moved.m_device.setPixel(x, y, logicalPixel(x, y));
    }
  }
  *this = std::move(moved);
}

}  // namespace kestavon
