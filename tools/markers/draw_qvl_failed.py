#!/usr/bin/env python3
"""Draws the failure marker resources/QVL_FAILED.bmp: a 16x16 round marker,
red at the rim through orange to a yellow centre, darker towards its lower
edge, on magenta (the colour the check processor makes transparent). Written
as an 8-bit BMP with a 256-colour palette; palette index 0 is the magenta.
Run it from the repository's root after changing the drawing."""

import math
import struct
import sys

SIZE = 16
MAGENTA = (255, 0, 255)


def colour_at(x, y):
    # Pixel centres, relative to the marker's centre.
    dx, dy = x + 0.5 - SIZE / 2, y + 0.5 - SIZE / 2
    distance = math.hypot(dx, dy)
    if distance > 7.4:
        return MAGENTA
    # 0 in the middle, 1 at the rim: yellow, then orange, then red.
    t = min(distance / 7.0, 1.0)
    red = 255
    green = round(230 * (1 - t) ** 1.3)
    blue = round(60 * max(0.0, 1 - 3 * t))
    # Darker towards the lower edge: full light above the middle, down to 55%.
    shade = 1.0 if dy <= 0 else 1.0 - 0.45 * dy / 7.4
    # Quantised, so the picture fits one palette and no shade hits magenta.
    return tuple(min(248, (round(c * shade) // 8) * 8) for c in (red, green, blue))


def main(path):
    pixels = [[colour_at(x, y) for x in range(SIZE)] for y in range(SIZE)]
    palette = [MAGENTA]
    for row in pixels:
        for c in row:
            if c not in palette:
                palette.append(c)
    assert len(palette) <= 256
    palette += [(0, 0, 0)] * (256 - len(palette))
    index = {c: i for i, c in reversed(list(enumerate(palette)))}

    bits = b"".join(bytes(index[c] for c in row) for row in reversed(pixels))  # bottom-up
    palette_bytes = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    offset = 14 + 40 + len(palette_bytes)
    header = struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 8, 0, len(bits), 2835, 2835, 256, 0)
    with open(path, "wb") as f:
        f.write(header + info + palette_bytes + bits)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "resources/QVL_FAILED.bmp")
