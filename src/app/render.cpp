#include "app/render.h"

#include <iostream>

#include "app/progress.h"
#include "picture/destination.h"
#include "picture/png_file.h"
#include "platform/random.h"
#include "platform/run_time_error.h"
#include "plot/projection.h"
#include "plot/raster_canvas.h"
#include "plot/screen_canvas.h"
#include "plot/trajectory.h"

namespace kestavon {
namespace {

void report(const QString& line) {
  std::cerr << "kestavon: " << line.toLocal8Bit().constData() << std::endl;
}

}  // namespace

int renderPicture(const Options& options) {
  const bool toStandardOutput = options.toStandardOutput();
  const QString where = toStandardOutput ? QStringLiteral("standard output") : options.output;
  // Known before the first run: no one waits for a picture that cannot be written.
  const Destination destination =
      toStandardOutput ? standardOutputDestination() : destinationOf(options.output);
  if (destination.kind == DestinationKind::Refused) {
    report(QStringLiteral("cannot write %1: %2")
               .arg(toStandardOutput ? QStringLiteral("to standard output") : where,
                    destination.refusal));
    return 1;
  }

  if (options.seed) FixRandomSeed(*options.seed);
  // The window's canvas on a screen of this density: whole device pixels per pixel, on the grid.
  RasterCanvas canvas(kPlotAreaWidth * options.scale, kPlotAreaHeight * options.scale,
                      twipsPerDevicePixel(options.scale));
  bool failedRun = false;
  {
    RunProgress progress(options.runs);
    try {
      Draw_Axis(canvas);
      for (int run = 1; run <= options.runs; ++run) {
        progress.show(run);
        TrajectoryRun(*options.render, canvas, kFormLoadPi, kFormLoadViewAngle, options.start);
      }
    } catch (const RunTimeError& error) {
      progress.clear();
      report(QString::fromLocal8Bit(error.what()));
      failedRun = true;
    }
  }
  const std::optional<QString> failure =
      toStandardOutput ? writePngToStandardOutput(canvas) : writePng(canvas, options.output);
  if (failure) {
    report(*failure);
    return 1;
  }
  if (failedRun) {
    report(QStringLiteral("the picture drawn until then was written to %1").arg(where));
    return 1;
  }
  return 0;
}

}  // namespace kestavon
