#include "app/render.h"

#include <iostream>

#include "picture/png_file.h"
#include "platform/random.h"
#include "platform/run_time_error.h"
#include "plot/projection.h"
#include "plot/raster_canvas.h"
#include "plot/screen_canvas.h"
#include "plot/trajectory.h"
#include "ui/caption.h"

namespace kestavon {

int renderPicture(const Options& options) {
  if (options.seed) FixRandomSeed(*options.seed);
  // The window's canvas on a screen of this density: whole device pixels per pixel, on the grid.
  RasterCanvas canvas(kPlotAreaWidth * options.scale, kPlotAreaHeight * options.scale,
                      twipsPerDevicePixel(options.scale));
  int status = 0;
  try {
    Draw_Axis(canvas);
    for (int run = 0; run < options.runs; ++run) {
      TrajectoryRun(*options.render, canvas, kFormLoadPi, kFormLoadViewAngle, options.start);
    }
  } catch (const RunTimeError& error) {
    // The same line as the window's report on standard error.
    std::cerr << kCaption << ": " << error.what() << std::endl;
    status = 1;
  }
  if (const std::optional<QString> failure = writePng(canvas, options.output)) {
    std::cerr << "kestavon: " << failure->toLocal8Bit().constData() << std::endl;
    return 1;
  }
  return status;
}

}  // namespace kestavon
