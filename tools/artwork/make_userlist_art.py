#!/usr/bin/env python3
"""Draws the pictures of the player lists into res/bitmaps/: the tool bar strips (TBMatchBoard.png
and its greyed TBMatchBoardX.png, 24 images of 32 x 32), the status icons (12 x 12) and the
watermarks (coverage masks the list tints), and the picture the development server shows for every
player. Standard library only: a small anti-aliased rasteriser
(4 x 4 samples a pixel) and a PNG writer.

    python3 tools/artwork/make_userlist_art.py [output folder]
"""
import math
import os
import struct
import sys
import zlib

SS = 4  # samples per pixel along each axis


class Canvas:
    def __init__(self, w, h):
        self.w, self.h = w, h
        # premultiplied RGBA floats 0..1
        self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(w * h)]

    def paint(self, inside, bbox, colour, alpha=1.0):
        """Composites colour over the pixels, weighted by the share of samples inside the shape."""
        x0, y0, x1, y1 = bbox
        x0, y0 = max(0, int(math.floor(x0)) - 1), max(0, int(math.floor(y0)) - 1)
        x1, y1 = min(self.w, int(math.ceil(x1)) + 1), min(self.h, int(math.ceil(y1)) + 1)
        r, g, b = (c / 255.0 for c in colour)
        for y in range(y0, y1):
            for x in range(x0, x1):
                hits = 0
                for sy in range(SS):
                    for sx in range(SS):
                        if inside(x + (sx + 0.5) / SS, y + (sy + 0.5) / SS):
                            hits += 1
                if not hits:
                    continue
                a = alpha * hits / (SS * SS)
                p = self.px[y * self.w + x]
                p[0] = r * a + p[0] * (1 - a)
                p[1] = g * a + p[1] * (1 - a)
                p[2] = b * a + p[2] * (1 - a)
                p[3] = a + p[3] * (1 - a)

    def rgba_rows(self):
        rows = []
        for y in range(self.h):
            row = bytearray()
            for x in range(self.w):
                r, g, b, a = self.px[y * self.w + x]
                if a > 0:
                    row += bytes((round(min(1, r / a) * 255), round(min(1, g / a) * 255),
                                  round(min(1, b / a) * 255), round(a * 255)))
                else:
                    row += b"\0\0\0\0"
            rows.append(bytes(row))
        return rows


def write_png(path, w, h, rows):
    raw = b"".join(b"\0" + row for row in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


# ---- shapes: (inside(x, y), bbox)

def circle(cx, cy, r):
    return (lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r), (cx - r, cy - r, cx + r, cy + r)


def ring(cx, cy, r0, r1):
    return (lambda x, y: r0 * r0 <= (x - cx) ** 2 + (y - cy) ** 2 <= r1 * r1), (cx - r1, cy - r1, cx + r1, cy + r1)


def ellipse(cx, cy, rx, ry):
    return (lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1), (cx - rx, cy - ry, cx + rx, cy + ry)


def polygon(points):
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]

    def inside(x, y):
        hit = False
        j = len(points) - 1
        for i in range(len(points)):
            xi, yi = points[i]
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                hit = not hit
            j = i
        return hit

    return inside, (min(xs), min(ys), max(xs), max(ys))


def segment(x0, y0, x1, y1, width):
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy or 1e-9
    half = width / 2.0

    def inside(x, y):
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / length2))
        px, py = x0 + t * dx - x, y0 + t * dy - y
        return px * px + py * py <= half * half

    return inside, (min(x0, x1) - half, min(y0, y1) - half, max(x0, x1) + half, max(y0, y1) + half)


def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r

    return inside, (x0, y0, x1, y1)


def union(*shapes):
    bbox = (min(s[1][0] for s in shapes), min(s[1][1] for s in shapes),
            max(s[1][2] for s in shapes), max(s[1][3] for s in shapes))
    return (lambda x, y: any(s[0](x, y) for s in shapes)), bbox


def minus(a, b):
    return (lambda x, y: a[0](x, y) and not b[0](x, y)), a[1]


def moved(shape, dx, dy):
    inside, (x0, y0, x1, y1) = shape
    return (lambda x, y: inside(x - dx, y - dy)), (x0 + dx, y0 + dy, x1 + dx, y1 + dy)


