#!/usr/bin/env python3
# Makes the default background picture ngc3132a.jpg: a synthetic planetary nebula (a bright
# central star inside a turbulent shell, blue within and red at its rim) over a field of
# stars. Deterministic: the same file every run. Needs python3 and cjpeg (libjpeg-turbo-progs).
#   data/make-background.py [output.jpg]
import math
import os
import random
import subprocess
import sys
import tempfile

SIZE = 1024
rng = random.Random(3132)


def value_noise(cells):
    """A smooth random field over the picture, from a (cells+1)^2 grid of random values."""
    grid = [[rng.random() for _ in range(cells + 1)] for _ in range(cells + 1)]

    def at(x, y):
        gx, gy = x * cells, y * cells
        ix, iy = min(int(gx), cells - 1), min(int(gy), cells - 1)
        fx, fy = gx - ix, gy - iy
        fx, fy = fx * fx * (3 - 2 * fx), fy * fy * (3 - 2 * fy)
        top = grid[iy][ix] * (1 - fx) + grid[iy][ix + 1] * fx
        bottom = grid[iy + 1][ix] * (1 - fx) + grid[iy + 1][ix + 1] * fx
        return top * (1 - fy) + bottom * fy

    return at


octaves = [(value_noise(cells), weight) for cells, weight in ((6, 0.5), (13, 0.25), (29, 0.15), (61, 0.1))]


def turbulence(x, y):
    return sum(noise(x, y) * weight for noise, weight in octaves)


stars = [(rng.random() * SIZE, rng.random() * SIZE, rng.random() ** 6 * 2.5 + 0.15,
          rng.choice(((1.0, 0.9, 0.8), (0.8, 0.9, 1.0), (1.0, 1.0, 1.0))))
         for _ in range(700)]
# Stars by row band, so each pixel looks only at the few near it.
bands = [[] for _ in range(SIZE // 16 + 1)]
for star in stars:
    for band in range(max(0, int(star[1] - 6) // 16), min(len(bands) - 1, int(star[1] + 6) // 16) + 1):
        bands[band].append(star)

angle = math.radians(28)
cos_a, sin_a = math.cos(angle), math.sin(angle)
rows = []
for py in range(SIZE):
    row = bytearray()
    near_stars = bands[py // 16]
    for px in range(SIZE):
        x, y = px / SIZE, py / SIZE
        dx, dy = x - 0.5, y - 0.5
        u, v = dx * cos_a + dy * sin_a, -dx * sin_a + dy * cos_a
        t = turbulence(x, y)
        r = math.hypot(u / 0.30, v / 0.23) * (0.85 + 0.3 * t)
        shell = math.exp(-((r - 0.78) / 0.16) ** 2) * (0.55 + 0.9 * t)
        inner = math.exp(-(r / 0.55) ** 2) * (0.35 + 0.6 * t)
        rim = math.exp(-((r - 0.98) / 0.09) ** 2) * (0.3 + 1.2 * t)
        halo = math.exp(-(r / 1.6) ** 2) * 0.12 * t
        core = math.exp(-(math.hypot(dx, dy) / 0.006) ** 2) * 4.0 + math.exp(-(math.hypot(dx, dy) / 0.03) ** 2) * 0.5
        red = 0.02 + shell * 0.55 + inner * 0.15 + rim * 1.1 + halo * 0.9 + core
        green = 0.02 + shell * 0.50 + inner * 0.55 + rim * 0.35 + halo * 0.3 + core
        blue = 0.05 + shell * 0.75 + inner * 0.95 + rim * 0.15 + halo * 0.5 + core
        for sx, sy, brightness, tint in near_stars:
            d2 = (px - sx) ** 2 + (py - sy) ** 2
            if d2 < 36:
                glow = brightness * math.exp(-d2 / (0.8 + brightness))
                red, green, blue = red + glow * tint[0], green + glow * tint[1], blue + glow * tint[2]
        row += bytes(min(255, int(255 * (1 - math.exp(-1.6 * c)))) for c in (red, green, blue))
    rows.append(bytes(row))

output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "ngc3132a.jpg")
with tempfile.NamedTemporaryFile(suffix=".ppm") as ppm:
    ppm.write(b"P6\n%d %d\n255\n" % (SIZE, SIZE))
    ppm.write(b"".join(rows))
    ppm.flush()
    with open(output, "wb") as jpeg:
        subprocess.run(["cjpeg", "-quality", "85", "-optimize", ppm.name], stdout=jpeg, check=True)
