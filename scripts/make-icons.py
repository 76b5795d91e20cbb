#!/usr/bin/env python3
"""Draws the toolbar's own icons (used where the desktop's icon theme has
none) as 48x48 PNG files into src/ui/icons. Plain shapes on a 24-unit grid,
smoothed by sampling each pixel 4x4 times. Run it again after changing a
shape and commit the pictures it writes."""
import math
import os
import struct
import sys
import zlib

SIZE = 48
GRID = 24.0
SS = 4

INK = (52, 73, 94)
BLUE = (41, 128, 185)
GREEN = (39, 174, 96)
RED = (192, 57, 43)
PAPER = (250, 250, 250)
AMBER = (230, 126, 34)


def seg_dist(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = 0.0 if dx == dy == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def inside(px, py, pts):
    hit = False
    j = len(pts) - 1
    for i in range(len(pts)):
        xi, yi = pts[i]
        xj, yj = pts[j]
        if (yi > py) != (yj > py) and px < (xj - xi) * (py - yi) / (yj - yi) + xi:
            hit = not hit
        j = i
    return hit


# Shapes: each a test (x, y) -> bool on the 24-unit grid, with a colour.
def rect(x, y, w, h, c):
    return (lambda px, py: x <= px <= x + w and y <= py <= y + h, c)


def frame(x, y, w, h, t, c):
    return (lambda px, py: x <= px <= x + w and y <= py <= y + h
            and not (x + t < px < x + w - t and y + t < py < y + h - t), c)


def line(pts, w, c):
    def hit(px, py):
        return any(seg_dist(px, py, *pts[i], *pts[i + 1]) <= w / 2 for i in range(len(pts) - 1))
    return (hit, c)


def poly(pts, c):
    return (lambda px, py: inside(px, py, pts), c)


def disc(cx, cy, r, c):
    return (lambda px, py: math.hypot(px - cx, py - cy) <= r, c)


def ring(cx, cy, r, w, c, gap=None):
    def hit(px, py):
        if abs(math.hypot(px - cx, py - cy) - r) > w / 2:
            return False
        if gap is None:
            return True
        a = math.degrees(math.atan2(py - cy, px - cx)) % 360
        lo, hi = gap
        return not (lo <= a <= hi)
    return (hit, c)


def page(extra):
    return [poly([(5, 2), (15, 2), (19, 6), (19, 22), (5, 22)], INK),
            poly([(6.5, 3.5), (14.5, 3.5), (17.5, 6.5), (17.5, 20.5), (6.5, 20.5)], PAPER)] + extra


def magnifier(c):
    return [ring(10, 10, 6, 2.4, c), line([(14.5, 14.5), (21, 21)], 3, c)]


ICONS = {
    "edit-undo": [ring(13, 14, 6.5, 2.6, BLUE, gap=(120, 200)), poly([(2, 12), (9, 8), (9, 16)], BLUE)],
    "application-exit": [frame(3, 3, 11, 18, 2, INK), line([(9, 12), (20, 12)], 2.6, RED),
                         poly([(22, 12), (17, 7.5), (17, 16.5)], RED)],
    "document-new": page([line([(16, 13), (16, 21)], 2.4, GREEN), line([(12, 17), (20, 17)], 2.4, GREEN)]),
    "edit-find": magnifier(INK),
    "system-search": magnifier(BLUE),
    "view-refresh": [ring(12, 12, 7.5, 2.6, GREEN, gap=(300, 359)), poly([(15, 4), (22, 5), (19, 11)], GREEN)],
    "view-filter": [poly([(3, 4), (21, 4), (14, 12), (14, 20), (10, 22), (10, 12)], BLUE)],
    "edit-delete": [line([(5, 5), (19, 19)], 3.4, RED), line([(19, 5), (5, 19)], 3.4, RED)],
    "document-save": [rect(3, 3, 18, 18, BLUE), rect(7, 3.5, 10, 6, PAPER), rect(6, 13, 12, 8, PAPER),
                      rect(13, 4.5, 2.5, 4, BLUE)],
    "document-print": [rect(7, 3, 10, 6, PAPER), frame(7, 3, 10, 6, 1.2, INK), rect(3, 9, 18, 9, INK),
                       rect(7, 14, 10, 8, PAPER), frame(7, 14, 10, 8, 1.2, INK), disc(18, 11.5, 1, GREEN)],
    "label": [poly([(3, 6), (15, 6), (21, 12), (15, 18), (3, 18)], AMBER), disc(15, 12, 1.6, PAPER)],
    "go-first": [rect(4, 5, 2.6, 14, INK), poly([(8, 12), (19, 5), (19, 19)], INK)],
    "go-previous": [poly([(6, 12), (17, 5), (17, 19)], INK)],
    "go-next": [poly([(18, 12), (7, 5), (7, 19)], INK)],
    "go-last": [rect(17.4, 5, 2.6, 14, INK), poly([(16, 12), (5, 5), (5, 19)], INK)],
    "view-sort-ascending": [rect(3, 16, 4, 5, INK), rect(9, 11, 4, 10, INK), rect(15, 6, 4, 15, INK),
                            poly([(17, 1), (21.5, 5), (12.5, 5)], GREEN)],
    "view-sort-descending": [rect(3, 6, 4, 15, INK), rect(9, 11, 4, 10, INK), rect(15, 16, 4, 5, INK),
                             poly([(17, 13), (21.5, 9), (12.5, 9)], RED)],
    "edit-select-all": [frame(3, 3, 18, 18, 2, INK), line([(7, 12), (11, 16), (18, 7)], 2.8, GREEN)],
    "edit-clear": [frame(3, 3, 18, 18, 2, INK), line([(8, 8), (16, 16)], 2.4, RED), line([(16, 8), (8, 16)], 2.4, RED)],
    "list-add": [disc(12, 12, 9.5, GREEN), line([(12, 7), (12, 17)], 2.8, PAPER), line([(7, 12), (17, 12)], 2.8, PAPER)],
    "list-remove": [disc(12, 12, 9.5, RED), line([(7, 12), (17, 12)], 2.8, PAPER)],
    "document-open": [poly([(2, 5), (9, 5), (11, 7), (20, 7), (20, 20), (2, 20)], AMBER),
                      poly([(5, 11), (23, 11), (20, 20), (2, 20)], (243, 156, 18))],
    "window-close": [frame(3, 3, 18, 18, 2, INK), rect(3, 3, 18, 4, INK), line([(8, 10), (16, 18)], 2.4, RED),
                     line([(16, 10), (8, 18)], 2.4, RED)],
    "x-office-calendar": [rect(3, 4, 18, 17, PAPER), frame(3, 4, 18, 17, 1.5, INK), rect(3, 4, 18, 5, RED)]
    + [rect(6 + 4 * (i % 4), 11 + 3.5 * (i // 4), 2.4, 2, INK) for i in range(8)],
}


def draw(shapes):
    rows = []
    for y in range(SIZE):
        row = bytearray([0])
        for x in range(SIZE):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SS):
                for sx in range(SS):
                    gx = (x + (sx + 0.5) / SS) * GRID / SIZE
                    gy = (y + (sy + 0.5) / SS) * GRID / SIZE
                    colour = None
                    for hit, c in shapes:  # later shapes lie on top
                        if hit(gx, gy):
                            colour = c
                    if colour:
                        acc[0] += colour[0]
                        acc[1] += colour[1]
                        acc[2] += colour[2]
                        acc[3] += 1
            n = acc[3]
            if n:
                row += bytes([int(acc[0] / n), int(acc[1] / n), int(acc[2] / n), int(255 * n / (SS * SS))])
            else:
                row += bytes(4)
        rows.append(bytes(row))
    return b"".join(rows)


def png(raw):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "src", "ui", "icons")
    os.makedirs(out, exist_ok=True)
    for name, shapes in ICONS.items():
        with open(os.path.join(out, name + ".png"), "wb") as f:
            f.write(png(draw(shapes)))


if __name__ == "__main__":
    main()
