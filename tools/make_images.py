#!/usr/bin/env python3
"""Draws the program's icons and bitmaps into src/resources/images.

The pictures are drawn here in code so that they can be changed and rebuilt
without an image editor; the generated files are committed. Run it from any
folder: python3 tools/make_images.py

Every bitmap has a pure white background and no pure white inside the
picture: the program replaces the colour of the top-left pixel by the menu
colour for menu pictures, and a disabled bitmap button draws only the
non-white pixels, embossed, so the greyed state keeps the picture's outline.
"""
import math
import os
import struct

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src", "resources", "images")

BACKGROUND = (255, 255, 255)
NEAR_WHITE = (250, 250, 250)


# ---------------------------------------------------------------------------
# Shapes as signed distance functions: negative inside, in picture units.

class Shape:
    def __init__(self, distance, box):
        self.d = distance
        self.box = box  # x0, y0, x1, y1

    def grown(self, amount):
        return Shape(lambda x, y: self.d(x, y) - amount,
                     (self.box[0] - amount, self.box[1] - amount, self.box[2] + amount, self.box[3] + amount))


def circle(cx, cy, r):
    return Shape(lambda x, y: math.hypot(x - cx, y - cy) - r, (cx - r, cy - r, cx + r, cy + r))


def ellipse(cx, cy, rx, ry):
    m = min(rx, ry)
    return Shape(lambda x, y: (math.hypot((x - cx) / rx, (y - cy) / ry) - 1) * m,
                 (cx - rx, cy - ry, cx + rx, cy + ry))


def ring(cx, cy, r, width):
    return Shape(lambda x, y: abs(math.hypot(x - cx, y - cy) - r) - width / 2,
                 (cx - r - width, cy - r - width, cx + r + width, cy + r + width))


def ellipse_ring(cx, cy, rx, ry, width):
    m = min(rx, ry)
    return Shape(lambda x, y: abs(math.hypot((x - cx) / rx, (y - cy) / ry) - 1) * m - width / 2,
                 (cx - rx - width, cy - ry - width, cx + rx + width, cy + ry + width))


def box(x0, y0, x1, y1, radius=0.0):
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - radius, (y1 - y0) / 2 - radius

    def d(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        outside = math.hypot(max(qx, 0), max(qy, 0))
        return outside + min(max(qx, qy), 0) - radius

    return Shape(d, (x0, y0, x1, y1))


def segment(x0, y0, x1, y1, width):
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy or 1e-9

    def d(x, y):
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / length2))
        return math.hypot(x - x0 - t * dx, y - y0 - t * dy) - width / 2

    w = width / 2
    return Shape(d, (min(x0, x1) - w, min(y0, y1) - w, max(x0, x1) + w, max(y0, y1) + w))


def polyline(points, width):
    return union(*[segment(*points[i], *points[i + 1], width) for i in range(len(points) - 1)])


def polygon(points):
    n = len(points)

    def d(x, y):
        best = 1e9
        inside = False
        for i in range(n):
            ax, ay = points[i]
            bx, by = points[(i + 1) % n]
            ex, ey = bx - ax, by - ay
            t = max(0.0, min(1.0, ((x - ax) * ex + (y - ay) * ey) / ((ex * ex + ey * ey) or 1e-9)))
            best = min(best, math.hypot(x - ax - t * ex, y - ay - t * ey))
            if (ay > y) != (by > y) and x < ax + (y - ay) * ex / (by - ay):
                inside = not inside
        return -best if inside else best

    xs, ys = [p[0] for p in points], [p[1] for p in points]
    return Shape(d, (min(xs), min(ys), max(xs), max(ys)))


def arc(cx, cy, r, start, end, width):
    """Stroke of a circle from angle `start` to `end` (degrees, y down, clockwise)."""
    a0, a1 = math.radians(start), math.radians(end)
    p0 = (cx + r * math.cos(a0), cy + r * math.sin(a0))
    p1 = (cx + r * math.cos(a1), cy + r * math.sin(a1))

    def d(x, y):
        angle = math.atan2(y - cy, x - cx)
        rel = (angle - a0) % (2 * math.pi)
        if rel <= (a1 - a0) % (2 * math.pi) or (a1 - a0) >= 2 * math.pi:
            return abs(math.hypot(x - cx, y - cy) - r) - width / 2
        return min(math.hypot(x - p0[0], y - p0[1]), math.hypot(x - p1[0], y - p1[1])) - width / 2

    return Shape(d, (cx - r - width, cy - r - width, cx + r + width, cy + r + width))


def union(*shapes):
    return Shape(lambda x, y: min(s.d(x, y) for s in shapes),
                 (min(s.box[0] for s in shapes), min(s.box[1] for s in shapes),
                  max(s.box[2] for s in shapes), max(s.box[3] for s in shapes)))


