#!/usr/bin/env python3
"""kestavon.exe, the Windows program, under wine on Xvfb, used the way a person uses it, and its
pictures against the Linux program's.

The command line first: --help and a bad option with their statuses, --render (to a file and to
standard output, both views, two scales, a seed and a start) byte for byte the Linux program's
file, a name in Unicode, NUL, and a missing folder refused at once. Then the window at 96, 144 and 192 dots per inch (wine's LogPixels): the opening axes alone,
each one device pixel wide where its exact position falls, and the plot area as large as the
density makes it; Alt+P from a fixed start pixel for pixel the Linux program's
`--render xy --scale K` at a whole ratio (only black, yellow and green at 144); at 96 also Alt+R in
a new window (the Linux `--render 3d`), Ctrl+S through the save dialog (x.jpg refused in a
message box; the Linux --render's bytes in the file chosen), Alt+C (black), the tab order (picGraph, Run-3D, Exit,
XY Plane, Clear, found by Space on each), Space and Enter on picGraph clicking nothing, Exit
(status 0), the controls' accessible names as a screen reader asks for them, and a start whose
run leaves the plot (the message box titled with the caption over the plot repainted as drawn
until the fault, then status 1 and the report on standard error). The plot is found on the screen by its axes, never by frame offsets.

Usage: wine_window_test.py KESTAVON.EXE LINUX_KESTAVON [--screenshot FILE.png]
WINEPREFIX names the prefix (made on first use). Exit status 77 (skipped) without Xvfb or wine.
"""

import argparse
import math
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from x_session import (BLACK, CAPTION, DEADLINE, GREEN, SKIPPED, START, YELLOW,  # noqa: E402
                       Failure, exit_with, read_ppm, start_xvfb, stop, wait_for)

WINE = "/usr/lib/wine/wine64"
PLOT = (34, 18, 549, 373)  # the plot's inner area in the client area, logical pixels
LEAVING = "0,0,-1000"  # a start whose run leaves the plot after about a hundred steps
PURE = {BLACK, YELLOW, GREEN}


