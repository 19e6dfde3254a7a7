#!/usr/bin/env python3
"""Draws the program's icons and bitmaps into src/resources/images.

The pictures are drawn here in code so that they can be changed and rebuilt
without an image editor; the generated files are committed.
"""
import os
import struct

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src", "resources", "images")


class Canvas:
    def __init__(self, width, height, background=(0, 0, 0, 0)):
        self.w, self.h = width, height
        self.px = [[background for _ in range(width)] for _ in range(height)]

    def set(self, x, y, colour):
        if 0 <= x < self.w and 0 <= y < self.h:
            if len(colour) == 3:
                colour = (*colour, 255)
            self.px[y][x] = colour

    def rect(self, x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, colour)

    def disc(self, cx, cy, r, colour):
        for y in range(int(cy - r - 1), int(cy + r + 2)):
            for x in range(int(cx - r - 1), int(cx + r + 2)):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                    self.set(x, y, colour)

    def ring(self, cx, cy, r, width, colour):
        for y in range(int(cy - r - 1), int(cy + r + 2)):
            for x in range(int(cx - r - 1), int(cx + r + 2)):
                d = ((x - cx) ** 2 + (y - cy) ** 2) ** 0.5
                if r - width <= d <= r:
                    self.set(x, y, colour)

    def line(self, x0, y0, x1, y1, colour, width=1):
        steps = int(max(abs(x1 - x0), abs(y1 - y0)) * 2) + 1
        for i in range(steps + 1):
            t = i / steps
            x, y = x0 + (x1 - x0) * t, y0 + (y1 - y0) * t
            for dy in range(width):
                for dx in range(width):
                    self.set(int(round(x)) + dx - width // 2, int(round(y)) + dy - width // 2, colour)


def bmp_bytes(c):
    """24-bit bottom-up BMP file."""
    row = (c.w * 3 + 3) & ~3
    data = bytearray()
    for y in range(c.h - 1, -1, -1):
        line = bytearray()
        for x in range(c.w):
            r, g, b, a = c.px[y][x]
            line += bytes((b, g, r))
        line += b"\0" * (row - len(line))
        data += line
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, c.w, c.h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return header + info + bytes(data)


def ico_bytes(canvases):
    """ICO with 32-bit images and their AND masks."""
    entries, images = [], []
    offset = 6 + 16 * len(canvases)
    for c in canvases:
        xor = bytearray()
        for y in range(c.h - 1, -1, -1):
            for x in range(c.w):
                r, g, b, a = c.px[y][x]
                xor += bytes((b, g, r, a))
        mask_row = ((c.w + 31) // 32) * 4
        mask = bytearray()
        for y in range(c.h - 1, -1, -1):
            bits = bytearray(mask_row)
            for x in range(c.w):
                if c.px[y][x][3] == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bits
        info = struct.pack("<IiiHHIIiiII", 40, c.w, c.h * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        image = info + bytes(xor) + bytes(mask)
        entries.append(struct.pack("<BBBBHHII", c.w % 256, c.h % 256, 0, 0, 1, 32, len(image), offset))
        images.append(image)
        offset += len(image)
    return struct.pack("<HHH", 0, 1, len(canvases)) + b"".join(entries) + b"".join(images)


def logo(size):
    """A quill over a round blue pond: the program's mark."""
    c = Canvas(size, size)
    s = size / 32
    c.disc(16 * s, 17 * s, 14 * s, (4, 28, 132))
    c.ring(16 * s, 17 * s, 14 * s, max(1, 1.5 * s), (0, 120, 215))
    c.line(8 * s, 26 * s, 25 * s, 5 * s, (250, 250, 250), max(1, int(2 * s)))
    for i in range(7):
        t = 8 + i * 2.2
        c.line(t * s + 4 * s, (30 - t) * s - 9 * s, (t + 3) * s + 4 * s, (30 - t) * s - 6 * s,
               (190, 220, 255), max(1, int(s)))
    c.line(7 * s, 27 * s, 9 * s, 25 * s, (255, 200, 60), max(1, int(s)))
    return c


def save(name, data):
    os.makedirs(OUT, exist_ok=True)
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data)


def main():
    save("quillmere.ico", ico_bytes([logo(32), logo(48)]))
    save("quillmere_small.ico", ico_bytes([logo(16)]))


if __name__ == "__main__":
    main()
