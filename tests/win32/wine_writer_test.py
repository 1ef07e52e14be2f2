#!/usr/bin/env python3
"""kestavon.exe's writer under wine on Xvfb, where Windows differs: a named pipe in every spelling
of its name, served by another program, gets the whole picture (the same bytes as a file); a pipe
that no program serves, and a file that another program holds open without sharing, are refused
before the runs; con.png is the console device, not a file; an existing file is replaced; and a
program started without a console (as from Explorer) shows a bad command line and a refused
output in a message box titled with the caption, keeping its status.

Usage: wine_writer_test.py KESTAVON.EXE WRITER_HELPER.EXE
WINEPREFIX names the prefix (made on first use). Exit status 77 (skipped) without Xvfb or wine.
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from x_session import CAPTION, SKIPPED, Failure, exit_with, start_xvfb, wait_for  # noqa: E402

WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"
PNG = b"\x89PNG\r\n\x1a\n"
SEED = ["--seed", "11"]


def check(condition, what):
    if not condition:
        raise Failure(what)
    print(f"ok: {what}")


def windows_name(path):
    return "Z:" + path.replace("/", "\\")


def run(env, *command, cwd=None):
    """A wine program to its end, its output through files, which wine's server does not hold."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        started = time.monotonic()
        result = subprocess.run([WINE, *command], env=env, stdout=out, stderr=err, timeout=180,
                                cwd=cwd)
        result.seconds = time.monotonic() - started
        out.seek(0)
        err.seek(0)
        result.stdout, result.stderr = out.read(), err.read().decode(errors="replace")
    return result


def helper(env, *arguments):
    """The other program, started; returns once it says it is ready."""
    process = subprocess.Popen([WINE, *arguments], env=env, stdin=subprocess.PIPE,
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    process.stdout.readline()
    return process


def pipes(exe, other, env, folder):
    expected = os.path.join(folder, "expected.png")
    result = run(env, exe, "--render", "xy", *SEED, "--output", windows_name(expected))
    with open(expected, "rb") as file:
        picture = file.read()
    check(result.returncode == 0 and picture.startswith(PNG), "--render into a file")
    for spelling in ("\\\\.\\pipe\\", "\\\\?\\pipe\\", "\\\\.\\GLOBALROOT\\Device\\NamedPipe\\",
                     "//./pipe/"):
        received = os.path.join(folder, "received.png")
        reader = helper(env, other, "serve", "\\\\.\\pipe\\kestavon-test", windows_name(received))
        result = run(env, exe, "--render", "xy", *SEED, "--output", spelling + "kestavon-test")
        reader.wait(timeout=60)
        with open(received, "rb") as file:
            got = file.read()
        check(result.returncode == 0 and got == picture,
              f"a pipe named {spelling}...: its reader gets the whole picture ({result.returncode}, "
              f"{len(got)} of {len(picture)} bytes, {result.stderr.strip()!r})")
    result = run(env, exe, "--render", "3d", "--runs", "1000", "--output",
                 "\\\\?\\pipe\\kestavon-unserved")
    check(result.returncode == 1 and result.seconds < 20 and result.stderr.startswith(
        "kestavon: cannot write \\\\?\\pipe\\kestavon-unserved: no program is reading it"),
        f"a pipe that no program serves: refused before the runs ({result.stderr.strip()!r})")


def devices_and_files(exe, other, env, folder):
    result = run(env, exe, "--render", "xy", "--output", "con.png", cwd=folder)
    check(result.returncode == 1 and result.stderr.startswith("kestavon: cannot write con.png: ")
          and not os.path.exists(os.path.join(folder, "con.png")),
          f"con.png is the console device, never a file ({result.stderr.strip()!r})")
    held = os.path.join(folder, "held.png")
    with open(held, "wb") as file:
        file.write(b"an earlier picture")
    holder = helper(env, other, "hold", windows_name(held))
    try:
        result = run(env, exe, "--render", "3d", "--runs", "300", "--output", windows_name(held))
    finally:
        holder.stdin.close()
        holder.wait(timeout=60)
    with open(held, "rb") as file:
        kept = file.read() == b"an earlier picture"
    check(result.returncode == 1 and kept and result.seconds < 20 and
          result.stderr.startswith(f"kestavon: cannot write {windows_name(held)}: "),
          f"a file held without sharing: refused before the 300 runs, kept "
          f"({result.seconds:.1f} s, {result.stderr.strip()!r})")
    for attempt in ("replaced", "replaced again"):
        result = run(env, exe, "--render", "xy", "--output", windows_name(held))
        with open(held, "rb") as file:
            written = file.read(8) == PNG
        check(result.returncode == 0 and written and
              not [name for name in os.listdir(folder) if name.startswith(".kestavon")],
              f"an existing file {attempt}, nothing left beside it ({result.stderr.strip()!r})")


def without_console(exe, env, folder):
    """Started by start /unix, the program has no console and no standard error, as from
    Explorer: what it would have written there shows in a message box titled with the caption."""
    for arguments, status in ((["--rend"], 2),
                              (["--render", "xy", "--output",
                                windows_name(os.path.join(folder, "none", "x.png"))], 1)):
        process = subprocess.Popen([WINE, "start", "/wait", "/unix", exe, *arguments], env=env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            boxes = wait_for("the message box", lambda: subprocess.run(
                ["xdotool", "search", "--onlyvisible", "--name", f"^{CAPTION}$"], env=env,
                capture_output=True, text=True).stdout.split())
            subprocess.run(["xdotool", "windowfocus", "--sync", boxes[0]], env=env, check=True)
            subprocess.run(["xdotool", "key", "Return"], env=env, check=True)
            ended = process.wait(timeout=60)
        finally:
            if process.poll() is None:
                process.kill()
        check(len(boxes) == 1 and ended == status,
              f"{' '.join(arguments[:2])} without a console: a message box titled with the "
              f"caption, then status {status} ({ended})")


def main():
    if len(sys.argv) != 3:
        raise Failure("usage: wine_writer_test.py KESTAVON.EXE WRITER_HELPER.EXE")
    exe, other = (os.path.abspath(path) for path in sys.argv[1:])
    if shutil.which("Xvfb") is None or not os.path.exists(WINE):
        print("SKIPPED: Xvfb or wine64 is not installed (scripts/test installs them)")
        return SKIPPED
    server, display = start_xvfb()
    env = {k: v for k, v in os.environ.items() if not k.startswith(("QT_", "WAYLAND"))}
    env.update(DISPLAY=display, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    # A wine server of this display: one started with another would show no box here.
    subprocess.run([WINESERVER, "-k"], env=env, check=False)
    subprocess.Popen([WINESERVER, "-p"], env=env, stdout=subprocess.DEVNULL,
                     stderr=subprocess.DEVNULL)
    try:
        with tempfile.TemporaryDirectory() as folder:
            run(env, "reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/d", "N",
                "/f")
            pipes(exe, other, env, folder)
            devices_and_files(exe, other, env, folder)
            without_console(exe, env, folder)
    finally:
        subprocess.run([WINESERVER, "-k"], env=env, check=False)
        server.terminate()
        server.wait()
    return 0


if __name__ == "__main__":
    exit_with(main)
