#!/usr/bin/python3
"""Draws the program's pictures and writes them as XPM: AppIcon.xpm (icon 136,
32 x 32) and StateImages.xpm (bitmap 135, four 16 x 16 images side by side).
Only the 16 standard desktop colours are used; "None" marks what is
transparent. Run it from any directory; it
writes beside itself."""
import math
import os

PALETTE = {
    ".": "#FFFFFF", "k": "#000000", "m": "#800000", "r": "#FF0000",
    "g": "#808080", "s": "#C0C0C0", "b": "#0000FF", "n": "#000080",
    "y": "#FFFF00", "o": "#808000", "e": "#008000", " ": "None",
}


class Canvas:
    def __init__(self, width, height, fill):
        self.width, self.height = width, height
        self.px = [[fill] * width for _ in range(height)]

    def set(self, x, y, c):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        for x in range(x0, x1 + 1):
            self.set(x, y0, c)
            self.set(x, y1, c)
        for y in range(y0, y1 + 1):
            self.set(x0, y, c)
            self.set(x1, y, c)

    def line(self, x0, y0, x1, y1, c, thick=1):
        steps = max(abs(x1 - x0), abs(y1 - y0))
        for i in range(steps + 1):
            x = round(x0 + (x1 - x0) * i / steps)
            y = round(y0 + (y1 - y0) * i / steps)
            for t in range(thick):
                self.set(x + t, y, c)

    def blit(self, other, ox, oy):
        for y in range(other.height):
            for x in range(other.width):
                self.set(ox + x, oy + y, other.px[y][x])


def box(fill):
    # Only the surroundings are transparent: a box left see-through would show
    # just its grey and black frame, which vanishes on a dark list.
    c = Canvas(16, 16, " ")
    c.rect(2, 2, 13, 13, fill)
    c.frame(1, 1, 14, 14, "g")
    c.line(2, 14, 14, 14, "k")
    c.line(14, 2, 14, 14, "k")
    return c


def not_tracked():
    c = box("s")
    c.line(4, 4, 4, 11, "b", 2)
    c.line(10, 4, 10, 11, "b", 2)
    c.line(5, 4, 10, 11, "b", 1)
    c.line(4, 4, 9, 11, "b", 1)
    return c


def done():
    c = box(".")
    for (x, y) in [(4, 7), (5, 8), (6, 9), (7, 8), (8, 7), (9, 6), (10, 5), (11, 4)]:
        c.rect(x, y, x, y + 2, "r")
    return c


def overdue():
    c = box(".")
    cx, cy, rad = 7.5, 7.5, 5.2
    for y in range(16):
        for x in range(16):
            d = math.hypot(x - cx, y - cy)
            if d <= rad - 1.0:
                c.set(x, y, "y")
            elif d <= rad + 0.3:
                c.set(x, y, "n")
    c.line(7, 4, 7, 7, "k")
    c.line(7, 8, 10, 8, "k")
    c.set(8, 7, "k")
    return c


def state_images():
    strip = Canvas(64, 16, " ")
    for i, image in enumerate([not_tracked(), box("."), done(), overdue()]):
        strip.blit(image, i * 16, 0)
    return strip


def app_icon():
    c = Canvas(32, 32, " ")
    # Covers of the open organiser, dark red with a black edge.
    c.rect(1, 4, 30, 28, "m")
    c.frame(1, 4, 30, 28, "k")
    c.line(2, 27, 29, 27, "r")
    # The two pages, ruled like a diary.
    for x0, x1 in [(3, 13), (18, 28)]:
        c.rect(x0, 5, x1, 25, ".")
        c.line(x0, 26, x1, 26, "s")
        for y in range(9, 25, 3):
            c.line(x0 + 1, y, x1 - 1, y, "s")
    c.line(19, 7, 27, 7, "r")
    c.line(4, 7, 12, 7, "b")
    # Spine and the ring binding across it.
    c.rect(14, 5, 17, 26, "m")
    for y in range(7, 26, 4):
        c.line(12, y, 19, y, "g")
        c.line(13, y - 1, 18, y - 1, "s")
        c.line(13, y + 1, 18, y + 1, "k")
        c.set(12, y - 1, "k")
        c.set(19, y - 1, "k")
    return c


def write_xpm(canvas, name, path):
    used = sorted({p for row in canvas.px for p in row})
    lines = [f'"{canvas.width} {canvas.height} {len(used)} 1",']
    lines += [f'"{k} c {PALETTE[k]}",' for k in used]
    lines += [f'"{"".join(row)}",' for row in canvas.px]
    lines[-1] = lines[-1].rstrip(",")
    with open(path, "w") as out:
        out.write("/* XPM */\n")
        out.write("/* Written by draw_images.py; edit that and run it again. */\n")
        out.write(f"static const char* const {name}[] = {{\n")
        out.write("\n".join(lines))
        out.write("\n};\n")


here = os.path.dirname(os.path.abspath(__file__))
write_xpm(app_icon(), "kAppIconXpm", os.path.join(here, "AppIcon.xpm"))
write_xpm(state_images(), "kStateImagesXpm", os.path.join(here, "StateImages.xpm"))
