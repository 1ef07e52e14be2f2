#pragma once

#include <functional>
#include <span>

#include "dynamics/oscillator.h"
#include "plot/raster_canvas.h"
#include "plot/trajectory.h"

namespace kestavon {

// The runs of --render from `starts`, in order, on `canvas`: the picture that as many
// TrajectoryRun calls make one after the other, byte for byte, on up to `threads` threads. A
// single run is that call. More runs go in flight together on each thread (plot/runs_in_flight.h),
// every thread taking the next group of them in turn and keeping the pixels they light, a byte a
// pixel; the picture needs no more, as every run draws in green: those pixels turn green over what
// `canvas` showed, except that the x-y view's axes, which each run draws in yellow before its
// segments, are drawn again then, as the last run draws them, and only its own pixels go over
// them. With one thread no thread is started. A thread that cannot have its memory or cannot start
// leaves its runs to the others; with no memory for any of them, the runs are drawn one after the
// other on `canvas`. `finished(k)` is called on the calling thread as the count of finished runs
// grows to k.
//
// A run-time error in run k leaves what one-at-a-time runs leave: the runs before it whole, run k
// up to its fault, nothing of the runs after it, and the error thrown. (Runs after k that were in
// flight beside it are left out by drawing the runs up to k again.)
void renderBatch(View view, RasterCanvas& canvas, double Pi, double ViewAngle,
                 std::span<const OscState> starts, int threads,
                 const std::function<void(int)>& finished);

}  // namespace kestavon
