#pragma once

#include <array>
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

// A run makes as many passes as its counter allows: t starts at 0, gains 0.001 in double
// precision after each pass, and a pass is made while t <= 1000. Summed in doubles, t passes 1000
// only after the pass at t = 999.99999998: 1,000,001 passes (the tests sum it). The loop counts
// the passes in an integer instead, which keeps an addition and a register off the step's path.
inline constexpr int kPassesPerRun = 1'000'001;

// A run's scale factors sx and sy on `surface`, as TrajectoryRun computes them before anything
// else, with their checks. Requires the default floating-point environment.
std::array<double, 2> scaleFactors(View view, const PlotSurface& surface);

// The start of a run as TrajectoryRun takes it: `fixedStart` when it holds a state, otherwise,
// after Randomize, three consecutive values of the sequence: x, then y, then z.
OscState runStart(const std::optional<OscState>& fixedStart);

}  // namespace kestavon
