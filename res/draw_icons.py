#!/usr/bin/python3
"""Draws the application icon for the desktop's icon theme: the open dark-red
organiser with a ring binding of icon 136 (AppIcon.xpm), as PNG files at
16, 22, 24, 32, 48, 64, 128 and 256 pixels (icons/veskat-<size>.png) and as
one scalable SVG (icons/veskat.svg), beside this script. The files are
committed; the build installs them under the program's desktop name. Run it
from any directory after changing the drawing.

Every size is laid out on its own pixel grid rather than scaled from one
picture, so that small sizes keep whole-pixel lines and fewer rings and rules.
A light rim and a brighter lower edge keep the covers visible on dark themes,
where the dark outline disappears."""
import math
import os
import struct
import zlib

SIZES = [16, 22, 24, 32, 48, 64, 128, 256]

OUTLINE = "#3a0808"
COVER = "#8c1c1c"
RIM = "#c0483c"
EDGE = "#e0503c"
PAGE = "#ffffff"
PAGE_STACK = "#c4c4c4"
RULE = "#c0c8d4"
HEAD_LEFT = "#1f4fd1"
HEAD_RIGHT = "#d42a2a"
RING_LIGHT = "#f2f2f2"
RING = "#a4a4a4"
RING_DARK = "#3c3c3c"