def intersect(a, b):
    return Shape(lambda x, y: max(a.d(x, y), b.d(x, y)),
                 (max(a.box[0], b.box[0]), max(a.box[1], b.box[1]), min(a.box[2], b.box[2]), min(a.box[3], b.box[3])))


def subtract(a, b):
    return Shape(lambda x, y: max(a.d(x, y), -b.d(x, y)), a.box)


def star(cx, cy, outer, inner, points=5):
    corners = []
    for i in range(points * 2):
        r = outer if i % 2 == 0 else inner
        a = -math.pi / 2 + i * math.pi / points
        corners.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return polygon(corners)


def rotated_box(cx, cy, w, h, degrees):
    a = math.radians(degrees)
    c, s = math.cos(a), math.sin(a)
    corners = [(-w / 2, -h / 2), (w / 2, -h / 2), (w / 2, h / 2), (-w / 2, h / 2)]
    return polygon([(cx + x * c - y * s, cy + x * s + y * c) for x, y in corners])


# ---------------------------------------------------------------------------
# A picture drawn in design units (`unit` pixels each), supersampled.

class Picture:
    def __init__(self, width, height, unit=1.0, samples=4):
        self.w, self.h, self.unit, self.ss = width, height, unit, samples
        self.px = [[None] * (width * samples) for _ in range(height * samples)]

    def _cells(self, shape, grow=0.0):
        u, ss = self.unit, self.ss
        x0, y0, x1, y1 = shape.box
        g = grow + 1.0 / u
        sx0 = max(0, int((x0 - g) * u * ss))
        sy0 = max(0, int((y0 - g) * u * ss))
        sx1 = min(self.w * ss, int((x1 + g) * u * ss) + 2)
        sy1 = min(self.h * ss, int((y1 + g) * u * ss) + 2)
        for sy in range(sy0, sy1):
            y = (sy + 0.5) / ss / u
            for sx in range(sx0, sx1):
                x = (sx + 0.5) / ss / u
                if shape.d(x, y) <= grow:
                    yield sx, sy, x, y

    def fill(self, shape, colour, grow=0.0):
        """colour: an RGB triple or a function of the design point."""
        for sx, sy, x, y in self._cells(shape, grow):
            self.px[sy][sx] = colour(x, y) if callable(colour) else colour

    def outlined(self, shape, colour, outline, width=0.7):
        self.fill(shape, outline, grow=width)
        self.fill(shape, colour)

    def erase(self, shape, grow=0.0):
        for sx, sy, _, _ in self._cells(shape, grow):
            self.px[sy][sx] = None

    def pixels(self):
        """Rows of (r, g, b, coverage 0..1)."""
        ss = self.ss
        rows = []
        for y in range(self.h):
            row = []
            for x in range(self.w):
                n, r, g, b = 0, 0, 0, 0
                for sy in range(y * ss, y * ss + ss):
                    line = self.px[sy]
                    for sx in range(x * ss, x * ss + ss):
                        c = line[sx]
                        if c is not None:
                            n += 1
                            r += c[0]
                            g += c[1]
                            b += c[2]
                if n:
                    row.append((r / n, g / n, b / n, n / (ss * ss)))
                else:
                    row.append((0, 0, 0, 0.0))
            rows.append(row)
        return rows

    def rgb(self):
        """Flattened over the white background; drawn pixels never come out pure white."""
        out = []
        for row in self.pixels():
            line = []
            for r, g, b, a in row:
                if a == 0:
                    line.append(BACKGROUND)
                    continue
                c = tuple(int(round(ch * a + bg * (1 - a))) for ch, bg in zip((r, g, b), BACKGROUND))
                line.append((254, 254, 254) if c == BACKGROUND else c)
            out.append(line)
        return out

    def rgba(self):
        return [[(int(round(r)), int(round(g)), int(round(b)), int(round(a * 255))) for r, g, b, a in row]
                for row in self.pixels()]


# ---------------------------------------------------------------------------
# File writers.

def bmp_bytes(rows):
    """24-bit bottom-up BMP file."""
    h, w = len(rows), len(rows[0])
    stride = (w * 3 + 3) & ~3
    data = bytearray()
    for y in range(h - 1, -1, -1):
        line = bytearray()
        for r, g, b in rows[y]:
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        data += line
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return header + info + bytes(data)


def ico_bytes(images):
    """ICO with 32-bit images (RGBA rows) and their AND masks."""
    entries, blobs = [], []
    offset = 6 + 16 * len(images)
    for rows in images:
        h, w = len(rows), len(rows[0])
        xor = bytearray()
        for y in range(h - 1, -1, -1):
            for r, g, b, a in rows[y]:
                xor += bytes((b, g, r, a))
        mask_row = ((w + 31) // 32) * 4
        mask = bytearray()
        for y in range(h - 1, -1, -1):
            bits = bytearray(mask_row)
            for x in range(w):
                if rows[y][x][3] == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bits
        info = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        blob = info + bytes(xor) + bytes(mask)
        entries.append(struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(blob), offset))
        blobs.append(blob)
        offset += len(blob)
    return struct.pack("<HHH", 0, 1, len(images)) + b"".join(entries) + b"".join(blobs)


