"""Pictograms drawn in one colour into a box centred on (cx, cy) of side s.
Stroke widths follow s, so one drawing serves every size."""
import math


def house(c, cx, cy, s, colour):
    w = s * 0.09
    roof = [(cx - s * 0.45, cy - s * 0.02), (cx, cy - s * 0.42), (cx + s * 0.45, cy - s * 0.02)]
    c.line(roof, colour, w)
    body = [(cx - s * 0.3, cy - s * 0.12), (cx - s * 0.3, cy + s * 0.4), (cx + s * 0.3, cy + s * 0.4),
            (cx + s * 0.3, cy - s * 0.12)]
    c.line(body, colour, w)
    c.rect((cx - s * 0.08, cy + s * 0.12, cx + s * 0.08, cy + s * 0.4), colour)


def arrow_down(c, cx, cy, s, colour, width=None):
    w = width or s * 0.1
    c.line([(cx, cy - s * 0.42), (cx, cy + s * 0.1)], colour, w)
    c.line([(cx - s * 0.2, cy - s * 0.1), (cx, cy + s * 0.12), (cx + s * 0.2, cy - s * 0.1)], colour, w)


def arrow_up(c, cx, cy, s, colour, width=None):
    w = width or s * 0.14
    c.line([(cx, cy + s * 0.36), (cx, cy - s * 0.3)], colour, w)
    c.line([(cx - s * 0.28, cy - s * 0.04), (cx, cy - s * 0.34), (cx + s * 0.28, cy - s * 0.04)], colour, w)


def download(c, cx, cy, s, colour):
    arrow_down(c, cx, cy - s * 0.04, s, colour, s * 0.09)
    tray = [(cx - s * 0.42, cy + s * 0.12), (cx - s * 0.42, cy + s * 0.4), (cx + s * 0.42, cy + s * 0.4),
            (cx + s * 0.42, cy + s * 0.12)]
    c.line(tray, colour, s * 0.09)


def archive(c, cx, cy, s, colour):
    """A box with a lid and an upward arrow: backing up."""
    w = s * 0.08
    c.rounded((cx - s * 0.44, cy - s * 0.36, cx + s * 0.44, cy - s * 0.16), s * 0.04, fill=colour)
    c.line([(cx - s * 0.36, cy - s * 0.12), (cx - s * 0.36, cy + s * 0.4), (cx + s * 0.36, cy + s * 0.4),
            (cx + s * 0.36, cy - s * 0.12)], colour, w)
    c.line([(cx, cy + s * 0.28), (cx, cy - s * 0.02)], colour, w)
    c.line([(cx - s * 0.13, cy + s * 0.1), (cx, cy - s * 0.04), (cx + s * 0.13, cy + s * 0.1)], colour, w)


def circular_arrow(c, cx, cy, s, colour, width=None, gap_at=200):
    """Most of a circle with an arrow head turning anticlockwise: restoring,
    repeating. The circle opens at gap_at degrees (clockwise from three
    o'clock, as Pillow counts)."""
    w = width or s * 0.09
    r = s * 0.34
    c.arc((cx - r, cy - r, cx + r, cy + r), gap_at + 10, gap_at + 300, colour, w)
    a = math.radians(gap_at + 10)
    px, py = cx + r * math.cos(a), cy + r * math.sin(a)
    tx, ty = math.sin(a), -math.cos(a)      # anticlockwise along the circle
    nx, ny = math.cos(a), math.sin(a)       # outwards
    h = max(s * 0.22, w * 2.2)
    c.polygon([(px + tx * h * 0.7, py + ty * h * 0.7),
               (px - tx * h * 0.3 + nx * h * 0.6, py - ty * h * 0.3 + ny * h * 0.6),
               (px - tx * h * 0.3 - nx * h * 0.6, py - ty * h * 0.3 - ny * h * 0.6)], colour)


def gear(c, cx, cy, s, colour, hole=None):
    teeth = 8
    outer, inner = s * 0.46, s * 0.34
    points = []
    for i in range(teeth * 4):
        angle = 2 * math.pi * i / (teeth * 4)
        radius = outer if i % 4 in (1, 2) else inner
        points.append((cx + radius * math.cos(angle), cy + radius * math.sin(angle)))
    c.polygon(points, colour)
    c.ellipse((cx - s * 0.36, cy - s * 0.36, cx + s * 0.36, cy + s * 0.36), fill=colour)
    hole_r = s * 0.14
    box = (cx - hole_r, cy - hole_r, cx + hole_r, cy + hole_r)
    if hole is None:
        c.punch_ellipse(box)
    else:
        c.ellipse(box, fill=hole)