def run(*command, env, check=True):
    """Runs a command to its end; its output through files, which wine's server does not hold."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        result = subprocess.run(command, env=env, check=False, stdout=out, stderr=err,
                                timeout=120)
        out.seek(0)
        err.seek(0)
        result.stdout, result.stderr = out.read(), err.read()
    if check:
        result.check_returncode()
    return result


def pixels(png):
    """A PNG file as width, height and rows of RGB triples."""
    width, height, data = read_ppm(subprocess.run(["convert", png, "-depth", "8", "ppm:-"],
                                                  check=True, capture_output=True).stdout)
    return [[tuple(data[3 * (y * width + x):3 * (y * width + x) + 3]) for x in range(width)]
            for y in range(height)]


class Screen:
    """A screenshot of an X window, as rows of RGB bytes."""

    def __init__(self, window, env):
        self.width, self.height, self.data = read_ppm(
            run("import", "-window", window, "-depth", "8", "ppm:-", env=env).stdout)

    def at(self, x, y):
        offset = 3 * (y * self.width + x)
        return tuple(self.data[offset:offset + 3])

    def area(self, left, top, width, height):
        return [[self.at(x, y) for x in range(left, left + width)] for y in range(top, top + height)]

    def plot(self):
        """The plot found by its two axes: the longest yellow column and the yellow row that
        crosses it span the canvas. Its left, top, width, height, or nothing."""
        best = None
        for x in range(self.width):
            run_start, length = None, 0
            for y in range(self.height + 1):
                if y < self.height and self.at(x, y) == YELLOW:
                    run_start = y if run_start is None else run_start
                    length += 1
                    continue
                if run_start is not None and length > 50 and (best is None or length > best[2]):
                    best = (x, run_start, length)
                run_start, length = None, 0
        if best is None:
            return None
        column, top, height = best
        for y in range(top, top + height):
            left = column
            while left > 0 and self.at(left - 1, y) == YELLOW:
                left -= 1
            right = column
            while right + 1 < self.width and self.at(right + 1, y) == YELLOW:
                right += 1
            if right - left > 50:
                return left, top, right - left + 1, height
        return None


class Session:
    """One start of kestavon.exe under wine, its window found on the X display."""

    def __init__(self, exe, env, *arguments):
        self.env = env
        # Standard error into a file: a pipe would stay open in wine's server after the program.
        self.errors = tempfile.TemporaryFile()
        self.process = subprocess.Popen([WINE, exe, *arguments], env=env,
                                        stdout=subprocess.DEVNULL, stderr=self.errors)
        self.window = wait_for("the window", lambda: self.windows()[:1])[0]

    def standard_error(self):
        self.errors.seek(0)
        return self.errors.read().decode()

    def windows(self):
        if self.process.poll() is not None:
            raise Failure(f"the program ended with status {self.process.returncode}: "
                          f"{self.standard_error()!r}")
        return run("xdotool", "search", "--onlyvisible", "--name", f"^{CAPTION}$", env=self.env,
                   check=False).stdout.split()

    def keys(self, *keys):
        run("xdotool", "windowfocus", "--sync", self.window, env=self.env)
        for key in keys:
            run("xdotool", "key", key, env=self.env)

    def screen(self):
        return Screen(self.window, self.env)

    def ended(self):
        status = self.process.wait(timeout=DEADLINE)
        return status, self.standard_error()

    def stop(self):
        stop(self.process)


def check(condition, what):
    if not condition:
        raise Failure(what)
    print(f"ok: {what}")


def command_line(exe, linux, env, folder):
    help_text = run(WINE, exe, "--help", env=env)
    check(help_text.returncode == 0 and help_text.stdout.startswith(b"Usage: kestavon"),
          "--help on standard output, status 0")
    bad = run(WINE, exe, "--rend", env=env, check=False)
    lines = bad.stderr.decode().splitlines()
    check(bad.returncode == 2 and lines[0] == "kestavon: Unknown option '--rend'" and
          all(line.startswith("kestavon: ") for line in lines), "a bad option: status 2, its line")
    for arguments in (["xy", "--start", START], ["3d", "--seed", "7", "--runs", "3", "--scale", "2"],
                      ["xy", "--seed", "4294967295", "--runs", "5"]):
        linux_png = os.path.join(folder, "linux.png")
        run(linux, "--render", *arguments, "--output", linux_png, env=env)
        windows_png = os.path.join(folder, "windows.png")
        run(WINE, exe, "--render", *arguments, "--output", windows_png, env=env)
        piped = run(WINE, exe, "--render", *arguments, "--output", "-", env=env).stdout
        with open(linux_png, "rb") as a, open(windows_png, "rb") as b:
            same = a.read() == b.read() == piped
        check(same, f"--render {' '.join(arguments)}: the Linux program's bytes, in a file and "
                    "on standard output")
    # Names are Unicode, whatever the code page; NUL is written directly; a missing folder is
    # refused before the runs, naming the file and the system's reason.
    named = os.path.join(folder, "caf\u00e9 \u65e5\u672c.png")
    check(run(WINE, exe, "--render", "xy", "--output", named, env=env).returncode == 0 and
          os.path.exists(named), "a name that is not ASCII is the file's own")
    check(run(WINE, exe, "--render", "xy", "--output", "NUL", env=env).returncode == 0,
          "NUL takes the picture")
    missing = run(WINE, exe, "--render", "3d", "--runs", "1000", "--output",
                  os.path.join(folder, "none", "x.png"), env=env, check=False)
    check(missing.returncode == 1 and missing.stderr.decode().startswith("kestavon: cannot write ")
          and "none" in missing.stderr.decode(),
          f"a missing folder refused: status 1 ({missing.stderr.decode().strip()})")


def rendered(linux, folder, env, view, scale, start=START):
    path = os.path.join(folder, f"{view}-{scale}.png")
    run(linux, "--render", view, "--scale", str(scale), "--start", start, "--output", path,
        env=env, check=False)
    return pixels(path)


def expect_plot(session, place, what, expected):
    """Waits until the plot shows `expected` (rows of pixels, or a test of them)."""
    seen = []

    def shows():
        seen[:] = session.screen().area(*place)
        return expected(seen) if callable(expected) else seen == expected
    try:
        wait_for(what, shows)
    except Failure:
        differ = [y for y, row in enumerate(seen) if not callable(expected) and row != expected[y]]
        raise Failure(f"{what}: {len(differ)} rows differ, first {differ[:3]}") from None
    print(f"ok: {what}")
    return seen


def colours(rows):
    return {pixel for row in rows for pixel in row}


def window_at(exe, linux, env, folder, dpi, screenshot=None, names_tool=None):
    ratio = dpi / 96
    session = Session(exe, env, "--start", START)
    try:
        place = wait_for("the plot's axes", lambda: session.screen().plot())
        width = math.ceil(PLOT[2] * ratio - 1e-6 + (PLOT[0] * ratio) % 1)
        height = math.ceil(PLOT[3] * ratio - 1e-6 + (PLOT[1] * ratio) % 1)
        check(place[2:] == (width, height), f"{dpi} dpi: the plot is {width}x{height} device "
                                            f"pixels ({place[2]}x{place[3]} found)")
        column = math.floor((PLOT[0] + 274.5) * ratio) - math.floor(PLOT[0] * ratio)
        row = math.floor((PLOT[1] + 186.5) * ratio) - math.floor(PLOT[1] * ratio)
        axes = [[YELLOW if x == column or y == row else BLACK for x in range(width)]
                for y in range(height)]
        expect_plot(session, place, f"{dpi} dpi: the axes alone, one device pixel wide", axes)
        session.keys("alt+p")
        if dpi % 96 == 0:
            expect_plot(session, place, f"{dpi} dpi: Alt+P draws the Linux --render xy --scale "
                        f"{dpi // 96}, pixel for pixel", rendered(linux, folder, env, "xy", dpi // 96))
        else:
            expect_plot(session, place, f"{dpi} dpi: Alt+P draws in black, yellow and green only",
                        lambda rows: GREEN in colours(rows) and colours(rows) <= PURE)
        if screenshot:
            run("import", "-window", session.window, screenshot, env=env)
        if dpi == 96:
            accessible_names(session, names_tool)
            save(session, linux, folder)
            keyboard(session, place)  # which ends the program by Exit
        else:
            session.keys("alt+x")
        status, err = session.ended()
        # Nothing of the program's on standard error (wine may add lines of its own there).
        check(status == 0 and "kestavon:" not in err,
              f"{dpi} dpi: Exit ends the program with status 0 ({status}, {err!r})")
    finally:
        session.stop()


def accessible_names(session, tool):
    """What a screen reader hears of each control, in tab order: the form's accessible names."""
    names = run(WINE, tool, env=session.env).stdout.decode().splitlines()
    check(names == ["Trajectory plot", "Run-3D", "Exit", "XY Plane", "Clear"],
          f"the controls' accessible names, in tab order ({names})")


