#!/usr/bin/env python3
"""Draws the wizard's pictures: the header band bitmap, the watermark of the
first and last pages and the program icon. Plain Python, no imaging package:
the outputs are committed, so the Windows build needs no Python.

    tools/wizard-art.py [output folder]   (default wizard/win32/art)
"""
import os
import struct
import sys

SAMPLES = 4  # per axis: 16 samples per pixel smooth the edges


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(len(a)))


def hexcolour(text, alpha=1.0):
    return (int(text[0:2], 16), int(text[2:4], 16), int(text[4:6], 16), alpha)


# --- The emblem: a database drum pouring into a sheet of rows. Shapes live in
# a unit square; each is (test(x, y), colour), painted in order.

def ellipse(cx, cy, rx, ry):
    return lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def union(*tests):
    return lambda x, y: any(t(x, y) for t in tests)


def minus(a, b):
    return lambda x, y: a(x, y) and not b(x, y)


def triangle(p0, p1, p2):
    def side(a, b, x, y):
        return (b[0] - a[0]) * (y - a[1]) - (b[1] - a[1]) * (x - a[0])

    def test(x, y):
        d0, d1, d2 = side(p0, p1, x, y), side(p1, p2, x, y), side(p2, p0, x, y)
        return (d0 >= 0 and d1 >= 0 and d2 >= 0) or (d0 <= 0 and d1 <= 0 and d2 <= 0)
    return test


def emblem():
    amber = hexcolour("E9A23B")
    amber_dark = hexcolour("B8731A")
    amber_light = hexcolour("F7CF7E")
    blue = hexcolour("1F5FA8")
    paper = hexcolour("FFFFFF")
    rows = hexcolour("7FA6D6")
    shapes = []
    # Drum: body, bottom rim, three bands, lit top.
    cx, rx, ry = 0.27, 0.21, 0.075
    body = union(rect(cx - rx, 0.24, cx + rx, 0.76), ellipse(cx, 0.76, rx, ry))
    shapes.append((union(body, ellipse(cx, 0.24, rx, ry)), amber_dark))
    shapes.append((minus(union(rect(cx - rx + 0.02, 0.24, cx + rx - 0.02, 0.74), ellipse(cx, 0.74, rx - 0.02, ry - 0.015)),
                         ellipse(cx, 0.24, rx, ry)), amber))
    for band in (0.42, 0.58):
        shapes.append((minus(ellipse(cx, band, rx, ry), ellipse(cx, band - 0.025, rx, ry)), amber_dark))
    shapes.append((ellipse(cx, 0.24, rx - 0.015, ry - 0.015), amber_light))
    # Arrow from drum to sheet.
    shapes.append((union(rect(0.50, 0.47, 0.58, 0.53), triangle((0.58, 0.40), (0.58, 0.60), (0.67, 0.50))), blue))
    # Sheet with a folded corner and rows of cells.
    sheet = minus(rect(0.68, 0.14, 0.97, 0.86), triangle((0.89, 0.14), (0.97, 0.14), (0.97, 0.22)))
    shapes.append((sheet, blue))
    inner = minus(rect(0.70, 0.16, 0.95, 0.84), triangle((0.885, 0.16), (0.95, 0.16), (0.95, 0.225)))
    shapes.append((inner, paper))
    shapes.append((triangle((0.89, 0.14), (0.89, 0.22), (0.97, 0.22)), blue))
    for i in range(6):
        y = 0.27 + i * 0.095
        for x0, x1 in ((0.725, 0.79), (0.81, 0.87), (0.89, 0.93)):
            shapes.append((rect(x0, y, x1, y + 0.035), rows if i else blue))
    return shapes


class Canvas:
    def __init__(self, width, height, background):
        self.width, self.height = width, height
        self.pixels = [[background(x, y) for x in range(width)] for y in range(height)]

    def paint(self, shapes, left, top, size):
        """Paints unit-square shapes into the square at (left, top) of side size pixels."""
        step = 1.0 / SAMPLES
        for py in range(max(0, int(top)), min(self.height, int(top + size) + 1)):
            for px in range(max(0, int(left)), min(self.width, int(left + size) + 1)):
                acc = [0.0, 0.0, 0.0, 0.0]
                hits = 0
                for sy in range(SAMPLES):
                    for sx in range(SAMPLES):
                        ux = (px + (sx + 0.5) * step - left) / size
                        uy = (py + (sy + 0.5) * step - top) / size
                        colour = None
                        for test, c in shapes:
                            if test(ux, uy):
                                colour = c
                        if colour is not None:
                            hits += 1
                            for i in range(3):
                                acc[i] += colour[i]
                if hits:
                    cover = hits / (SAMPLES * SAMPLES)
                    mean = tuple(acc[i] / hits for i in range(3))
                    base = self.pixels[py][px]
                    rgb = mix(base[:3], mean, cover)
                    alpha = base[3] + (1.0 - base[3]) * cover
                    self.pixels[py][px] = (rgb[0], rgb[1], rgb[2], alpha)


def bmp24(canvas):
    """A bottom-up 24-bit BMP; transparent pixels are laid on white."""
    row_bytes = (canvas.width * 3 + 3) & ~3
    data = bytearray()
    for y in range(canvas.height - 1, -1, -1):
        row = bytearray()
        for x in range(canvas.width):
            r, g, b, a = canvas.pixels[y][x]
            r, g, b = (255 + (c - 255) * a for c in (r, g, b))
            row += bytes((round(b), round(g), round(r)))
        row += bytes(row_bytes - len(row))
        data += row
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, canvas.width, canvas.height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return header + info + bytes(data)


def icon_image(size):
    canvas = Canvas(size, size, lambda x, y: (0, 0, 0, 0.0))
    canvas.paint(emblem(), 0, 0, size)
    xor = bytearray()
    and_row_bytes = ((size + 31) // 32) * 4
    mask = bytearray()
    for y in range(size - 1, -1, -1):
        bits = bytearray(and_row_bytes)
        for x in range(size):
            r, g, b, a = canvas.pixels[y][x]
            xor += bytes((round(b), round(g), round(r), round(a * 255)))
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return info + bytes(xor) + bytes(mask)


def ico(sizes):
    images = [icon_image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return out + b"".join(images)


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "wizard", "win32", "art")
    os.makedirs(folder, exist_ok=True)
    white = (255, 255, 255, 1.0)
    top, bottom = hexcolour("1B4F8C"), hexcolour("5FA2D8")

    # Watermark of the first and last pages: the picture sits in the left
    # band that the system leaves free of controls; the rest is page white.
    band = 164

    def watermark_background(x, y):
        if x >= band:
            return white
        return mix(top, bottom, y / 313.0)
    watermark = Canvas(500, 314, watermark_background)
    watermark.paint([(rect(0.0, 0.0, 1.0, 1.0), hexcolour("FFFFFF", 0.9))], 22, 90, 120)
    watermark.paint(emblem(), 28, 96, 108)
    with open(os.path.join(folder, "watermark.bmp"), "wb") as f:
        f.write(bmp24(watermark))

    # Header band: white, the emblem at its right end.
    header = Canvas(500, 60, lambda x, y: white)
    header.paint(emblem(), 500 - 56, 4, 52)
    with open(os.path.join(folder, "header.bmp"), "wb") as f:
        f.write(bmp24(header))

    with open(os.path.join(folder, "varnex.ico"), "wb") as f:
        f.write(ico([16, 32, 48]))


if __name__ == "__main__":
    main()
