#!/usr/bin/env python3
"""Independent reference for the integration step, in plain Python doubles.

Python evaluates each binary operation in IEEE double precision with no fused multiply-add, so
writing the step in the prescribed order gives the exact doubles the C++ step must produce. The
output is pasted into runge_kutta_test.cpp as hex floats; tests/app/reference_render.py imports
the step. Usage: python3 reference_step.py
"""

H = 0.001


def fx(y, z):
    return -(y + z)


def fy(x, y):
    return y * 0.2 + x


def fz(x, z):
    return (x - 5.7) * z + 0.2


def step(x, y, z):
    kx0 = fx(y, z) * H
    ky0 = fy(x, y) * H
    kz0 = fz(x, z) * H
    kx1 = fx(ky0 / 2 + y, kz0 / 2 + z) * H
    ky1 = fy(kx0 / 2 + x, ky0 / 2 + y) * H
    kz1 = fz(kx0 / 2 + x, kz0 / 2 + z) * H
    kx2 = fx(ky1 / 2 + y, kz1 / 2 + z) * H
    ky2 = fy(kx1 / 2 + x, ky1 / 2 + y) * H
    kz2 = fz(kx1 / 2 + x, kz1 / 2 + z) * H
    kx3 = fx(y + ky2, z + kz2) * H
    ky3 = fy(x + kx2, y + ky2) * H
    kz3 = fz(x + kx2, z + kz2) * H
    nx = (((kx0 / 6 + x) + kx1 / 3) + kx2 / 3) + kx3 / 6
    ny = (((ky0 / 6 + y) + ky1 / 3) + ky2 / 3) + ky3 / 6
    nz = (((kz0 / 6 + z) + kz1 / 3) + kz2 / 3) + kz3 / 6
    return (nx, ny, nz), (kx0, kx1, kx2, kx3), (ky0, ky1, ky2, ky3), (kz0, kz1, kz2, kz3)


def show(label, values):
    print(label, ", ".join(v.hex() for v in values), "  #", ", ".join(repr(v) for v in values))


def main():
    # The third start makes subnormal slopes: flush-to-zero or denormals-are-zero would change them.
    for start in [(0.0, 0.0, 0.0), (1.0, 1.0, 1.0), (2.0**-1030, 2.0**-1035, 0.0)]:
        state, kx, ky, kz = step(*start)
        print("one step from", start)
        show("  state", state)
        show("  kx", kx)
        show("  ky", ky)
        show("  kz", kz)

    start = (0.5, 0.25, 0.125)
    state = start
    lo, hi = list(state), list(state)
    for n in range(1, 1_000_002):
        state = step(*state)[0]
        lo = [min(a, b) for a, b in zip(lo, state)]
        hi = [max(a, b) for a, b in zip(hi, state)]
        if n in (1000, 1_000_001):
            show(f"after {n} steps from {start}:", state)
    show("minimum", lo)
    show("maximum", hi)


if __name__ == "__main__":
    main()