# ---------------------------------------------------------------------------
# Colours.

DARK = (40, 44, 56)
GOLD = (236, 178, 36)
GOLD_DARK = (128, 86, 8)
BLUE = (30, 112, 204)
BLUE_DARK = (14, 52, 110)
LIGHT_BLUE = (196, 222, 250)
GREEN = (38, 162, 72)
GREEN_DARK = (14, 84, 34)
RED = (212, 40, 40)
RED_DARK = (110, 14, 14)
GREY = (140, 146, 156)
GREY_DARK = (70, 74, 84)
PAPER = (244, 246, 250)
TEAL = (61, 163, 164)


# ---------------------------------------------------------------------------
# Picture parts, in a 16 × 16 design space.

def draw_key(p):
    head = ring(5, 8, 2.6, 2.2)
    shaft = union(box(7.2, 7, 15, 9, 0.3), box(11.6, 8.5, 12.9, 11.6, 0.2), box(13.7, 8.5, 15, 12.4, 0.2))
    shape = union(head, shaft)
    p.outlined(shape, GOLD, GOLD_DARK, 0.8)


def draw_hash(p, colour, dark, scale=1.0, dx=0.0, dy=0.0):
    def q(x, y):
        return x * scale + dx, y * scale + dy
    w = 1.5 * scale
    shape = union(segment(*q(6.6, 2), *q(5.2, 14), w), segment(*q(10.8, 2), *q(9.4, 14), w),
                  segment(*q(2.5, 6), *q(13.5, 6), w), segment(*q(2, 10.2), *q(13, 10.2), w))
    p.outlined(shape, colour, dark, 0.5 * scale)


def draw_person(p, cx, top, size, colour, dark):
    """A head and shoulders; `size` is the height in design units."""
    k = size / 12
    head = circle(cx, top + 3 * k, 2.7 * k)
    shoulders = intersect(ellipse(cx, top + 12.5 * k, 5.2 * k, 6 * k), box(cx - 6 * k, top + 6.3 * k, cx + 6 * k, top + 12 * k))
    p.outlined(union(head, shoulders), colour, dark, 0.6)


def draw_bubble(p, x0, y0, x1, y1, colour, dark, tail_left=True):
    w = x1 - x0
    tx = x0 + w * 0.22 if tail_left else x1 - w * 0.22
    tail = polygon([(tx - 1.3, y1 - 0.5), (tx + 1.3, y1 - 0.5), (tx - (1.6 if tail_left else -1.6), y1 + 3)])
    shape = union(box(x0, y0, x1, y1, min(2.5, (y1 - y0) / 2)), tail)
    p.outlined(shape, colour, dark, 0.7)
    return shape


def draw_badge(p, cx, cy, r, colour, dark):
    p.erase(circle(cx, cy, r + 0.8))
    p.outlined(circle(cx, cy, r), colour, dark, 0.5)


def draw_check(p, points, width, colour=NEAR_WHITE):
    p.fill(polyline(points, width), colour)


def draw_cross(p, cx, cy, r, width, colour=NEAR_WHITE):
    p.fill(union(segment(cx - r, cy - r, cx + r, cy + r, width), segment(cx + r, cy - r, cx - r, cy + r, width)), colour)


def draw_arrow(p, x0, y, x1, colour, dark, width=1.8, head=2.8):
    """Horizontal arrow from x0 to x1 (either direction)."""
    sign = 1 if x1 > x0 else -1
    shaft = segment(x0, y, x1 - sign * head * 0.8, y, width)
    tip = polygon([(x1 - sign * head * 1.2, y - head), (x1, y), (x1 - sign * head * 1.2, y + head)])
    p.outlined(union(shaft, tip), colour, dark, 0.5)


def draw_star(p, cx, cy, r):
    p.erase(star(cx, cy, r + 0.9, r * 0.45 + 0.9))
    p.outlined(star(cx, cy, r, r * 0.45), GOLD, GOLD_DARK, 0.5)


def draw_shield(p, fill, dark):
    shape = polygon([(8, 1.2), (14, 3.4), (13.4, 9), (8, 14.8), (2.6, 9), (2, 3.4)])
    p.outlined(shape, fill, dark, 0.8)


def draw_light(p, colour, dark, light):
    p.outlined(circle(8, 8, 5.6), colour, dark, 0.9)
    p.fill(ellipse(6.6, 6.2, 2.2, 1.6), lambda x, y: tuple(
        int(c + (l - c) * max(0.0, 1 - math.hypot(x - 6.6, y - 6.2) / 2.4)) for c, l in zip(colour, light)))