def choose_in_save_dialog(session, name):
    """Ctrl+S, and `name` typed into the system's save dialog."""
    session.keys("ctrl+s")
    dialog = wait_for("the save dialog", lambda: run(
        "xdotool", "search", "--onlyvisible", "--name", "^Save the plot$", env=session.env,
        check=False).stdout.split()[:1])[0]
    run("xdotool", "windowfocus", "--sync", dialog, env=session.env)
    run("xdotool", "key", "ctrl+a", env=session.env)
    run("xdotool", "type", "Z:" + name.replace("/", "\\"), env=session.env)
    run("xdotool", "key", "Return", env=session.env)


def save(session, linux, folder):
    """Ctrl+S: the system's save dialog, and in the file chosen there the bytes of the Linux
    program's --render of the same drawing; a name that is no picture's refused in a message box,
    as the command line refuses it."""
    jpeg = os.path.join(folder, "x.jpg")
    choose_in_save_dialog(session, jpeg)
    box = wait_for("the refusal's message box", lambda: session.windows()[1:])[0]
    run("xdotool", "windowfocus", "--sync", box, env=session.env)
    run("xdotool", "key", "Return", env=session.env)
    wait_for("the box closed", lambda: not session.windows()[1:])
    check(not os.path.exists(jpeg), "Ctrl+S with x.jpg: refused in a message box, nothing written")
    saved = os.path.join(folder, "saved.png")
    choose_in_save_dialog(session, saved)
    wait_for("the saved picture", lambda: os.path.exists(saved))  # renamed into place whole
    expected = os.path.join(folder, "expected.png")
    run(linux, "--render", "xy", "--start", START, "--output", expected, env=session.env)
    with open(saved, "rb") as a, open(expected, "rb") as b:
        check(a.read() == b.read(), "Ctrl+S writes the Linux --render xy's bytes")


