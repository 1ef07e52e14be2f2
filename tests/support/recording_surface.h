#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "plot/surface.h"

namespace kestavon::testing_support {

struct RecordedLine {
  float x1, y1, x2, y2;
  Colour colour;
};

// A PlotSurface that records every call. Its size can be changed between calls, and `onLine`
// runs before each Line is recorded (a test can make it throw to stand for a failing surface).
class RecordingSurface : public PlotSurface {
 public:
  RecordingSurface(float initialWidth, float initialHeight)
      : width(initialWidth), height(initialHeight) {}

  float ScaleWidth() const override {
    ++sizeReads;
    return width;
  }
  float ScaleHeight() const override {
    ++sizeReads;
    return height;
  }
  void Cls() override {
    ++clsCalls;
    lines.clear();
  }
  void Line(float x1, float y1, float x2, float y2, Colour colour) override {
    if (onLine) onLine(lines.size());
    lines.push_back({x1, y1, x2, y2, colour});
  }

  float width, height;
  mutable std::size_t sizeReads = 0;
  std::size_t clsCalls = 0;
  std::vector<RecordedLine> lines;
  std::function<void(std::size_t linesSoFar)> onLine;
};

}  // namespace kestavon::testing_support
