#!/usr/bin/env python3
"""Independent reference for whole pictures as `kestavon --render` makes them.

Written from the description of the program, not from its code: the axes drawn when the window
opens, then one run from a fixed start, 1,000,001 Runge-Kutta steps (the step of
tests/dynamics/reference_step.py), each state projected in the x-y plane view or the oblique view
and joined to the previous point by a one-pixel line. Arithmetic as the program prescribes it:
surface sizes and the twips-to-pixel division in single precision (each emulated by rounding an
exact double result to float32, which gives the correctly rounded float32 result for one
operation), everything else in double; coordinates rounded half to even; Bresenham lines with both
ends lit. The axes come from first principles: the column holding W/2 from top to bottom and the
row holding H/2 from left to right.

Prints one line a case: view, scale, start, the 64-bit FNV-1a hash of the picture (row by row,
each pixel 0xFFRRGGBB as four little-endian bytes) and the number of lit pixels. The lines are
pasted into tests/support/reference_pictures.h. Usage: python3 reference_render.py (about a minute)
"""

import math
import os
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "dynamics"))
from reference_step import step  # noqa: E402

PI = 3.141592654
VIEW_ANGLE = 120.0
BLACK, YELLOW, GREEN = 0xFF000000, 0xFFFFFF00, 0xFF00FF00
CASES = [(view, start, scale)
         for start in [(0.5, 0.25, 0.125), (-1.5, 2.25, 0.75)]
         for view in ("xy", "3d")
         for scale in (1, 2)]


def f32(value):
    return struct.unpack("<f", struct.pack("<f", value))[0]


def round_half_even(value):
    rounded = round(value)  # Python rounds floats half to even
    if not -32768 <= rounded <= 32767:
        raise OverflowError(f"{value!r} does not fit in 16 bits")
    return rounded


def render(view, start, scale):
    width, height = 549 * scale, 373 * scale
    twips = f32(15.0 / scale)               # twips per pixel
    w, h = f32(width * twips), f32(height * twips)   # ScaleWidth, ScaleHeight
    half_w, half_h = f32(w / 2), f32(h / 2)
    image = [BLACK] * (width * height)

    def pixel(t):
        return math.floor(f32(t / twips))

    # The axes: yellow, the vertical one first.
    column = pixel(half_w)
    for y in range(height):
        image[y * width + column] = YELLOW
    row = pixel(h - half_h)
    for x in range(width):
        image[row * width + x] = YELLOW

    sx = w / 30
    sy = h / 40 if view == "xy" else h / 60
    theta = PI - ((PI * VIEW_ANGLE) / 180)
    cos_t, sin_t = math.cos(theta), math.sin(theta)

    def project(x, y, z):
        if view == "xy":
            return round_half_even(half_w + x * sx), round_half_even(h - (half_h + y * sy))
        return (round_half_even((cos_t * x + y) * sx + half_w),
                round_half_even(h - ((sin_t * x + z) * sy + half_h)))

    def line(x0, y0, x1, y1):
        x0, y0, x1, y1 = pixel(x0), pixel(y0), pixel(x1), pixel(y1)
        for x, y in ((x0, y0), (x1, y1)):
            if not (0 <= x < width and 0 <= y < height):
                raise ValueError(f"point ({x}, {y}) off the picture: this reference does not clip")
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        step_x, step_y = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        error = dx + dy
        while True:
            image[y0 * width + x0] = GREEN
            if x0 == x1 and y0 == y1:
                return
            twice = 2 * error
            if twice >= dy:
                error += dy
                x0 += step_x
            if twice <= dx:
                error += dx
                y0 += step_y

    state = start
    previous = project(*state)
    t = 0.0
    while t <= 1000:
        state = step(*state)[0]
        point = project(*state)
        line(*previous, *point)
        previous = point
        t = t + 0.001
    return image


def fingerprint(image):
    hash_ = 0xCBF29CE484222325
    for value in image:
        for shift in (0, 8, 16, 24):
            hash_ ^= (value >> shift) & 0xFF
            hash_ = (hash_ * 0x100000001B3) & 0xFFFFFFFFFFFFFFFF
    return hash_, sum(1 for value in image if value != BLACK)


def main():
    for view, start, scale in CASES:
        hash_, lit = fingerprint(render(view, start, scale))
        x, y, z = start
        print(f'{{"{view}", {{{x!r}, {y!r}, {z!r}}}, {scale}, 0x{hash_:016X}u, {lit}}},')


if __name__ == "__main__":
    main()