def keyboard(session, place):
    """Alt+C, then the tab order found by Space on each control from picGraph (clicked, so that it
    has the focus), and Exit by Space. Space and Enter on picGraph click nothing: what a key did
    shows before what the keys after it do, so each step waits for the effect of its last key."""
    black = lambda rows: colours(rows) == {BLACK}  # noqa: E731
    oblique_only = lambda rows: colours(rows) == {BLACK, GREEN}  # noqa: E731
    session.keys("alt+c")
    expect_plot(session, place, "Alt+C: black", black)
    run("xdotool", "mousemove", "--window", session.window, str(place[0] + 5), str(place[1] + 5),
        "click", "1", env=session.env)
    session.keys("space", "Return", "Tab", "space")
    expect_plot(session, place, "picGraph clicked, Space and Enter: nothing; Tab, Space: Run-3D",
                oblique_only)
    session.keys("Tab", "Tab", "space")
    expect_plot(session, place, "Tab (Exit), Tab, Space: XY Plane",
                lambda rows: YELLOW in colours(rows))
    session.keys("Tab", "space")
    expect_plot(session, place, "Tab, Space: Clear", black)
    session.keys("Tab", "Tab", "space")
    expect_plot(session, place, "Tab (picGraph), Tab, Space: Run-3D", oblique_only)
    session.keys("Tab", "space")  # Exit


def oblique(exe, linux, env, folder):
    session = Session(exe, env, "--start", START)
    try:
        place = wait_for("the plot's axes", lambda: session.screen().plot())
        session.keys("alt+r")
        expect_plot(session, place, "96 dpi: Alt+R draws the Linux --render 3d, pixel for pixel",
                    rendered(linux, folder, env, "3d", 1))
    finally:
        session.stop()


def overflow(exe, env):
    session = Session(exe, env, "--start", LEAVING)
    try:
        place = wait_for("the plot's axes", lambda: session.screen().plot())
        session.keys("alt+p")
        boxes = wait_for("the error's message box", lambda: session.windows()[1:])
        check(len(boxes) == 1, "a run that overflows: a message box titled with the caption")
        expect_plot(session, place, "behind the box, the plot as drawn until the fault",
                    lambda rows: GREEN in colours(rows))
        run("xdotool", "windowfocus", "--sync", boxes[0], env=env)
        run("xdotool", "key", "Return", env=env)
        status, err = session.ended()
        check(status == 1 and err.startswith("kestavon: Run-time error: Conversion overflow"),
              f"closed, the program ends with status 1 and the report ({status}, {err!r})")
    finally:
        session.stop()


def set_dpi(env, dpi):
    """Wine's density, which its processes read when they start: a new wineserver for each."""
    run("/usr/lib/wine/wineserver", "-k", env=env, check=False)
    for key in (r"HKCU\Control Panel\Desktop",
                r"HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts"):
        run(WINE, "reg", "add", key, "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(dpi), "/f",
            env=env)
    subprocess.Popen(["/usr/lib/wine/wineserver", "-p"], env=env, stdout=subprocess.DEVNULL,
                     stderr=subprocess.DEVNULL)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("exe")
    parser.add_argument("linux")
    parser.add_argument("--accessible-names", required=True,
                        help="the Windows tool that prints the window's accessible names")
    parser.add_argument("--screenshot", help="where to save the window after an x-y run (PNG)")
    args = parser.parse_args()
    if shutil.which("Xvfb") is None or not os.path.exists(WINE):
        print("SKIPPED: Xvfb or wine64 is not installed (scripts/test installs them)")
        return SKIPPED
    if not os.path.exists(args.linux):
        raise Failure(f"{args.linux} is missing: build the release preset first, whose program's "
                      "pictures the Windows program must draw")
    server, display = start_xvfb()
    env = {k: v for k, v in os.environ.items() if not k.startswith(("QT_", "WAYLAND"))}
    env.update(DISPLAY=display, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    try:
        with tempfile.TemporaryDirectory() as folder:
            # Wine draws the frame and takes the keyboard focus itself: there is no window manager.
            run(WINE, "reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/d", "N",
                "/f", env=env)
            command_line(args.exe, args.linux, env, folder)
            for dpi in (96, 144, 192):
                set_dpi(env, dpi)
                window_at(args.exe, args.linux, env, folder, dpi,
                          args.screenshot if dpi == 96 else None, args.accessible_names)
                if dpi == 96:
                    oblique(args.exe, args.linux, env, folder)
                    overflow(args.exe, env)
    finally:
        set_dpi(env, 96)
        run("/usr/lib/wine/wineserver", "-k", env=env, check=False)
        server.terminate()
        server.wait()
    return 0


if __name__ == "__main__":
    exit_with(main)