def draw_plug(p, top, colour, dark):
    prongs = union(segment(6.4, top, 6.4, top + 3.2, 1.3), segment(9.6, top, 9.6, top + 3.2, 1.3))
    p.outlined(prongs, GREY, GREY_DARK, 0.4)
    body = box(4.6, top + 3, 11.4, top + 7.6, 1.4)
    p.outlined(body, colour, dark, 0.6)
    p.outlined(segment(8, top + 7.6, 8, 15.5, 1.6), GREY_DARK, DARK, 0.2)


def draw_socket(p):
    p.outlined(box(3.6, 0.6, 12.4, 4.6, 1.0), GREY, GREY_DARK, 0.6)
    p.fill(union(box(5.9, 2.2, 6.9, 4.6), box(9.1, 2.2, 10.1, 4.6)), DARK)


def draw_lines(p, x0, x1, ys, colour, width=0.9):
    for y in ys:
        p.fill(segment(x0, y, x1, y, width), colour)


# ---------------------------------------------------------------------------
# The pictures.

def key(p):
    draw_key(p)


def secret(p):
    eye = intersect(circle(8, 14.2, 9), circle(8, 1.8, 9))
    p.outlined(eye, NEAR_WHITE, DARK, 0.8)
    p.fill(circle(8, 8, 2.7), BLUE)
    p.fill(circle(8, 8, 1.2), DARK)
    slash = segment(2.2, 14, 13.8, 2, 1.6)
    p.erase(slash, 1.0)
    p.fill(slash, RED)


def operator(p):
    crown = polygon([(2.2, 12.2), (1.4, 4.6), (5.2, 8.4), (8, 3), (10.8, 8.4), (14.6, 4.6), (13.8, 12.2)])
    p.outlined(crown, GOLD, GOLD_DARK, 0.7)
    p.outlined(box(2, 12, 14, 14.4, 0.5), GOLD, GOLD_DARK, 0.7)
    for x, y in ((1.4, 4.6), (8, 3), (14.6, 4.6)):
        p.outlined(circle(x, y, 1.1), RED, RED_DARK, 0.3)
    p.fill(circle(8, 13.2, 0.8), BLUE)


def moderated(p):
    draw_bubble(p, 1.2, 1.6, 14.8, 10.2, NEAR_WHITE, BLUE_DARK)
    draw_lines(p, 3.6, 12.4, (4.4, 7.2), GREY)
    draw_badge(p, 12, 12, 3.3, (240, 140, 20), (120, 60, 0))
    draw_check(p, [(10.4, 12), (11.6, 13.3), (13.7, 10.7)], 1.1)


def padlock(p):
    shackle = union(arc(8, 5.6, 3.4, 180, 360, 1.6), segment(4.6, 5.6, 4.6, 8, 1.6), segment(11.4, 5.6, 11.4, 8, 1.6))
    p.outlined(shackle, GREY, GREY_DARK, 0.4)
    p.outlined(box(2.4, 7.2, 13.6, 13.4, 1.2), GOLD, GOLD_DARK, 0.5)
    hole = union(circle(8, 9.5, 1.05), polygon([(7.45, 9.8), (8.55, 9.8), (8.9, 12.1), (7.1, 12.1)]))
    p.fill(hole, DARK)


def close_tab(p):
    cross = union(segment(3.6, 3.6, 12.4, 12.4, 2.6), segment(12.4, 3.6, 3.6, 12.4, 2.6))
    p.outlined(cross, RED, RED_DARK, 0.6)


def compatible(p):
    draw_shield(p, GREEN, GREEN_DARK)
    draw_check(p, [(4.9, 8.1), (7.2, 10.6), (11.3, 5.2)], 1.7)


def not_compatible(p):
    draw_shield(p, (168, 172, 180), GREY_DARK)
    draw_cross(p, 8, 7.8, 2.8, 1.8, RED)


def clear_search(p):
    p.outlined(circle(8, 8, 6), GREY, GREY_DARK, 0.6)
    draw_cross(p, 8, 8, 2.6, 1.6)


def join_channel(p):
    draw_hash(p, BLUE, BLUE_DARK, 0.85, 0, 0)
    draw_badge(p, 11.8, 11.8, 3.6, GREEN, GREEN_DARK)
    p.fill(union(segment(9.8, 11.8, 13.8, 11.8, 1.3), segment(11.8, 9.8, 11.8, 13.8, 1.3)), NEAR_WHITE)


def copy(p):
    p.outlined(box(1.6, 1.4, 10, 11, 0.6), (226, 230, 238), GREY_DARK, 0.6)
    p.erase(box(5.2, 4.6, 14.6, 15), 0.2)
    p.outlined(box(6, 5, 14.4, 14.6, 0.6), PAPER, BLUE_DARK, 0.6)
    draw_lines(p, 7.6, 12.8, (7.6, 9.8, 12), GREY, 0.8)


