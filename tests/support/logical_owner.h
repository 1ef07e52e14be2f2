#pragma once

#include <algorithm>
#include <cmath>

namespace kestavon::testing_support {

// The logical pixel (0 .. size - 1) that holds the larger part of device pixel k, for an area of
// `size` logical pixels that starts at device position `areaStart` at `ratio` device pixels to a
// logical pixel (the right one on a tie; an edge pixel mostly outside counts for the nearest one).
// Worked out from the overlaps, not from the position of the pixel's centre.
inline int logicalOwner(int k, double areaStart, double ratio, int size) {
  const double left = (k - areaStart) / ratio, right = (k + 1 - areaStart) / ratio;
  const double boundary = std::floor(right);
  int owner = static_cast<int>(boundary);
  // A tie (the centre on the boundary) is a tie up to rounding.
  if (boundary > left && (boundary - left) - (right - boundary) > 1e-9) owner -= 1;
  return std::clamp(owner, 0, size - 1);
}

}  // namespace kestavon::testing_support
