#!/usr/bin/env python3
"""The real kestavon program in a real X server (Xvfb), used the way a person uses it.

Keys go through xdotool to the focused window, pictures come from ImageMagick's `import`. Checks
the caption and the size of the window, the axes at start, Alt+P (axes and trajectory), Alt+C
(black), Alt+C then Alt+R (trajectory, no axes) and Alt+X (the program ends with status 0), and
a run-time error: its message box over the plot as drawn until the fault, then status 1.

Then, at each of the device pixel ratios 1.25, 1.5, 1.75, 2, 2.5 and 3 (QT_SCALE_FACTOR), reads the
screen pixel by pixel: every device pixel of the plot area (those it covers in part included) pure
black, yellow or green, each axis one device pixel wide in the device pixel that holds its exact
position, before and after Alt+P. At whole ratios, and at ratio 1, the plot after Alt+P from a
fixed start is, pixel for pixel, the picture `--render xy --scale K` makes from that start.

Usage: e2e_window_test.py KESTAVON [--screenshot FILE.png] [--ratios R ...]
Exit status 77 (skipped) where Xvfb is not installed.
"""

import argparse
import math
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from x_session import (BLACK, CAPTION, CLIENT_SIZE, DEADLINE, GREEN, PLOT_AREA, SKIPPED, START,
                       YELLOW, Failure, exit_with, find_window, read_ppm, run, start_xvfb, stop,
                       wait_for)  # noqa: E402

AXES = (34 + 274.5, 18 + 186.5)  # where W/2 and H/2 fall, in logical window pixels
LEAVING = "0,0,-1000"  # a start whose run leaves the plot after about a hundred steps
RATIOS = (1.25, 1.5, 1.75, 2, 2.5, 3)


def screenshot(window, env):
    return read_ppm(subprocess.run(["import", "-window", window, "-depth", "8", "ppm:-"], env=env,
                                   check=True, capture_output=True, timeout=DEADLINE).stdout)


def device_area(ratio):
    """The device pixels that the plot area covers, wholly or in part: x, y, width, height."""
    x, y, width, height = PLOT_AREA
    left, top = math.floor(x * ratio), math.floor(y * ratio)
    return (left, top, math.ceil((x + width) * ratio) - left, math.ceil((y + height) * ratio) - top)


def area_rows(picture, area):
    """The area's rows of a screenshot, each a bytes object of RGB triples."""
    width, _, data = picture
    x0, y0, area_width, area_height = area
    return [data[3 * (y * width + x0):3 * (y * width + x0 + area_width)]
            for y in range(y0, y0 + area_height)]


def plot_census(window, env, ratio=1):
    """Counts black, yellow, green and other pixels of the plot area in a screenshot."""
    counts = {"black": 0, "yellow": 0, "green": 0, "other": 0}
    names = {BLACK: "black", YELLOW: "yellow", GREEN: "green"}
    for row in area_rows(screenshot(window, env), device_area(ratio)):
        for i in range(0, len(row), 3):
            counts[names.get((row[i], row[i + 1], row[i + 2]), "other")] += 1
    return counts


def expect_plot(window, env, what, yellow, green, ratio=1):
    seen = {}

    def shows():
        seen.update(plot_census(window, env, ratio))
        good = ((seen["yellow"] > 0) == yellow and (seen["green"] > 0) == green
                and seen["other"] == 0)
        return dict(seen) if good else None
    try:
        counts = wait_for(what, shows)
    except Failure as failure:
        raise Failure(f"{failure}; the plot shows {seen}") from None
    print(f"ok: {what}: {counts}")


def rendered_rows(program, scale, folder, env):
    """The rows of `--render xy --scale K` from START, as area_rows gives a screenshot's."""
    path = os.path.join(folder, f"render-{scale}.png")
    run(program, "--render", "xy", "--scale", str(scale), "--start", START, "--output", path,
        env=env)
    picture = read_ppm(subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True,
                                      capture_output=True, timeout=DEADLINE).stdout)
    return area_rows(picture, (0, 0, picture[0], picture[1]))