class Rect:
    """A filled rectangle, optionally with rounded corners, in pixels."""

    def __init__(self, x0, y0, x1, y1, colour, radius=0.0):
        self.x0, self.y0, self.x1, self.y1 = x0, y0, x1, y1
        self.colour, self.radius = colour, radius

    def contains(self, x, y):
        if not (self.x0 <= x < self.x1 and self.y0 <= y < self.y1):
            return False
        r = self.radius
        cx = min(max(x, self.x0 + r), self.x1 - r)
        cy = min(max(y, self.y0 + r), self.y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r

    def coverage(self, px, py):
        """Share of the pixel square at (px, py) inside the shape."""
        w = min(px + 1, self.x1) - max(px, self.x0)
        h = min(py + 1, self.y1) - max(py, self.y0)
        if w <= 0 or h <= 0:
            return 0.0
        r = self.radius
        near_corner = (px < self.x0 + r or px + 1 > self.x1 - r) and (
            py < self.y0 + r or py + 1 > self.y1 - r)
        if not near_corner:
            return w * h
        grid = 4
        inside = sum(self.contains(px + (i + 0.5) / grid, py + (j + 0.5) / grid)
                     for i in range(grid) for j in range(grid))
        return inside / (grid * grid)


def organiser(n):
    """The shapes of the icon at n x n pixels, back to front."""
    u = n / 32  # one pixel of the 32-pixel icon 136

    def snap(v):
        return math.floor(v * u + 0.5)

    thin = max(1, round(n / 64))
    band = max(1, round(u))
    shapes = []

    # Covers: outline, light rim, dark-red board, brighter lower edge.
    left, right, top, bottom = snap(1), n - snap(1), snap(4), snap(29)
    radius = 0 if n < 48 else n / 42
    shapes.append(Rect(left, top, right, bottom, OUTLINE, radius))
    rim = 0 if n < 48 else thin
    if rim:
        shapes.append(Rect(left + thin, top + thin, right - thin, bottom - thin, RIM,
                           max(0, radius - thin)))
    inner = thin + rim
    shapes.append(Rect(left + inner, top + inner, right - inner, bottom - inner, COVER,
                       max(0, radius - inner)))
    edge_top = bottom - inner - band
    shapes.append(Rect(left + inner, edge_top, right - inner, bottom - inner, EDGE))

    # Pages, ruled like a diary, with the edge of the page stack under them.
    spine_left, spine_right = n // 2 - snap(2), n - (n // 2 - snap(2))
    page_top = top + inner + (band if n >= 48 else 0)
    stack_top = edge_top - band
    margin = left + inner + (band if n > 16 else 0)
    pages = [(margin, spine_left - band // 2 if n >= 48 else spine_left),
             (n - (spine_left - band // 2 if n >= 48 else spine_left), n - margin)]
    head_y = page_top + max(1, snap(2))
    head_h = max(1, round(u * 0.75))
    pitch = max(3, round(3 * u))
    rule_h = max(1, round(n / 96))
    for (x0, x1), head in zip(pages, [HEAD_LEFT, HEAD_RIGHT]):
        shapes.append(Rect(x0, page_top, x1, stack_top, PAGE))
        shapes.append(Rect(x0, stack_top, x1, edge_top, PAGE_STACK))
        pad = max(1, round(u))
        shapes.append(Rect(x0 + pad, head_y, x1 - pad, head_y + head_h, head))
        y = head_y + pitch
        while y + rule_h <= stack_top - max(1, pitch // 3):
            shapes.append(Rect(x0 + pad, y, x1 - pad, y + rule_h, RULE))
            y += pitch

    # The spine and the rings across it.
    shapes.append(Rect(spine_left, page_top, spine_right, edge_top, COVER))
    rings = 3 if n <= 16 else 4 if n <= 24 else 5
    ring_h = 2 if n <= 16 else max(3, round(2.6 * u))
    ring_left, ring_right = n // 2 - snap(4), n - (n // 2 - snap(4))
    first = page_top + max(1, round(u))
    last = stack_top - ring_h - max(0, round(u) - 1)
    for i in range(rings):
        y = first + round(i * (last - first) / (rings - 1))
        shapes.extend(ring(ring_left, y, ring_right, ring_h, n))
    return shapes


def ring(x0, y, x1, h, n):
    """One ring seen from the side: lit on top, shaded below; rounded at large
    sizes, at small ones the lit and shaded rows stop a pixel short of the ends."""
    if n < 48:
        rows = [RING] + [RING_DARK] if h == 2 else [RING_LIGHT] + [RING] * (h - 2) + [RING_DARK]
        return [Rect(x0 + (0 if colour == RING else 1), y + i, x1 - (0 if colour == RING else 1),
                     y + i + 1, colour) for i, colour in enumerate(rows)]
    r = h / 2
    light = max(1, round(h / 3))
    return [
        Rect(x0, y, x1, y + h, RING_DARK, r),
        Rect(x0, y, x1, y + h - light, RING, r),
        Rect(x0 + h / 4, y, x1 - h / 4, y + light, RING_LIGHT, light / 2),
    ]


def rgb(colour):
    return tuple(int(colour[i:i + 2], 16) for i in (1, 3, 5))


def render(shapes, n):
    """Premultiplied RGBA floats, shapes composited back to front."""
    px = [[(0.0, 0.0, 0.0, 0.0)] * n for _ in range(n)]
    for shape in shapes:
        red, green, blue = rgb(shape.colour)
        for y in range(max(0, math.floor(shape.y0)), min(n, math.ceil(shape.y1))):
            row = px[y]
            for x in range(max(0, math.floor(shape.x0)), min(n, math.ceil(shape.x1))):
                a = shape.coverage(x, y)
                if a <= 0:
                    continue
                r0, g0, b0, a0 = row[x]
                row[x] = (red * a + r0 * (1 - a), green * a + g0 * (1 - a),
                          blue * a + b0 * (1 - a), a + a0 * (1 - a))
    return px


def write_png(px, n, path):
    raw = bytearray()
    for row in px:
        raw.append(0)
        for r, g, b, a in row:
            if a > 0:
                r, g, b = r / a, g / a, b / a
            raw += bytes(max(0, min(255, round(v))) for v in (r, g, b, a * 255))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", n, n, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as out:
        out.write(png)


def write_svg(shapes, n, path):
    def num(v):
        return f"{v:g}" if v == int(v) else f"{v:.2f}"

    lines = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{n}" height="{n}" '
             f'viewBox="0 0 {n} {n}">',
             "  <title>veskat</title>"]
    for s in shapes:
        corner = f' rx="{num(s.radius)}"' if s.radius else ""
        lines.append(f'  <rect x="{num(s.x0)}" y="{num(s.y0)}" width="{num(s.x1 - s.x0)}" '
                     f'height="{num(s.y1 - s.y0)}"{corner} fill="{s.colour}"/>')
    lines.append("</svg>")
    with open(path, "w") as out:
        out.write("\n".join(lines) + "\n")


def main():
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "icons")
    os.makedirs(folder, exist_ok=True)
    for n in SIZES:
        write_png(render(organiser(n), n), n, os.path.join(folder, f"veskat-{n}.png"))
    write_svg(organiser(256), 256, os.path.join(folder, "veskat.svg"))


main()