def light(colour, dark, glow):
    return lambda p: draw_light(p, colour, dark, glow)


def nicknames_online(p):
    draw_person(p, 5.4, 1.6, 10.5, (150, 170, 200), GREY_DARK)
    draw_person(p, 10, 3.4, 11.5, BLUE, BLUE_DARK)
    draw_badge(p, 12.6, 12.6, 2.6, GREEN, GREEN_DARK)


def clear(p):
    pink = rotated_box(8.6, 7.2, 11, 5.6, -40)
    p.outlined(pink, (236, 116, 140), (120, 30, 50), 0.6)
    p.fill(intersect(pink, box(0, 8.2, 8, 16)), LIGHT_BLUE)
    p.fill(segment(5.3, 12.4, 9.9, 8.5, 0.6), (120, 30, 50))
    p.fill(segment(2, 14.8, 14.5, 14.8, 1.0), GREY_DARK)


def save(p):
    body = polygon([(2, 2), (12, 2), (14, 4), (14, 14), (2, 14)])
    p.outlined(body, BLUE, BLUE_DARK, 0.6)
    p.fill(box(4.6, 2, 11.2, 6.4, 0.3), (218, 224, 232))
    p.fill(box(9, 2.8, 10.3, 5.6), BLUE_DARK)
    p.fill(box(4, 8.8, 12, 14, 0.4), PAPER)
    draw_lines(p, 5.2, 10.8, (10.6, 12.4), GREY, 0.7)


def scroll_end(p):
    shaft = segment(8, 1.6, 8, 8.5, 2.6)
    head = polygon([(3.2, 7.6), (12.8, 7.6), (8, 12.2)])
    p.outlined(union(shaft, head), BLUE, BLUE_DARK, 0.5)
    p.outlined(box(2.6, 13.2, 13.4, 14.8, 0.4), BLUE, BLUE_DARK, 0.5)


def paste_send(p):
    p.outlined(box(1.6, 2.6, 10.8, 15, 1), (178, 124, 62), (96, 60, 20), 0.6)
    p.fill(box(3, 4.4, 9.4, 13.6, 0.3), PAPER)
    p.outlined(box(4.2, 1.2, 8.2, 4, 0.6), GREY, GREY_DARK, 0.4)
    draw_lines(p, 4.2, 8.2, (6.6, 8.6), GREY, 0.7)
    p.erase(box(8, 8.6, 16, 15.6))
    draw_arrow(p, 8.2, 12, 15.4, GREEN, GREEN_DARK, 2.0, 2.8)


def send(p):
    plane = polygon([(1.4, 2.2), (15, 8), (1.4, 13.8), (4.2, 8)])
    p.outlined(plane, BLUE, BLUE_DARK, 0.6)
    p.fill(segment(4.2, 8, 11, 8, 0.8), LIGHT_BLUE)


def join_all(p):
    draw_hash(p, BLUE, BLUE_DARK, 0.55, 0, 0.6)
    draw_hash(p, BLUE, BLUE_DARK, 0.55, 7, 7.2)
    draw_lines(p, 9.6, 14.6, (3, 5.6), GREY_DARK, 1.1)
    draw_lines(p, 1.4, 6.4, (10.4, 13), GREY_DARK, 1.1)


def connect(p):
    draw_socket(p)
    draw_plug(p, 2.6, GREEN, GREEN_DARK)


def disconnect(p):
    draw_socket(p)
    draw_plug(p, 6.4, RED, RED_DARK)


def exit_program(p):
    p.outlined(box(2.4, 1.4, 10.4, 14.6, 0.4), (164, 104, 56), (86, 50, 20), 0.6)
    p.fill(box(4, 3, 8.8, 13), (222, 186, 140))
    p.fill(circle(7.6, 8.4, 0.7), (86, 50, 20))
    p.erase(box(9, 5.2, 16, 11.6))
    draw_arrow(p, 6.6, 8.4, 15.4, RED, RED_DARK, 1.9, 2.9)


def manual(p):
    p.outlined(box(3, 1.4, 13.4, 14.6, 1), BLUE, BLUE_DARK, 0.6)
    p.fill(box(4.4, 12, 13.4, 14.6, 0.4), PAPER)
    p.fill(segment(5.2, 1.6, 5.2, 12, 0.9), BLUE_DARK)
    draw_lines(p, 7, 11.4, (4.6, 6.8), LIGHT_BLUE, 0.9)


def about(p):
    p.outlined(circle(8, 8, 6.6), BLUE, BLUE_DARK, 0.6)
    p.fill(circle(8, 4.7, 1.15), NEAR_WHITE)
    p.fill(segment(8, 7.2, 8, 12, 1.9), NEAR_WHITE)


