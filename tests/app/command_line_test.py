#!/usr/bin/env python3
"""The kestavon program from outside, as a script or a user without a screen meets it.

One table of command lines with their exit status, first line on standard error and what they
write: bad command lines (status 2, the usage, nothing written), every kind of output (a new or
existing file, a FIFO with a reader, standard output, character devices made with mknod in a
temporary folder, and the refused ones: a directory, a socket, a terminal), help and version on
standard output and failing to get there. Then: --render with a seed (the same seed twice gives
the same file, another seed another picture), the same picture whatever the locale and whatever
spaces surround --start's numbers, a run-time error (status 1, the report, the picture still
written and where), writes that fail (a file size limit, and a real full disk: a small tmpfs,
mounted when run as root; the file that was there stays whole, a new one is not left cut off, no
temporary file is left), outputs refused before the first run (nothing rendered: no progress
shown), a reader that closes standard output early (quiet, by SIGPIPE), the progress on a
terminal and its absence on a pipe, batches on every core against one core, Ctrl+C, and the window without a display (status 1, one line
naming the display and how to get a picture anyway, no signal). File names are bytes: a name
that is not UTF-8 beside its U+FFFD twin, and every line on standard error starts with kestavon:
whatever control characters a value holds.

Usage: command_line_test.py KESTAVON. LOCPATH may name a folder with a de_DE.UTF-8 locale.
"""

import os
import pty
import re
import resource
import shutil
import signal
import struct
import ctypes
import socket
import stat
import subprocess
import sys
import tempfile
import threading
import time

FAILURES = []
PNG = b"\x89PNG\r\n\x1a\n"
USAGE = "kestavon: Usage: kestavon"
ROOT = os.geteuid() == 0


def check(condition, what):
    print(("ok: " if condition else "FAILED: ") + what)
    if not condition:
        FAILURES.append(what)


def run(program, *arguments, env=None, limit_file_size=None, stdout=subprocess.PIPE):
    def limit():
        if limit_file_size is not None:
            signal.signal(signal.SIGXFSZ, signal.SIG_DFL)  # as a shell leaves it: the program's
            resource.setrlimit(resource.RLIMIT_FSIZE, (limit_file_size, limit_file_size))
    environment = dict(os.environ if env is None else env)
    return subprocess.run([program, *arguments], env=environment, stdout=stdout,
                          stderr=subprocess.PIPE, timeout=120, preexec_fn=limit)


class FifoReader:
    """Reads everything written into a FIFO, in a thread, while a case runs."""

    def __init__(self, path):
        self.data = b""
        self.thread = threading.Thread(target=self._read, args=(path,), daemon=True)
        self.thread.start()

    def _read(self, path):
        with open(path, "rb") as fifo:
            self.data = fifo.read()

    def received(self):
        self.thread.join(timeout=30)
        return self.data


def outputs(folder):
    """The things --output may name, made afresh; which of them exist is part of each case."""
    made = {"dir": os.path.join(folder, "a-folder"), "dir.png": os.path.join(folder, "folder.png"),
            "fifo": os.path.join(folder, "fifo"), "sock": os.path.join(folder, "socket.png"),
            "null": os.path.join(folder, "null"), "full": os.path.join(folder, "full"),
            "old": os.path.join(folder, "old.png"), "link": os.path.join(folder, "link"),
            "linked": os.path.join(folder, "linked.png"),
            "file link": os.path.join(folder, "file-link.png"),
            "text": os.path.join(folder, "notes.txt"), "block": os.path.join(folder, "block.png"),
            # Names are bytes: \xe9 is no UTF-8, and no text conversion may make it its twin
            # U+FFFD; a folder may have such a name too.
            "latin": os.path.join(folder, os.fsdecode(b"\xe9.png")),
            "twin": os.path.join(folder, "\ufffd.png"),
            "cafe": os.path.join(folder, os.fsdecode(b"caf\xe9")),
            # As long as a name may be: its temporary file beside it needs a shorter one.
            "long": os.path.join(folder, "l" * 247 + ".png"), "owned": os.path.join(folder, "owned.png"),
            "png link": os.path.join(folder, "text-link.png"),
            "dangling": os.path.join(folder, "dangling.png")}
    for name in ("dir", "dir.png", "cafe"):
        os.mkdir(made[name])
    os.mkfifo(made["fifo"])
    os.symlink(made["fifo"], made["link"])
    for name in ("old", "linked", "text", "twin", "owned"):
        with open(made[name], "wb") as old:
            old.write(b"an earlier picture")
    if ROOT:  # a file of another user, which replacing it as root must leave that user's
        os.chown(made["owned"], 1234, 5678)
        os.chmod(made["owned"], 0o640)
    os.symlink(made["linked"], made["file link"])
    os.symlink(made["text"], made["png link"])
    os.symlink(os.path.join(folder, "nothing.png"), made["dangling"])
    listener = socket.socket(socket.AF_UNIX)
    listener.bind(made["sock"])
    devices = True
    try:  # the kernel's null and full devices, as nodes of our own (root only, not on nodev)
        os.mknod(made["null"], 0o600 | stat.S_IFCHR, os.makedev(1, 3))
        os.mknod(made["full"], 0o600 | stat.S_IFCHR, os.makedev(1, 7))
        os.mknod(made["block"], 0o600 | stat.S_IFBLK, os.makedev(7, 0))  # a loop device
    except OSError as error:
        print(f"skipped: no character devices made with mknod ({error})")
        devices = False
    return made, listener, devices