def outlined(canvas, outline_shape, fill_shape, fill, edge=(40, 44, 52)):
    canvas.paint(*outline_shape, edge)
    canvas.paint(*fill_shape, fill)


# ---- palette
INK = (40, 44, 52)
WHITE = (255, 255, 255)
BLUE = (52, 120, 206)
LIGHT_BLUE = (120, 176, 236)
GREEN = (46, 160, 76)
RED = (206, 52, 52)
AMBER = (236, 168, 40)
SKIN = (238, 196, 150)
SHIRT = (70, 110, 180)
GREY = (150, 156, 166)
CREAM = (246, 236, 210)
BROWN = (140, 86, 44)
PURPLE = (130, 80, 170)


# ---- pieces of tool bar images (cell origin ox, 32 x 32)

def person(c, ox, cx, cy, s=1.0, shirt=SHIRT):
    outlined(c, moved(ellipse(cx, cy + 9 * s, 9.2 * s, 8.2 * s), ox, 0),
             moved(ellipse(cx, cy + 9 * s, 8.0 * s, 7.0 * s), ox, 0), shirt)
    outlined(c, moved(circle(cx, cy - 2 * s, 5.6 * s), ox, 0), moved(circle(cx, cy - 2 * s, 4.5 * s), ox, 0), SKIN)


def bubble(c, ox, x0, y0, x1, y1, fill, tail_left=True):
    tx = x0 + 5 if tail_left else x1 - 5
    tail = polygon([(tx - 3, y1 - 1), (tx + 3, y1 - 1), (tx - 4 if tail_left else tx + 4, y1 + 6)])
    tail_out = polygon([(tx - 4.5, y1 - 1), (tx + 4.5, y1 - 1), (tx - 5 if tail_left else tx + 5, y1 + 7.6)])
    c.paint(*moved(union(rounded_rect(x0 - 1, y0 - 1, x1 + 1, y1 + 1, 6), tail_out), ox, 0), INK)
    c.paint(*moved(union(rounded_rect(x0, y0, x1, y1, 5), tail), ox, 0), fill)


def slash(c, ox):
    c.paint(*moved(segment(6, 26, 26, 6, 5.2), ox, 0), WHITE)
    c.paint(*moved(segment(6, 26, 26, 6, 3.2), ox, 0), RED)


def badge(c, ox, cx, cy, fill, plus):
    outlined(c, moved(circle(cx, cy, 6.2), ox, 0), moved(circle(cx, cy, 5.1), ox, 0), fill)
    c.paint(*moved(segment(cx - 3, cy, cx + 3, cy, 2), ox, 0), WHITE)
    if plus:
        c.paint(*moved(segment(cx, cy - 3, cx, cy + 3, 2), ox, 0), WHITE)


def eye(c, ox, cx, cy, iris=BLUE):
    almond = lambda w: (lambda x, y: abs(y - cy) <= w * (1 - ((x - cx) / 13.5) ** 2) if abs(x - cx) <= 13.5 else False,
                        (cx - 14, cy - w, cx + 14, cy + w))
    c.paint(*moved(almond(9.5), ox, 0), INK)
    c.paint(*moved(almond(8.0), ox, 0), WHITE)
    c.paint(*moved(circle(cx, cy, 5.2), ox, 0), iris)
    c.paint(*moved(circle(cx, cy, 2.4), ox, 0), INK)
    c.paint(*moved(circle(cx - 1.6, cy - 1.8, 1.1), ox, 0), WHITE)


def checker(c, ox, cx, cy, r, fill, rim):
    outlined(c, moved(circle(cx, cy, r + 1.1), ox, 0), moved(circle(cx, cy, r), ox, 0), fill)
    c.paint(*moved(ring(cx, cy, r * 0.55, r * 0.68), ox, 0), rim)


def die(c, ox, x0, y0, size, pips):
    outlined(c, moved(rounded_rect(x0 - 1, y0 - 1, x0 + size + 1, y0 + size + 1, 3.6), ox, 0),
             moved(rounded_rect(x0, y0, x0 + size, y0 + size, 2.8), ox, 0), WHITE)
    spots = {1: [(0.5, 0.5)], 2: [(0.27, 0.27), (0.73, 0.73)], 3: [(0.25, 0.25), (0.5, 0.5), (0.75, 0.75)],
             4: [(0.27, 0.27), (0.73, 0.27), (0.27, 0.73), (0.73, 0.73)],
             5: [(0.25, 0.25), (0.75, 0.25), (0.5, 0.5), (0.25, 0.75), (0.75, 0.75)],
             6: [(0.27, 0.22), (0.73, 0.22), (0.27, 0.5), (0.73, 0.5), (0.27, 0.78), (0.73, 0.78)]}[pips]
    for fx, fy in spots:
        c.paint(*moved(circle(x0 + fx * size, y0 + fy * size, size * 0.09 + 0.4), ox, 0), INK)


