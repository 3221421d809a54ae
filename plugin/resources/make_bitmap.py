#!/usr/bin/env python3
"""Turns a text picture into the plug-in's toolbar bitmap.

Each line of the picture is one row of pixels, top row first:
  K  black   .  light grey (the background)   W  white
The bitmap is 8 bits per pixel with the standard 16-colour palette, rows
stored bottom-up, as the host expects of a plug-in bitmap.
"""
import struct
import sys

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
INDEX_OF = {"K": 0, ".": 7, "W": 15}


def read_picture(path):
    with open(path, encoding="ascii") as source:
        rows = [line.rstrip("\n") for line in source if line.strip()]
    width = len(rows[0])
    for number, row in enumerate(rows, 1):
        if len(row) != width or set(row) - set(INDEX_OF):
            sys.exit(f"{path}:{number}: row must be {width} of K . W, got {row!r}")
    return rows


def bitmap_bytes(rows):
    width, height = len(rows[0]), len(rows)
    stride = (width + 3) & ~3
    pixels = b"".join(
        bytes(INDEX_OF[c] for c in row) + bytes(stride - width)
        for row in reversed(rows))
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in PALETTE)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0,
                       len(pixels), 0, 0, len(PALETTE), 0)
    offset = 14 + len(info) + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + palette + pixels


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: make_bitmap.py PICTURE.txt OUTPUT.bmp")
    with open(sys.argv[2], "wb") as output:
        output.write(bitmap_bytes(read_picture(sys.argv[1])))
