"""The real program in a real X server: what the end-to-end test and the click-to-picture
benchmark share. Starts Xvfb, finds the window, and clicks and reads pixels through a direct X
connection (XTest and XGetImage), far quicker than starting a program for each.
"""

import ctypes
import os
import select
import subprocess
import sys
import time

SKIPPED = 77
CAPTION = "Kestavon Ocsillator"
CLIENT_SIZE = (619, 478)
PLOT_AREA = (34, 18, 549, 373)  # picGraph's inner area in the window: x, y, width, height
START = "0.5,0.25,0.125"
BUTTON_XY_CENTRE = (208 + 121 // 2, 416 + 41 // 2)
BLACK, YELLOW, GREEN = (0, 0, 0), (255, 255, 0), (0, 255, 0)
DEADLINE = 30.0  # seconds to wait for something that should happen well within one


class Failure(Exception):
    pass


def run(*command, env):
    return subprocess.run(command, env=env, check=True, capture_output=True, text=True,
                          timeout=DEADLINE).stdout


def wait_for(what, probe):
    """Polls probe() until it returns a true value; fails after DEADLINE seconds."""
    end = time.monotonic() + DEADLINE
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > end:
            raise Failure(f"timed out waiting for {what}")
        time.sleep(0.05)


def exit_with(main):
    """Runs a test's main and exits with its status; a Failure or a command that failed is one
    line on standard error and status 1."""
    try:
        sys.exit(main())
    except (Failure, subprocess.SubprocessError) as error:
        print(f"FAILED: {error}", file=sys.stderr)
        sys.exit(1)


def start_xvfb():
    """Starts Xvfb on a display number it picks itself (-displayfd): no clash with a running one.
    The screen holds the window at ratio 3. Without -noreset the server resets when its last
    client leaves (a program ended by Alt+X) and, on a loaded machine, refuses the next program
    while it does."""
    read_end, write_end = os.pipe()
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "2048x1536x24", "-nolisten", "tcp",
         "-noreset"],
        pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    number = b""
    while not number.endswith(b"\n"):
        ready, _, _ = select.select([read_end], [], [], DEADLINE)
        chunk = os.read(read_end, 16) if ready else b""
        if not chunk:
            server.kill()
            raise Failure("Xvfb did not start")
        number += chunk
    os.close(read_end)
    return server, ":" + number.decode().strip()


def stop(program):
    """Kills a program that has not ended (a failed step left it running)."""
    if program is not None and program.poll() is None:
        program.kill()
        program.wait()


def find_window(program, env):
    if program.poll() is not None:
        raise Failure(f"the program ended with status {program.returncode} before its window showed")
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{CAPTION}$"],
                           env=env, capture_output=True, text=True, timeout=DEADLINE).stdout.split()
    return found[0] if found else None


def read_ppm(ppm):
    """Width, height and RGB bytes of a binary PPM (P6, maxval 255)."""
    fields, offset = [], 0
    while len(fields) < 4:  # P6 width height maxval, separated by single whitespace
        start = offset
        while ppm[offset:offset + 1] not in b" \t\r\n":
            offset += 1
        fields.append(ppm[start:offset])
        offset += 1
    return int(fields[1]), int(fields[2]), ppm[offset:]


class XProbe:
    """A direct X connection for timing: clicks through XTest and reads the plot area's pixels
    with XGetImage, both far quicker than starting a program for each."""

    class XImage(ctypes.Structure):
        _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                    ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_char)),
                    ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                    ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                    ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                    ("bits_per_pixel", ctypes.c_int), ("red_mask", ctypes.c_ulong),
                    ("green_mask", ctypes.c_ulong), ("blue_mask", ctypes.c_ulong),
                    ("obdata", ctypes.c_void_p), ("destroy_image", ctypes.c_void_p)]

    def __init__(self, display):
        self.xlib = ctypes.CDLL("libX11.so.6")
        self.xtst = ctypes.CDLL("libXtst.so.6")
        self.xlib.XOpenDisplay.restype = ctypes.c_void_p
        self.xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.xlib.XGetImage.restype = ctypes.POINTER(self.XImage)
        self.xlib.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int,
                                        ctypes.c_int, ctypes.c_uint, ctypes.c_uint,
                                        ctypes.c_ulong, ctypes.c_int]
        self.xlib.XFlush.argtypes = [ctypes.c_void_p]
        self.xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.xtst.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                                   ctypes.c_ulong]
        self.display = self.xlib.XOpenDisplay(display.encode())
        if not self.display:
            raise Failure("cannot open the X display for timing")

    def click(self):
        self.xtst.XTestFakeButtonEvent(self.display, 1, 1, 0)
        self.xtst.XTestFakeButtonEvent(self.display, 1, 0, 0)
        self.xlib.XFlush(self.display)

    def plot_has_green(self, window):
        x, y, width, height = PLOT_AREA
        image = self.xlib.XGetImage(self.display, window, x, y, width, height, 0xFFFFFF, 2)
        if not image:
            raise Failure("XGetImage failed")
        try:
            info = image.contents
            if info.bits_per_pixel != 32:
                raise Failure(f"unexpected {info.bits_per_pixel} bits per pixel")
            data = ctypes.string_at(info.data, info.bytes_per_line * info.height)
        finally:
            ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p)(image.contents.destroy_image)(image)
        # Pixels are blue, green, red, pad: pure green starts with 00 FF 00 on a 4-byte boundary.
        at = data.find(b"\x00\xff\x00")
        while at >= 0:
            if at % 4 == 0:
                return True
            at = data.find(b"\x00\xff\x00", at + 1)
        return False

    def close(self):
        self.xlib.XCloseDisplay(self.display)