def expect_crisp_run(program, window, env, ratio, folder):
    """After Alt+P from START: only pure colours in the area, and at a whole ratio exactly the
    picture that --render makes at that scale."""
    area = device_area(ratio)
    rows = wait_for(f"ratio {ratio}: Alt+P drew the trajectory",
                    lambda: (lambda r: r if any(bytes(GREEN) in row for row in r) else None)(
                        area_rows(screenshot(window, env), area)))
    colours = set()
    for row in rows:
        colours.update(zip(row[0::3], row[1::3], row[2::3]))
    if not colours <= {BLACK, YELLOW, GREEN}:
        raise Failure(f"ratio {ratio}: mixed colours in the plot area: {sorted(colours)[:8]}")
    if ratio == int(ratio):
        expected = rendered_rows(program, int(ratio), folder, env)
        if rows != expected:
            differ = sum(1 for a, b in zip(rows, expected) if a != b)
            raise Failure(f"ratio {ratio}: {differ} rows differ from --render --scale {ratio}")
        print(f"ok: ratio {ratio}: after Alt+P the plot is --render xy --scale {int(ratio)}, "
              f"pixel for pixel")
    else:
        print(f"ok: ratio {ratio}: after Alt+P only black, yellow and green")


def crisp_at(program, ratio, env, folder):
    """The window at one device pixel ratio: the axes alone at start, each one device pixel wide
    where its exact position falls, then an x-y run."""
    env = dict(env, QT_SCALE_FACTOR=str(ratio))
    process = subprocess.Popen([program, "--start", START], env=env)
    try:
        window = wait_for(f"the window at ratio {ratio}", lambda: find_window(process, env))
        area = device_area(ratio)
        column = math.floor(AXES[0] * ratio) - area[0]
        row = math.floor(AXES[1] * ratio) - area[1]
        plain = bytearray(bytes(BLACK) * area[2])
        plain[3 * column:3 * column + 3] = bytes(YELLOW)
        expected = [bytes(YELLOW) * area[2] if y == row else bytes(plain) for y in range(area[3])]
        seen = []

        def axes_alone():
            seen[:] = area_rows(screenshot(window, env), area)
            return seen == expected
        try:
            wait_for(f"ratio {ratio}: the axes alone", axes_alone)
        except Failure:
            differ = [y for y, (a, b) in enumerate(zip(seen, expected)) if a != b]
            raise Failure(f"ratio {ratio}: rows {differ[:5]} (of {len(differ)}) of the area are "
                          f"not the axes at column {column}, row {row}") from None
        print(f"ok: ratio {ratio}: area {area[2]}x{area[3]} device pixels, axes alone, one device "
              f"pixel wide at window device column {area[0] + column}, row {area[1] + row}")
        run("xdotool", "windowfocus", "--sync", window, env=env)
        run("xdotool", "key", "alt+p", env=env)
        expect_crisp_run(program, window, env, ratio, folder)
        run("xdotool", "key", "alt+x", env=env)
        status = process.wait(timeout=DEADLINE)
        if status != 0:
            raise Failure(f"ratio {ratio}: Alt+X ended the program with status {status}")
    finally:
        stop(process)


