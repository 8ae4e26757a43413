#!/usr/bin/python3
"""Our own small pictures, written byte by byte with the standard library:
the demo banners, the about box picture and the test pictures.

  pictures.py about OUT.gif          the about box picture (250 x 250 GIF)
  pictures.py banners DIR            one.gif, two.bmp, three.gif (132 x 214)
  pictures.py test-data DIR          small pictures of every format the banner decodes
"""
import struct
import subprocess
import sys
from pathlib import Path

# 3 x 5 block letters for the few characters the pictures show.
FONT = {
    "0": ["111", "101", "101", "101", "111"], "1": ["010", "110", "010", "010", "111"],
    "2": ["111", "001", "111", "100", "111"], "3": ["111", "001", "111", "001", "111"],
    "A": ["010", "101", "111", "101", "101"], "K": ["101", "110", "100", "110", "101"],
    "L": ["100", "100", "100", "100", "111"], "O": ["111", "101", "101", "101", "111"],
    "P": ["111", "101", "111", "100", "100"], "S": ["111", "100", "111", "001", "111"],
    "T": ["111", "010", "010", "010", "010"], " ": ["000", "000", "000", "000", "000"],
}


class Canvas:
    """Palette-indexed pixels; index 0..255."""

    def __init__(self, width, height, palette):
        self.width, self.height, self.palette = width, height, palette
        self.pixels = bytearray(width * height)

    def fill(self, x0, y0, w, h, index):
        for y in range(max(0, y0), min(self.height, y0 + h)):
            row = y * self.width
            for x in range(max(0, x0), min(self.width, x0 + w)):
                self.pixels[row + x] = index

    def text(self, x, y, text, scale, index):
        for ch in text:
            for r, bits in enumerate(FONT[ch]):
                for c, bit in enumerate(bits):
                    if bit == "1":
                        self.fill(x + c * scale, y + r * scale, scale, scale, index)
            x += 4 * scale

    def gradient(self, first, count):
        for y in range(self.height):
            self.fill(0, y, self.width, 1, first + y * count // self.height)


def palette_with_ramp(start, stop, extra):
    """64 colours from start to stop, then the extra colours."""
    ramp = []
    for i in range(64):
        ramp.append(tuple(start[k] + (stop[k] - start[k]) * i // 63 for k in range(3)))
    colours = ramp + list(extra)
    return colours + [(0, 0, 0)] * (256 - len(colours))


def gif_bytes(canvas):
    """GIF89a with a 256-colour table. The LZW stream holds literal codes
    only, with a clear code often enough that the code width stays 9 bits."""
    out = bytearray(b"GIF89a")
    out += struct.pack("<HHBBB", canvas.width, canvas.height, 0xF7, 0, 0)
    for r, g, b in canvas.palette:
        out += bytes((r, g, b))
    out += b"," + struct.pack("<HHHHB", 0, 0, canvas.width, canvas.height, 0)
    out.append(8)
    codes = [256]
    for i, p in enumerate(canvas.pixels):
        if i and i % 250 == 0:
            codes.append(256)
        codes.append(p)
    codes.append(257)
    data = bytearray()
    acc = bits = 0
    for code in codes:
        acc |= code << bits
        bits += 9
        while bits >= 8:
            data.append(acc & 0xFF)
            acc >>= 8
            bits -= 8
    if bits:
        data.append(acc & 0xFF)
    for i in range(0, len(data), 255):
        block = data[i:i + 255]
        out.append(len(block))
        out += block
    out += b"\x00;"
    return bytes(out)


def bmp_bytes(canvas):
    """24-bit bottom-up BMP."""
    row = (canvas.width * 3 + 3) & ~3
    pixels = bytearray()
    for y in range(canvas.height - 1, -1, -1):
        line = bytearray()
        for x in range(canvas.width):
            r, g, b = canvas.palette[canvas.pixels[y * canvas.width + x]]
            line += bytes((b, g, r))
        pixels += line + b"\x00" * (row - len(line))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, canvas.width, canvas.height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return header + info + bytes(pixels)


WHITE, DARK = 64, 65


def banner(number, start, stop, width=132, height=214):
    canvas = Canvas(width, height, palette_with_ramp(start, stop, [(255, 255, 255), (20, 20, 40)]))
    canvas.gradient(0, 64)
    canvas.fill(0, 0, width, 3, DARK)
    canvas.fill(0, height - 3, width, 3, DARK)
    canvas.text(10, 12, "TALK", 7, WHITE)
    canvas.text(10, 54, "POST", 7, WHITE)
    canvas.text(40, 110, str(number), 17, WHITE)
    return canvas


def about_picture():
    canvas = Canvas(250, 250, palette_with_ramp((16, 48, 112), (96, 176, 240), [(255, 255, 255), (10, 20, 50)]))
    canvas.gradient(0, 64)
    canvas.fill(0, 0, 250, 4, DARK)
    canvas.fill(0, 246, 250, 4, DARK)
    canvas.text(47, 40, "TP", 20, WHITE)
    canvas.text(15, 170, "TALKPOST", 7, WHITE)
    return canvas


def write(path, data):
    Path(path).parent.mkdir(parents=True, exist_ok=True)
    Path(path).write_bytes(data)


def main(argv):
    if len(argv) != 3:
        sys.exit(__doc__)
    kind, target = argv[1], Path(argv[2])
    if kind == "about":
        write(target, gif_bytes(about_picture()))
    elif kind == "banners":
        write(target / "one.gif", gif_bytes(banner(1, (150, 20, 20), (250, 160, 60))))
        write(target / "two.bmp", bmp_bytes(banner(2, (20, 110, 40), (140, 230, 120))))
        write(target / "three.gif", gif_bytes(banner(3, (40, 40, 150), (140, 140, 250))))
    elif kind == "test-data":
        small = banner(0, (0, 0, 0), (255, 255, 255), 20, 30)
        write(target / "small.gif", gif_bytes(small))
        write(target / "small.bmp", bmp_bytes(small))
        for suffix in ("jpg", "ico"):
            subprocess.run(["convert", str(target / "small.bmp"), str(target / ("small." + suffix))], check=True)
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