def envelope(c, ox, fill=CREAM):
    outlined(c, moved(rounded_rect(3, 8, 29, 25, 2), ox, 0), moved(rounded_rect(4.2, 9.2, 27.8, 23.8, 1.4), ox, 0), fill)
    c.paint(*moved(segment(5, 10, 16, 18, 1.6), ox, 0), INK)
    c.paint(*moved(segment(27, 10, 16, 18, 1.6), ox, 0), INK)


def draw_toolbar(c, i):
    ox = 32 * i
    if i == 0:  # players
        person(c, ox, 11, 12, 0.85, shirt=GREEN)
        person(c, ox, 20, 13, 1.0)
    elif i == 1:  # talk
        bubble(c, ox, 4, 5, 28, 21, LIGHT_BLUE)
        for x in (10, 16, 22):
            c.paint(*moved(circle(x, 13, 1.8), ox, 0), INK)
    elif i == 2:  # player information
        outlined(c, moved(circle(16, 16, 13), ox, 0), moved(circle(16, 16, 11.8), ox, 0), BLUE)
        c.paint(*moved(circle(16, 9.5, 2.2), ox, 0), WHITE)
        c.paint(*moved(rounded_rect(14.2, 13, 17.8, 24, 1.2), ox, 0), WHITE)
    elif i == 3:  # proposition: a corner of a board with checkers
        outlined(c, moved(rounded_rect(3, 4, 29, 28, 2), ox, 0), moved(rounded_rect(4, 5, 28, 27, 1.5), ox, 0),
                 (44, 110, 70))
        for k, colour in enumerate((CREAM, (170, 50, 50), CREAM)):
            x = 6 + k * 7.5
            c.paint(*moved(polygon([(x, 5), (x + 7, 5), (x + 3.5, 17)]), ox, 0), colour)
        checker(c, ox, 12, 22, 4, WHITE, GREY)
        checker(c, ox, 21, 22, 4, INK, GREY)
    elif i == 4:  # resume
        outlined(c, moved(circle(16, 16, 13), ox, 0), moved(circle(16, 16, 11.8), ox, 0), GREEN)
        c.paint(*moved(polygon([(12, 9), (24, 16), (12, 23)]), ox, 0), WHITE)
    elif i == 5:  # friend
        person(c, ox, 13, 12)
        heart = union(circle(22.5, 20, 3.6), circle(28.5, 20, 3.6), polygon([(19.1, 21.3), (31.9, 21.3), (25.5, 29)]))
        heart_out = union(circle(22.5, 20, 4.7), circle(28.5, 20, 4.7), polygon([(18, 21.6), (33, 21.6), (25.5, 30.6)]))
        c.paint(*moved(heart_out, ox - 1, 0), INK)
        c.paint(*moved(heart, ox - 1, 0), RED)
    elif i == 6:  # gagged
        bubble(c, ox, 4, 5, 28, 21, LIGHT_BLUE)
        slash(c, ox)
    elif i == 7:  # blinded
        eye(c, ox, 16, 16)
        slash(c, ox)
    elif i == 8:  # legend
        outlined(c, moved(rounded_rect(5, 3, 27, 29, 2), ox, 0), moved(rounded_rect(6, 4, 26, 28, 1.5), ox, 0), WHITE)
        for k, colour in enumerate((RED, GREEN, BLUE, AMBER)):
            y = 8.5 + k * 5.3
            c.paint(*moved(circle(10, y, 1.9), ox, 0), colour)
            c.paint(*moved(segment(14, y, 23, y, 1.6), ox, 0), GREY)
    elif i == 9:  # settings
        teeth = []
        for k in range(8):
            a = k * math.pi / 4
            teeth.append(segment(16 + 9 * math.cos(a), 16 + 9 * math.sin(a), 16 + 13 * math.cos(a),
                                 16 + 13 * math.sin(a), 5))
        gear = minus(union(circle(16, 16, 10), *teeth), circle(16, 16, 4))
        c.paint(*moved(union(circle(16, 16, 11.2), *[segment(16 + 9 * math.cos(k * math.pi / 4), 16 + 9 * math.sin(k * math.pi / 4),
                                                              16 + 13.6 * math.cos(k * math.pi / 4), 16 + 13.6 * math.sin(k * math.pi / 4), 7)
                                                      for k in range(8)]), ox, 0), INK)
        c.paint(*moved(gear, ox, 0), GREY)
    elif i == 10:  # properties: a letter on a page
        outlined(c, moved(rounded_rect(4, 3, 28, 29, 2), ox, 0), moved(rounded_rect(5, 4, 27, 28, 1.5), ox, 0), WHITE)
        c.paint(*moved(segment(9, 24, 16, 7, 3), ox, 0), BLUE)
        c.paint(*moved(segment(23, 24, 16, 7, 3), ox, 0), BLUE)
        c.paint(*moved(segment(12, 18, 20, 18, 2.4), ox, 0), BLUE)
    elif i == 11:  # watch: binoculars
        for cx in (10, 22):
            outlined(c, moved(circle(cx, 19, 7.2), ox, 0), moved(circle(cx, 19, 6), ox, 0), INK)
            c.paint(*moved(circle(cx, 19, 4.2), ox, 0), LIGHT_BLUE)
            c.paint(*moved(circle(cx - 1.4, 17.6, 1.2), ox, 0), WHITE)
        c.paint(*moved(rounded_rect(13, 13, 19, 19, 1.5), ox, 0), INK)
        c.paint(*moved(rounded_rect(6, 7, 13, 14, 2), ox, 0), INK)
        c.paint(*moved(rounded_rect(19, 7, 26, 14, 2), ox, 0), INK)
    elif i == 12:  # add a player
        person(c, ox, 13, 12)
        badge(c, ox, 24, 23, GREEN, True)
    elif i == 13:  # remove a player
        person(c, ox, 13, 12)
        badge(c, ox, 24, 23, RED, False)
    elif i == 14:  # refresh
        c.paint(*moved(minus(ring(16, 16, 7, 11.5), polygon([(16, 16), (32, 2), (32, 16)])), ox, 0), INK)
        c.paint(*moved(minus(ring(16, 16, 8.2, 10.3), polygon([(16, 16), (32, 2), (32, 16)])), ox, 0), GREEN)
        c.paint(*moved(polygon([(22, 2), (30, 11), (20, 13)]), ox, 0), GREEN)
    elif i == 15:  # dice
        die(c, ox, 3, 4, 14, 5)
        die(c, ox, 15, 14, 14, 3)
    elif i == 16:  # doubling cube
        c.paint(*moved(polygon([(6, 10), (16, 4), (27, 10), (27, 23), (16, 29), (6, 23)]), ox, 0), INK)
        c.paint(*moved(polygon([(7.3, 10.6), (16, 5.4), (25.7, 10.6), (16, 15.6)]), ox, 0), WHITE)
        c.paint(*moved(polygon([(7.3, 11.8), (15.3, 16.6), (15.3, 27.4), (7.3, 22.4)]), ox, 0), (214, 214, 206))
        c.paint(*moved(polygon([(16.7, 16.6), (25.7, 11.8), (25.7, 22.4), (16.7, 27.4)]), ox, 0), (188, 188, 180))
        c.paint(*moved(segment(10, 16, 12.5, 21, 1.4), ox, 0), INK)
        c.paint(*moved(segment(19.5, 17.5, 23, 21.5, 1.4), ox, 0), INK)
    elif i == 17:  # trophy
        cup_out = union(polygon([(7, 4), (25, 4), (23, 15), (19, 19), (13, 19), (9, 15)]), ring(7, 10, 3, 6), ring(25, 10, 3, 6))
        c.paint(*moved(cup_out, ox, 0), INK)
        c.paint(*moved(polygon([(8.4, 5.2), (23.6, 5.2), (21.8, 14.5), (18.5, 17.8), (13.5, 17.8), (10.2, 14.5)]), ox, 0), AMBER)
        c.paint(*moved(union(ring(7, 10, 3.6, 5), ring(25, 10, 3.6, 5)), ox, 0), AMBER)
        c.paint(*moved(rounded_rect(14, 18, 18, 24, 0.5), ox, 0), INK)
        outlined(c, moved(rounded_rect(9, 23, 23, 29, 1.5), ox, 0), moved(rounded_rect(10, 24, 22, 28, 1), ox, 0), BROWN)
    elif i == 18:  # mail
        envelope(c, ox)
    elif i == 19:  # chat
        bubble(c, ox, 3, 3, 21, 15, LIGHT_BLUE)
        bubble(c, ox, 11, 13, 29, 25, CREAM, tail_left=False)
    elif i == 20:  # rankings
        for k, (h, colour) in enumerate(((10, GREEN), (20, BLUE), (14, AMBER))):
            x = 5 + k * 8
            outlined(c, moved(rounded_rect(x - 1, 28 - h - 1, x + 7, 29, 1.5), ox, 0),
                     moved(rounded_rect(x, 28 - h, x + 6, 28, 1), ox, 0), colour)
    elif i == 21:  # help: a life buoy
        c.paint(*moved(ring(16, 16, 5, 13.2), ox, 0), INK)
        c.paint(*moved(ring(16, 16, 6.1, 12), ox, 0), WHITE)
        for k in range(4):
            a = math.pi / 4 + k * math.pi / 2
            band = polygon([(16, 16), (16 + 20 * math.cos(a - 0.36), 16 + 20 * math.sin(a - 0.36)),
                            (16 + 20 * math.cos(a + 0.36), 16 + 20 * math.sin(a + 0.36))])
            c.paint(*moved((lambda b: (lambda x, y: b[0](x, y) and 6.1 ** 2 <= (x - 16) ** 2 + (y - 16) ** 2 <= 12 ** 2, b[1]))(band), ox, 0), RED)
    elif i == 22:  # invite: a letter sealed with a checker
        envelope(c, ox)
        checker(c, ox, 22, 22, 5.5, RED, (240, 150, 150))
    elif i == 23:  # rejoin: an arrow into a board
        outlined(c, moved(rounded_rect(12, 4, 29, 28, 2), ox, 0), moved(rounded_rect(13, 5, 28, 27, 1.5), ox, 0), (44, 110, 70))
        checker(c, ox, 21, 21, 4, WHITE, GREY)
        c.paint(*moved(polygon([(2, 13), (11, 13), (11, 8), (19, 16), (11, 24), (11, 19), (2, 19)]), ox, 0), INK)
        c.paint(*moved(polygon([(3.4, 14.4), (12.4, 14.4), (12.4, 11.4), (17, 16), (12.4, 20.6), (12.4, 17.6), (3.4, 17.6)]), ox, 0), AMBER)


