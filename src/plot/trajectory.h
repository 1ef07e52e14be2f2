#pragma once

#include <optional>

#include "dynamics/oscillator.h"
#include "plot/surface.h"

namespace kestavon {

enum class View { XYPlane, Oblique };

// One whole run: integrates the oscillator from a random start in [0, 1)^3 for 1000 time units
// (1,000,001 steps) and draws each step as a green segment from the previous projected point.
// The x-y plane run draws the axes first; the oblique run passes Pi and ViewAngle on to its
// projection. The surface is not cleared. A run-time error ends the run where it happens, with the
// segments drawn so far kept.
void TrajectoryRun(View view, PlotSurface& surface, double Pi, double ViewAngle);

// The same run from `fixedStart` instead of three values of the random sequence, when it holds
// one (the sequence is then neither reseeded nor drawn from); with std::nullopt, the run above.
void TrajectoryRun(View view, PlotSurface& surface, double Pi, double ViewAngle,
                   const std::optional<OscState>& fixedStart);

// The start of a run as TrajectoryRun takes it: `fixedStart` when it holds a state, otherwise,
// after Randomize, three consecutive values of the sequence: x, then y, then z.
OscState runStart(const std::optional<OscState>& fixedStart);

}  // namespace kestavon
