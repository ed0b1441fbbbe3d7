#!/usr/bin/env python3
"""Draws the demo overlay's pictures (small PNG files) with nothing but the standard library."""
import math
import os
import struct
import sys
import zlib

W, H = 240, 180
SS = 2  # samples per pixel edge, for smooth edges


def png(path, pixels):
    raw = b"".join(b"\x00" + bytes(row) for row in pixels)

    def chunk(kind, data):
        c = struct.pack(">I", len(data)) + kind + data
        return c + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def polygon(points):
    def inside(x, y):
        n, hit = len(points), False
        for i in range(n):
            (ax, ay), (bx, by) = points[i], points[(i + 1) % n]
            if (ay > y) != (by > y) and x < (bx - ax) * (y - ay) / (by - ay) + ax:
                hit = not hit
        return hit
    return inside


def star(cx, cy, outer, inner, n=5):
    pts = []
    for i in range(2 * n):
        r = outer if i % 2 == 0 else inner
        a = -math.pi / 2 + i * math.pi / n
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return polygon(pts)


def heart(cx, cy, s):
    def inside(x, y):
        u, v = (x - cx) / s, -(y - cy) / s
        return (u * u + v * v - 1) ** 3 - u * u * v ** 3 <= 0
    return inside


def minus(a, b):
    return lambda x, y: a(x, y) and not b(x, y)


def draw(background, shapes):
    """shapes: list of (test, colour), later ones on top."""
    rows = []
    for py in range(H):
        row = []
        for px in range(W):
            acc = [0, 0, 0]
            for sy in range(SS):
                for sx in range(SS):
                    x, y = px + (sx + 0.5) / SS, py + (sy + 0.5) / SS
                    colour = background
                    for test, c in shapes:
                        if test(x, y):
                            colour = c
                    for i in range(3):
                        acc[i] += colour[i]
            row.extend(v // (SS * SS) for v in acc)
        rows.append(row)
    return rows


SKY, GRASS, WHITE = (170, 215, 255), (90, 170, 70), (255, 255, 255)
PICTURES = {
    "sol": ((170, 215, 255), [(polygon([(120 + 75 * math.cos(a), 90 + 75 * math.sin(a)) for a in
                                        [k * math.pi / 12 for k in range(24)]]), (255, 200, 40)),
                              (circle(120, 90, 50), (255, 225, 60))]),
    "hus": (SKY, [(rect(0, 140, 240, 180), GRASS), (rect(60, 80, 180, 150), (200, 60, 50)),
                  (polygon([(45, 82), (120, 25), (195, 82)]), (90, 60, 50)),
                  (rect(105, 105, 135, 150), (110, 70, 40)), (rect(72, 92, 96, 114), WHITE),
                  (rect(146, 92, 170, 114), WHITE)]),
    "trad": (SKY, [(rect(0, 150, 240, 180), GRASS), (rect(108, 95, 132, 160), (120, 80, 40)),
                   (circle(120, 70, 48), (40, 140, 50)), (circle(88, 92, 30), (50, 150, 55)),
                   (circle(152, 92, 30), (50, 150, 55))]),
    "bil": (SKY, [(rect(0, 140, 240, 180), (120, 120, 120)), (rect(30, 95, 210, 135), (30, 90, 200)),
                  (polygon([(70, 95), (90, 60), (160, 60), (180, 95)]), (30, 90, 200)),
                  (polygon([(80, 92), (95, 66), (120, 66), (120, 92)]), WHITE),
                  (polygon([(128, 92), (128, 66), (155, 66), (170, 92)]), WHITE),
                  (circle(75, 137, 20), (30, 30, 30)), (circle(165, 137, 20), (30, 30, 30)),
                  (circle(75, 137, 8), (190, 190, 190)), (circle(165, 137, 8), (190, 190, 190))]),
    "boll": (GRASS, [(circle(120, 90, 65), (230, 40, 40)),
                     (lambda x, y: (x - 120) ** 2 + (y - 90) ** 2 <= 65 ** 2 and abs(y - 90) < 12,
                      WHITE), (circle(98, 65, 12), (255, 150, 150))]),
    "stjarna": ((30, 30, 90), [(star(120, 95, 80, 34), (255, 215, 0))]),
    "hjarta": ((255, 230, 240), [(heart(120, 95, 62), (220, 30, 70))]),
    "mane": ((20, 25, 70), [(minus(circle(120, 90, 62), circle(150, 72, 55)), (250, 240, 180)),
                            (star(50, 40, 9, 4), WHITE), (star(200, 140, 7, 3), WHITE),
                            (star(190, 35, 6, 3), WHITE)]),
    "blomma": (SKY, [(rect(0, 150, 240, 180), GRASS), (rect(116, 100, 124, 165), (40, 130, 40))]
               + [(circle(120 + 32 * math.cos(a), 75 + 32 * math.sin(a), 20), (240, 120, 200))
                  for a in [k * math.pi / 3 for k in range(6)]]
               + [(circle(120, 75, 22), (255, 210, 40))]),
}

if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "Pictures")
    os.makedirs(out, exist_ok=True)
    for name, (background, shapes) in PICTURES.items():
        png(os.path.join(out, name + ".png"), draw(background, shapes))