def error_over_plot(program, env):
    """A run that leaves the plot: the error's message box, and behind it the plot repainted with
    the line drawn until the fault; the box closed, status 1 and one line on standard error."""
    process = subprocess.Popen([program, "--start", LEAVING], env=env, stderr=subprocess.PIPE)
    try:
        window = wait_for("the window", lambda: find_window(process, env))
        run("xdotool", "windowfocus", "--sync", window, env=env)
        run("xdotool", "key", "alt+p", env=env)
        box = wait_for("the error's message box", lambda: [w for w in run(
            "xdotool", "search", "--onlyvisible", "--name", f"^{CAPTION}$", env=env).split()
            if w != window])[0]
        counts = wait_for("the plot behind the box, as drawn until the fault",
                          lambda: (lambda c: c if c["green"] > 0 else None)(
                              plot_census(window, env)))
        print(f"ok: behind the error's message box the plot shows the line drawn: {counts}")
        run("xdotool", "windowfocus", "--sync", box, env=env)
        run("xdotool", "key", "Return", env=env)
        status = process.wait(timeout=DEADLINE)
        lines = [line for line in process.stderr.read().decode().splitlines()
                 if line.startswith("kestavon: ")]
        if status != 1 or len(lines) != 1 or not lines[0].startswith(
                "kestavon: Run-time error: Conversion overflow ("):
            raise Failure(f"the box closed: status {status}, {lines}")
        print(f"ok: the box closed, status 1 and the report: {lines[0]}")
    finally:
        stop(process)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("program")
    parser.add_argument("--screenshot", help="where to save the window after an x-y run (PNG)")
    parser.add_argument("--ratios", type=float, nargs="*", default=RATIOS,
                        help="device pixel ratios (QT_SCALE_FACTOR) to read the screen at")
    args = parser.parse_args()

    if shutil.which("Xvfb") is None:
        print("SKIPPED: Xvfb is not installed (scripts/test installs it)")
        return SKIPPED
    missing = [tool for tool in ("xdotool", "import", "xwininfo") if shutil.which(tool) is None]
    if missing:
        raise Failure("missing tools: " + ", ".join(missing))

    server, display = start_xvfb()
    program = None
    with tempfile.TemporaryDirectory() as runtime_dir:
        env = {k: v for k, v in os.environ.items()
               if k not in ("WAYLAND_DISPLAY", "QT_SCALE_FACTOR", "QT_QPA_PLATFORM")}
        env.update(DISPLAY=display, QT_QPA_PLATFORM="xcb", XDG_RUNTIME_DIR=runtime_dir)
        try:
            program = subprocess.Popen([args.program, "--start", START], env=env)
            window = wait_for("the window", lambda: find_window(program, env))
            caption = run("xdotool", "getwindowname", window, env=env).strip()
            if caption != CAPTION:
                raise Failure(f"caption {caption!r}")
            geometry = run("xwininfo", "-id", window, env=env)
            size = tuple(int(line.split(":")[1]) for line in geometry.splitlines()
                         if line.strip().startswith(("Width:", "Height:")))
            if size != CLIENT_SIZE:
                raise Failure(f"window size {size}")
            print(f"ok: window {window} {caption!r} {size[0]}x{size[1]} on {display}")

            expect_plot(window, env, "axes at start", yellow=True, green=False)
            run("xdotool", "windowfocus", "--sync", window, env=env)
            run("xdotool", "key", "alt+p", env=env)
            expect_plot(window, env, "Alt+P: axes and trajectory", yellow=True, green=True)
            expect_crisp_run(args.program, window, env, 1, runtime_dir)
            if args.screenshot:
                run("import", "-window", window, args.screenshot, env=env)
            run("xdotool", "key", "alt+c", env=env)
            expect_plot(window, env, "Alt+C: black", yellow=False, green=False)
            run("xdotool", "key", "alt+r", env=env)
            expect_plot(window, env, "Alt+R after Alt+C: trajectory, no axes",
                        yellow=False, green=True)

            run("xdotool", "windowfocus", "--sync", window, env=env)
            run("xdotool", "key", "alt+x", env=env)
            status = program.wait(timeout=DEADLINE)
            if status != 0:
                raise Failure(f"Alt+X: the program ended with status {status}")
            print("ok: Alt+X ended the program with status 0")

            error_over_plot(args.program, env)
            for ratio in args.ratios:
                crisp_at(args.program, ratio, env, runtime_dir)
        finally:
            stop(program)
            server.terminate()
            server.wait()
    return 0


if __name__ == "__main__":
    exit_with(main)