# What a case leaves, checked after it: (name, check(result, folder, made, reader) -> bool).
def png_file(path):
    def written(result, folder, made, reader):
        with open(path, "rb") as picture:
            return picture.read(8) == PNG and not os.path.islink(path)
    return written


def written_through_link(result, folder, made, reader):
    return os.path.islink(made["file link"]) and png_file(made["linked"])(result, folder, made,
                                                                          reader)


def twin_untouched(result, folder, made, reader):
    with open(made["twin"], "rb") as twin:
        return twin.read() == b"an earlier picture" and png_file(made["latin"])(result, folder,
                                                                               made, reader)


def replaced_twice(result, folder, made, reader):
    again = run(result.args[0], *result.args[1:])
    return again.returncode == 0 and png_file(made["long"])(result, folder, made, reader) and \
        not [name for name in os.listdir(folder) if name.startswith(".kestavon")]


def owner_kept(result, folder, made, reader):
    status = os.stat(made["owned"])
    return png_file(made["owned"])(result, folder, made, reader) and \
        (not ROOT or (status.st_uid, status.st_gid, stat.S_IMODE(status.st_mode)) ==
         (1234, 5678, 0o640))


def png_in_fifo(result, folder, made, reader):
    return reader.received().startswith(PNG) and stat.S_ISFIFO(os.lstat(made["fifo"]).st_mode)


def still_text(name):
    def untouched(result, folder, made, reader):
        with open(made[name], "rb") as file:
            return file.read() == b"an earlier picture"
    return untouched


def png_on_stdout(result, folder, made, reader):
    return result.stdout.startswith(PNG)


def still(name, kind):
    return lambda result, folder, made, reader: kind(os.lstat(made[name]).st_mode)


def empty_folder(name):
    return lambda result, folder, made, reader: os.listdir(made[name]) == []


