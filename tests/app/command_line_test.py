#!/usr/bin/env python3
"""The kestavon program from outside, as a script or a user without a screen meets it.

Checks the exit statuses and messages of bad command lines (and that they write nothing), help and
version on standard output, --render with a seed (the same seed twice gives the same file, another
seed another picture), the same picture whatever the locale, a run-time error (status 1, the
window's report, the picture still written), a write that fails (the file that was there stays
whole, no temporary file is left), and the window without a display (status 1, one line naming the
display and how to get a picture anyway, no signal).

Usage: command_line_test.py KESTAVON. LOCPATH may name a folder with a de_DE.UTF-8 locale.
"""

import os
import resource
import signal
import subprocess
import sys
import tempfile

FAILURES = []


def check(condition, what):
    print(("ok: " if condition else "FAILED: ") + what)
    if not condition:
        FAILURES.append(what)


def run(program, *arguments, env=None, limit_file_size=None):
    def limit():
        if limit_file_size is not None:
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)  # a write past the limit fails instead
            resource.setrlimit(resource.RLIMIT_FSIZE, (limit_file_size, limit_file_size))
    environment = dict(os.environ if env is None else env)
    return subprocess.run([program, *arguments], env=environment, capture_output=True, text=True,
                          timeout=120, preexec_fn=limit)


def bad_command_lines(program, folder):
    output = os.path.join(folder, "bad.png")
    render = ["--render", "xy", "--output", output]
    for arguments, message in [
        (["--frobnicate"], "Unknown option 'frobnicate'"),
        (["picture.png"], "unexpected argument 'picture.png'"),
        (["--seed"], "Missing value after '--seed'"),
        (["--seed", "x"], "--seed: 'x' is not a whole number from 0 to 4294967295"),
        (["--seed", "-1"], "--seed: '-1' is not a whole number from 0 to 4294967295"),
        (["--seed", "4294967296"], "--seed: '4294967296' is not a whole number from 0 to 4294967295"),
        (["--seed", " 5"], "--seed: ' 5' is not a whole number from 0 to 4294967295"),
        (["--seed", "%3"], "--seed: '%3' is not a whole number from 0 to 4294967295"),
        (["--start", "1,2"], "--start: '1,2' is not three numbers X,Y,Z"),
        (["--start", "1,5,2,5,3,5"], "--start: '1,5,2,5,3,5' is not three numbers X,Y,Z"),
        (["--start", "1,,3"], "--start: '' is not a finite number (in '1,,3')"),
        (["--start", "1,2,3m"], "--start: '3m' is not a finite number (in '1,2,3m')"),
        (["--start", "inf,0,0"], "--start: 'inf' is not a finite number (in 'inf,0,0')"),
        (["--start", "0,1e999,0"], "--start: '1e999' is not a finite number (in '0,1e999,0')"),
        (["--start", "0,0,nan"], "--start: 'nan' is not a finite number (in '0,0,nan')"),
        (["--render", "xy"], "--render needs --output FILE.png"),
        (["--render", "xy", "--output="], "--render needs --output FILE.png"),
        (["--render", "XY", "--output", output], "--render: 'XY' is not a view: xy or 3d"),
        (["--output", output], "--output, --runs and --scale go with --render"),
        (["--scale", "2"], "--output, --runs and --scale go with --render"),
        (render + ["--runs", "0"], "--runs: '0' is not a whole number from 1 to 1000"),
        (render + ["--runs", "1001"], "--runs: '1001' is not a whole number from 1 to 1000"),
        (render + ["--scale", "9"], "--scale: '9' is not a whole number from 1 to 8"),
        (render + ["--start", "1,2"], "--start: '1,2' is not three numbers X,Y,Z"),
    ]:
        result = run(program, *arguments)
        lines = result.stderr.splitlines()
        check(result.returncode == 2 and lines[:1] == ["kestavon: " + message]
              and result.stdout == ""
              and any(line.startswith("Usage: kestavon") for line in lines)
              and not os.path.exists(output),
              f"{' '.join(arguments)}: status 2, '{message}', usage, nothing written "
              f"(status {result.returncode}, {lines[:1]})")
    for arguments, first in [(["--help"], "Usage: kestavon"), (["--version"], "kestavon 1.0")]:
        result = run(program, *arguments)
        check(result.returncode == 0 and result.stdout.startswith(first) and result.stderr == "",
              f"{arguments[0]}: standard output, status 0")


