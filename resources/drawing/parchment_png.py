#!/usr/bin/env python3
"""Draws the main window's background texture resources/images/parchment.png (120 by 97
pixels): warm parchment with soft blotches and faint fibres. Standard library only; the
random seed is fixed so the picture is the same on every run. Run from the repository root."""
import math
import random
import struct
import sys
import zlib

WIDTH, HEIGHT = 120, 97
BASE = (238, 224, 192)


def png_bytes(pixels):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\0" + bytes(v for p in row for v in p) for row in pixels)
    ihdr = struct.pack(">IIBBBBB", WIDTH, HEIGHT, 8, 2, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def texture():
    rnd = random.Random(1847)
    blotches = [(rnd.uniform(0, WIDTH), rnd.uniform(0, HEIGHT), rnd.uniform(10, 28), rnd.uniform(-10, 6))
                for _ in range(9)]
    fibres = [(rnd.uniform(0, WIDTH), rnd.uniform(0, HEIGHT), rnd.uniform(-0.5, 0.5), rnd.randint(8, 24))
              for _ in range(26)]
    shade = [[0.0] * WIDTH for _ in range(HEIGHT)]
    for y in range(HEIGHT):
        for x in range(WIDTH):
            s = rnd.gauss(0, 3.0)
            for bx, by, r, amount in blotches:
                # Blotches wrap around the edges so the picture has no hard seams.
                dx = min(abs(x - bx), WIDTH - abs(x - bx))
                dy = min(abs(y - by), HEIGHT - abs(y - by))
                s += amount * math.exp(-(dx * dx + dy * dy) / (r * r))
            shade[y][x] = s
    for fx, fy, slope, length in fibres:
        for i in range(length):
            x = int(fx + i) % WIDTH
            y = int(fy + i * slope) % HEIGHT
            shade[y][x] -= 4.5
    pixels = []
    for y in range(HEIGHT):
        row = []
        for x in range(WIDTH):
            s = shade[y][x]
            row.append(tuple(max(0, min(255, round(c + s * k))) for c, k in zip(BASE, (1.0, 1.05, 1.25))))
        pixels.append(row)
    return pixels


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else "resources/images/parchment.png"
    with open(out, "wb") as f:
        f.write(png_bytes(texture()))