def command_lines(program, folder):
    made, listener, devices = outputs(folder)
    new = os.path.join(folder, "new.png")
    render = ["--render", "xy", "--output"]
    bad = (2, None)  # a bad command line: the usage follows its first line
    cases = [
        # Options and their values.
        (["--frobnicate"], *bad, "Unknown option '--frobnicate'"),
        (["-x"], *bad, "Unknown option '-x'"),
        (["--=", "--seed", "1"], *bad, "Unknown option '--='"),
        (["--seed", "5\n"], *bad, "--seed: '5\\n' is not a whole number from 0 to 4294967295"),
        (["picture.png"], *bad, "unexpected argument 'picture.png'"),
        (["--", "picture.png"], *bad, "unexpected argument 'picture.png'"),
        (["--seed"], *bad, "--seed needs a whole number from 0 to 4294967295"),
        (["--seed", "x"], *bad, "--seed: 'x' is not a whole number from 0 to 4294967295"),
        (["--seed", "4294967296"], *bad,
         "--seed: '4294967296' is not a whole number from 0 to 4294967295"),
        (["--seed", " 5"], *bad, "--seed: ' 5' is not a whole number from 0 to 4294967295"),
        (["--seed", "%3"], *bad, "--seed: '%3' is not a whole number from 0 to 4294967295"),
        (["--seed", "1", "--seed", "1"], *bad, "--seed is given more than once"),
        (["--help", "-h"], *bad, "--help is given more than once"),
        (["--version=2"], *bad, "--version takes no value"),
        (["--start", "1,2"], *bad, "--start: '1,2' is not three numbers X,Y,Z"),
        (["--start", "1,5,2,5,3,5"], *bad, "--start: '1,5,2,5,3,5' is not three numbers X,Y,Z"),
        (["--start", "1,,3"], *bad, "--start: '' is not a finite number (in '1,,3')"),
        (["--start", "1,2,3m"], *bad, "--start: '3m' is not a finite number (in '1,2,3m')"),
        (["--start", "1,2 2,3"], *bad, "--start: '2 2' is not a finite number (in '1,2 2,3')"),
        (["--start", "inf,0,0"], *bad, "--start: 'inf' is not a finite number (in 'inf,0,0')"),
        (["--start", "0,1e999,0"], *bad,
         "--start: '1e999' is not a finite number (in '0,1e999,0')"),
        (["--start", "0,0,nan"], *bad, "--start: 'nan' is not a finite number (in '0,0,nan')"),
        (["--start", "0x-1,0,0"], *bad, "--start: '0x-1' is not a finite number (in '0x-1,0,0')"),
        (["--start", "1e-400,0,0"], *bad,
         "--start: '1e-400' is too close to zero for a double (in '1e-400,0,0')"),
        (["--start", "0,-0x1p-1100,0"], *bad,
         "--start: '-0x1p-1100' is too close to zero for a double (in '0,-0x1p-1100,0')"),
        (["--start", "--seed", "1"], *bad, "--start needs three numbers X,Y,Z"),
        (["--render", "--output", new], *bad, "--render needs xy or 3d"),
        (["--render", "xy"], *bad, "--render needs --output FILE.png"),
        (["--render", "xy", "--output="], *bad, "--output needs a file"),
        (["--output", "--seed", "5"], *bad, "--output needs a file"),
        (["--render", "xy", "--output=--x.png"], *bad, "--output needs a file"),
        (["--render", "XY", "--output", new], *bad, "--render: 'XY' is not a view: xy or 3d"),
        (["--output", new], *bad, "--output, --runs and --scale go with --render"),
        (["--scale", "2"], *bad, "--output, --runs and --scale go with --render"),
        (render + [new, "--runs", "0"], *bad, "--runs: '0' is not a whole number from 1 to 1000"),
        (render + [new, "--runs", "1001"], *bad,
         "--runs: '1001' is not a whole number from 1 to 1000"),
        (render + [new, "--scale", "9"], *bad, "--scale: '9' is not a whole number from 1 to 8"),
        (render + [new, "--start", "1,2"], *bad, "--start: '1,2' is not three numbers X,Y,Z"),
        # The toolkit's options, with the environment variable that does their job.
        (["-platform", "offscreen"], *bad, "-platform is an option of the toolkit (Qt), and the "
         "toolkit's options are not read: set QT_QPA_PLATFORM in the environment instead, e.g. "
         "QT_QPA_PLATFORM=offscreen kestavon ..."),
        (["--style=fusion", "--seed", "3"], *bad, "--style is an option of the toolkit (Qt), and "
         "the toolkit's options are not read: set QT_STYLE_OVERRIDE in the environment instead, "
         "e.g. QT_STYLE_OVERRIDE=fusion kestavon ..."),
        (["-reverse"], *bad, "-reverse is an option of the toolkit (Qt), and the toolkit's "
         "options are not read (no environment variable does its job)"),
        # The file's name; a FIFO or a character device may have any.
        (render + [os.path.join(folder, "picture.jpg")], *bad,
         f"--output: '{folder}/picture.jpg' does not end in .png"),
        (render + [made["text"]], *bad, f"--output: '{made['text']}' does not end in .png"),
        # Outputs refused before any run.
        (render + [made["dir"]], 1, None,
         f"cannot write {made['dir']}: it is a directory; a picture goes into a file, a pipe or "
         "a character device", empty_folder("dir")),
        (render + [made["dir.png"]], 1, None,
         f"cannot write {made['dir.png']}: it is a directory; a picture goes into a file, a pipe "
         "or a character device", empty_folder("dir.png")),
        (render + [made["sock"]], 1, None,
         f"cannot write {made['sock']}: it is a socket; a picture goes into a file, a pipe or a "
         "character device", still("sock", stat.S_ISSOCK)),
        (render + [os.path.join(made["old"], "x.png")], 1, None,
         f"cannot write {made['old']}/x.png: Not a directory", None),
        (render + [os.path.join(folder, "line\nbreak", "x.png")], 1, None,
         f"cannot write {folder}/line\\nbreak/x.png: no file can be made in {folder}/line\\nbreak: "
         "No such file or directory", None),
        (render + [os.path.join(made["cafe"], "none", "x.png")], 1, None,
         f"cannot write {folder}/caf\\xe9/none/x.png: no file can be made in {folder}/caf\\xe9/none: "
         "No such file or directory", None),
        # A link is judged by the system and leads to a file named *.png, or is refused.
        (render + [made["png link"]], 1, None,
         f"cannot write {made['png link']}: it leads to '{made['text']}', whose name does not end "
         "in .png", still_text("text")),
        (render + [made["dangling"]], 1, None,
         f"cannot write {made['dangling']}: it is a symbolic link to a file that does not exist",
         None),
        # Outputs written.
        (render + [os.path.join(folder, "NEW.PNG")], 0, None, None,
         png_file(os.path.join(folder, "NEW.PNG"))),
        (render + [made["file link"]], 0, None, None, written_through_link),
        (render + [made["old"], "--runs", "2"], 0, None, None, png_file(made["old"])),
        (render + [made["latin"]], 0, None, None, twin_untouched),
        (render + [os.path.join(made["cafe"], "x.png")], 0, None, None,
         png_file(os.path.join(made["cafe"], "x.png"))),
        (render + [made["long"]], 0, None, None, replaced_twice),
        (render + [made["owned"]], 0, None, None, owner_kept),
        (["--render=3d", "--output=-"], 0, None, None, png_on_stdout),
        # A pipe reached by a name (here standard output's) is written directly, whatever the name.
        (render + ["/dev/stdout"], 0, None, None, png_on_stdout),
        (render + ["/proc/self/fd/1"], 0, None, None, png_on_stdout),
        (render + [made["fifo"]], 0, None, None, png_in_fifo),
        (render + [made["link"]], 0, None, None, png_in_fifo),
        # Help and version.
        (["--help"], 0, "Usage: kestavon", None, None),
        (["-v"], 0, "kestavon 1.0", None, None),
        (["--help", "--seed", "x"], 0, "Usage: kestavon", None, None),
    ]
    if devices:
        cases += [
            (render + [made["null"]], 0, None, None, still("null", stat.S_ISCHR)),
            (render + [made["full"]], 1, None,
             f"cannot write {made['full']}: No space left on device", still("full", stat.S_ISCHR)),
            (render + [made["block"]], 1, None,
             f"cannot write {made['block']}: it is a block device; a picture goes into a file, a "
             "pipe or a character device", still("block", stat.S_ISBLK)),
        ]
    for arguments, status, stdout_first, stderr_first, *rest in cases:
        leaves = rest[0] if rest else None
        before = sorted(os.listdir(folder))
        reader = FifoReader(made["fifo"]) if made["fifo"] in arguments or made["link"] in arguments \
            else None
        result = run(program, *arguments)
        out = result.stdout.decode(errors="replace")
        lines = result.stderr.decode("utf-8", "backslashreplace").splitlines()
        if status == 2:
            fine = (lines[:1] == ["kestavon: " + stderr_first] and out == "" and
                    any(line.startswith(USAGE) for line in lines) and
                    all(line.startswith("kestavon: ") for line in lines) and
                    sorted(os.listdir(folder)) == before)
        else:
            fine = (out.startswith(stdout_first or "") and
                    (lines == [] if stderr_first is None else lines == ["kestavon: " + stderr_first])
                    and (leaves is None or leaves(result, folder, made, reader)))
        check(result.returncode == status and fine,
              f"{' '.join(arguments)}: status {status}, {stderr_first or 'nothing on stderr'} "
              f"(status {result.returncode}, {lines[:1]})")
    listener.close()
    # Standard output that cannot take the help or the picture.
    for arguments in (["--help"], ["--version"], ["--render", "xy", "--output", "-"]):
        with open("/dev/full", "wb") as full:
            result = run(program, *arguments, stdout=full)
        check(result.returncode == 1 and result.stderr.decode() ==
              "kestavon: cannot write to standard output: No space left on device\n",
              f"{' '.join(arguments)} > /dev/full: status 1, one line "
              f"({result.returncode}, {result.stderr!r})")
    result = subprocess.run([program, "--version"], stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE, timeout=60, close_fds=True,
                            preexec_fn=lambda: os.close(1))
    check(result.returncode == 1 and result.stderr.decode().startswith(
        "kestavon: cannot write to standard output:"),
        f"--version with standard output closed: status 1 ({result.stderr!r})")