def magnifier(c, cx, cy, s, colour):
    r = s * 0.27
    ox, oy = cx - s * 0.1, cy - s * 0.1
    c.ellipse((ox - r, oy - r, ox + r, oy + r), outline=colour, width=s * 0.1)
    c.line([(ox + r * 0.78, oy + r * 0.78), (cx + s * 0.4, cy + s * 0.4)], colour, s * 0.14)


def chip(c, cx, cy, s, colour, pins=True):
    half = s * 0.28
    c.rounded((cx - half, cy - half, cx + half, cy + half), s * 0.06, outline=colour, width=s * 0.08)
    c.rect((cx - s * 0.1, cy - s * 0.1, cx + s * 0.1, cy + s * 0.1), colour)
    if pins:
        for k in (-0.14, 0, 0.14):
            for side in (-1, 1):
                c.line([(cx + k * s, cy + side * half), (cx + k * s, cy + side * s * 0.42)], colour, s * 0.06)
                c.line([(cx + side * half, cy + k * s), (cx + side * s * 0.42, cy + k * s)], colour, s * 0.06)


def monitor(c, cx, cy, s, frame, screen):
    c.rounded((cx - s * 0.44, cy - s * 0.36, cx + s * 0.44, cy + s * 0.22), s * 0.05, fill=frame)
    c.rect((cx - s * 0.37, cy - s * 0.29, cx + s * 0.37, cy + s * 0.15), screen)
    c.polygon([(cx - s * 0.08, cy + s * 0.22), (cx + s * 0.08, cy + s * 0.22), (cx + s * 0.12, cy + s * 0.36),
               (cx - s * 0.12, cy + s * 0.36)], frame)
    c.rounded((cx - s * 0.24, cy + s * 0.34, cx + s * 0.24, cy + s * 0.42), s * 0.03, fill=frame)


def clock(c, cx, cy, s, colour):
    r = s * 0.42
    c.ellipse((cx - r, cy - r, cx + r, cy + r), outline=colour, width=s * 0.09)
    c.line([(cx, cy - r * 0.6), (cx, cy), (cx + r * 0.45, cy + r * 0.3)], colour, s * 0.09)


def shield_check(c, cx, cy, s, colour, mark):
    top, bottom = cy - s * 0.44, cy + s * 0.46
    points = [(cx, top), (cx + s * 0.38, top + s * 0.12), (cx + s * 0.34, cy + s * 0.12), (cx, bottom),
              (cx - s * 0.34, cy + s * 0.12), (cx - s * 0.38, top + s * 0.12)]
    c.polygon(points, colour)
    check(c, cx, cy + s * 0.02, s * 0.55, mark)


def check(c, cx, cy, s, colour, width=None):
    c.line([(cx - s * 0.38, cy + s * 0.02), (cx - s * 0.1, cy + s * 0.3), (cx + s * 0.4, cy - s * 0.28)], colour,
           width or s * 0.18)


def cross(c, cx, cy, s, colour, width=None):
    w = width or s * 0.12
    d = s * 0.32
    c.line([(cx - d, cy - d), (cx + d, cy + d)], colour, w)
    c.line([(cx - d, cy + d), (cx + d, cy - d)], colour, w)


def exclamation(c, cx, cy, s, colour):
    c.line([(cx, cy - s * 0.34), (cx, cy + s * 0.1)], colour, s * 0.15)
    r = s * 0.09
    c.ellipse((cx - r, cy + s * 0.3 - r, cx + r, cy + s * 0.3 + r), fill=colour)


def info(c, cx, cy, s, colour):
    r = s * 0.09
    c.ellipse((cx - r, cy - s * 0.33 - r, cx + r, cy - s * 0.33 + r), fill=colour)
    c.line([(cx, cy - s * 0.1), (cx, cy + s * 0.34)], colour, s * 0.15)


def question(c, cx, cy, s, colour):
    r = s * 0.2
    c.arc((cx - r, cy - s * 0.38, cx + r, cy - s * 0.38 + 2 * r), 180, 400, colour, s * 0.14)
    c.line([(cx + r * 0.72, cy - s * 0.1), (cx, cy + s * 0.05), (cx, cy + s * 0.13)], colour, s * 0.14)
    dot = s * 0.085
    c.ellipse((cx - dot, cy + s * 0.33 - dot, cx + dot, cy + s * 0.33 + dot), fill=colour)


def list_lines(c, cx, cy, s, colour):
    for k in (-0.25, 0, 0.25):
        c.line([(cx - s * 0.28, cy + k * s), (cx + s * 0.28, cy + k * s)], colour, s * 0.13)


def menu_chevron(c, cx, cy, s, colour):
    c.line([(cx - s * 0.3, cy - s * 0.12), (cx, cy + s * 0.16), (cx + s * 0.3, cy - s * 0.12)], colour, s * 0.12)
