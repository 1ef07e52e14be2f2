#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets (fuzz/corpus/<target>/<name>); see the layout at
the top of each target's source. Run from anywhere: python3 fuzz/make_seeds.py"""

import math
import pathlib
import struct

HERE = pathlib.Path(__file__).resolve().parent
INF, NAN = math.inf, math.nan
FMAX = 3.4028234663852886e38
SNAN32_BITS = 0x7FA00000  # a signalling NaN; Python floats would quiet it, so it goes in as bits


def segment(x1, y1, x2, y2, colour=0x00FF00):
    return struct.pack("<ffffI", x1, y1, x2, y2, colour)


CANVAS = {
    # the window's own canvas shape at 15 twips per pixel, short segments inside
    "inside": struct.pack("<BBfBB", 96, 64, 15.0, 0, 0)
    + segment(150, 75, 150, 75)
    + segment(15, 15, 1400, 900)
    + segment(1400, 15, 15, 900, 0xFFFF00),
    # far ends, infinities and NaN
    "far_and_nonfinite": struct.pack("<BBfBB", 30, 20, 15.0, 0, 0)
    + segment(-FMAX, 37, FMAX, 37)
    + segment(-1e30, -1e30, 1e30, 1e30)
    + segment(NAN, 10, 100, 100)
    + segment(-INF, 10, INF, 10),
    # clipped at each border
    "clipped": struct.pack("<BBfBB", 40, 40, 15.0, 0, 0)
    + segment(-604.5, -150, 768, 525)
    + segment(300, -900, 300, 1500)
    + segment(-900, 300, 1500, 300),
    # a high-density scale and a bad scale that the canvas must refuse
    "fine_scale": struct.pack("<BBfBB", 80, 50, 7.5, 0, 0) + segment(0, 0, 8235, 5595),
    # the window's canvas at ratio 1.25, half a pixel into the screen's grid, as whole twips
    "shifted": struct.pack("<BBfBB", 96, 64, 12.0, 128, 128) + segment(60, 60, 61, 75)
    + segment(0, 0, 1100, 700),
    "bad_scale": struct.pack("<BBfBB", 10, 10, -1.0, 0, 0) + segment(0, 0, 150, 150),
    "empty_canvas": struct.pack("<BBfBB", 0, 5, 15.0, 0, 0) + segment(0, 0, 100, 100),
}


def projection(value, width, height, state, sx, sy, pi=3.141592654, view_angle=120.0, options=0,
               width_bits=None):
    """`width_bits`, when given, replaces `width` by the float with that bit pattern."""
    width_bytes = struct.pack("<f", width) if width_bits is None else struct.pack("<I", width_bits)
    return (struct.pack("<d", value) + width_bytes
            + struct.pack("<f7dB", height, *state, sx, sy, pi, view_angle, options))


PROJECTION = {
    # the program's own figures: the 549 x 373 canvas, sx = W / 30, sy = H / 40
    "program": projection(2.5, 8235, 5595, (0.5, 0.25, 0.75), 274.5, 139.875),
    "program_oblique_stale_flags": projection(-2.5, 8235, 5595, (8.3, -4.1, 0.02), 274.5, 93.25,
                                              options=1),
    "range_edges": projection(32767.5, 60000, 5595, (1.5, 0, 0), 1000, 1000),
    "overflow": projection(-32768.5, 8235, 5595, (1e300, 1e300, 1e300), 1e10, 1e10),
    "nonfinite": projection(NAN, INF, NAN, (INF, -INF, NAN), INF, 0, INF, 0),
    "signalling_nan_size": projection(1e10, 0.0, 5595, (0, 0, 0), 1, 1, 1e308, 1e10,
                                      width_bits=SNAN32_BITS),
}


def main():
    for target, seeds in (("canvas_line_fuzz", CANVAS), ("projection_fuzz", PROJECTION)):
        folder = HERE / "corpus" / target
        folder.mkdir(parents=True, exist_ok=True)
        for name, data in seeds.items():
            (folder / name).write_bytes(data)


if __name__ == "__main__":
    main()