def seeds_and_locales(program, folder):
    def render(name, *arguments, env=None):
        path = os.path.join(folder, name)
        result = run(program, "--render", "3d", "--output", path, *arguments, env=env)
        check(result.returncode == 0 and result.stderr == b"",
              f"--render {' '.join(arguments)}: status 0 ({result.stderr.strip()})")
        with open(path, "rb") as picture:
            return picture.read()
    first = render("seed-a.png", "--seed", "4294967295", "--runs", "2")
    again = render("seed-b.png", "--seed", "4294967295", "--runs", "2")
    other = render("seed-c.png", "--seed", "7", "--runs", "2")
    check(first == again, "the same seed twice gives the same file")
    check(first != other, "another seed gives another picture")

    plain = render("start-c.png", "--start", "0.5,-1.25,2.5e-1")
    check(render("start-spaced.png", "--start", " 0.5 ,\t-1.25, 2.5e-1 ") == plain,
          "spaces before and after --start's numbers change nothing")
    check(render("start-hex.png", "--start", "+0x1p-1,-0x1.4p0,0x.4") == plain,
          "numbers in strtod's other forms (a plus sign, hexadecimal) are the same numbers")
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
    with open(path, "wb") as existing:
        existing.write(b"an earlier picture")
    result = run(program, "--render", "xy", "--output", path, "--start", "1e6,0,0")
    lines = result.stderr.decode().splitlines()
    with open(path, "rb") as picture:
        written = picture.read(8) == PNG
    check(result.returncode == 1 and written and len(lines) == 2 and
          lines[0].startswith("kestavon: Run-time error: ") and
          lines[1] == f"kestavon: the picture drawn until then was written to {path}",
          f"a run-time error: status 1, the report, the axes written and where "
          f"({result.returncode}, {lines})")
    result = run(program, "--render", "xy", "--output", "-", "--start", "1e6,0,0")
    check(result.returncode == 1 and result.stdout.startswith(PNG) and
          result.stderr.decode().endswith(
              "\nkestavon: the picture drawn until then was written to standard output\n"),
          f"a run-time error into standard output says so ({result.stderr!r})")


def failed_write(program, folder):
    """Writes that fail at the disk: a file size limit, and a real filesystem too small for the
    picture (a tmpfs of 12 KiB, mounted as root). An existing file stays whole, a new one is not
    left cut off, nothing is left over, and the message names the file and the system's reason."""
    limited = os.path.join(folder, "limited")
    os.mkdir(limited)
    places = [(limited, 4096, "File too large")]
    tiny = os.path.join(folder, "tiny")
    os.mkdir(tiny)
    mounted = ROOT and subprocess.run(["mount", "-t", "tmpfs", "-o", "size=12k", "tmpfs", tiny],
                                      capture_output=True).returncode == 0
    if mounted:
        places.append((tiny, None, "No space left on device"))
    else:
        print("skipped: no tmpfs mounted for a full disk (needs root and mount)")
    try:
        for place, size_limit, reason in places:
            kept = os.path.join(place, "keep.png")
            with open(kept, "wb") as existing:  # 8 KiB of the tmpfs's 12
                existing.write(b"an earlier picture".ljust(7000, b"."))
            for name in ("keep.png", "new.png"):
                path = os.path.join(place, name)
                result = run(program, "--render", "xy", "--seed", "1", "--output", path,
                             limit_file_size=size_limit)
                with open(kept, "rb") as old:
                    whole = old.read().startswith(b"an earlier picture")
                check(result.returncode == 1 and whole and os.listdir(place) == ["keep.png"] and
                      result.stderr.decode() == f"kestavon: cannot write {path}: {reason}\n",
                      f"{reason}, {name}: status 1, the old file whole, nothing else left "
                      f"({result.returncode}, {result.stderr!r}, {os.listdir(place)})")
    finally:
        if mounted:
            subprocess.run(["umount", tiny], check=True)


