#pragma once

#include <cstdint>
#include <vector>

#include "plot/raster_canvas.h"

namespace kestavon {

// picGraph in a page: the canvas's device pixels put one to one into the page's canvas, whose
// first device pixel is at form::plotOrigin of the client area, inside the plot's sunken frame.
class WebPlotView {
 public:
  // Shows `pixels` as they are now, on a screen of `ratio` device pixels to a CSS pixel.
  void show(const RasterCanvas& pixels, double ratio);

 private:
  std::vector<std::uint32_t> m_rgba;  // the page's byte order, R G B A
};

}  // namespace kestavon