TOOLBAR_IMAGES = 24


def greyed(rows, w):
    out = []
    for row in rows:
        b = bytearray(row)
        for x in range(w):
            r, g, bl, a = b[4 * x:4 * x + 4]
            lum = 0.3 * r + 0.59 * g + 0.11 * bl
            v = int(round(150 + (lum - 128) * 0.45))
            b[4 * x:4 * x + 4] = bytes((v, v, v, int(a * 0.75)))
        out.append(bytes(b))
    return out


# ---- status icons, 12 x 12

def status_icon(kind):
    c = Canvas(12, 12)
    if kind == "ready":
        outlined(c, circle(6, 6, 5.6), circle(6, 6, 4.6), GREEN)
        c.paint(*circle(4.6, 4.5, 1.4), (170, 230, 180))
    elif kind == "ready-alternate":
        outlined(c, circle(6, 6, 5.6), circle(6, 6, 4.6), (30, 130, 180))
        c.paint(*circle(4.6, 4.5, 1.4), (170, 220, 240))
    elif kind == "away":
        outlined(c, circle(6, 6, 5.6), circle(6, 6, 4.6), AMBER)
        c.paint(*segment(6, 6, 6, 2.8, 1.2), INK)
        c.paint(*segment(6, 6, 8.4, 7.4, 1.2), INK)
    elif kind in ("watching-ready", "watching-not-ready"):
        almond = lambda w: (lambda x, y: abs(y - 6) <= w * (1 - ((x - 6) / 5.8) ** 2) if abs(x - 6) <= 5.8 else False,
                            (0, 0, 12, 12))
        c.paint(*almond(4.4), INK)
        c.paint(*almond(3.3), WHITE)
        c.paint(*circle(6, 6, 2.3), GREEN if kind == "watching-ready" else GREY)
        c.paint(*circle(6, 6, 1.0), INK)
    elif kind == "playing":
        outlined(c, circle(6, 6, 5.6), circle(6, 6, 4.6), RED)
        c.paint(*ring(6, 6, 2.2, 3.0), (250, 190, 190))
    elif kind == "connected":
        outlined(c, circle(6, 6, 5.6), circle(6, 6, 4.6), GREY)
    return c


