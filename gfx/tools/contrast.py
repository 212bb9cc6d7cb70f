#!/usr/bin/env python3
"""Writes the high-contrast theme's drawings: python3 gfx/tools/contrast.py gfx/contrast
Flat shapes with thick black outlines in signal yellow and white, no shading."""
import math, os, sys

OUT = sys.argv[1]
K, Y, W = "#000000", "#ffd200", "#ffffff"
OUTLINE = 2.6


class Icon:
    def __init__(self, size=32, fine=1.0):
        self.size = size
        self.fine = fine  # outline widths relative to the 32-unit drawing
        self.body = []

    def poly(self, pts, fill=Y, stroke=K, width=OUTLINE):
        d = "M" + " L".join("%g %g" % (round(x, 2), round(y, 2)) for x, y in pts) + " Z"
        self.path(d, fill, stroke, width)

    def path(self, d, fill=Y, stroke=K, width=OUTLINE, cap="round"):
        s = '<path d="%s" fill="%s"' % (d, fill)
        if stroke:
            s += ' stroke="%s" stroke-width="%g" stroke-linejoin="round" stroke-linecap="%s"' % (
                stroke, round(width * self.fine, 2), cap)
        self.body.append(s + "/>")

    def line(self, pts, stroke=K, width=3.0, cap="round"):
        d = "M" + " L".join("%g %g" % p for p in pts)
        self.path(d, "none", stroke, width, cap)

    def circle(self, cx, cy, r, fill=Y, stroke=K, width=OUTLINE):
        s = '<circle cx="%g" cy="%g" r="%g" fill="%s"' % (cx, cy, r, fill)
        if stroke:
            s += ' stroke="%s" stroke-width="%g"' % (stroke, round(width * self.fine, 2))
        self.body.append(s + "/>")

    def raw(self, text):
        self.body.append(text)

    def svg(self):
        return ('<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 32 32">\n'
                '%s\n</svg>\n') % (self.size, self.size, "\n".join(self.body))


icons = {}


def icon(fn):
    icons[fn.__name__] = fn
    return fn


def page(ic, x0, y0, x1, y1, fold=6, fill=W, lines=0):
    ic.poly([(x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1)], fill)
    ic.poly([(x1 - fold, y0), (x1 - fold, y0 + fold), (x1, y0 + fold)], K, width=1.6)
    for k in range(lines):
        y = y0 + fold + 3.5 + k * 4
        ic.line([(x0 + 3.5, y), (x1 - 3.5, y)], width=2.2, cap="butt")


def folder(ic, x0=2, y0=7, x1=30, y1=27, fill=Y):
    ic.poly([(x0, y0 + 3), (x0, y0), (x0 + 10, y0), (x0 + 12, y0 + 3), (x1, y0 + 3), (x1, y1), (x0, y1)], fill)
    ic.line([(x0, y0 + 6), (x1, y0 + 6)], width=2.0, cap="butt")


def arrow(x0, y, x1, half=3.0, head=7.0, headHalf=7.0):
    return [(x0, y - half), (x1 - head, y - half), (x1 - head, y - headHalf), (x1, y),
            (x1 - head, y + headHalf), (x1 - head, y + half), (x0, y + half)]


def star(cx, cy, r, inner=0.45, points=5, rot=-90):
    pts = []
    for i in range(points * 2):
        rr = r if i % 2 == 0 else r * inner
        a = math.radians(rot + i * 180.0 / points)
        pts.append((cx + rr * math.cos(a), cy + rr * math.sin(a)))
    return pts


def gear(cx, cy, r_out, r_in, teeth, rot=0.0):
    pts = []
    for i in range(teeth):
        base = rot + i * 360.0 / teeth
        for off, r in ((-0.25, r_in), (-0.13, r_out), (0.13, r_out), (0.25, r_in)):
            a = math.radians(base + off * 360.0 / teeth)
            pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts


@icon
def new(ic):
    # A blank sheet with a starburst sticker.
    page(ic, 3, 2, 23, 28)
    ic.poly(star(22, 22, 9.5, 0.68, 10, rot=-90), Y, width=2.2)