def refused_before_runs(program, folder):
    """Outputs refused at once: status 1, one line, and not one of the 1000 runs begun (a run shows
    its number on a terminal). A user who is not root meets folders and files it may not write."""
    locked = os.path.join(folder, "locked")
    os.mkdir(locked)
    read_only = os.path.join(folder, "read-only.png")
    with open(read_only, "wb") as file:
        file.write(b"an earlier picture")
    # A sticky folder, as /tmp is, that anyone may write, with a file of root's that anyone may:
    # only root or the folder's owner may rename over that file.
    sticky = os.path.join(folder, "sticky")
    os.mkdir(sticky)
    theirs = os.path.join(sticky, "theirs.png")
    with open(theirs, "wb") as file:
        file.write(b"an earlier picture")
    inside_locked = os.path.join(locked, "inside.png")
    with open(inside_locked, "wb") as file:
        file.write(b"an earlier picture")
    os.chmod(inside_locked, 0o666)
    linked = os.path.join(sticky, "to-locked.png")
    os.symlink(inside_locked, linked)
    os.chmod(folder, 0o755)  # for the user nobody
    os.chmod(read_only, 0o444)
    os.chmod(sticky, 0o1777)
    os.chmod(theirs, 0o666)
    cases = [(os.path.join(folder, "none", "x.png"),
              f"no file can be made in {folder}/none: No such file or directory", None),
             (os.path.join(folder, "n" * 252 + ".png"), "File name too long", None)]
    reachable = copy_for_nobody(program, folder) if ROOT else None
    if reachable:
        program = reachable
        cases += [(os.path.join(locked, "x.png"), f"no file can be made in {locked}: Permission "
                   "denied", as_nobody),
                  (read_only, "Permission denied", as_nobody),
                  (theirs, "Operation not permitted", as_nobody),
                  # Through a link, it is the folder of the file it leads to that refuses.
                  (linked, f"no file can be made in {locked}: Permission denied", as_nobody)]
    else:
        print("skipped: folders and files another user may not write (needs root, and a copy of "
              "the program that the user nobody can run)")
    for output, reason, user in cases:
        status, shown = on_terminal(program, "--render", "3d", "--runs", "1000", "--scale", "8",
                                    "--output", output, user=user)
        check(status == 1 and shown == f"kestavon: cannot write {output}: {reason}\r\n",
              f"refused before any run: {reason} ({status}, {shown!r})")


def as_nobody():
    os.setgroups([])
    os.setgid(65534)
    os.setuid(65534)


def copy_for_nobody(program, folder):
    """The program copied where the user nobody can reach it (a build folder under /root is not),
    or nothing, saying why."""
    place = os.path.join(folder, "bin")
    os.makedirs(place, exist_ok=True)
    os.chmod(place, 0o755)
    copy = shutil.copy2(program, os.path.join(place, "kestavon"))
    os.chmod(copy, 0o755)
    result = subprocess.run([copy, "--version"], capture_output=True, timeout=60,
                            preexec_fn=as_nobody)
    if result.returncode != 0:
        print(f"skipped: the user nobody cannot run a copy of the program in {place} "
              f"({result.stderr!r})")
        return None
    return copy


def acl_blob(entries):
    """An access control list as the system keeps it in system.posix_acl_access: (tag, perm, id)."""
    return struct.pack("<I", 2) + b"".join(struct.pack("<HHI", tag, perm, ident)
                                           for tag, perm, ident in sorted(entries))


class CreationWatch:
    """Sees every .kestavon- file made in a folder as it is made (inotify), and records its mode."""

    def __init__(self, folder):
        self.libc = ctypes.CDLL(None, use_errno=True)
        self.fd = self.libc.inotify_init1(os.O_NONBLOCK)
        self.libc.inotify_add_watch(self.fd, folder.encode(), 0x100)  # IN_CREATE
        self.folder, self.modes, self.done = folder, [], False
        self.thread = threading.Thread(target=self._watch, daemon=True)
        self.thread.start()

    def _watch(self):
        while not self.done:
            try:
                events = os.read(self.fd, 4096)
            except BlockingIOError:
                time.sleep(0.0001)
                continue
            while events:
                length = struct.unpack_from("<iIII", events)[3]
                name = events[16:16 + length].rstrip(b"\0").decode()
                events = events[16 + length:]
                try:
                    self.modes.append(stat.S_IMODE(os.lstat(os.path.join(self.folder, name)).st_mode))
                except FileNotFoundError:
                    pass

    def stop(self):
        self.done = True
        self.thread.join(timeout=10)
        os.close(self.fd)
        return self.modes