# ---- watermarks: coverage masks drawn in one colour

def watermark(kind):
    size = 96
    c = Canvas(size, size)
    ink = (0, 0, 0)
    if kind == "matchboard":  # two checkers and a die
        c.paint(*minus(circle(34, 40, 22), ring(34, 40, 12, 15)), ink)
        c.paint(*minus(circle(58, 62, 22), ring(58, 62, 12, 15)), ink)
        die_mask = minus(rounded_rect(58, 8, 88, 38, 6),
                         union(circle(66, 16, 3), circle(80, 16, 3), circle(73, 23, 3), circle(66, 30, 3), circle(80, 30, 3)))
        c.paint(*die_mask, ink)
    elif kind == "friends":
        for cx, cy, s in ((34, 30, 1.0), (60, 36, 1.15)):
            c.paint(*circle(cx, cy, 11 * s), ink)
            c.paint(*(lambda e: ((lambda x, y: e[0](x, y) and y <= cy + 36 * s), e[1]))(ellipse(cx, cy + 36 * s, 20 * s, 20 * s)), ink)
    elif kind == "gagged":
        c.paint(*minus(union(rounded_rect(10, 14, 86, 66, 16), polygon([(24, 62), (40, 62), (18, 84)])),
                       union(segment(34, 26, 62, 54, 7), segment(62, 26, 34, 54, 7))), ink)
    elif kind == "blinded":
        almond = lambda x, y: abs(y - 48) <= 26 * (1 - ((x - 48) / 42) ** 2) if abs(x - 48) <= 42 else False
        eye_mask = minus((almond, (6, 22, 90, 74)), ring(48, 48, 9, 15))
        c.paint(*minus(eye_mask, segment(16, 82, 80, 14, 12)), ink)
        c.paint(*segment(18, 80, 78, 16, 6), ink)
    return c