def globe(p):
    p.outlined(circle(8, 8, 6.6), (60, 140, 220), BLUE_DARK, 0.6)
    inside = circle(8, 8, 6.4)
    lines = union(ellipse_ring(8, 8, 2.8, 6.4, 0.8), segment(1, 8, 15, 8, 0.8),
                  segment(1, 4.8, 15, 4.8, 0.7), segment(1, 11.2, 15, 11.2, 0.7), segment(8, 1, 8, 15, 0.7))
    p.fill(intersect(lines, inside), LIGHT_BLUE)


def preferences(p):
    teeth = union(*[rotated_box(8 + 5.6 * math.cos(math.radians(a)), 8 + 5.6 * math.sin(math.radians(a)), 2.8, 3.0, a)
                    for a in range(0, 360, 45)])
    gear = subtract(union(circle(8, 8, 5), teeth), circle(8, 8, 2.1))
    p.outlined(gear, (122, 128, 140), GREY_DARK, 0.6)


def favourite_nicknames(p):
    draw_person(p, 6.6, 1.4, 12.6, BLUE, BLUE_DARK)
    draw_star(p, 11.8, 11.6, 3.8)


def favourite_channels(p):
    draw_hash(p, BLUE, BLUE_DARK, 0.85, 0, 0)
    draw_star(p, 11.8, 11.6, 3.8)


def servers(p):
    p.outlined(box(1.6, 1.2, 8.8, 14.8, 0.8), (96, 102, 114), DARK, 0.6)
    for y in (3.6, 6.2, 8.8):
        p.fill(segment(3.2, y, 7.2, y, 0.9), (190, 196, 206))
    p.fill(circle(5.2, 12.2, 0.9), GREEN)
    p.erase(box(8.4, 4.6, 16, 16), 0.4)
    draw_person(p, 12.2, 5, 10.6, BLUE, BLUE_DARK)


def silence_on(p):
    draw_bubble(p, 1.2, 2, 14.8, 10.6, NEAR_WHITE, BLUE_DARK)
    draw_lines(p, 3.8, 12.2, (4.8, 7.6), GREY)
    slash = segment(2, 14.6, 14.4, 1.4, 1.7)
    p.erase(slash, 0.9)
    p.fill(slash, RED)


def silence_off(p):
    draw_bubble(p, 1.2, 1.6, 14.8, 10.2, NEAR_WHITE, BLUE_DARK)
    draw_lines(p, 3.6, 12.4, (4.4, 7.2), GREY)
    draw_badge(p, 12, 12, 3.3, GREEN, GREEN_DARK)
    draw_check(p, [(10.4, 12), (11.6, 13.3), (13.7, 10.7)], 1.1)


def users_in_out(p):
    draw_person(p, 8, 1, 9.5, (150, 170, 200), GREY_DARK)
    draw_arrow(p, 0.6, 13.2, 6.4, GREEN, GREEN_DARK, 1.6, 2.2)
    draw_arrow(p, 9.6, 13.2, 15.4, RED, RED_DARK, 1.6, 2.2)


def messages(p):
    draw_bubble(p, 0.8, 1, 11, 7.6, LIGHT_BLUE, BLUE_DARK)
    back_cut = box(4.2, 5.4, 16, 16)
    p.erase(back_cut, 0.2)
    draw_bubble(p, 5, 6, 15.2, 12.6, NEAR_WHITE, BLUE_DARK, tail_left=False)
    draw_lines(p, 7, 13.2, (8.4, 10.4), GREY, 0.8)


def message_sound(p):
    speaker = union(box(1.6, 5.6, 5, 10.4, 0.3), polygon([(4.4, 5.8), (9, 2.2), (9, 13.8), (4.4, 10.2)]))
    p.outlined(speaker, (96, 102, 114), DARK, 0.6)
    p.fill(union(arc(9, 8, 3, -50, 50, 1.2), arc(9, 8, 5.6, -50, 50, 1.2)), BLUE)


def search(p):
    p.fill(circle(6.4, 6.4, 3.8), LIGHT_BLUE)
    p.fill(ring(6.4, 6.4, 4.4, 1.8), GREY_DARK)
    p.fill(segment(9.8, 9.8, 14.2, 14.2, 2.8), DARK)


def private_chat(p):
    draw_bubble(p, 6.4, 0.8, 15.4, 7.4, TEAL, (20, 80, 82), tail_left=True)
    draw_lines(p, 8.4, 13.4, (3.2, 5.2), NEAR_WHITE, 0.8)
    p.erase(box(0, 5.6, 9.2, 16), 0.4)
    draw_person(p, 5.2, 4, 11.4, BLUE, BLUE_DARK)


