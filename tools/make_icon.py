#!/usr/bin/env python3
"""Draws the program icon, a small receipt printer, as res/DriverSetup.ico.

Run from the repository root; the .ico is committed, so the build needs no
Python. Two 32-bit frames, 16x16 and 32x32, each drawn on a 32x32 grid and
scaled down by sampling for the small one.
"""
import struct
import sys

BODY = (58, 64, 74, 255)
BODY_LIGHT = (96, 106, 120, 255)
SLOT = (20, 22, 26, 255)
PAPER = (250, 250, 245, 255)
INK = (120, 120, 130, 255)
LED = (40, 200, 80, 255)
CLEAR = (0, 0, 0, 0)


def draw32():
    px = [[CLEAR] * 32 for _ in range(32)]

    def rect(x0, y0, x1, y1, c):
        for y in range(y0, y1):
            for x in range(x0, x1):
                px[y][x] = c

    rect(9, 1, 23, 16, PAPER)            # receipt coming out of the top
    for y in (4, 7, 10, 13):
        rect(11, y, 21 if y != 10 else 17, y + 1, INK)
    rect(3, 14, 29, 29, BODY)             # printer body
    rect(3, 14, 29, 16, BODY_LIGHT)       # top edge highlight
    rect(7, 16, 25, 18, SLOT)             # paper slot
    rect(23, 23, 26, 26, LED)             # power light
    rect(6, 24, 18, 25, BODY_LIGHT)       # cutter line
    return px


def scale(px, size):
    step = len(px) // size
    return [[px[y * step + step // 2][x * step + step // 2] for x in range(size)]
            for y in range(size)]


def frame(px):
    size = len(px)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = b"".join(bytes(v for (r, g, b, a) in row for v in (b, g, r, a)) for row in reversed(px))
    mask_row = ((size + 31) // 32) * 4
    mask = bytes(mask_row * size)
    return header + rows + mask


def main(path):
    big = draw32()
    images = [(16, frame(scale(big, 16))), (32, frame(big))]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack('<BBBBHHII', size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'res/DriverSetup.ico')
