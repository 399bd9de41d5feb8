#!/usr/bin/env python3
"""Draws res/Splash.bmp, the picture at the top of the about box: a strip of a backgammon board
(points along both edges, a few checkers) on green felt. Standard library only."""
import math
import struct
import sys

W, H = 400, 120
FELT_TOP, FELT_BOTTOM = (28, 92, 60), (14, 58, 36)
POINT_A, POINT_B = (236, 224, 196), (140, 34, 40)
FRAME = (92, 58, 30)
WHITE, BLACK = (246, 242, 232), (30, 30, 34)


def blend(a, b, t):
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


def render():
    px = [[blend(FELT_TOP, FELT_BOTTOM, y / (H - 1)) for x in range(W)] for y in range(H)]
    frame = 8
    points = 12
    pw = (W - 2 * frame) / points
    ph = (H - 2 * frame) * 0.42
    for i in range(points):
        left = frame + i * pw
        for top, colour in ((True, POINT_A if i % 2 == 0 else POINT_B), (False, POINT_B if i % 2 == 0 else POINT_A)):
            for dy in range(int(ph)):
                half = (pw / 2) * (1 - dy / ph)
                cx = left + pw / 2
                y = frame + dy if top else H - frame - 1 - dy
                for x in range(int(cx - half), int(math.ceil(cx + half))):
                    if frame <= x < W - frame:
                        # soft edge
                        edge = min(x - (cx - half), (cx + half) - x)
                        t = max(0.0, min(1.0, edge))
                        px[y][x] = blend(px[y][x], colour, t)
    r = pw * 0.42

    def checker(cx, cy, colour, rim):
        for y in range(int(cy - r - 1), int(cy + r + 2)):
            for x in range(int(cx - r - 1), int(cx + r + 2)):
                if 0 <= x < W and 0 <= y < H:
                    d = math.hypot(x - cx, y - cy)
                    if d <= r + 0.5:
                        t = max(0.0, min(1.0, r + 0.5 - d))
                        c = rim if d > r - 2 else colour
                        if d < r * 0.55 and d > r * 0.45:
                            c = rim
                        px[y][x] = blend(px[y][x], c, t)

    for i, n, colour, rim, top in ((0, 2, WHITE, (180, 170, 150), True), (5, 3, BLACK, (90, 90, 96), True),
                                   (7, 3, WHITE, (180, 170, 150), False), (11, 2, BLACK, (90, 90, 96), False)):
        cx = frame + i * pw + pw / 2
        for k in range(n):
            cy = frame + r + 1 + k * 2 * r if top else H - frame - r - 2 - k * 2 * r
            checker(cx, cy, colour, rim)
    for y in range(H):
        for x in range(W):
            if x < frame or x >= W - frame or y < frame or y >= H - frame:
                shade = 0.85 + 0.15 * math.sin((x + y * 3) / 7.0)
                px[y][x] = tuple(int(c * shade) for c in FRAME)
    return px


def write_bmp(path, px):
    row = (W * 3 + 3) & ~3
    data = bytearray()
    for y in range(H - 1, -1, -1):
        line = bytearray()
        for (r, g, b) in px[y]:
            line += bytes((b, g, r))
        line += b"\0" * (row - W * 3)
        data += line
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


if __name__ == "__main__":
    write_bmp(sys.argv[1] if len(sys.argv) > 1 else "res/Splash.bmp", render())