def replace_keeps(program, folder):
    """What a replace keeps of the old file: its access control list (and its mask apart from the
    owning group's bits), a user. attribute, and a mode that the new picture has from the first
    byte it holds; a group that cannot be kept takes its permissions with it."""
    place = os.path.join(folder, "keeps")
    os.mkdir(place)
    os.chmod(folder, 0o755)
    os.chmod(place, 0o777)
    path = os.path.join(place, "a.png")
    with open(path, "wb") as old:
        old.write(b"an earlier picture")
    os.chmod(path, 0o640)
    acl = acl_blob([(1, 6, 0xFFFFFFFF), (2, 6, 65534), (4, 4, 0xFFFFFFFF), (0x10, 6, 0xFFFFFFFF),
                    (0x20, 0, 0xFFFFFFFF)])  # u::rw- u:nobody:rw- g::r-- m::rw- o::---
    try:
        os.setxattr(path, "system.posix_acl_access", acl)
        os.setxattr(path, "user.note", b"hello")
    except OSError as error:
        print(f"skipped: a replace keeps ACLs and attributes (the file system takes none: {error})")
        return
    result = run(program, "--render", "xy", "--output", path)
    kept = (os.getxattr(path, "system.posix_acl_access"), os.getxattr(path, "user.note"),
            stat.S_IMODE(os.stat(path).st_mode))
    check(result.returncode == 0 and kept == (acl, b"hello", 0o660),
          f"a replace keeps the ACL (the group's r-- apart from the mask's rw-) and user.note "
          f"({result.returncode}, {kept!r})")

    secret = os.path.join(place, "secret.png")
    with open(secret, "wb") as old:
        old.write(b"an earlier picture")
    os.chmod(secret, 0o600)
    modes = []
    for _ in range(5):
        watch = CreationWatch(place)
        result = run(program, "--render", "3d", "--scale", "8", "--output", secret)
        modes += watch.stop()
    check(result.returncode == 0 and modes != [] and all(mode & 0o077 == 0 for mode in modes),
          f"the new picture of a file 0600 is readable by no one else while it is written "
          f"(modes seen {sorted(set(oct(mode) for mode in modes))})")

    if not ROOT:
        print("skipped: a group that cannot be kept (needs root)")
        return
    copy = copy_for_nobody(program, folder)
    if copy is None:
        return
    grouped = os.path.join(place, "grouped.png")
    with open(grouped, "wb") as old:
        old.write(b"an earlier picture")
    os.chown(grouped, 65534, 5678)  # nobody's, in a group nobody is not in
    os.chmod(grouped, 0o660)
    result = subprocess.run([copy, "--render", "xy", "--output", grouped], capture_output=True,
                            timeout=120, preexec_fn=as_nobody)
    status = os.stat(grouped)
    check(result.returncode == 0 and (status.st_uid, stat.S_IMODE(status.st_mode)) ==
          (65534, 0o600) and status.st_gid != 5678,
          f"a group that cannot be kept takes its bits with it: nobody:{status.st_gid} "
          f"{oct(stat.S_IMODE(status.st_mode))} ({result.stderr!r})")


def planted_link(program, folder):
    """Another user's link in a sticky folder that anyone may write, to a file of theirs, with the
    kernel's protection on: root is refused by the system, before any run, and the file is whole."""
    if not ROOT:
        print("skipped: a link planted in a sticky folder (needs root, to set "
              "fs.protected_symlinks and to be another user)")
        return
    setting = "/proc/sys/fs/protected_symlinks"
    try:
        with open(setting) as current:
            before = current.read().strip()
        with open(setting, "w") as protection:
            protection.write("1")
    except OSError as error:
        print(f"skipped: a link planted in a sticky folder (fs.protected_symlinks: {error})")
        return
    try:
        sticky = os.path.join(folder, "planted")
        os.mkdir(sticky)
        os.chmod(folder, 0o755)
        os.chmod(sticky, 0o1777)
        precious = os.path.join(folder, "precious")
        with open(precious, "wb") as file:
            file.write(b"precious")
        evil = os.path.join(sticky, "evil.png")
        subprocess.run(["ln", "-s", precious, evil], check=True, preexec_fn=as_nobody)
        status, shown = on_terminal(program, "--render", "3d", "--runs", "1000", "--output", evil)
        with open(precious, "rb") as file:
            whole = file.read() == b"precious"
        check(status == 1 and whole and shown == f"kestavon: cannot write {evil}: Permission denied\r\n",
              f"a planted link, followed by root with the protection on: refused by the system "
              f"before any run ({status}, {shown!r})")
    finally:
        with open(setting, "w") as protection:
            protection.write(before)


def early_refusals(program, folder):
    """What can be known before the runs is said before them: a standard output that is closed or
    open for reading only, a terminal whatever name reaches it, and the memory a picture needs."""
    started = time.monotonic()
    with open(os.devnull, "rb") as read_only:
        result = run(program, "--render", "3d", "--runs", "1000", "--output", "-", stdout=read_only)
    check(result.returncode == 1 and result.stderr.decode() ==
          "kestavon: cannot write to standard output: it is open for reading only\n",
          f"standard output open for reading only: refused before the runs ({result.stderr!r})")
    result = subprocess.run([program, "--render", "3d", "--runs", "1000", "--output", "-"],
                            stderr=subprocess.PIPE, timeout=60, preexec_fn=lambda: os.close(1))
    check(result.returncode == 1 and result.stderr.decode() ==
          "kestavon: cannot write to standard output: it is closed\n",
          f"standard output closed: refused before the runs ({result.stderr!r})")
    main, other = pty.openpty()
    terminal = os.ttyname(other)
    for name in (terminal, "/dev/stdout", "-"):
        result = subprocess.run([program, "--render", "3d", "--runs", "1000", "--output", name],
                                stdout=other, stderr=subprocess.PIPE, timeout=60)
        shown = "to standard output" if name == "-" else name
        check(result.returncode == 1 and result.stderr.decode() ==
              f"kestavon: cannot write {shown}: it is a terminal; redirect it to a file or a pipe\n",
              f"a terminal named {name}: refused ({result.stderr!r})")
    os.close(other)
    os.close(main)
    check(time.monotonic() - started < 20, "each refused before the first of its 1000 runs")
    # A pipe reached through /dev/fd, as a shell's >(...) names it.
    reading, writing = os.pipe()
    process = subprocess.Popen([program, "--render", "xy", "--output", f"/dev/fd/{writing}"],
                               pass_fds=(writing,), stderr=subprocess.PIPE)
    os.close(writing)
    with os.fdopen(reading, "rb") as pipe:
        received = pipe.read()
    check(process.wait(timeout=60) == 0 and received.startswith(PNG),
          "a pipe named /dev/fd/N takes the picture")

    def small():
        resource.setrlimit(resource.RLIMIT_AS, (110000 << 10, 110000 << 10))
    result = subprocess.run([program, "--seed", "3", "--render", "3d", "--runs", "6", "--scale",
                             "8", "--output", os.path.join(folder, "t.png")], capture_output=True,
                            timeout=120, preexec_fn=small)
    if b"Sanitizer" in result.stderr or b"ASan" in result.stderr:
        print("skipped: the memory message (the sanitizers need more address space)")
        return
    check(result.returncode == 1 and result.stderr.decode() ==
          "kestavon: not enough memory for a 4392 x 2984 picture\n",
          f"short of memory, said in words ({result.returncode}, {result.stderr!r})")