# ---------------------------------------------------------------------------
# The program's mark and the logo.

def draw_mark(p, cx, cy, r, backdrop=True):
    """A quill over a round pond, centred on (cx, cy) with radius r."""
    if backdrop:
        p.fill(circle(cx, cy, r), lambda x, y: (0, int(80 + 40 * (y - cy + r) / (2 * r)), int(160 + 55 * (y - cy + r) / (2 * r))))
        p.fill(ring(cx, cy, r - r * 0.04, r * 0.08), (120, 190, 250))
    k = r / 14
    # The vane: a slim leaf from the nib (lower left) to the tip (upper right).
    ax, ay, bx, by = cx - 8.5 * k, cy + 8.5 * k, cx + 8 * k, cy - 9 * k
    length = math.hypot(bx - ax, by - ay)
    ux, uy = (bx - ax) / length, (by - ay) / length
    nx, ny = -uy, ux
    vane = []
    for i in range(21):
        t = i / 20
        w = math.sin(math.pi * min(1, t * 1.15)) * 3.3 * k * (1 - 0.25 * t) if t > 0.22 else 0
        vane.append((ax + ux * length * t + nx * w, ay + uy * length * t + ny * w))
    for i in range(20, -1, -1):
        t = i / 20
        w = math.sin(math.pi * min(1, t * 1.15)) * 2.2 * k if t > 0.22 else 0
        vane.append((ax + ux * length * t - nx * w, ay + uy * length * t - ny * w))
    p.fill(polygon(vane), (246, 248, 252))
    for i in range(6):
        t = 0.34 + i * 0.1
        sx, sy = ax + ux * length * t, ay + uy * length * t
        p.fill(segment(sx, sy, sx + (nx * 2.6 + ux * 1.8) * k, sy + (ny * 2.6 + uy * 1.8) * k, 0.45 * k), (170, 200, 236))
    p.fill(segment(ax + ux * 2 * k, ay + uy * 2 * k, bx - ux * 1.2 * k, by - uy * 1.2 * k, 0.7 * k), (150, 170, 200))
    p.fill(segment(ax, ay, ax + ux * 3 * k, ay + uy * 3 * k, 1.0 * k), (255, 200, 60))


def quill_letters(x, baseline, u, w):
    """'Quillmere' in strokes: x-height u, stroke width w. Returns the shape and the right edge."""
    parts = []

    def s(x0, y0, x1, y1):
        parts.append(segment(x + x0 * u, baseline - y0 * u, x + x1 * u, baseline - y1 * u, w))

    def a(cx, cy, r, start, end):
        parts.append(arc(x + cx * u, baseline - cy * u, r * u, start, end, w))

    # Q
    parts.append(ellipse_ring(x + 0.62 * u, baseline - 0.72 * u, 0.62 * u, 0.72 * u, w))
    s(0.8, 0.28, 1.3, -0.12)
    x += 1.62 * u
    # u
    s(0, 1, 0, 0.38)
    a(0.36, 0.38, 0.36, 0, 180)
    s(0.72, 1, 0.72, 0)
    x += 1.08 * u
    # i, l, l
    s(0, 1, 0, 0)
    parts.append(circle(x, baseline - 1.38 * u, w * 0.62))
    x += 0.38 * u
    s(0, 1.5, 0, 0)
    x += 0.38 * u
    s(0, 1.5, 0, 0)
    x += 0.38 * u
    # m
    s(0, 1, 0, 0)
    a(0.3, 0.66, 0.3, 180, 360)
    s(0.6, 0.66, 0.6, 0)
    a(0.9, 0.66, 0.3, 180, 360)
    s(1.2, 0.66, 1.2, 0)
    x += 1.52 * u
    # e, r, e
    for letter in "ere":
        if letter == "e":
            a(0.46, 0.5, 0.48, 35, 360)
            s(0.0, 0.5, 0.92, 0.5)
            x += 1.2 * u
        else:
            s(0, 1, 0, 0)
            a(0.44, 0.56, 0.44, 190, 320)
            x += 0.82 * u
    return union(*parts), x