# ---- the development server's picture of every player, 75 x 75

def user_picture():
    c = Canvas(75, 75)
    top, bottom = (206, 224, 240), (150, 182, 214)
    for y in range(75):
        t = y / 74.0
        colour = tuple(int(round(a + (b - a) * t)) for a, b in zip(top, bottom))
        c.paint((lambda x, yy, row=y: row <= yy < row + 1), (0, y, 75, y + 1), colour)
    c.paint(*circle(37.5, 28, 14), (246, 246, 250))
    c.paint(*(lambda e: ((lambda x, y: e[0](x, y) and y <= 75), e[1]))(ellipse(37.5, 76, 28, 26)), (246, 246, 250))
    return c


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..", "res", "bitmaps")
    os.makedirs(out, exist_ok=True)
    strip = Canvas(32 * TOOLBAR_IMAGES, 32)
    for i in range(TOOLBAR_IMAGES):
        draw_toolbar(strip, i)
    rows = strip.rgba_rows()
    write_png(os.path.join(out, "TBMatchBoard.png"), strip.w, strip.h, rows)
    write_png(os.path.join(out, "TBMatchBoardX.png"), strip.w, strip.h, greyed(rows, strip.w))
    for kind in ("ready", "ready-alternate", "away", "watching-ready", "watching-not-ready", "playing", "connected"):
        icon = status_icon(kind)
        write_png(os.path.join(out, "status-%s.png" % kind), icon.w, icon.h, icon.rgba_rows())
    picture = user_picture()
    write_png(os.path.join(out, "user-picture.png"), picture.w, picture.h, picture.rgba_rows())
    for kind, name in (("matchboard", "watermark-464"), ("friends", "watermark-friends"),
                       ("gagged", "watermark-gagged"), ("blinded", "watermark-blinded")):
        mark = watermark(kind)
        write_png(os.path.join(out, name + ".png"), mark.w, mark.h, mark.rgba_rows())


if __name__ == "__main__":
    main()
