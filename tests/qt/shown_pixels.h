#pragma once

// What a window shows, in device pixels, for the Qt tests of the window and its plot.

#include <QBackingStore>
#include <QImage>
#include <QRect>
#include <QWidget>
#include <cmath>

namespace kestavon::testing_support {

// picGraph's inner drawing area in the window's logical pixels.
inline const QRect kPlotArea(34, 18, 549, 373);

inline constexpr unsigned kRgbBlack = 0x000000u, kRgbYellow = 0xFFFF00u, kRgbGreen = 0x00FF00u;

struct Census {
  int black = 0, yellow = 0, green = 0, other = 0;
};

inline Census census(const QImage& image) {
  Census counts;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      switch (image.pixel(x, y) & 0xFFFFFFu) {
        case kRgbBlack:
          ++counts.black;
          break;
        case kRgbYellow:
          ++counts.yellow;
          break;
        case kRgbGreen:
          ++counts.green;
          break;
        default:
          ++counts.other;
      }
    }
  }
  return counts;
}

// The device pixels that a rectangle of logical window pixels covers, wholly or in part.
inline QRect devicePixelsOf(const QRect& logical, qreal ratio) {
  const auto low = [ratio](int at) { return static_cast<int>(std::floor(at * ratio)); };
  const auto high = [ratio](int at) { return static_cast<int>(std::ceil(at * ratio)); };
  return QRect(QPoint(low(logical.left()), low(logical.top())),
               QPoint(high(logical.left() + logical.width()) - 1,
                      high(logical.top() + logical.height()) - 1));
}

// Everything the window shows, one pixel per device pixel: its backing store as painted. (Qt
// 6.4's offscreen screen grabs a wrong area when the device pixel ratio is not 1, and a fresh
// rendering of the widget would show a drawing that was never repainted.)
inline QImage shownPixels(QWidget& window) {
  QBackingStore* store = window.backingStore();
  QPaintDevice* device = store != nullptr ? store->paintDevice() : nullptr;
  if (device == nullptr || device->devType() != QInternal::Image) return {};
  QImage copy = static_cast<QImage*>(device)->copy();
  copy.setDevicePixelRatio(1);
  return copy;
}

// What the window shows of its plot area, in device pixels, the pixels it covers in part included.
inline QImage plotOnScreen(QWidget& window) {
  return shownPixels(window).copy(devicePixelsOf(kPlotArea, window.devicePixelRatioF()));
}

}  // namespace kestavon::testing_support