@icon
def add(ic):
    t, c = 4, 16
    ic.poly([(c - t, 3), (c + t, 3), (c + t, c - t), (29, c - t), (29, c + t), (c + t, c + t),
             (c + t, 29), (c - t, 29), (c - t, c + t), (3, c + t), (3, c - t), (c - t, c - t)], Y, width=3)


@icon
def infiles(ic):
    ic.poly([(11, 3), (29, 3), (29, 25), (11, 25)], W)
    ic.poly([(11, 25), (17, 14), (21, 19), (24, 16), (29, 25)], K, width=1.5)
    ic.circle(23, 9, 2.4, K, None)
    ic.poly(arrow(2, 21, 17, half=3, head=7, headHalf=7.5), Y)


@icon
def infolder(ic):
    folder(ic, 2, 11, 30, 30)
    ic.poly([(12, 1.5), (20, 1.5), (20, 10), (25, 10), (16, 20), (7, 10), (12, 10)], W)


@icon
def outfolder(ic):
    folder(ic, 2, 11, 30, 30)
    ic.poly([(12, 21), (20, 21), (20, 11), (25, 11), (16, 1.5), (7, 11), (12, 11)], W)


@icon
def outformat(ic):
    for k, fill in ((2, K), (1, W), (0, Y)):
        y = 5 + k * 7.5
        ic.poly([(16, y), (30, y + 6.5), (16, y + 13), (2, y + 6.5)], fill, stroke=K if fill != K else W,
                width=OUTLINE if fill != K else 2.0)


@icon
def favfolder(ic):
    folder(ic, 1.5, 5, 26, 24)
    ic.poly(star(21.5, 21.5, 9.5, 0.48), W, width=2.4)


@icon
def importfiles(ic):
    page(ic, 12, 2, 30, 30, lines=4)
    ic.poly(arrow(1.5, 16, 19, half=3, head=7.5, headHalf=7.5), Y)


@icon
def exportfiles(ic):
    page(ic, 2, 2, 20, 30, lines=4)
    ic.poly(arrow(13, 16, 30.5, half=3, head=7.5, headHalf=7.5), Y)


@icon
def exit(ic):
    ic.poly([(3, 2), (19, 2), (19, 30), (3, 30)], W)
    ic.poly([(3, 2), (13, 6), (13, 31), (3, 30)], K, stroke=K)
    ic.poly(arrow(14, 16, 31, half=3.2, head=7, headHalf=7.5), Y)


@icon
def copy(ic):
    page(ic, 2, 2, 20, 23, fold=5, fill=W)
    page(ic, 11, 9, 30, 30, fold=6, fill=Y, lines=0)
    for y in (20, 25):
        ic.line([(15, y), (26, y)], width=2.4, cap="butt")


@icon
def delete(ic):
    # A waste bin: lid, handle and a striped body.
    ic.poly([(6, 10), (26, 10), (24, 30), (8, 30)], Y)
    for x in (12.5, 16, 19.5):
        ic.line([(x, 14), (x, 26)], width=2.2, cap="butt")
    ic.poly([(3, 6), (29, 6), (29, 10), (3, 10)], K, stroke=K, width=1.5)
    ic.path("M12 6 V2.5 H20 V6", "none", K, 2.6, cap="butt")


@icon
def selectall(ic):
    ic.poly([(9, 9), (23, 9), (23, 23), (9, 23)], Y)
    ic.path("M3 3 H29 V29 H3 Z", "none", W, 4.6)
    ic.raw('<path d="M3 3 H29 V29 H3 Z" fill="none" stroke="#000000" stroke-width="2.8" '
           'stroke-dasharray="5 3.66" stroke-dashoffset="2.5"/>')


@icon
def convert(ic):
    ic.poly([(2, 7), (15, 7), (15, 25), (2, 25)], W)
    ic.poly([(2, 25), (6.5, 15), (10, 20), (12, 17.5), (15, 25)], K, width=1.3)
    ic.circle(10.5, 11.5, 1.8, K, None)
    ic.poly(arrow(13, 16, 31, half=4, head=8, headHalf=9), Y, width=2.8)


