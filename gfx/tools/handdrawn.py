#!/usr/bin/env python3
"""Writes the hand-drawn theme's drawings: python3 gfx/tools/handdrawn.py gfx/handdrawn
Each icon has its own random seed, so redrawing one leaves the others as they were."""
import math, os, sys
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(__file__))
from sketch import Icon, circle, arrow_head, fat_arrow, INK

OUT = sys.argv[1]
icons = {}


def icon(fn):
    icons[fn.__name__] = fn
    return fn


def page(ic, x0, y0, x1, y1, fold=5, colour="paper", lines=0, hatch=True):
    pts = [(x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1)]
    ic.shape(pts, colour, hatch=hatch, spacing=3.4)
    ic.ink([(x1 - fold, y0), (x1 - fold, y0 + fold), (x1, y0 + fold)], width=1.4, passes=False)
    for k in range(lines):
        y = y0 + fold + 3 + k * 3.6
        ic.ink([(x0 + 3, y), (x1 - 3 - (k % 2) * 3, y)], width=1.3, passes=False, wobble=0.25)


def folder(ic, x0=3, y0=8, x1=29, y1=26, colour="ochre"):
    tab = [(x0, y0 + 3), (x0, y0), (x0 + 9, y0), (x0 + 11, y0 + 3)]
    body = [(x0, y0 + 3), (x1, y0 + 3), (x1, y1), (x0, y1)]
    ic.wash(tab + [(x0 + 11, y0 + 5), (x0, y0 + 5)], colour, hatch=False)
    ic.shape(body, colour, spacing=3.2)
    ic.ink(tab, over=0.6)


def picture(ic, x0, y0, x1, y1):
    """A small landscape picture: the converter's input."""
    ic.shape([(x0, y0), (x1, y0), (x1, y1), (x0, y1)], "sky", spacing=3.6)
    w, h = x1 - x0, y1 - y0
    hill = [(x0, y1), (x0 + w * 0.35, y0 + h * 0.45), (x0 + w * 0.6, y0 + h * 0.75),
            (x0 + w * 0.78, y0 + h * 0.55), (x1, y1)]
    ic.wash(hill, "sage", hatch=False)
    ic.ink(hill[0:4] + [hill[4]], width=1.4, passes=False)
    ic.dot(x0 + w * 0.75, y0 + h * 0.28, min(w, h) * 0.11, "#e9a23b")


def star(cx, cy, r, inner=0.45, rot=-90):
    pts = []
    for i in range(10):
        rr = r if i % 2 == 0 else r * inner
        a = math.radians(rot + i * 36)
        pts.append((cx + rr * math.cos(a), cy + rr * math.sin(a)))
    return pts


@icon
def new(ic):
    page(ic, 7, 5, 25, 28, fold=6, lines=0)
    ic.shape(star(24.5, 24.5, 6.8, 0.45), "ochre", hatch=False, over=0.3, width=1.6)


@icon
def add(ic):
    t = 3.4
    c = 16
    pts = [(c - t, 4), (c + t, 4), (c + t, c - t), (28, c - t), (28, c + t), (c + t, c + t),
           (c + t, 28), (c - t, 28), (c - t, c + t), (4, c + t), (4, c - t), (c - t, c - t)]
    ic.shape(pts, "sage", over=0.7, spacing=2.6)


@icon
def infiles(ic):
    page(ic, 13, 3, 28, 21, fold=4, colour="paper")
    picture(ic, 9, 10, 26, 26)
    ic.shape(fat_arrow(2, 20, 14, half=2.2, head=5.0, headHalf=5.2), "terra", hatch=False, over=0.4, width=1.7)


@icon
def infolder(ic):
    folder(ic, 3, 11, 29, 28)
    pts = [(13, 2), (19, 2), (19, 10), (23, 10), (16, 19), (9, 10), (13, 10)]
    ic.shape(pts, "terra", hatch=False, over=0.4, width=1.8)


@icon
def outfolder(ic):
    folder(ic, 3, 11, 29, 28, colour="ochre")
    pts = [(13, 19), (19, 19), (19, 11), (23, 11), (16, 2), (9, 11), (13, 11)]
    ic.shape(pts, "sage", hatch=False, over=0.4, width=1.8)


@icon
def outformat(ic):
    # Stacked layers: the layered document the converter writes.
    for k, colour in ((2, "sky"), (1, "sage"), (0, "ochre")):
        y = 7 + k * 7
        pts = [(16, y), (29, y + 6), (16, y + 12), (3, y + 6)]
        ic.shape(pts, colour, over=0.8, spacing=2.8)


@icon
def favfolder(ic):
    folder(ic, 2, 6, 26, 23, colour="ochre")
    ic.shape(star(21.5, 21.5, 9.0, 0.46), "brick", hatch=False, over=0.3, width=1.7)


@icon
def importfiles(ic):
    page(ic, 12, 3, 28, 29, fold=5, lines=5, hatch=False)
    ic.shape(fat_arrow(1, 16, 17, half=2.6, head=6.0, headHalf=6.2), "sky", hatch=False, over=0.4, width=1.8)


