#include "app/batch.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>
#include <new>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "plot/projection.h"
#include "plot/runs_in_flight.h"

namespace kestavon {
namespace {

constexpr std::uint32_t kGreen = toArgb(RGB(0, 255, 0));

using Pixels = std::vector<Lit>;

// One pass over a batch's runs: their groups (runs in flight together) taken in turn by every
// thread, each thread setting the pixels its runs light in pixels of its own. Every run of a
// batch draws in green; only an x-y run draws more, its axes in yellow before its segments, so
// that in the picture of runs one after another the axes show where the last run did not draw.
// That run's pixels are therefore kept apart (the threads share them: one run sets them).
class Pass {
 public:
  Pass(const RunsInFlight& flight, std::span<const OscState> starts, std::span<Lit> lastRun)
      : m_flight(flight),
        m_starts(starts),
        m_runs(static_cast<int>(starts.size())),
        m_width(flight.width()),
        m_groups((m_runs + m_width - 1) / m_width),
        m_lastRun(lastRun),
        m_faults(starts.size()),
        m_firstFailure(m_runs) {}

  // Sets the runs' pixels on up to `threads` threads, the calling one among them, each in its
  // entry of `pixels`, made by its thread (a thread that cannot have its memory or cannot start
  // leaves its runs to the others), reporting the count of finished runs on the calling thread.
  // Returns false when no thread could have its memory.
  bool draw(std::vector<Pixels>& pixels, std::size_t size, int threads,
            const std::function<void(int)>& finished) {
    pixels.resize(static_cast<std::size_t>(std::clamp(threads, 1, std::max(m_groups, 1))));
    std::vector<std::jthread> helpers;
    for (std::size_t t = 1; t < pixels.size(); ++t) {
      try {
        helpers.emplace_back([this, &pixels, size, t] { work(pixels[t], size, {}); });
      } catch (const std::system_error&) {  // no more threads: the others take their runs
        break;
      }
    }
    work(pixels[0], size, finished);
    helpers.clear();  // joins them
    show(finished);
    return m_working > 0;
  }

  // The first run that failed and its error, if one did.
  std::optional<int> firstFailure() const {
    if (m_firstFailure == m_runs) return std::nullopt;
    return m_firstFailure.load();
  }
  std::exception_ptr failure() const {
    return m_faults[static_cast<std::size_t>(m_firstFailure.load())];
  }

 private:
  // Takes groups until none is left (or none is needed after a failure).
  void work(Pixels& pixels, std::size_t size, const std::function<void(int)>& finished) {
    std::vector<std::span<Lit>> pixelsOfRuns;
    try {
      pixels.assign(size, Lit::No);
      pixelsOfRuns.assign(static_cast<std::size_t>(m_width), pixels);
    } catch (const std::bad_alloc&) {
      pixels = {};
      return;
    }
    ++m_working;
    for (int g = m_next++; g < m_groups && g * m_width <= m_firstFailure; g = m_next++) {
      const auto first = static_cast<std::size_t>(g) * static_cast<std::size_t>(m_width);
      const std::size_t count =
          std::min(static_cast<std::size_t>(m_width), m_starts.size() - first);
      if (!m_lastRun.empty() && first + count == m_starts.size()) {
        pixelsOfRuns[count - 1] = m_lastRun;
      }
      const std::span faults = std::span(m_faults).subspan(first, count);
      try {
        m_flight.mark(m_starts.subspan(first, count), pixelsOfRuns, faults);
      } catch (...) {  // not a run's own error (no memory for its message): the group's
        faults[0] = std::current_exception();
      }
      int whole = 0;
      for (std::size_t k = 0; k < count; ++k) {
        if (!faults[k]) {
          ++whole;
          continue;
        }
        int known = m_firstFailure;
        const int run = static_cast<int>(first + k);
        while (run < known && !m_firstFailure.compare_exchange_weak(known, run)) {
        }
      }
      m_done += whole;
      if (finished) show(finished);
    }
  }

  // Reports the runs finished whole, as many as one after another finish: none after a failure.
  void show(const std::function<void(int)>& finished) {
    if (const int done = std::min(m_done.load(), m_firstFailure.load()); done > m_shown) {
      finished(m_shown = done);
    }
  }

