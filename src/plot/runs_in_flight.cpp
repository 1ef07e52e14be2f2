#include "plot/runs_in_flight.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <stdexcept>
#include <type_traits>

#include "dynamics/lanes.h"
#include "dynamics/runge_kutta.h"
#include "platform/fp_environment.h"
#include "platform/run_time_error.h"

namespace kestavon {
namespace {

// Where a lane without a run, or whose run has ended, goes on: from a start in [0, 1)^3 a run
// stays near the attractor, so such a lane never needs the slow path. It draws nothing.
constexpr OscState kIdle{0, 0, 0};

// The runs handed to the code chosen for the processor.
struct Group {
  const RasterCanvas* canvas;
  std::span<const OscState> starts;
  std::span<const std::span<Lit>> pixels;
  std::span<std::exception_ptr> faults;
};

// A group's runs in W lanes: their states and the points they reached.
template <int W>
struct Flight {
  Lanes<W> x, y, z;
  // Each run's previous point, and the pixel that holds it when that pixel is lit (else a column
  // of kNotLit, which neighbours no pixel).
  std::array<std::int16_t, W> px{}, py{};
  std::array<int, W> column{}, row{};
  static constexpr int kNotLit = -2;
  unsigned drawing = 0;  // the lanes whose runs go on, a bit each

