#pragma once

// Where the form's places fall on a screen: every front-end places its controls and its plot with
// these, so that the windows of all toolkits agree pixel for pixel.

#include "form/layout.h"
#include "plot/screen_canvas.h"

namespace kestavon::form {

// Dots per inch of a logical pixel (1/96 inch), the unit of toolkits that scale by themselves.
inline constexpr int kLogicalDotsPerInch = 96;

// Twips as whole pixels at `dotsPerInch`, rounded to the nearest, halves up (as Windows's MulDiv):
// a logical pixel is 15 twips.
constexpr int devicePixels(int twips, int dotsPerInch) {
  return (twips * dotsPerInch + 720) / 1440;
}

struct DeviceRect {
  int left, top, width, height;

  friend bool operator==(const DeviceRect&, const DeviceRect&) = default;
};

// A place of the form at `dotsPerInch`: each edge rounded on its own, so that neighbours meet.
constexpr DeviceRect devicePlace(const Rect& place, int dotsPerInch) {
  const int left = devicePixels(place.left, dotsPerInch);
  const int top = devicePixels(place.top, dotsPerInch);
  return {left, top, devicePixels(place.left + place.width, dotsPerInch) - left,
          devicePixels(place.top + place.height, dotsPerInch) - top};
}

// The device grid of picGraph's drawing area on a screen of `ratio` device pixels to a logical
// pixel, the client area's origin on that grid (as toolkits keep it).
DeviceGrid plotGrid(double ratio);

// The device pixel of the client area that holds the first pixel of picGraph's canvas at `ratio`.
struct DevicePoint {
  int x, y;
};
DevicePoint plotOrigin(double ratio);

}  // namespace kestavon::form