@icon
def exportfiles(ic):
    page(ic, 3, 3, 19, 29, fold=5, lines=5, hatch=False)
    ic.shape(fat_arrow(14, 16, 31, half=2.6, head=6.0, headHalf=6.2), "terra", hatch=False, over=0.4, width=1.8)


@icon
def exit(ic):
    ic.shape([(4, 3), (20, 3), (20, 29), (4, 29)], "grey", spacing=3.0)
    ic.shape([(4, 3), (14, 7), (14, 31), (4, 29)], "terra", spacing=2.6, width=1.8)
    ic.dot(11.5, 18, 1.3)
    ic.shape(fat_arrow(16, 16, 31, half=2.4, head=5.5, headHalf=5.8), "sage", hatch=False, over=0.4, width=1.8)


@icon
def copy(ic):
    page(ic, 3, 3, 19, 22, fold=4, lines=0)
    page(ic, 12, 10, 29, 30, fold=5, lines=3, colour="paper")


@icon
def delete(ic):
    # Two crossed ink slashes with a red wash beneath, like a quick correction mark.
    for pts in ([(6, 6), (26, 26)], [(26, 6), (6, 26)]):
        ic.ink(pts, width=6.0, colour="#d9483b", passes=False, wobble=0.6)
        ic.ink(pts, width=2.0, over=1.2)


@icon
def selectall(ic):
    # A dashed marquee round two sketched blocks.
    corners = [(3, 3), (29, 3), (29, 29), (3, 29)]
    for i in range(4):
        (x1, y1), (x2, y2) = corners[i], corners[(i + 1) % 4]
        for k in range(4):
            t0, t1 = k / 4 + 0.02, k / 4 + 0.16
            dash = [(x1 + (x2 - x1) * t0, y1 + (y2 - y1) * t0), (x1 + (x2 - x1) * t1, y1 + (y2 - y1) * t1)]
            ic.halo(dash, 3.6)
            ic.ink(dash, width=2.0, passes=False, wobble=0.1)
    ic.shape([(8, 8), (17, 8), (17, 17), (8, 17)], "sky", spacing=2.6, over=0.6)
    ic.shape([(14, 14), (24, 14), (24, 24), (14, 24)], "ochre", spacing=2.6, over=0.6)


@icon
def convert(ic):
    picture(ic, 2, 2, 17, 15)
    for k, colour in ((1, "sky"), (0, "ochre")):
        y = 17 + k * 5
        ic.shape([(23, y), (31, y + 4), (23, y + 8), (15, y + 4)], colour, over=0.5, width=1.7, spacing=2.4)
    a1 = -12
    pts = circle(15, 16, 10.5, n=6, a0=-85, a1=a1)
    ic.band(pts, "terra", width=4.0)
    a = math.radians(a1)
    direction = (-math.sin(a), math.cos(a))
    end = pts[-1]
    arrow_head(ic, (end[0] + direction[0] * 5.5, end[1] + direction[1] * 5.5), direction, size=6.0, colour="terra")


@icon
def error(ic):
    pts = circle(16, 16, 13, n=16, rng=ic.rng)
    ic.blob(pts[:-1], "brick", spacing=2.8)
    ic.ink([(16, 8), (16.3, 18)], width=3.6, colour="#fff7e6", passes=False)
    ic.dot(16.2, 23, 2.0, "#fff7e6")


def gear_points(cx, cy, r_out, r_in, teeth, rot=0.0):
    pts = []
    for i in range(teeth):
        base = rot + i * 360.0 / teeth
        for off, r in ((-0.24, r_in), (-0.12, r_out), (0.12, r_out), (0.24, r_in)):
            a = math.radians(base + off * 360.0 / teeth)
            pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts


@icon
def preferences(ic):
    pts = gear_points(16, 16, 14, 10.5, 8, rot=10)
    ic.wash(pts, "grey", spacing=2.6)
    ic.ink(pts + [pts[0], pts[1]], width=2.0, wobble=0.2)
    hole = circle(16, 16, 4.2, n=10, rng=ic.rng)
    ic.blob(hole[:-1], "paper", hatch=False, width=1.8)


@icon
def customconverter(ic):
    # A wrench laid across a small gear.
    pts = gear_points(11, 21, 9, 6.5, 7, rot=5)
    ic.wash(pts, "grey", spacing=2.6)
    ic.ink(pts + [pts[0], pts[1]], width=1.6, wobble=0.15, passes=False)
    ic.dot(11, 21, 2.2, INK)
    ic.wash(wrench(22, 10, 7.0), "ochre", spacing=2.4)
    outline = wrench(22, 10, 7.0)
    ic.ink(outline + [outline[0]], width=1.9, wobble=0.15)


