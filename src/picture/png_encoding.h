#pragma once

#include <cstdint>
#include <vector>

#include "plot/raster_canvas.h"

namespace kestavon {

// The canvas as a PNG file, encoded by libpng: 8-bit RGB, the pixels as they are, and the
// canvas's resolution, 1440 / twipsPerPixel dots per inch (96 at 15 twips to a pixel, 192 at 7.5),
// so that a picture of any density prints at the size of the plot area. The same canvas gives the
// same bytes. Throws std::runtime_error when libpng fails, std::bad_alloc without memory.
std::vector<std::uint8_t> encodePng(const RasterCanvas& canvas);

}  // namespace kestavon
