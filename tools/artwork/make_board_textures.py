#!/usr/bin/env python3
"""Draws the board textures that the built-in board schemes name into res/textures/: two woods in
their own colours (mahog.bmp, birdseye.bmp) and grey pictures that the board tints with a scheme's two
colours (marble, two speckled felts, leather, brushed copper, linen and concrete). Each is a seamless
128 x 128 tile, stored as an uncompressed 24-bit BMP. Standard library only, and the same bytes on
every run (fixed seeds).

    python3 tools/artwork/make_board_textures.py [output folder]
"""
import math
import os
import random
import struct
import sys

SIZE = 128


class Noise:
    """Tileable value noise: a lattice of random values, smoothly interpolated, wrapping at SIZE."""

    def __init__(self, seed, cells):
        rnd = random.Random(seed)
        self.cells = cells
        self.v = [[rnd.random() for _ in range(cells)] for _ in range(cells)]

    def at(self, x, y):
        c = self.cells
        fx, fy = x * c / SIZE, y * c / SIZE
        x0, y0 = int(math.floor(fx)), int(math.floor(fy))
        tx, ty = fx - x0, fy - y0
        sx, sy = tx * tx * (3 - 2 * tx), ty * ty * (3 - 2 * ty)
        a = self.v[y0 % c][x0 % c]
        b = self.v[y0 % c][(x0 + 1) % c]
        d = self.v[(y0 + 1) % c][x0 % c]
        e = self.v[(y0 + 1) % c][(x0 + 1) % c]
        top = a + (b - a) * sx
        bottom = d + (e - d) * sx
        return top + (bottom - top) * sy


def fractal(seed, octaves=4, base=4):
    layers = [Noise(seed * 31 + i, base << i) for i in range(octaves)]

    def f(x, y):
        total, weight, amp = 0.0, 0.0, 1.0
        for layer in layers:
            total += layer.at(x, y) * amp
            weight += amp
            amp *= 0.5
        return total / weight

    return f


def clamp(v):
    return max(0, min(255, int(round(v))))


def grey(v):
    g = clamp(v * 255)
    return (g, g, g)


def mix(c1, c2, t):
    return tuple(a + (b - a) * t for a, b in zip(c1, c2))


def wood(seed, light, dark, rings, knots):
    n = fractal(seed, 4, 4)
    fine = fractal(seed + 7, 2, 32)

    def px(x, y):
        # Rings run across the tile; noise bends them so the grain looks grown, not drawn.
        t = y / SIZE * rings + n(x, y) * 3.0
        ring = 0.5 + 0.5 * math.sin(2 * math.pi * t)
        ring = ring ** 3
        streak = fine(x, y) * 0.25
        if knots:
            # Bird's-eye figure: small dark dots with a light rim.
            k = knots(x, y)
            ring = ring * (1 - k) + k
        return tuple(clamp(c) for c in mix(light, dark, min(1.0, ring * 0.8 + streak)))

    return px


def birdseye_spots(seed):
    rnd = random.Random(seed)
    spots = [(rnd.uniform(0, SIZE), rnd.uniform(0, SIZE), rnd.uniform(1.2, 2.4)) for _ in range(14)]

    def k(x, y):
        best = 0.0
        for sx, sy, r in spots:
            dx = min(abs(x - sx), SIZE - abs(x - sx))
            dy = min(abs(y - sy), SIZE - abs(y - sy))
            d = math.hypot(dx, dy * 1.6)
            if d < r:
                best = max(best, 1 - d / r)
        return best

    return k


def marble(seed):
    n = fractal(seed, 5, 4)

    def px(x, y):
        t = (x + y) / SIZE * 2 * math.pi * 2 + n(x, y) * 9.0
        vein = abs(math.sin(t)) ** 0.35
        return grey(0.35 + 0.65 * vein)

    return px


def speckle(seed, density, base):
    n = fractal(seed, 3, 8)
    rnd = random.Random(seed)
    dots = [[rnd.random() for _ in range(SIZE)] for _ in range(SIZE)]

    def px(x, y):
        v = base + (n(x, y) - 0.5) * 0.35
        d = dots[y][x]
        if d < density:
            v -= 0.35
        elif d > 1 - density:
            v += 0.25
        return grey(min(1.0, max(0.0, v)))

    return px


def leather(seed):
    cells = fractal(seed, 2, 16)
    fine = fractal(seed + 3, 2, 32)

    def px(x, y):
        c = cells(x, y)
        crease = 1 - min(1.0, abs(c - 0.5) * 9)  # thin dark lines where the cells meet
        v = 0.72 + (fine(x, y) - 0.5) * 0.25 - crease * 0.35
        return grey(v)

    return px


def brushed(seed):
    rnd = random.Random(seed)
    rows = [rnd.random() for _ in range(SIZE)]
    n = fractal(seed, 3, 4)

    def px(x, y):
        # Long horizontal strokes, with a slow sheen across the tile.
        stroke = (rows[y] + rows[(y + 1) % SIZE] + rows[(y - 1) % SIZE]) / 3
        sheen = 0.5 + 0.5 * math.sin(2 * math.pi * x / SIZE)
        return grey(0.45 + 0.25 * stroke + 0.2 * sheen + (n(x, y) - 0.5) * 0.1)

    return px


def linen(seed):
    n = fractal(seed, 2, 32)

    def px(x, y):
        warp = 0.5 + 0.5 * math.sin(2 * math.pi * x / 4)
        weft = 0.5 + 0.5 * math.sin(2 * math.pi * y / 4)
        v = 0.7 + 0.12 * (warp if (x // 4 + y // 4) % 2 else weft) + (n(x, y) - 0.5) * 0.15
        return grey(v)

    return px


def concrete(seed):
    n = fractal(seed, 5, 8)
    rnd = random.Random(seed)
    pits = {(rnd.randrange(SIZE), rnd.randrange(SIZE)) for _ in range(160)}

    def px(x, y):
        v = 0.55 + (n(x, y) - 0.5) * 0.5
        if (x, y) in pits:
            v -= 0.3
        return grey(v)

    return px


def write_bmp(path, px):
    row_bytes = SIZE * 3
    pad = (4 - row_bytes % 4) % 4
    data = bytearray()
    for y in range(SIZE - 1, -1, -1):  # bottom row first
        for x in range(SIZE):
            r, g, b = px(x, y)
            data += bytes((b, g, r))
        data += b"\0" * pad
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


TEXTURES = {
    "mahog.bmp": wood(11, (150, 70, 40), (70, 24, 14), 7, None),
    "birdseye.bmp": wood(12, (226, 190, 130), (170, 120, 70), 5, birdseye_spots(12)),
    "marble.bmp": marble(13),
    "FELSOM1.BMP": speckle(14, 0.06, 0.62),
    "FELSOM3.BMP": speckle(15, 0.12, 0.7),
    "leather256.bmp": leather(16),
    "Copper256.bmp": brushed(17),
    "Linen256.bmp": linen(18),
    "Concrete256.bmp": concrete(19),
}


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "..", "res", "textures")
    os.makedirs(out, exist_ok=True)
    for name, px in TEXTURES.items():
        write_bmp(os.path.join(out, name), px)


if __name__ == "__main__":
    main()
