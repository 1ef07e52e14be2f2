// Fuzzes round16, ProjectXY, ProjectOblique and Draw_Axis with arbitrary doubles and floats
// (NaN of both kinds, infinities, the whole range) on a surface of arbitrary size.
//
// Input layout (little-endian, missing bytes read as zero):
//   f64 value for round16, f32 ScaleWidth, f32 ScaleHeight,
//   f64 x, y, z, sx, sy, Pi, ViewAngle, u8 options (bit 0: leave fault flags raised beforehand).
//
// Each call must either return or throw kestavon::RunTimeError; any other exception ends the
// fuzzer as a crash. Results are compared with a plain evaluation of the same formulas: where that
// gives finite values in the 16-bit range the call must return exactly them (also with stale
// fault flags left by earlier code), otherwise it must throw, and from finite inputs a non-finite
// value must be reported as a floating-point fault, not as a conversion overflow.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

#include "fuzz_input.h"
#include "platform/run_time_error.h"
#include "plot/projection.h"

namespace {

using kestavon::RunTimeError;
using kestavon::RunTimeFault;
using kestavon::ScreenPoint;
using kestavon::fuzzing::isSignalling;

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "projection_fuzz: %s\n", what);
  std::abort();
}

// Raises invalid operation, division by zero and overflow the way other code might leave them.
void leaveStaleFaultFlags() {
  volatile double zero = 0, huge = 1e308;
  volatile double sink = zero / zero;
  sink = 1 / zero;
  sink = huge * huge;
  (void)sink;
}

bool isFloatingPointFault(RunTimeFault fault) {
  return fault == RunTimeFault::InvalidOperation || fault == RunTimeFault::DivisionByZero ||
         fault == RunTimeFault::Overflow;
}

// What a call gave: a value, or the fault of the RunTimeError it threw.
template <class T>
struct Outcome {
  std::optional<T> value;
  RunTimeFault fault{};
};

template <class Call>
auto attempt(bool stale, Call call) -> Outcome<decltype(call())> {
  if (stale) leaveStaleFaultFlags();
  try {
    return {call(), {}};
  } catch (const RunTimeError& error) {
    return {std::nullopt, error.fault()};
  }
}

bool fitsInt16(double value) {
  const double rounded = std::nearbyint(value);
  return rounded >= -32768 && rounded <= 32767;  // false for NaN
}

void checkRound16(double value, bool stale) {
  const auto outcome = attempt(stale, [&] { return kestavon::round16(value); });
  if (fitsInt16(value)) {
    if (!outcome.value) fail("round16 threw for a value in range");
    if (*outcome.value != std::nearbyint(value)) fail("round16 disagrees with nearbyint");
  } else {
    if (outcome.value) fail("round16 returned for a value out of range or NaN");
    if (outcome.fault != RunTimeFault::ConversionOverflow) fail("round16 threw the wrong fault");
  }
}

// Checks a projection's outcome against the plain evaluation (px, py) of its formula.
void checkProjection(const Outcome<ScreenPoint>& outcome, double px, double py, bool finiteInputs,
                     const char* name) {
  if (fitsInt16(px) && fitsInt16(py)) {
    if (!outcome.value) {
      std::fprintf(stderr, "%s threw for the point (%a, %a)\n", name, px, py);
      fail("a projection in range threw");
    }
    if (outcome.value->px != std::nearbyint(px) || outcome.value->py != std::nearbyint(py)) {
      std::fprintf(stderr, "%s gave (%d, %d) for (%a, %a)\n", name, outcome.value->px,
                   outcome.value->py, px, py);
      fail("a projection gave the wrong point");
    }
    return;
  }
  if (outcome.value) fail("a projection out of range returned");
  const bool finitePoint = std::isfinite(px) && std::isfinite(py);
  if (finitePoint && outcome.fault != RunTimeFault::ConversionOverflow) {
    fail("a finite point out of range was not reported as a conversion overflow");
  }
  if (!finitePoint && finiteInputs && !isFloatingPointFault(outcome.fault)) {
    std::fprintf(stderr, "%s: (%a, %a) from finite inputs\n", name, px, py);
    fail("a floating-point fault was not reported as one");
  }
}