def closed_pipe(program):
    """A reader that takes 100 bytes and goes, as `| head -c 100`: the program ends quietly, by
    SIGPIPE once a write finds the pipe closed, whatever the picture's size."""
    for scale, statuses in (("1", (0, -signal.SIGPIPE)), ("8", (-signal.SIGPIPE,))):
        process = subprocess.Popen([program, "--render", "xy", "--scale", scale, "--output", "-"],
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        process.stdout.read(100)
        process.stdout.close()
        err = process.stderr.read()
        status = process.wait(timeout=120)
        check(status in statuses and err == b"",
              f"standard output closed after 100 bytes, scale {scale}: quiet ({status}, {err!r})")
    # --help is a filter's output too: a reader that has gone ends it by SIGPIPE, quietly.
    process = subprocess.Popen(["sh", "-c", 'sleep 0.3; exec "$0" --help', program],
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    process.stdout.close()
    err = process.stderr.read()
    status = process.wait(timeout=60)
    check(status == -signal.SIGPIPE and err == b"", f"--help into a closed pipe: SIGPIPE ({status})")


def on_terminal(program, *arguments, user=None):
    """Runs the program with standard error on a pseudo-terminal; returns status and what it got."""
    main, other = pty.openpty()
    process = subprocess.Popen([program, *arguments], stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=other, preexec_fn=user)
    os.close(other)
    received = b""
    while True:
        try:
            chunk = os.read(main, 4096)
        except OSError:  # EIO: the program has closed its side
            break
        if not chunk:
            break
        received += chunk
    os.close(main)
    return process.wait(timeout=120), received.decode()


def progress(program, folder):
    path = os.path.join(folder, "progress.png")
    status, shown = on_terminal(program, "--render", "3d", "--runs", "3", "--output", path)
    blank = "\r" + " " * len("run 3 of 3") + "\r"
    counts = [int(number) for number in re.findall(r"\rrun (\d) of 3", shown)]
    check(status == 0 and re.fullmatch(r"(\rrun \d of 3)+", shown[:-len(blank)]) is not None and
          shown.endswith("\rrun 3 of 3" + blank) and counts == sorted(set(counts)),
          f"on a terminal the runs finished are shown in place, counting up, and the line cleared "
          f"at the end ({shown!r})")
    status, shown = on_terminal(program, "--render", "xy", "--runs", "12", "--start", "1e6,0,0",
                                "--output", path)
    check(status == 1 and shown.startswith("kestavon: Run-time error"),
          f"no run finished before the error, whose line stands alone ({shown!r})")
    result = run(program, "--render", "3d", "--runs", "3", "--output", path)
    check(result.returncode == 0 and result.stderr == b"", "no progress when not on a terminal")
    # Ctrl+C in the middle: the line is cleared, and the program ends by the signal.
    main, other = pty.openpty()
    process = subprocess.Popen([program, "--render", "3d", "--runs", "200", "--output", path],
                               stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=other)
    os.close(other)
    shown = b""
    while b"run " not in shown:
        shown += os.read(main, 4096)
    process.send_signal(signal.SIGINT)
    while True:
        try:
            chunk = os.read(main, 4096)
        except OSError:
            break
        if not chunk:
            break
        shown += chunk
    os.close(main)
    check(process.wait(timeout=60) == -signal.SIGINT and
          shown.endswith(b"\r" + b" " * len("run 200 of 200") + b"\r"),
          f"Ctrl+C with the progress shown: the line cleared, ended by the signal ({shown[-40:]!r})")
    main, other = pty.openpty()
    result = subprocess.run([program, "--render", "xy", "--output", "-"], stdout=other,
                            stderr=subprocess.PIPE, timeout=60)
    os.close(other)
    os.close(main)
    check(result.returncode == 1 and result.stderr.decode() ==
          "kestavon: cannot write to standard output: it is a terminal; redirect it to a file or "
          "a pipe\n", f"no picture onto a terminal ({result.stderr!r})")


def batches(program, folder):
    """A batch drawn on every core the program may use against the same command line on one core
    (its affinity set to a single processor), which draws one run after another: the same file,
    byte for byte, and the same status and messages, for both views, several scales, a seed, a
    start, and a start that fails."""
    cores = os.sched_getaffinity(0)
    if len(cores) < 2:
        print("skipped: batches on several cores (this process may use one)")
        return
    one_core = lambda: os.sched_setaffinity(0, {min(cores)})  # noqa: E731
    for view, scale, *more in (("xy", "1", "--seed", "9", "--runs", "7"),
                               ("3d", "3", "--seed", "9", "--runs", "5"),
                               ("3d", "1", "--start", "0.5,0.25,0.125", "--runs", "3"),
                               ("xy", "2", "--start", "14,14,0", "--runs", "4")):
        outcomes = []
        for name, cpus in (("all.png", None), ("one.png", one_core)):
            path = os.path.join(folder, name)
            result = subprocess.run([program, "--render", view, "--scale", scale, *more, "--output",
                                     path], capture_output=True, timeout=120, preexec_fn=cpus)
            with open(path, "rb") as picture:
                outcomes.append((result.returncode, result.stderr.replace(name.encode(), b""),
                                 picture.read()))
        check(outcomes[0] == outcomes[1] and outcomes[0][2].startswith(PNG),
              f"--render {view} --scale {scale} {' '.join(more)}: on {len(cores)} cores as on one "
              f"(status {outcomes[0][0]}, {outcomes[0][1]!r})")
    short_of_memory(program, folder, one_core)


def short_of_memory(program, folder, one_core):
    """With the address space one core needs and little more, a batch on every core has no memory
    for a second canvas or thread: it draws what it cannot spread on the picture itself, and the
    file is the same."""
    path = os.path.join(folder, "limited.png")
    arguments = [program, "--render", "xy", "--runs", "2", "--seed", "3", "--scale", "8", "--output",
                 path]

    def render(limit, cpus=None):
        def limited():
            if cpus:
                cpus()
            resource.setrlimit(resource.RLIMIT_AS, (limit, limit))
        result = subprocess.run(arguments, capture_output=True, timeout=120, preexec_fn=limited)
        if result.returncode != 0:
            return None
        with open(path, "rb") as picture:
            return picture.read()
    low, high = 16 << 20, 2 << 30  # the smallest address space in which one core draws it
    if render(high, one_core) is None:
        print("skipped: a batch short of memory (the program needs more than 2 GiB of address "
              "space here, as under the sanitizers)")
        return
    while high - low > 4 << 20:
        middle = (low + high) // 2
        low, high = (low, middle) if render(middle, one_core) is not None else (middle, high)
    alone = render(high, one_core)
    spread = render(high + (16 << 20))
    check(alone is not None and spread == alone,
          f"every core in {high + (16 << 20) >> 20} MiB of address space, too little for a second "
          f"canvas: the picture of one core ({high >> 20} MiB)")


def interrupted(program, folder):
    """Ctrl+C in the middle of the runs: the program ends by the signal and leaves no file."""
    inside = os.path.join(folder, "interrupted")
    os.mkdir(inside)
    for delay in (0.3, 1.0):
        process = subprocess.Popen([program, "--render", "3d", "--runs", "1000", "--output",
                                    os.path.join(inside, "long.png")],
                                   stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        time.sleep(delay)
        process.send_signal(signal.SIGINT)
        _, err = process.communicate(timeout=60)
        check(process.returncode == -signal.SIGINT and os.listdir(inside) == [],
              f"Ctrl+C after {delay} s: ended by the signal, nothing written "
              f"({process.returncode}, {os.listdir(inside)}, {err!r})")


def no_display(program):
    base = {k: v for k, v in os.environ.items()
            if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "QT_SCALE_FACTOR")}
    for display, named in [(None, "DISPLAY is not set"), (":987", '":987"')]:
        env = dict(base) if display is None else dict(base, DISPLAY=display)
        result = run(program, "--seed", "1", env=env)
        lines = result.stderr.decode().splitlines()
        check(result.returncode == 1 and len(lines) == 1 and named in lines[0] and
              lines[0].startswith("kestavon: ") and "--render" in lines[0] and
              "xvfb-run" in lines[0],
              f"DISPLAY={display}: status 1, one line naming the display and --render "
              f"(status {result.returncode}, {lines})")
    # A platform the toolkit cannot start: its own lines, then the program's, and no abort.
    result = run(program, env=dict(base, QT_QPA_PLATFORM="nonesuch"))
    lines = result.stderr.decode().splitlines()
    check(result.returncode == 1 and lines != [] and
          all(line.startswith("kestavon: ") for line in lines) and
          lines[-1].startswith("kestavon: cannot start the window: "),
          f"QT_QPA_PLATFORM=nonesuch: status 1, every line from kestavon: "
          f"(status {result.returncode}, {lines})")


def main():
    program = sys.argv[1]
    with tempfile.TemporaryDirectory() as folder:
        command_lines(program, folder)
    with tempfile.TemporaryDirectory() as folder:
        seeds_and_locales(program, folder)
        run_time_error(program, folder)
        failed_write(program, folder)
        progress(program, folder)
        batches(program, folder)
        interrupted(program, folder)
    with tempfile.TemporaryDirectory() as folder:
        refused_before_runs(program, folder)
    with tempfile.TemporaryDirectory() as folder:
        replace_keeps(program, folder)
        planted_link(program, folder)
        early_refusals(program, folder)
    closed_pipe(program)
    no_display(program)
    print(f"{len(FAILURES)} failed")
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