  bool draws(int lane) const { return ((drawing >> lane) & 1u) != 0; }
  OscState state(int lane) const { return {x[lane], y[lane], z[lane]}; }
  void put(int lane, const OscState& state) {
    x.set(lane, state.x);
    y.set(lane, state.y);
    z.set(lane, state.z);
  }
  // Ends the run of `lane` with the run-time error being handled.
  void end(int lane, const Group& group) {
    group.faults[static_cast<std::size_t>(lane)] = std::current_exception();
    drawing &= ~(1u << lane);
    put(lane, kIdle);
  }
};

// The slow paths, out of line and for any processor: what the runs of single lanes do where a
// check of all lanes at once fails, each lane exactly as its run does alone.

// Each run's first point, or its fault.
template <int W, class Projection>
[[gnu::noinline]] void start(Flight<W>& flight, const Group& group, const Projection& project) {
  for (int lane = 0; lane < W; ++lane) {
    flight.put(lane, kIdle);
    if (static_cast<std::size_t>(lane) >= group.starts.size()) continue;
    const OscState& start = group.starts[static_cast<std::size_t>(lane)];
    flight.put(lane, start);
    flight.drawing |= 1u << lane;
    flight.column[static_cast<std::size_t>(lane)] = Flight<W>::kNotLit;  // before the first segment
    try {
      const ScreenPoint first = project(*group.canvas, start);
      flight.px[static_cast<std::size_t>(lane)] = first.px;
      flight.py[static_cast<std::size_t>(lane)] = first.py;
    } catch (const RunTimeError&) {
      flight.end(lane, group);
    }
  }
}

// A step that left some lane a value that is not finite: each such run steps alone, with its
// checks, which end it at its fault (or let it carry an infinity on, as it would alone).
template <int W>
[[gnu::noinline, gnu::cold]] void stepAlone(Flight<W>& flight, std::array<Lanes<W>, 3>& next,
                                            const Group& group) {
  for (int lane = 0; lane < W; ++lane) {
    if (std::isfinite(next[0][lane]) && std::isfinite(next[1][lane]) &&
        std::isfinite(next[2][lane])) {
      continue;
    }
    OscState after = kIdle;
    if (flight.draws(lane)) {
      try {
        after = nextState(flight.state(lane));
      } catch (const RunTimeError&) {
        flight.end(lane, group);
      }
    }
    next[0].set(lane, after.x);
    next[1].set(lane, after.y);
    next[2].set(lane, after.z);
  }
}

// A point whose rounded coordinates do not fit 16 bits, or are not finite numbers: the run
// projects alone, with its checks, which end it at its fault.
template <int W, class Projection>
[[gnu::noinline, gnu::cold]] ScreenPoint projectAlone(Flight<W>& flight, int lane,
                                                      const Group& group,
                                                      const Projection& project) {
  try {
    return project(*group.canvas, flight.state(lane));
  } catch (const RunTimeError&) {
    flight.end(lane, group);
    return {};
  }
}

// The segment of the run in `lane` from its previous point to (x, y), rounded as its projection
// rounds them, its pixels lit in `lit` (rows of `stride` pixels). A segment from the pixel the run
// lit last to the same pixel or a neighbour lights just its end (with both ends on the canvas Line
// draws its ends alone, and the first is lit already); any other goes through the canvas's own
// rasteriser.
template <int W, class Projection>
[[gnu::always_inline]] inline void drawSegment(Flight<W>& flight, int lane, std::int64_t x,
                                               std::int64_t y, Lit* lit, std::size_t stride,
                                               const Group& group, const Projection& project) {
  const RasterCanvas& canvas = *group.canvas;
  const auto light = [lit, stride](int column, int row) {
    lit[static_cast<std::size_t>(row) * stride + static_cast<std::size_t>(column)] = Lit::Yes;
  };
  const auto i = static_cast<std::size_t>(lane);
  // On the canvas, the point's coordinates fit 16 bits.
  int column = 0, row = 0;
  const bool onCanvas = canvas.pixelOf(x, y, column, row);
  const auto within = [](int a, int b) { return static_cast<unsigned>(a - b + 1) <= 2u; };
  if (onCanvas && within(column, flight.column[i]) && within(row, flight.row[i])) [[likely]] {
    light(column, row);
  } else {
    const auto fits = [](std::int64_t value) { return value >= INT16_MIN && value <= INT16_MAX; };
    ScreenPoint reached{static_cast<std::int16_t>(x), static_cast<std::int16_t>(y)};
    if (!fits(x) || !fits(y)) {
      reached = projectAlone(flight, lane, group, project);
      if (!flight.draws(lane)) return;
    }
    canvas.forEachPixel(flight.px[i], flight.py[i], reached.px, reached.py, light);
    if (!onCanvas) column = Flight<W>::kNotLit;
  }
  flight.px[i] = static_cast<std::int16_t>(x);
  flight.py[i] = static_cast<std::int16_t>(y);
  flight.column[i] = column;
  flight.row[i] = row;
}

// The runs of a group, pass by pass as drawPasses makes one run's (trajectory.cpp): every lane
// steps, then projects, then each run draws its segment from its previous point.
template <int W, class Projection>
[[gnu::always_inline]] inline void markGroup(const Group& group, const Projection& project) {
  const float width = group.canvas->ScaleWidth(), height = group.canvas->ScaleHeight();
  const auto stride = static_cast<std::size_t>(group.canvas->width());
  std::array<Lit*, W> pixels{};
  for (std::size_t lane = 0; lane < group.starts.size(); ++lane) {
    pixels[lane] = group.pixels[lane].data();
  }

  Flight<W> flight;
  start(flight, group, project);
  for (int pass = 0; pass < kPassesPerRun && flight.drawing != 0; ++pass) {
    std::array<Lanes<W>, 3> next = field::rungeKuttaState(flight.x, flight.y, flight.z);
    if (!allFinite(next)) [[unlikely]] {
      stepAlone(flight, next, group);
    }
    flight.x = next[0];
    flight.y = next[1];
    flight.z = next[2];
    // The projection's formula for all lanes; its check is each lane's rounding, whose 16-bit
    // range holds no value that is not finite.
    const std::array<Lanes<W>, 2> point =
        project.coordinates(width, height, flight.x, flight.y, flight.z);
    const std::array<std::int64_t, W> xs = nearestIntegers(point[0]);
    const std::array<std::int64_t, W> ys = nearestIntegers(point[1]);
#pragma GCC unroll 16
    for (int lane = 0; lane < W; ++lane) {
      const auto i = static_cast<std::size_t>(lane);
      if (flight.draws(lane)) {
        drawSegment(flight, lane, xs[i], ys[i], pixels[i], stride, group, project);
      }
    }
  }
}

// The code for each kind of processor: the same source, compiled for its vectors, at the width
// measured best for it (docs/performance.md): two SSE2 registers of doubles, two of AVX2, two of
// AVX-512. Wider still gains little on the integration, and a batch's last group then leaves
// more lanes empty.
struct Kernel {
  int width;
  void (*xy)(const Group&, const XYProjection&);
  void (*oblique)(const Group&, const ObliqueProjection&);
};

template <int W, class Projection>
void markBaseline(const Group& group, const Projection& project) {
  markGroup<W>(group, project);
}

// x86-64 beyond its baseline (SSE2), chosen at run time. (On Windows the assembler makes the
// aligned moves of spilled vectors unaligned: see CMakeLists.txt.)
#if defined(__x86_64__)
#define KESTAVON_WIDER_VECTORS 1

template <int W, class Projection>
[[gnu::target("avx2")]] void markAvx2(const Group& group, const Projection& project) {
  markGroup<W>(group, project);
}

template <int W, class Projection>
[[gnu::target("avx512f")]] void markAvx512(const Group& group, const Projection& project) {
  markGroup<W>(group, project);
}
#endif

// KESTAVON_WIDEST_VECTORS caps the choice for the tests, which hold the code for every kind of
// vectors to single runs on a processor that has the widest (tests/plot/CMakeLists.txt): 0 the
// baseline's, 1 AVX2's.
#if !defined(KESTAVON_WIDEST_VECTORS)
#define KESTAVON_WIDEST_VECTORS 2
#endif

const Kernel& chosenKernel() {
  static const Kernel kernel = [] {
#if defined(KESTAVON_WIDER_VECTORS)
    __builtin_cpu_init();
    if (KESTAVON_WIDEST_VECTORS >= 2 && __builtin_cpu_supports("avx512f")) {
      return Kernel{16, markAvx512<16, XYProjection>, markAvx512<16, ObliqueProjection>};
    }
    if (KESTAVON_WIDEST_VECTORS >= 1 && __builtin_cpu_supports("avx2")) {
      return Kernel{8, markAvx2<8, XYProjection>, markAvx2<8, ObliqueProjection>};
    }
#endif
    return Kernel{4, markBaseline<4, XYProjection>, markBaseline<4, ObliqueProjection>};
  }();
  return kernel;
}

}  // namespace

RunsInFlight::RunsInFlight(View view, const RasterCanvas& canvas, double Pi, double ViewAngle)
    : m_canvas(canvas) {
  const DefaultFpEnvironment environment;
  const auto [sx, sy] = scaleFactors(view, canvas);
  if (view == View::XYPlane) {
    m_projection = XYProjection{sx, sy};
  } else {
    m_projection = ObliqueProjection::at(sx, sy, Pi, ViewAngle);
  }
}

int RunsInFlight::width() const { return chosenKernel().width; }

void RunsInFlight::mark(std::span<const OscState> starts, std::span<const std::span<Lit>> pixels,
                        std::span<std::exception_ptr> faults) const {
  const Kernel& kernel = chosenKernel();
  const std::size_t count = starts.size();
  const std::size_t size =
      static_cast<std::size_t>(m_canvas.width()) * static_cast<std::size_t>(m_canvas.height());
  if (count > static_cast<std::size_t>(kernel.width) || pixels.size() < count ||
      faults.size() < count ||
      std::any_of(pixels.begin(), pixels.begin() + static_cast<std::ptrdiff_t>(count),
                  [size](std::span<Lit> lit) { return lit.size() != size; })) {
    throw std::invalid_argument("runs in flight: starts, pixels and faults do not match");
  }
  const DefaultFpEnvironment environment;
  const Group group{&m_canvas, starts, pixels, faults};
  if (const auto* xy = std::get_if<XYProjection>(&m_projection)) {
    kernel.xy(group, *xy);
  } else {
    kernel.oblique(group, std::get<ObliqueProjection>(m_projection));
  }
}

}  // namespace kestavon
