#!/usr/bin/env python3
"""Draws the bookmark picture appdata/bookmark.bmp: a small red ribbon with a notched end on
white, as a 24-bit BMP. Standard library only; run from the repository root."""
import struct
import sys

WIDTH, HEIGHT = 12, 16
WHITE = (255, 255, 255)
RED = (186, 32, 36)
DARK = (122, 18, 22)
LIGHT = (226, 96, 86)
LEFT, RIGHT = 2, 9  # the ribbon's first and last column
CENTRE = (LEFT + RIGHT) / 2


def pixel(x, y):
    if x < LEFT or x > RIGHT:
        return WHITE
    # The notch: a V cut into the lower end, deepest in the middle.
    depth = max(0.0, 4.0 - (abs(x - CENTRE) - 0.5) * 4.0 / 3.0)
    if y > HEIGHT - 1 - depth:
        return WHITE
    if x in (LEFT, RIGHT) or y == 0:
        return DARK
    if x == LEFT + 1:
        return LIGHT
    if y == 2:
        return DARK  # the fold where the ribbon leaves the spine
    return RED


def bmp_bytes():
    row_size = (WIDTH * 3 + 3) & ~3
    rows = []
    for y in reversed(range(HEIGHT)):  # BMP rows run bottom-up
        row = bytearray()
        for x in range(WIDTH):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (row_size - len(row))
        rows.append(bytes(row))
    image = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(image), 0, 0, 14 + 40)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(image), 2835, 2835, 0, 0)
    return header + info + image


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else "appdata/bookmark.bmp"
    with open(out, "wb") as f:
        f.write(bmp_bytes())