PIXEL_FONT = {
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "S": ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    "-": ["00000", "00000", "00000", "11111", "00000", "00000", "00000"],
    "2": ["01110", "10001", "00001", "00110", "01000", "10000", "11111"],
    "5": ["11111", "10000", "11110", "00001", "00001", "10001", "01110"],
    "6": ["00110", "01000", "10000", "11110", "10001", "10001", "01110"],
    "I": ["11111", "00100", "00100", "00100", "00100", "00100", "11111"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "C": ["01110", "10001", "10000", "10000", "10000", "10001", "01110"],
    "P": ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    "V": ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "H": ["10001", "10001", "10001", "11111", "10001", "10001", "10001"],
    " ": ["00000"] * 7,
}


def pixel_text(p, text, x, y, size, colour):
    for ch in text:
        rows = PIXEL_FONT[ch]
        cells = [box(x + c * size, y + r * size, x + (c + 1) * size, y + (r + 1) * size)
                 for r, line in enumerate(rows) for c, bit in enumerate(line) if bit == "1"]
        if cells:
            p.fill(union(*cells), colour)
        x += 6 * size
    return x


def logo_picture():
    p = Picture(230, 115, 1.0, 3)
    p.fill(box(0, 0, 230, 115), lambda x, y: (int(4 + 10 * y / 115), int(28 + 40 * (x + y) / 345), int(110 + 60 * (x + y) / 345)))
    p.fill(subtract(box(0, 0, 230, 115), box(2, 2, 228, 113, 6)), (0, 120, 215))
    draw_mark(p, 56, 57, 44)
    letters, right = quill_letters(0, 0, 1, 1)
    width = right
    u = min(18.0, 112 / width)
    shape, _ = quill_letters(110, 62, u, 2.6)
    p.fill(shape, (250, 250, 252))
    tag = "PRIVATE IRC"
    pixel_text(p, tag, 112, 78, 1.55, (150, 205, 250))
    pixel_text(p, "AES-256", 112, 93, 1.55, (130, 230, 150))
    return p


def mark_icon(size):
    p = Picture(size, size, size / 32.0, 4)
    draw_mark(p, 16, 16, 15.2)
    return p


# ---------------------------------------------------------------------------

# (resource id, file name, width, height, drawing in the 16 × 16 design space)
BITMAPS = [
    (112, "key.bmp", 28, 28, key),
    (113, "secret.bmp", 28, 28, secret),
    (114, "operator.bmp", 28, 28, operator),
    (115, "moderated.bmp", 28, 28, moderated),
    (116, "lock.bmp", 52, 45, padlock),
    (117, "close_tab.bmp", 20, 20, close_tab),
    (118, "compatible.bmp", 28, 28, compatible),
    (119, "not_compatible.bmp", 28, 28, not_compatible),
    (120, "clear_search.bmp", 16, 16, clear_search),
    (121, "join_channel.bmp", 16, 16, join_channel),
    (122, "copy.bmp", 16, 16, copy),
    (124, "status_unknown.bmp", 16, 16, light((170, 174, 182), GREY_DARK, (236, 238, 242))),
    (125, "not_connected.bmp", 16, 16, light((220, 36, 36), RED_DARK, (255, 190, 190))),
    (126, "connected.bmp", 16, 16, light((40, 196, 72), GREEN_DARK, (200, 255, 210))),
    (127, "nicknames_online.bmp", 20, 20, nicknames_online),
    (128, "clear.bmp", 20, 20, clear),
    (129, "save.bmp", 20, 20, save),
    (130, "scroll_end.bmp", 20, 20, scroll_end),
    (131, "paste_send.bmp", 20, 20, paste_send),
    (132, "send.bmp", 20, 20, send),
    (133, "join_all.bmp", 16, 16, join_all),
    (134, "connect.bmp", 16, 16, connect),
    (135, "disconnect.bmp", 16, 16, disconnect),
    (136, "exit.bmp", 16, 16, exit_program),
    (137, "manual.bmp", 16, 16, manual),
    (138, "about.bmp", 16, 16, about),
    (139, "link.bmp", 16, 16, globe),
    (140, "preferences.bmp", 16, 16, preferences),
    (141, "favorite_nicknames.bmp", 16, 16, favourite_nicknames),
    (142, "favorite_channels.bmp", 16, 16, favourite_channels),
    (143, "passwords.bmp", 16, 16, key),
    (144, "servers.bmp", 16, 16, servers),
    (145, "silence_on.bmp", 16, 16, silence_on),
    (146, "silence_off.bmp", 16, 16, silence_off),
    (147, "users_in_out.bmp", 16, 16, users_in_out),
    (148, "messages.bmp", 16, 16, messages),
    (149, "message_sound.bmp", 16, 16, message_sound),
    (150, "search.bmp", 16, 16, search),
    (151, "private_chat.bmp", 16, 16, private_chat),
]


def save_file(name, data):
    os.makedirs(OUT, exist_ok=True)
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data)


def main():
    for _, name, width, height, draw in BITMAPS:
        p = Picture(width, height, min(width, height) / 16.0)
        if width != height:
            # Centre the square design in the wider picture.
            p.unit = height / 14.0
        draw(p)
        save_file(name, bmp_bytes(p.rgb()))
    save_file("logo.bmp", bmp_bytes(logo_picture().rgb()))
    save_file("quillmere.ico", ico_bytes([mark_icon(32).rgba(), mark_icon(48).rgba()]))
    save_file("quillmere_small.ico", ico_bytes([mark_icon(16).rgba()]))


if __name__ == "__main__":
    main()
