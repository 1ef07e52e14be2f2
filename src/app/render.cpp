#include "app/render.h"

#include <new>
#include <optional>
#include <string>
#include <vector>

#include "app/batch.h"
#include "app/progress.h"
#include "form/layout.h"
#include "picture/png_file.h"
#include "platform/cores.h"
#include "platform/messages.h"
#include "platform/random.h"
#include "platform/run_time_error.h"
#include "plot/projection.h"
#include "plot/raster_canvas.h"
#include "plot/screen_canvas.h"
#include "plot/trajectory.h"

namespace kestavon {

int renderPicture(const Options& options) {
  // Known before the first run: no one waits for a picture that cannot be written.
  if (const std::optional<std::string> refusal = refusalOf(options.output)) {
    report(*refusal);
    return 1;
  }

  // The starts in run order, drawn from the sequence as one click after another draws them.
  if (options.seed) FixRandomSeed(*options.seed);
  std::vector<OscState> starts(static_cast<std::size_t>(options.runs));
  for (OscState& start : starts) start = runStart(options.start);
  // The window's canvas on a screen of this density: whole device pixels per pixel, on the grid.
  const int width = form::kPlotAreaWidth * options.scale,
            height = form::kPlotAreaHeight * options.scale;
  std::optional<RasterCanvas> made;
  try {
    made.emplace(width, height, twipsPerDevicePixel(options.scale));
  } catch (const std::bad_alloc&) {
    report("not enough memory for a " + std::to_string(width) + " x " + std::to_string(height) +
           " picture");
    return 1;
  }
  RasterCanvas& canvas = *made;
  bool failedRun = false;
  {
    RunProgress progress(options.runs);
    try {
      Draw_Axis(canvas);
      renderBatch(*options.render, canvas, kFormLoadPi, kFormLoadViewAngle, starts, usableCores(),
                  [&progress](int finished) { progress.show(finished); });
    } catch (const RunTimeError& error) {
      progress.clear();
      report(error.what());
      failedRun = true;
    }
  }
  if (const std::optional<std::string> failure = writePng(canvas, options.output, Patience::Wait)) {
    report(*failure);
    return 1;
  }
  if (failedRun) {
    const std::string where =
        options.output == kStandardOutput ? "standard output" : printable(options.output);
    report("the picture drawn until then was written to " + where);
    return 1;
  }
  return 0;
}

}  // namespace kestavon
