#!/usr/bin/env python3
"""Writes the two 128 x 128, 24-bit images of the rendering tests.

testbase.bmp   colour image: a tiled wall of bricks with a soft gradient
testnormal.bmp normal map of the same bricks: mortar lines sink, brick faces
               bulge a little; normals encoded as (n + 1) / 2 * 255 in RGB

Usage: gen_images.py [output folder]   (default: the data folder beside tools/)
Python 3 standard library only.
"""
import math
import os
import struct
import sys

SIZE = 128
BRICK_W, BRICK_H, MORTAR = 32, 16, 2


def write_bmp(path, width, height, pixel):
    """pixel(x, y) -> (r, g, b) with y counted from the top."""
    stride = (width * 3 + 3) & ~3
    image_size = stride * height
    header = struct.pack('<2sIHHI', b'BM', 54 + image_size, 0, 0, 54)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, image_size, 2835, 2835, 0, 0)
    rows = []
    for y in range(height - 1, -1, -1):  # bottom-up
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += b'\0' * (stride - width * 3)
        rows.append(bytes(row))
    tmp = path + '.tmp'
    with open(tmp, 'wb') as f:
        f.write(header + info + b''.join(rows))
        f.flush()
        os.fsync(f.fileno())
    os.replace(tmp, path)


def brick_height(x, y):
    """Height field: 0 in the mortar, rising to 1 on the brick faces."""
    row = y // BRICK_H
    ox = (BRICK_W // 2) if row % 2 else 0
    bx = (x + ox) % BRICK_W
    by = y % BRICK_H
    dx = min(bx, BRICK_W - 1 - bx)
    dy = min(by, BRICK_H - 1 - by)
    d = min(dx, dy)
    if d < MORTAR:
        return 0.0
    return min(1.0, (d - MORTAR + 1) / 3.0)


def base_pixel(x, y):
    h = brick_height(x, y)
    row = y // BRICK_H
    col = ((x + (BRICK_W // 2 if row % 2 else 0)) // BRICK_W)
    shade = 0.85 + 0.15 * math.sin(row * 1.7 + col * 2.3)
    if h == 0.0:
        return (190, 185, 170)
    g = 0.9 + 0.1 * (y / SIZE)
    return (int(178 * shade * g), int(74 * shade * g), int(52 * shade * g))


def normal_pixel(x, y):
    hx = brick_height((x + 1) % SIZE, y) - brick_height((x - 1) % SIZE, y)
    hy = brick_height(x, (y + 1) % SIZE) - brick_height(x, (y - 1) % SIZE)
    nx, ny, nz = -hx * 2.0, hy * 2.0, 1.0
    length = math.sqrt(nx * nx + ny * ny + nz * nz)
    enc = lambda v: int(round((v / length + 1.0) * 0.5 * 255))
    return (enc(nx), enc(ny), enc(nz))


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'data')
    write_bmp(os.path.join(out, 'testbase.bmp'), SIZE, SIZE, base_pixel)
    write_bmp(os.path.join(out, 'testnormal.bmp'), SIZE, SIZE, normal_pixel)


if __name__ == '__main__':
    main()
