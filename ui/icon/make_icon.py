#!/usr/bin/env python3
"""Turns a 32 x 32 text pixel map into a .ico file with one 32-bit image
(BGRA with alpha, plus the 1-bit mask that icon files carry).

    make_icon.py MAP.txt OUT.ico
"""
import struct
import sys

PALETTE = {  # character: (red, green, blue, alpha)
    ".": (0, 0, 0, 0),
    "o": (0, 60, 160, 255),
    "~": (64, 160, 255, 255),
    "-": (140, 200, 255, 255),
    "#": (0, 40, 120, 255),
}
SIZE = 32


def read_map(path):
    rows = [line.rstrip("\n") for line in open(path, encoding="utf-8") if not line.startswith("#")]
    rows = [row for row in rows if row]
    if len(rows) != SIZE or any(len(row) != SIZE for row in rows):
        sys.exit(f"{path}: the map must be {SIZE} rows of {SIZE} characters")
    unknown = set("".join(rows)) - PALETTE.keys()
    if unknown:
        sys.exit(f"{path}: characters not in the palette: {''.join(sorted(unknown))}")
    return rows


def icon_bytes(rows):
    pixels = bytearray()
    mask = bytearray()
    for row in reversed(rows):  # bitmaps are stored bottom row first
        bits = 0
        for x, char in enumerate(row):
            red, green, blue, alpha = PALETTE[char]
            pixels += bytes((blue, green, red, alpha))
            if alpha == 0:
                bits |= 1 << (SIZE - 1 - x)
        mask += bits.to_bytes(SIZE // 8, "big")
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    image = header + pixels + mask
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 22)
    return directory + image


if __name__ == "__main__":
    with open(sys.argv[2], "wb") as out:
        out.write(icon_bytes(read_map(sys.argv[1])))
