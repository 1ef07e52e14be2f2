#pragma once

#include <functional>
#include <span>

#include "dynamics/oscillator.h"
#include "plot/raster_canvas.h"
#include "plot/trajectory.h"

namespace kestavon {

// The runs of --render from `starts`, in order, on `canvas` (not shifted): the picture that as
// many TrajectoryRun calls make one after the other, byte for byte, drawn on up to `threads`
// threads. Run k's drawing covers what runs before it drew, so each pixel shows the colour drawn
// last there: the runs are cut into one block of consecutive runs a thread, each block drawn in
// order on a canvas of its own (the first on `canvas`), and the blocks laid over `canvas` in order
// at the end, each pixel that a block drew taking the colour it drew last. With one thread, the
// runs go straight onto `canvas`. `finished(k)` is called on the calling thread as the count of
// finished runs grows to k.
//
// A run-time error in run k leaves what one-at-a-time runs leave: the runs before it whole, run k
// up to its fault, nothing of the runs after it, and the error thrown.
void renderBatch(View view, RasterCanvas& canvas, double Pi, double ViewAngle,
                 std::span<const OscState> starts, int threads,
                 const std::function<void(int)>& finished);

}  // namespace kestavon
