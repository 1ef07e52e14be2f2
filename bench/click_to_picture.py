#!/usr/bin/env python3
"""How long a click on "XY Plane" takes until its picture is on the X server's screen, and where
the time goes.

Starts the real program under its own Xvfb from a fixed start, with the window's timing trace on
(QT_LOGGING_RULES=kestavon.timing.debug=true), and clicks the button through XTest N times, each
time after Alt+C. The picture counts as on the screen when a pixel that the run draws (found in
the picture `--render` makes from the same start) reads green through XGetImage, polled every
0.2 ms. The trace's times are on the same monotonic clock as this script's, so each click splits
into: input to handler, the run, paint and hand-over to the X server, and until on screen.

Usage: click_to_picture.py KESTAVON [--clicks N]
"""

import argparse
import ctypes
import os
import queue
import statistics
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "support"))
import x_session as x  # noqa: E402  (the X server, the window and XTest)

PLOT_X, PLOT_Y = x.PLOT_AREA[0], x.PLOT_AREA[1]


def green_pixel(program, folder, env):
    """A pixel of the plot area, in window coordinates, that the x-y run from START draws green
    and that no axis covers."""
    path = os.path.join(folder, "expected.png")
    subprocess.run([program, "--render", "xy", "--start", x.START, "--output", path], env=env,
                   check=True, timeout=x.DEADLINE)
    ppm = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True,
                         capture_output=True, timeout=x.DEADLINE).stdout
    width, height, data = x.read_ppm(ppm)
    for y in range(height):
        for column in range(width):
            if data[3 * (y * width + column):3 * (y * width + column) + 3] == bytes(x.GREEN):
                # Away from the axes and from the first points (the start may be drawn first).
                if abs(column - 274) > 20 and abs(y - 186) > 20:
                    return PLOT_X + column, PLOT_Y + y
    raise x.Failure("the rendered run has no green pixel away from the axes")


class PixelProbe(x.XProbe):
    def pixel(self, window, px, py):
        image = self.xlib.XGetImage(self.display, window, px, py, 1, 1, 0xFFFFFF, 2)
        if not image:
            raise x.Failure("XGetImage failed")
        try:
            info = image.contents
            data = ctypes.string_at(info.data, 4)
        finally:
            ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p)(image.contents.destroy_image)(image)
        return data[2], data[1], data[0]  # blue, green, red, pad in memory


def trace_lines(stream, lines):
    for raw in stream:
        text = raw.decode(errors="replace").strip()
        if text.startswith("kestavon: kestavon.timing:"):
            _, _, event, stamp = text.split()
            lines.put((event, float(stamp)))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("program")
    parser.add_argument("--clicks", type=int, default=15)
    args = parser.parse_args()

    server, display = x.start_xvfb()
    program = None
    with tempfile.TemporaryDirectory() as folder:
        env = {k: v for k, v in os.environ.items()
               if k not in ("WAYLAND_DISPLAY", "QT_SCALE_FACTOR", "QT_QPA_PLATFORM")}
        env.update(DISPLAY=display, QT_QPA_PLATFORM="xcb", XDG_RUNTIME_DIR=folder,
                   QT_LOGGING_RULES="kestavon.timing.debug=true")
        try:
            target = green_pixel(args.program, folder, env)
            program = subprocess.Popen([args.program, "--start", x.START], env=env,
                                       stderr=subprocess.PIPE)
            lines = queue.Queue()
            threading.Thread(target=trace_lines, args=(program.stderr, lines), daemon=True).start()
            window = x.wait_for("the window", lambda: x.find_window(program, env))
            window_id = int(window)
            probe = PixelProbe(display)
            x.run("xdotool", "mousemove", "--window", window, *map(str, x.BUTTON_XY_CENTRE),
                  env=env)
            parts = {"input to handler": [], "run": [], "paint and hand-over": [],
                     "until on screen": [], "click to picture": []}
            for _ in range(args.clicks):
                x.run("xdotool", "key", "alt+c", env=env)
                x.wait_for("a cleared plot", lambda: probe.pixel(window_id, *target) == x.BLACK)
                time.sleep(0.05)
                while not lines.empty():
                    lines.get()
                start = time.perf_counter()
                probe.click()
                while probe.pixel(window_id, *target) != x.GREEN:
                    if time.perf_counter() - start > x.DEADLINE:
                        raise x.Failure("the click drew nothing")
                    time.sleep(0.0002)
                shown = time.perf_counter()
                time.sleep(0.05)
                events = []
                while not lines.empty():
                    event, stamp = lines.get()
                    events.append((event, stamp / 1000))
                try:
                    run_start = next(t for e, t in events if e == "run-start")
                    run_end = next(t for e, t in events if e == "run-end")
                    # The first hand-over after the run (the button's own look is handed over
                    # when it is pressed, before).
                    flushed = next(t for e, t in events if e == "flushed" and t > run_end)
                except StopIteration:
                    raise x.Failure(f"the trace is incomplete: {events}") from None
                parts["input to handler"].append(run_start - start)
                parts["run"].append(run_end - run_start)
                parts["paint and hand-over"].append(flushed - run_end)
                parts["until on screen"].append(shown - flushed)
                parts["click to picture"].append(shown - start)
            probe.close()
            print(f"click on \"XY Plane\" to its picture on the screen, {args.clicks} clicks, "
                  "median (min-max) in ms:")
            for name, values in parts.items():
                values = [1000 * v for v in values]
                print(f"  {name:22s} {statistics.median(values):6.1f} "
                      f"({min(values):.1f}-{max(values):.1f})")
            x.run("xdotool", "windowfocus", "--sync", window, env=env)
            x.run("xdotool", "key", "alt+x", env=env)
            program.wait(timeout=x.DEADLINE)
        finally:
            x.stop(program)
            server.terminate()
            server.wait()
    return 0


if __name__ == "__main__":
    x.exit_with(main)