def seeds_and_locales(program, folder):
    def render(name, *arguments, env=None):
        path = os.path.join(folder, name)
        result = run(program, "--render", "3d", "--output", path, *arguments, env=env)
        check(result.returncode == 0 and result.stderr == "",
              f"--render {' '.join(arguments)}: status 0 ({result.stderr.strip()})")
        with open(path, "rb") as picture:
            return picture.read()
    first = render("seed-a.png", "--seed", "4294967295", "--runs", "2")
    again = render("seed-b.png", "--seed", "4294967295", "--runs", "2")
    other = render("seed-c.png", "--seed", "7", "--runs", "2")
    check(first == again, "the same seed twice gives the same file")
    check(first != other, "another seed gives another picture")

    plain = render("start-c.png", "--start", "0.5,-1.25,2.5e-1")
    german = dict(os.environ, LC_ALL="de_DE.UTF-8")
    decimal_comma = subprocess.run(["env", "printf", "%.1f", "1.5"], env=german,
                                   capture_output=True, text=True).stdout
    if decimal_comma != "1,5":
        print("skipped: no de_DE.UTF-8 locale (LOCPATH)")
        return
    check(render("start-de.png", "--start", "0.5,-1.25,2.5e-1", env=german) == plain,
          "under LC_ALL=de_DE.UTF-8 --start reads points and gives the same picture")


def run_time_error(program, folder):
    path = os.path.join(folder, "overflow.png")
    result = run(program, "--render", "xy", "--output", path, "--start", "1e6,0,0")
    check(result.returncode == 1 and os.path.getsize(path) > 0 and
          result.stderr.startswith("Kestavon Ocsillator: Run-time error") and
          len(result.stderr.splitlines()) == 1,
          f"a run-time error: status 1, the window's report, the axes still written "
          f"({result.returncode}, {result.stderr.strip()})")


def failed_write(program, folder):
    path = os.path.join(folder, "kept.png")
    with open(path, "wb") as existing:
        existing.write(b"an earlier picture")
    result = run(program, "--render", "xy", "--output", path, "--scale", "2",
                 limit_file_size=4096)
    with open(path, "rb") as kept:
        whole = kept.read() == b"an earlier picture"
    leftovers = [name for name in os.listdir(folder) if name.startswith("kept.png")]
    check(result.returncode == 1 and whole and leftovers == ["kept.png"] and
          result.stderr.strip() == f"kestavon: cannot write {path}: File too large",
          f"a write that fails: status 1, names the file, the old file whole, nothing left over "
          f"({result.returncode}, {result.stderr.strip()}, {leftovers})")
    result = run(program, "--render", "xy", "--output", os.path.join(folder, "none", "x.png"))
    check(result.returncode == 1 and "none/x.png" in result.stderr,
          f"a folder that does not exist: status 1 ({result.stderr.strip()})")


def no_display(program):
    base = {k: v for k, v in os.environ.items()
            if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "QT_SCALE_FACTOR")}
    for display, named in [(None, "DISPLAY is not set"), (":987", '":987"')]:
        env = dict(base) if display is None else dict(base, DISPLAY=display)
        result = run(program, "--seed", "1", env=env)
        lines = result.stderr.splitlines()
        check(result.returncode == 1 and len(lines) == 1 and named in lines[0] and
              "--render" in lines[0] and "xvfb-run" in lines[0],
              f"DISPLAY={display}: status 1, one line naming the display and --render "
              f"(status {result.returncode}, {lines})")


def main():
    program = sys.argv[1]
    with tempfile.TemporaryDirectory() as folder:
        bad_command_lines(program, folder)
        seeds_and_locales(program, folder)
        run_time_error(program, folder)
        failed_write(program, folder)
    no_display(program)
    print(f"{len(FAILURES)} failed")
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
