#!/usr/bin/env python3
"""Draws fwpeek's icon, a firmware chip, and writes it as a 16x16 and 32x32 256-colour .ico."""
import struct
import sys

# Index 0 is black so that transparent pixels leave the screen as it is.
PALETTE = [
    (0, 0, 0),
    (200, 200, 208),  # pins
    (36, 38, 46),  # body
    (84, 88, 104),  # body rim
    (0, 150, 90),  # die
    (150, 230, 180),  # die traces
    (240, 240, 240),  # pin-1 mark
]


def draw(size):
    """Returns rows of palette indices (top row first) and a parallel transparency grid."""
    u = size // 16  # one "pixel" of the 16x16 design
    px = [[0] * size for _ in range(size)]
    clear = [[True] * size for _ in range(size)]

    def fill(x0, y0, x1, y1, colour):  # design units, inclusive
        for y in range(y0 * u, (y1 + 1) * u):
            for x in range(x0 * u, (x1 + 1) * u):
                px[y][x] = colour
                clear[y][x] = False

    for k in (4, 6, 9, 11):  # four pins a side
        fill(k, 0, k, 1, 1)
        fill(k, 14, k, 15, 1)
        fill(0, k, 1, k, 1)
        fill(14, k, 15, k, 1)
    fill(2, 2, 13, 13, 3)
    fill(3, 3, 12, 12, 2)
    fill(5, 5, 10, 10, 4)
    fill(6, 7, 9, 7, 5)
    fill(6, 9, 7, 9, 5)
    fill(4, 4, 4, 4, 6)
    if u > 1:  # the larger image has room for a die outline
        for i in range(5 * u, 11 * u):
            for j in (5 * u, 11 * u - 1):
                px[j][i] = px[i][j] = 5
    return px, clear


def image(size):
    px, clear = draw(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 8, 0, 0, 0, 0, 0, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    palette += bytes(4 * (256 - len(PALETTE)))
    xor = b"".join(bytes(row) for row in reversed(px))  # bottom-up; 16 and 32 need no padding
    mask_stride = (size + 31) // 32 * 4
    mask = b""
    for row in reversed(clear):
        bits = 0
        for x, c in enumerate(row):
            bits |= c << (mask_stride * 8 - 1 - x)
        mask += bits.to_bytes(mask_stride, "big")
    return header + palette + xor + mask


def ico(sizes):
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = len(out) + 16 * len(images)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 8, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: make-icon.py OUT.ico")
    with open(sys.argv[1], "wb") as f:
        f.write(ico([16, 32]))
