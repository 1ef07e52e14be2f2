#include "app/batch.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace kestavon {
namespace {

// Lays what `drawing` drew (its pixels that are not black) over `canvas`.
void overlay(RasterCanvas& canvas, const RasterCanvas& drawing) {
  const std::uint32_t black = toArgb(RGB(0, 0, 0));
  for (int y = 0; y < canvas.height(); ++y) {
    for (int x = 0; x < canvas.width(); ++x) {
      if (const std::uint32_t pixel = drawing.pixel(x, y); pixel != black) {
        canvas.setPixel(x, y, pixel);
      }
    }
  }
}

// A batch cut into blocks of consecutive runs, one a thread, and what the threads share. A block
// whose thread or canvas cannot be had (no memory, a limit on threads) is drawn at the end, on the
// picture itself, in its place among the others: the same picture, later.
class Blocks {
 public:
  Blocks(View view, RasterCanvas& canvas, double Pi, double ViewAngle,
         std::span<const OscState> starts, int blocks)
      : m_view(view),
        m_canvas(canvas),
        m_pi(Pi),
        m_viewAngle(ViewAngle),
        m_starts(starts),
        m_runs(static_cast<int>(starts.size())),
        m_blocks(blocks),
        m_drawings(static_cast<std::size_t>(blocks - 1)),
        m_drawn(static_cast<std::size_t>(blocks), 0),
        m_failures(static_cast<std::size_t>(blocks)),
        m_firstFailure(m_runs) {}

  // Draws every block on a thread of its own, reporting the count of finished runs as it grows.
  void draw(const std::function<void(int)>& finished) {
    std::vector<std::jthread> threads;
    threads.reserve(static_cast<std::size_t>(m_blocks));
    try {
      for (int b = 0; b < m_blocks; ++b) threads.emplace_back([this, b] { drawBlock(b); });
    } catch (const std::system_error&) {  // no more threads: the blocks left wait for compose
    }
    const int started = static_cast<int>(threads.size());
    std::unique_lock lock(m_mutex);
    for (int shown = 0; m_ended < started;) {
      m_changed.wait(lock, [&] { return m_done != shown || m_ended == started; });
      if (m_done == shown) continue;
      shown = m_done;
      lock.unlock();
      finished(shown);
      lock.lock();
    }
  }

  // Lays the blocks over the canvas in order, up to the one whose run failed first, which drew
  // up to its fault, drawing those that are not drawn yet; then throws that run's error.
  void compose(const std::function<void(int)>& finished) {
    int last = m_blocks - 1;
    while (last > 0 && firstOf(last) > m_firstFailure) --last;
    for (int b = 0; b <= last; ++b) {
      if (m_drawn[static_cast<std::size_t>(b)] == 0) {
        for (int k = firstOf(b); k < firstOf(b + 1); ++k) {
          run(m_canvas, k);
          finished(++m_done);
        }
      } else if (b > 0) {
        overlay(m_canvas, *m_drawings[static_cast<std::size_t>(b - 1)]);
      }
    }
    if (m_firstFailure < m_runs) std::rethrow_exception(m_failures[static_cast<std::size_t>(last)]);
  }

 private:
  // Block b is runs firstOf(b) to firstOf(b + 1) - 1.
  int firstOf(int b) const {
    return static_cast<int>(static_cast<long long>(m_runs) * b / m_blocks);
  }

  void run(RasterCanvas& on, int k) {
    TrajectoryRun(m_view, on, m_pi, m_viewAngle, m_starts[static_cast<std::size_t>(k)]);
  }

  // Draws block b on its canvas (the first on the batch's, each other on its own, made by its
  // thread so that the threads fill theirs at once). A block stops at its first failure, and at a
  // run after one that failed elsewhere.
  void drawBlock(int b) {
    RasterCanvas* on = &m_canvas;
    if (b > 0) {
      try {
        on = &m_drawings[static_cast<std::size_t>(b - 1)].emplace(
            m_canvas.width(), m_canvas.height(), m_canvas.twipsPerPixel());
      } catch (const std::bad_alloc&) {
        on = nullptr;  // drawn by compose
      }
    }
    if (on != nullptr) {
      m_drawn[static_cast<std::size_t>(b)] = 1;
      int k = firstOf(b);
      try {
        for (; k < firstOf(b + 1) && k < m_firstFailure; ++k) {
          run(*on, k);
          const std::lock_guard lock(m_mutex);
          ++m_done;
          m_changed.notify_one();
        }
      } catch (...) {
        m_failures[static_cast<std::size_t>(b)] = std::current_exception();
        int known = m_firstFailure;
        while (k < known && !m_firstFailure.compare_exchange_weak(known, k)) {
        }
      }
    }
    const std::lock_guard lock(m_mutex);
    ++m_ended;
    m_changed.notify_one();
  }

  View m_view;
  RasterCanvas& m_canvas;
  double m_pi, m_viewAngle;
  std::span<const OscState> m_starts;
  int m_runs, m_blocks;
  std::vector<std::optional<RasterCanvas>> m_drawings;  // of blocks 1 on
  std::vector<std::uint8_t> m_drawn;  // whether block b was drawn by its thread (a byte each)
  std::vector<std::exception_ptr> m_failures;
  std::atomic<int> m_firstFailure;  // the first run known to have failed, or m_runs
  std::mutex m_mutex;
  std::condition_variable m_changed;
  int m_done = 0, m_ended = 0;  // runs finished, blocks ended
};

}  // namespace

void renderBatch(View view, RasterCanvas& canvas, double Pi, double ViewAngle,
                 std::span<const OscState> starts, int threads,
                 const std::function<void(int)>& finished) {
  const int runs = static_cast<int>(starts.size());
  const int blocks = std::clamp(threads, 1, std::max(runs, 1));
  if (blocks == 1) {
    for (int k = 0; k < runs; ++k) {
      TrajectoryRun(view, canvas, Pi, ViewAngle, starts[static_cast<std::size_t>(k)]);
      finished(k + 1);
    }
    return;
  }
  Blocks batch(view, canvas, Pi, ViewAngle, starts, blocks);
  batch.draw(finished);
  batch.compose(finished);
}

}  // namespace kestavon