  const RunsInFlight& m_flight;
  std::span<const OscState> m_starts;
  int m_runs, m_width, m_groups;
  std::span<Lit> m_lastRun;                  // the last run's pixels apart, or empty
  std::vector<std::exception_ptr> m_faults;  // each run's error; a thread writes only its groups'
  std::atomic<int> m_firstFailure;
  std::atomic<int> m_next = 0;     // the next group to take
  std::atomic<int> m_done = 0;     // runs finished whole
  std::atomic<int> m_working = 0;  // threads that had their memory
  int m_shown = 0;                 // the count last reported (calling thread only)
};

// Paints the runs' pixels on the canvas in green, the threads' in turn; for the x-y view then the
// axes, as the last run draws them, and that run's pixels.
void paint(View view, RasterCanvas& canvas, const std::vector<Pixels>& pixels,
           const Pixels& lastRun) {
  const auto width = static_cast<std::size_t>(canvas.width());
  const auto paintLit = [&canvas, width](const Pixels& lit) {
    if (lit.empty()) return;  // a thread that did not have its memory
    for (int y = 0; y < canvas.height(); ++y) {
      const Lit* row = lit.data() + static_cast<std::size_t>(y) * width;
      for (std::size_t x = 0; x < width;) {
        // Most of a picture is not lit: eight pixels at once where none is.
        std::uint64_t eight = 1;
        if (x + sizeof eight <= width) std::memcpy(&eight, row + x, sizeof eight);
        if (eight == 0) {
          x += sizeof eight;
          continue;
        }
        if (row[x] == Lit::Yes) canvas.setPixel(static_cast<int>(x), y, kGreen);
        ++x;
      }
    }
  };
  for (const Pixels& lit : pixels) paintLit(lit);
  if (view == View::XYPlane) {
    Draw_Axis(canvas);
    paintLit(lastRun);
  }
}

}  // namespace

void renderBatch(View view, RasterCanvas& canvas, double Pi, double ViewAngle,
                 std::span<const OscState> starts, int threads,
                 const std::function<void(int)>& finished) {
  // The count of finished runs only grows, whichever way the runs are drawn.
  int shown = 0;
  const std::function<void(int)> show = [&finished, &shown](int done) {
    if (done > shown) finished(shown = done);
  };
  const auto oneAtATime = [&](std::span<const OscState> runs) {
    for (std::size_t k = 0; k < runs.size(); ++k) {
      TrajectoryRun(view, canvas, Pi, ViewAngle, runs[k]);
      show(static_cast<int>(k + 1));
    }
  };
  if (starts.size() <= 1) {
    oneAtATime(starts);
    return;
  }
  // Throws as the first run throws before it draws anything.
  const RunsInFlight flight(view, canvas, Pi, ViewAngle);
  const std::size_t size =
      static_cast<std::size_t>(canvas.width()) * static_cast<std::size_t>(canvas.height());
  Pixels lastRun;
  std::vector<Pixels> pixels;
  std::optional<Pass> pass;
  // Draws `runs` into new pixels, or returns false when there is no memory for them.
  const auto drawInFlight = [&](std::span<const OscState> runs) {
    pixels.clear();
    try {
      if (view == View::XYPlane) lastRun.assign(size, Lit::No);
    } catch (const std::bad_alloc&) {
      return false;
    }
    pass.emplace(flight, runs, lastRun);
    return pass->draw(pixels, size, threads, show);
  };
  if (!drawInFlight(starts)) {
    oneAtATime(starts);
    return;
  }
  // After a failure in run k, runs after it in flight beside it may have lit pixels: the runs up
  // to k are drawn again without them, the same error ending run k.
  if (const std::optional<int> k = pass->firstFailure();
      k && *k < static_cast<int>(starts.size()) - 1) {
    const auto upToFailure = starts.first(static_cast<std::size_t>(*k) + 1);
    if (!drawInFlight(upToFailure)) {
      oneAtATime(upToFailure);
      return;
    }
  }
  paint(view, canvas, pixels, lastRun);
  if (pass->firstFailure()) std::rethrow_exception(pass->failure());
}

}  // namespace kestavon
