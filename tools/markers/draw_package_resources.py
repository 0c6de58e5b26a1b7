#!/usr/bin/env python3
"""Draws the package's own resources into resources/: the 24x24 palette
images of the eight components (16 colours, TQVLCHECKPROCESSOR 256), the
package icon MAINICON.ico (32x32, 32 bits with alpha), DESCRIPTION.txt and
VERSIONINFO.txt. Pictures stand on magenta, the colour a designer makes
transparent. Run it from the repository's root after changing a drawing."""

import os
import struct
import sys

SIZE = 24

# The sixteen colours of the classic 16-colour palette, in its order.
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
       (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
       (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER, GRAY, RED, LIME, YELLOW, BLUE, MAGENTA, AQUA, WHITE = VGA


class Canvas:
    def __init__(self, size, background=MAGENTA):
        self.size = size
        self.pixels = [[background] * size for _ in range(size)]

    def put(self, x, y, colour):
        if 0 <= x < self.size and 0 <= y < self.size:
            self.pixels[y][x] = colour

    def rect(self, x0, y0, x1, y1, fill, outline=None):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                edge = x in (x0, x1) or y in (y0, y1)
                self.put(x, y, outline if edge and outline else fill)

    def disc(self, cx, cy, r, fill, outline=None):
        for y in range(self.size):
            for x in range(self.size):
                d = ((x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2) ** 0.5
                if d <= r:
                    self.put(x, y, outline if outline and d > r - 1 else fill)

    def line(self, x0, y0, x1, y1, colour):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            self.put(round(x0 + (x1 - x0) * i / steps), round(y0 + (y1 - y0) * i / steps), colour)


def page(c):
    """The sheet every log component draws on: a log file with ruled lines."""
    c.rect(3, 1, 16, 20, WHITE, BLACK)
    for y in range(4, 18, 3):
        c.line(5, y, 14, y, GRAY)


def exception_log(c):
    page(c)
    c.disc(16, 16, 7, RED, MAROON)
    c.rect(15, 11, 16, 17, WHITE)
    c.rect(15, 19, 16, 20, WHITE)


def app_log(c):
    page(c)
    c.rect(10, 10, 22, 21, SILVER, BLACK)
    c.rect(11, 11, 21, 13, NAVY)
    c.rect(12, 15, 20, 19, WHITE)


def dataset_log(c):
    page(c)
    for top in (10, 14, 18):
        c.rect(12, top, 21, top + 3, TEAL, BLACK)
    c.line(13, 11, 20, 11, AQUA)


def file_log(c):
    page(c)
    c.rect(9, 11, 14, 12, OLIVE, BLACK)
    c.rect(9, 13, 22, 21, YELLOW, BLACK)


def nt_event_log(c):
    page(c)
    c.rect(11, 9, 22, 21, NAVY, BLACK)
    for y in (12, 15, 18):
        c.line(13, y, 20, y, WHITE)
    c.put(13, 12, YELLOW)


def shell_log(c):
    c.disc(12, 12, 10, BLUE, NAVY)
    c.line(2, 12, 21, 12, AQUA)
    c.line(12, 2, 12, 21, AQUA)
    c.disc(12, 12, 5, GREEN)
    c.disc(17, 17, 5, YELLOW, OLIVE)


def registry_log(c):
    page(c)
    for x, y, colour in ((10, 15, BLUE), (16, 15, RED), (13, 9, GREEN)):
        c.rect(x, y, x + 6, y + 6, colour, BLACK)


PALETTE_16 = [("TQVEXCEPTIONLOG", exception_log), ("TQVAPPLOG", app_log), ("TQVDATASETLOG", dataset_log),
              ("TQVFILELOG", file_log), ("TQVNTEVENTLOG", nt_event_log), ("TQVSHELLLOG", shell_log),
              ("TQVREGISTRYLOG", registry_log)]


def check_processor():
    """An entry form with a green tick shaded from light to dark: 256 colours."""
    c = Canvas(SIZE)
    c.rect(1, 3, 16, 20, SILVER, BLACK)
    for y in (7, 11, 15):
        c.rect(3, y, 14, y + 2, WHITE, GRAY)
    tick = [(8, 13), (11, 17), (22, 5)]
    for width in range(3):
        for (x0, y0), (x1, y1) in zip(tick, tick[1:]):
            steps = max(abs(x1 - x0), abs(y1 - y0))
            for i in range(steps + 1):
                x = round(x0 + (x1 - x0) * i / steps)
                y = round(y0 + (y1 - y0) * i / steps) + width
                shade = 96 + 6 * y
                c.put(x, y, (0, min(shade, 248), 32))
    return c


def bmp(canvas, palette, bits):
    index = {colour: i for i, colour in reversed(list(enumerate(palette)))}
    rows = []
    for row in reversed(canvas.pixels):  # bottom-up
        indices = [index[colour] for colour in row]
        if bits == 4:
            data = bytes((indices[i] << 4) | indices[i + 1] for i in range(0, len(indices), 2))
        else:
            data = bytes(indices)
        rows.append(data + b"\0" * (-len(data) % 4))
    pixels = b"".join(rows)
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    offset = 14 + 40 + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, canvas.size, canvas.size, 1, bits, 0, len(pixels), 2835, 2835,
                       len(palette), 0)
    return header + info + table + pixels


def palette_256(canvas):
    colours = [MAGENTA] + VGA
    for row in canvas.pixels:
        for colour in row:
            if colour not in colours:
                colours.append(colour)
    assert len(colours) <= 256
    return colours + [(0, 0, 0)] * (256 - len(colours))


def main_icon():
    """The package icon: the log sheet with a green tick, on a transparent ground."""
    size = 32
    c = Canvas(size, background=None)
    c.rect(6, 2, 23, 29, WHITE, BLACK)
    for y in range(6, 26, 4):
        c.line(9, y, 20, y, GRAY)
    for width in range(3):
        c.line(13, 19 + width, 17, 24 + width, GREEN)
        c.line(17, 24 + width, 29, 9 + width, GREEN)
    # Bottom-up rows of blue, green, red, alpha; the AND mask marks what was
    # left undrawn (transparent).
    mask_row = (size + 31) // 32 * 4
    xor = bytearray()
    mask = bytearray(mask_row * size)
    for y, row in enumerate(reversed(c.pixels)):
        for x, colour in enumerate(row):
            if colour is None:
                xor += bytes(4)
                mask[y * mask_row + x // 8] |= 0x80 >> (x % 8)
            else:
                xor += bytes((colour[2], colour[1], colour[0], 255))
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = info + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), 22)
    return directory + image


DESCRIPTION = "REVuziva: log component suite.\r\nMade by the REVuziva developers.\r\n"

VERSION_INFO = """FileVersion=1.5.0.0
ProductVersion=1.0.0.0
Language=0409
CodePage=1252
CompanyName=
FileDescription=
InternalName=
LegalCopyright=
LegalTrademarks=
OriginalFilename=
ProductName=
Comments=https://revuziva.example.org
"""


def main(folder):
    def write(name, data):
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)

    for name, draw in PALETTE_16:
        canvas = Canvas(SIZE)
        draw(canvas)
        write(name + ".bmp", bmp(canvas, VGA, 4))
    canvas = check_processor()
    write("TQVLCHECKPROCESSOR.bmp", bmp(canvas, palette_256(canvas), 8))
    write("MAINICON.ico", main_icon())
    write("DESCRIPTION.txt", DESCRIPTION.encode())
    write("VERSIONINFO.txt", VERSION_INFO.encode())


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "resources")