def convert_to_layers(ic):
    """The large Convert button: a picture turned into a stack of layers."""
    ic.poly([(2, 3), (16, 3), (16, 15), (2, 15)], W)
    ic.poly([(2, 15), (7, 8), (10, 12), (12, 10), (16, 15)], K, width=1.3)
    ic.circle(11.5, 6.5, 1.4, K, None)
    for k, fill in ((2, K), (1, W), (0, Y)):
        y = 14 + k * 4.5
        ic.poly([(22.5, y), (31, y + 4), (22.5, y + 8), (14, y + 4)], fill, stroke=K if fill != K else W,
                width=2.2 if fill != K else 1.6)
    ic.path("M18.5 4 C24 4 27 6.5 27 10.5 H30.5 L24.5 17 L18.5 10.5 H22 C22 9 21 8.2 18.5 8.2 Z", Y, width=2.4)


@icon
def error(ic):
    ic.poly([(16, 2.5), (30.5, 28.5), (1.5, 28.5)], Y, width=2.8)
    ic.path("M14.3 10 H17.7 L17 20.5 H15 Z", K, K, 1.0)
    ic.circle(16, 24.3, 2.0, K, None)


@icon
def preferences(ic):
    # Three sliders with their knobs at different settings.
    for y, x in ((7, 10), (16, 21), (25, 13)):
        ic.line([(3, y), (29, y)], stroke=W, width=5.5, cap="round")
        ic.line([(3, y), (29, y)], stroke=K, width=2.6, cap="round")
        ic.poly([(x - 3.5, y - 4), (x + 3.5, y - 4), (x + 3.5, y + 4), (x - 3.5, y + 4)], Y, width=2.2)


@icon
def customconverter(ic):
    ic.poly(gear(16, 16, 14.5, 10.5, 8, rot=22.5), Y, width=2.4)
    ic.circle(16, 16, 5.5, W, K, 2.4)
    ic.circle(16, 16, 2, K, None)


def question(ic, colour):
    ic.path("M11 12.5 C11 5.5 21 5.5 21 12 C21 15.5 17.8 16 17.8 19.5 V20.5 H14.2 V19 C14.2 14.8 17.3 14.5 17.3 12 "
            "C17.3 9.7 14.7 9.7 14.7 12.5 Z", colour, None)
    ic.circle(16, 24.8, 2.2, colour, None)


@icon
def help(ic):
    ic.circle(16, 16, 14, Y, K, 2.8)
    question(ic, K)


@icon
def email(ic):
    ic.poly([(2, 6), (30, 6), (30, 26), (2, 26)], Y)
    ic.line([(2.5, 6.5), (16, 17.5), (29.5, 6.5)], width=2.6)
    ic.line([(2.5, 25.5), (12, 15.5)], width=2.0)
    ic.line([(29.5, 25.5), (20, 15.5)], width=2.0)


@icon
def web(ic):
    ic.circle(16, 16, 14, W, K, 2.8)
    ic.raw('<ellipse cx="16" cy="16" rx="6" ry="14" fill="%s" stroke="#000000" stroke-width="2.2"/>' % Y)
    ic.line([(2.5, 16), (29.5, 16)], width=2.2, cap="butt")
    ic.line([(4.5, 9), (27.5, 9)], width=1.8, cap="butt")
    ic.line([(4.5, 23), (27.5, 23)], width=1.8, cap="butt")
    ic.circle(16, 16, 14, "none", K, 2.8)


@icon
def updates(ic):
    # A download arrow dropping into a tray.
    ic.poly([(12, 2), (20, 2), (20, 12), (26, 12), (16, 22), (6, 12), (12, 12)], Y)
    ic.path("M2 19 V29 H30 V19", "none", W, 6.0, cap="round")
    ic.path("M2 19 V29 H30 V19", "none", K, 3.2, cap="round")


@icon
def about(ic):
    ic.circle(16, 16, 14, W, K, 2.8)
    ic.circle(16, 8.8, 2.4, K, None)
    ic.path("M12 13 H18 V22.5 H20.5 V25.5 H11.5 V22.5 H14 V16 H12 Z", K, None)


def convert_large():
    ic = Icon(96, fine=0.6)
    convert_to_layers(ic)
    return ic


os.makedirs(OUT, exist_ok=True)
for name, fn in icons.items():
    ic = Icon()
    fn(ic)
    open(os.path.join(OUT, name + ".svg"), "w").write(ic.svg())
open(os.path.join(OUT, "convert_large.svg"), "w").write(convert_large().svg())
print(len(icons), "icons")