// A surface of any size that records its Line calls.
class FuzzSurface : public kestavon::PlotSurface {
 public:
  struct Segment {
    float x1, y1, x2, y2;
    kestavon::Colour colour;
  };

  FuzzSurface(float width, float height) : m_width(width), m_height(height) {}
  float ScaleWidth() const override { return m_width; }
  float ScaleHeight() const override { return m_height; }
  void Cls() override { segments.clear(); }
  void Line(float x1, float y1, float x2, float y2, kestavon::Colour colour) override {
    segments.push_back({x1, y1, x2, y2, colour});
  }

  std::vector<Segment> segments;

 private:
  float m_width, m_height;
};

bool same(float a, float b) {
  return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
}

void checkDrawAxis(float width, float height, bool stale) {
  FuzzSurface surface(width, height);
  const auto outcome = attempt(stale, [&] {
    kestavon::Draw_Axis(surface);
    return true;
  });
  const bool signalling = isSignalling(width) || isSignalling(height);
  if (!outcome.value) {
    // Only an infinite height (H - H/2 is inf - inf) or a signalling NaN is an invalid operation.
    if (!(std::isinf(height) || signalling)) fail("Draw_Axis threw for a harmless size");
    if (outcome.fault != RunTimeFault::InvalidOperation) fail("Draw_Axis threw the wrong fault");
    return;
  }
  if (std::isinf(height)) fail("Draw_Axis drew with an infinite height");
  if (signalling) return;  // a NaN was quieted on the way; its bits are not comparable
  if (surface.segments.size() != 2) fail("Draw_Axis did not draw two lines");
  const float middle = width / 2, half = height / 2, top = height - half;
  const FuzzSurface::Segment expected[2] = {{middle, 0, middle, height, 0},
                                            {0, top, width, half, 0}};
  for (int i = 0; i < 2; ++i) {
    const auto& got = surface.segments[static_cast<std::size_t>(i)];
    const auto& want = expected[i];
    if (!(same(got.x1, want.x1) && same(got.y1, want.y1) && same(got.x2, want.x2) &&
          same(got.y2, want.y2))) {
      fail("Draw_Axis drew an axis in the wrong place");
    }
    if (got.colour != kestavon::RGB(255, 255, 0)) fail("Draw_Axis drew in the wrong colour");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kestavon::fuzzing::FuzzInput input(data, size);
  const auto value = input.take<double>();
  const auto width = input.take<float>(), height = input.take<float>();
  const kestavon::OscState state{input.take<double>(), input.take<double>(), input.take<double>()};
  const auto sx = input.take<double>(), sy = input.take<double>();
  const auto Pi = input.take<double>(), ViewAngle = input.take<double>();
  const bool stale = (input.take<std::uint8_t>() & 1) != 0;

  checkRound16(value, stale);

  FuzzSurface surface(width, height);
  const float halfWidth = width / 2, halfHeight = height / 2;
  {
    const double px = halfWidth + state.x * sx;
    const double py = height - (halfHeight + state.y * sy);
    const bool finiteInputs = std::isfinite(width) && std::isfinite(height) &&
                              std::isfinite(state.x) && std::isfinite(state.y) &&
                              std::isfinite(sx) && std::isfinite(sy);
    const auto outcome =
        attempt(stale, [&] { return kestavon::ProjectXY(surface, state, sx, sy); });
    checkProjection(outcome, px, py, finiteInputs, "ProjectXY");
  }
  {
    const double theta = Pi - ((Pi * ViewAngle) / 180);
    const double cosTheta = std::cos(theta), sinTheta = std::sin(theta);
    const double px = (cosTheta * state.x + state.y) * sx + halfWidth;
    const double py = height - ((sinTheta * state.x + state.z) * sy + halfHeight);
    const bool finiteInputs = std::isfinite(width) && std::isfinite(height) &&
                              std::isfinite(state.x) && std::isfinite(state.y) &&
                              std::isfinite(state.z) && std::isfinite(sx) && std::isfinite(sy) &&
                              std::isfinite(Pi) && std::isfinite(ViewAngle);
    const auto outcome = attempt(
        stale, [&] { return kestavon::ProjectOblique(surface, state, sx, sy, Pi, ViewAngle); });
    checkProjection(outcome, px, py, finiteInputs, "ProjectOblique");
  }
  checkDrawAxis(width, height, stale);
  return 0;
}
