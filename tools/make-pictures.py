#!/usr/bin/env python3
# SPDX-License-Identifier: BSD-3-Clause
"""Draws the window program's pictures as indexed PNG files into ui/resources/:
the program icon (32x32 and 16x16, 16 colours, also as icon128.ico for the Windows
executable), the About box logo (160x50) and its tagline (137x15, both at most 256
colours); and the same icon for the desktop's menus and file managers into
ui/desktop/hicolor/: PNG in the hicolor theme's sizes and an SVG of the same drawing.
Pure Python: run it after changing a drawing and commit the files it writes."""

import math
import pathlib
import struct
import zlib

UI = pathlib.Path(__file__).resolve().parent.parent / "ui"
OUT = UI / "resources"
# Laid out as they are installed under share/icons/hicolor/.
DESKTOP_ICONS = UI / "desktop" / "hicolor"
# The sizes a desktop looks for in the hicolor theme.
HICOLOR_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)

# 5x7 letters, one string per row, "#" lit.
GLYPHS = {
    "A": [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "C": [".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."],
    "E": ["#####", "#....", "#....", "####.", "#....", "#....", "#####"],
    "F": ["#####", "#....", "#....", "####.", "#....", "#....", "#...."],
    "I": [".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."],
    "L": ["#....", "#....", "#....", "#....", "#....", "#....", "#####"],
    "N": ["#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"],
    "O": [".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    "R": ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"],
    "T": ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
    "U": ["#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    "V": ["#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    "Y": ["#...#", "#...#", ".#.#.", "..#..", "..#..", "..#..", "..#.."],
    " ": ["....."] * 7,
}


class Canvas:
    def __init__(self, width, height, palette, fill=0):
        self.width, self.height, self.palette = width, height, palette
        self.pixels = [[fill] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def rect(self, x0, y0, x1, y1, colour):
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.put(x, y, colour)

    def text(self, left, top, text, colour, scale=1):
        for i, ch in enumerate(text):
            for row, bits in enumerate(GLYPHS[ch]):
                for col, bit in enumerate(bits):
                    if bit == "#":
                        x = left + (i * 6 + col) * scale
                        self.rect(x, top + row * scale, x + scale, top + (row + 1) * scale,
                                  colour)

    def text_width(self, text, scale=1):
        return (len(text) * 6 - 1) * scale

    def png(self, transparent=None):
        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

        raw = b"".join(b"\0" + bytes(row) for row in self.pixels)
        out = b"\x89PNG\r\n\x1a\n"
        out += chunk(b"IHDR", struct.pack(">IIBBBBB", self.width, self.height, 8, 3, 0, 0, 0))
        out += chunk(b"PLTE", b"".join(bytes(c) for c in self.palette))
        if transparent is not None:
            out += chunk(b"tRNS", bytes(0 if i == transparent else 255
                                        for i in range(len(self.palette))))
        out += chunk(b"IDAT", zlib.compress(raw, 9))
        out += chunk(b"IEND", b"")
        return out


# The 16 colours of the icon: transparent, card body, card edge, wave, arrow, shadow.
ICON_PALETTE = [(255, 0, 255), (24, 48, 120), (120, 160, 230), (250, 210, 40),
                (255, 255, 255), (10, 20, 60)] + [(0, 0, 0)] * 10


def icon(size):
    c = Canvas(size, size, ICON_PALETTE, fill=0)
    s = size / 32
    px = lambda v: int(round(v * s))
    c.rect(px(3), px(5), px(30), px(28), 5)          # shadow
    c.rect(px(2), px(4), px(29), px(27), 2)          # edge
    c.rect(px(3), px(5), px(28), px(26), 1)          # body
    pen = max(1, px(2))
    for x in range(px(4), px(27)):                   # one period of a sine wave
        y = px(15) + int(round(math.sin((x - px(4)) / (px(23)) * 2 * math.pi) * px(7)))
        c.rect(x, y, min(x + pen, px(28)), y + pen, 3)  # kept inside the body
    for i in range(px(6)):                           # arrow to the right, bottom edge
        c.rect(px(18) + i, px(29) - px(6) + i // 2 + 0, px(18) + i + 1, px(29) - i // 2, 4)
    return c.png(transparent=0)


def colour(index):
    return "#%02x%02x%02x" % ICON_PALETTE[index]


def icon_svg():
    """The icon's drawing on its 32-unit grid, for the scalable size."""
    # The raster's pen is 2 wide and hangs right and down from each point: its middle.
    wave = " ".join("%s%.3f,%.3f" % ("M" if i == 0 else "L", 5 + i * 23 / 92,
                                      16 + math.sin(i / 92 * 2 * math.pi) * 7)
                    for i in range(93))
    return f"""<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 32 32">
  <title>Vantrel</title>
  <clipPath id="body"><rect x="3" y="5" width="25" height="21"/></clipPath>
  <rect x="3" y="5" width="27" height="23" fill="{colour(5)}"/>
  <rect x="2" y="4" width="27" height="23" fill="{colour(2)}"/>
  <rect x="3" y="5" width="25" height="21" fill="{colour(1)}"/>
  <path d="{wave}" fill="none" stroke="{colour(3)}" stroke-width="2" clip-path="url(#body)"/>
  <path d="M18,23 L24,26 L18,29 Z" fill="{colour(4)}"/>
</svg>
"""


def gradient_palette(start, end, steps):
    return [tuple(int(round(a + (b - a) * i / (steps - 1))) for a, b in zip(start, end))
            for i in range(steps)]


def logo():
    steps = 64
    palette = gradient_palette((16, 32, 96), (20, 150, 160), steps)
    palette += [(255, 255, 255), (250, 210, 40)]
    white, yellow = steps, steps + 1
    c = Canvas(160, 50, palette)
    for x in range(160):
        c.rect(x, 0, x + 1, 50, x * (steps - 1) // 159)
    for x in range(160):                             # a recorded trace behind the name
        y = 40 + int(round(math.sin(x / 11.0) * 4 + math.sin(x / 3.7) * 1.5))
        c.rect(x, y, x + 1, y + 2, yellow)
    name = "VANTREL"
    c.text((160 - c.text_width(name, 3)) // 2, 6, name, white, scale=3)
    return c.png()


def tagline():
    palette = [(236, 236, 236), (40, 40, 40), (24, 48, 120)]
    c = Canvas(137, 15, palette, fill=0)
    text = "FILE CONVERT UTILITY"
    c.text((137 - c.text_width(text)) // 2, 4, text, 1)
    c.rect(0, 13, 137, 14, 2)
    return c.png()


def ico(images):
    """An icon file holding PNG images, for the Windows executable's icon resource."""
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = len(header) + 16 * len(images)
    entries, data = b"", b""
    for size, png in images:
        entries += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(png), offset + len(data))
        data += png
    return header + entries + data


def main():
    OUT.mkdir(parents=True, exist_ok=True)
    (OUT / "icon128-32.png").write_bytes(icon(32))
    (OUT / "icon128-16.png").write_bytes(icon(16))
    (OUT / "icon128.ico").write_bytes(ico([(32, icon(32)), (16, icon(16))]))
    (OUT / "bitmap134.png").write_bytes(logo())
    (OUT / "bitmap135.png").write_bytes(tagline())
    for size in HICOLOR_SIZES:
        folder = DESKTOP_ICONS / f"{size}x{size}" / "apps"
        folder.mkdir(parents=True, exist_ok=True)
        (folder / "vantrel.png").write_bytes(icon(size))
    (DESKTOP_ICONS / "scalable" / "apps").mkdir(parents=True, exist_ok=True)
    (DESKTOP_ICONS / "scalable" / "apps" / "vantrel.svg").write_text(icon_svg())


if __name__ == "__main__":
    main()