def wrench(cx, cy, r, handle=20, half=2.6, mouth=2.6):
    """Outline of a wrench: a ring head at (cx, cy) with its mouth to the upper right and the
    handle running to the lower left."""
    ang = math.radians(135)
    hx, hy = math.cos(ang), math.sin(ang)
    px, py = -hy, hx
    end = (cx + hx * handle, cy + hy * handle)
    pts = [(cx + hx * r * 0.8 + px * half, cy + hy * r * 0.8 + py * half),
           (end[0] + px * half, end[1] + py * half), (end[0] - px * half, end[1] - py * half),
           (cx + hx * r * 0.8 - px * half, cy + hy * r * 0.8 - py * half)]
    mouth_angle = ang + math.pi
    mx, my = math.cos(mouth_angle), math.sin(mouth_angle)
    ring = []
    for k in range(12):
        a = math.degrees(ang) + 22 + (360 - 44) * k / 11
        off = ((a - math.degrees(mouth_angle)) + 180) % 360 - 180
        if abs(off) >= 30:
            ring.append((off, (cx + r * math.cos(math.radians(a)), cy + r * math.sin(math.radians(a)))))
    before = [p for off, p in ring if off < 0]
    after = [p for off, p in ring if off > 0]
    slot = [(cx + mx * r - px * mouth, cy + my * r - py * mouth), (cx + mx * 2 - px * mouth, cy + my * 2 - py * mouth),
            (cx + mx * 2 + px * mouth, cy + my * 2 + py * mouth), (cx + mx * r + px * mouth, cy + my * r + py * mouth)]
    return pts + before + slot + after


@icon
def help(ic):
    pts = circle(16, 16, 13.5, n=16, rng=ic.rng)
    ic.blob(pts[:-1], "sky", spacing=2.8)
    q = circle(16, 11.5, 4.6, n=8, a0=-200, a1=40) + [(16.3, 18.5)]
    ic.ink(q, width=3.4, colour="#fff7e6", passes=False, wobble=0.1)
    ic.dot(16.3, 23.8, 2.0, "#fff7e6")


@icon
def email(ic):
    box = [(2, 7), (30, 7), (30, 26), (2, 26)]
    ic.shape(box, "paper", spacing=3.2)
    ic.ink([(2.5, 7.5), (16, 18), (29.5, 7.5)], width=1.8)
    ic.ink([(2.5, 25.5), (12, 15.5)], width=1.3, passes=False)
    ic.ink([(29.5, 25.5), (20, 15.5)], width=1.3, passes=False)
    ic.shape([(22, 10), (27, 10), (27, 15), (22, 15)], "brick", hatch=False, over=0.3, width=1.2)


@icon
def web(ic):
    pts = circle(16, 16, 13.5, n=16, rng=ic.rng)
    ic.blob(pts[:-1], "sky", spacing=2.6)
    land = [(7, 9), (12, 7), (15, 10), (13, 14), (9, 15), (6, 13)]
    ic.wash(land, "sage", hatch=False, curved=True)
    land2 = [(18, 17), (24, 15), (27, 19), (23, 25), (19, 23)]
    ic.wash(land2, "sage", hatch=False, curved=True)
    ic.ink(circle(16, 16, 5.5, n=8, a0=-90, a1=90, ry=13.2), width=1.3, passes=False)
    ic.ink(circle(16, 16, 5.5, n=8, a0=90, a1=270, ry=13.2), width=1.3, passes=False)
    ic.ink([(3, 16), (29, 16)], width=1.3, passes=False)
    ic.ink(pts, width=2.0)


@icon
def updates(ic):
    for a0, a1 in ((195, 320), (15, 140)):
        pts = circle(16, 16, 10.5, n=8, a0=a0, a1=a1)
        ic.band(pts, "sage", width=3.8)
        a = math.radians(a1)
        end = pts[-1]
        direction = (-math.sin(a), math.cos(a))
        arrow_head(ic, (end[0] + direction[0] * 4.5, end[1] + direction[1] * 4.5), direction, size=5.5, colour="sage")


@icon
def about(ic):
    pts = circle(16, 16, 13.5, n=16, rng=ic.rng)
    ic.blob(pts[:-1], "sage", spacing=2.8)
    ic.dot(16, 9, 2.2, "#fff7e6")
    ic.ink([(14, 14), (16.5, 14), (16.2, 23.5)], width=3.2, colour="#fff7e6", passes=False, wobble=0.1)
    ic.ink([(13.5, 24), (19.5, 23.8)], width=2.6, colour="#fff7e6", passes=False, wobble=0.1)


def convert_large():
    ic = Icon(seed=96, size=96, fine=0.55)
    convert(ic)
    return ic


os.makedirs(OUT, exist_ok=True)
for i, (name, fn) in enumerate(icons.items()):
    ic = Icon(seed=1000 + i)
    fn(ic)
    open(os.path.join(OUT, name + ".svg"), "w").write(ic.svg())
open(os.path.join(OUT, "convert_large.svg"), "w").write(convert_large().svg())
print(len(icons), "icons")
