#!/usr/bin/env python3
"""Drawing aid for the hand-drawn theme: icons described as simple geometry, emitted as SVG
with wobbly, overshooting ink strokes, a second faint pencil pass and hatched washes.
Only needed to redraw the art; the build renders the SVGs in gfx/handdrawn/ as they are."""
import math, random, sys, os

INK = "#3a2a1c"
COL = {
    "paper": ("#fbf0d6", "#d9c29a"),
    "ochre": ("#f0b64e", "#b57a1c"),
    "terra": ("#e0704a", "#a23e22"),
    "sage": ("#93b86a", "#55793a"),
    "sky": ("#7fb0d8", "#3f6f9c"),
    "brick": ("#d9483b", "#8e2a20"),
    "grey": ("#b8ad9c", "#7a6e5e"),
    "plum": ("#b98ab8", "#7a4d78"),
}


class Icon:
    def __init__(self, seed, size=32, stroke=2.1, fine=1.0):
        self.rng = random.Random(seed)
        self.fine = fine  # line widths relative to the 32-unit drawing (thinner on large art)
        self.size = size
        self.stroke = stroke
        self.defs = []
        self.body = []
        self.clipCount = 0

    # ---- geometry helpers -------------------------------------------------------------
    def jitter(self, pts, amount, step):
        """Subdivides a polyline and pushes interior points sideways a little."""
        out = []
        for i in range(len(pts) - 1):
            (x1, y1), (x2, y2) = pts[i], pts[i + 1]
            length = math.hypot(x2 - x1, y2 - y1)
            n = max(1, int(length / step))
            nx, ny = (-(y2 - y1) / length, (x2 - x1) / length) if length else (0, 0)
            for k in range(n):
                t = k / n
                x, y = x1 + (x2 - x1) * t, y1 + (y2 - y1) * t
                if out:
                    d = self.rng.uniform(-amount, amount)
                    x, y = x + nx * d, y + ny * d
                out.append((x, y))
        out.append(pts[-1])
        return out

    @staticmethod
    def smooth(pts, closed=False):
        """Catmull-Rom through the points, as cubic Bezier path data."""
        if closed:
            pts = pts + pts[:3]
        d = "M%.2f %.2f" % pts[0]
        for i in range(len(pts) - 1):
            p0 = pts[i - 1] if i > 0 else pts[i]
            p1, p2 = pts[i], pts[i + 1]
            p3 = pts[i + 2] if i + 2 < len(pts) else p2
            c1 = (p1[0] + (p2[0] - p0[0]) / 6, p1[1] + (p2[1] - p0[1]) / 6)
            c2 = (p2[0] - (p3[0] - p1[0]) / 6, p2[1] - (p3[1] - p1[1]) / 6)
            d += " C%.2f %.2f %.2f %.2f %.2f %.2f" % (c1 + c2 + p2)
        return d

    def overshoot(self, p1, p2, amount):
        (x1, y1), (x2, y2) = p1, p2
        length = math.hypot(x2 - x1, y2 - y1) or 1
        ux, uy = (x2 - x1) / length, (y2 - y1) / length
        a = amount * self.rng.uniform(0.3, 1.0)
        b = amount * self.rng.uniform(0.3, 1.0)
        return (x1 - ux * a, y1 - uy * a), (x2 + ux * b, y2 + uy * b)

    # ---- marks --------------------------------------------------------------------------
    def ink(self, pts, width=None, colour=INK, wobble=0.35, passes=True, over=0.0):
        width = (width or self.stroke) * self.fine
        if over:
            a, b = self.overshoot(pts[0], pts[1], over)
            pts = [a] + pts[1:]
            if len(pts) > 1:
                c, e = self.overshoot(pts[-2], pts[-1], over)
                pts = pts[:-1] + [e]
        main = self.smooth(self.jitter(pts, wobble, 4.0))
        self.body.append('<path d="%s" fill="none" stroke="%s" stroke-width="%.2f" '
                         'stroke-linecap="round" stroke-linejoin="round"/>' % (main, colour, width))
        if passes:
            shifted = [(x + self.rng.uniform(-0.45, 0.45), y + self.rng.uniform(-0.45, 0.45)) for x, y in pts]
            second = self.smooth(self.jitter(shifted, wobble * 1.3, 3.5))
            self.body.append('<path d="%s" fill="none" stroke="%s" stroke-width="%.2f" '
                             'stroke-linecap="round" stroke-linejoin="round" opacity="0.45"/>'
                             % (second, colour, width * 0.45))

    def outline(self, pts, over=1.0, width=None, colour=INK):
        """A closed outline drawn side by side, each side overshooting its corners."""
        n = len(pts)
        for i in range(n):
            self.ink([pts[i], pts[(i + 1) % n]], width=width, colour=colour, over=over,
                     passes=(i % 2 == 0))

    def wash(self, pts, colour, hatch=True, spacing=3.0, angle=45, curved=False):
        """A slightly misregistered colour wash with pencil hatching inside the shape."""
        light, dark = COL[colour]
        dx, dy = self.rng.uniform(-0.5, 0.5), self.rng.uniform(-0.5, 0.5)
        moved = [(x + dx, y + dy) for x, y in pts]
        if curved:
            d = self.smooth(self.jitter(moved, 0.25, 4.0), closed=True) + " Z"
        else:
            d = "M" + " L".join("%.2f %.2f" % p for p in self.jitter(moved, 0.25, 5.0)) + " Z"
        self.body.append('<path d="%s" fill="%s"/>' % (d, light))
        if not hatch:
            return
        self.clipCount += 1
        cid = "c%d" % self.clipCount
        self.defs.append('<clipPath id="%s"><path d="%s"/></clipPath>' % (cid, d))
        xs = [p[0] for p in pts]; ys = [p[1] for p in pts]
        x0, x1, y0, y1 = min(xs), max(xs), min(ys), max(ys)
        lines = []
        spacing *= self.fine ** 0.5
        t = x0 - (y1 - y0) + self.rng.uniform(0, spacing)
        while t < x1:
            a = (t, y1 + 1); b = (t + (y1 - y0) + 2, y0 - 1)
            if angle < 0:
                a = (t, y0 - 1); b = (t + (y1 - y0) + 2, y1 + 1)
            j = self.jitter([a, b], 0.3, 5.0)
            lines.append('<path d="%s"/>' % self.smooth(j))
            t += spacing * self.rng.uniform(0.85, 1.15)
        self.body.append('<g clip-path="url(#%s)" fill="none" stroke="%s" stroke-width="%.2f" '
                         'stroke-linecap="round" opacity="0.75">%s</g>' % (cid, dark, 0.7 * self.fine, "".join(lines)))

    def shape(self, pts, colour, hatch=True, over=1.0, width=None, spacing=3.0, angle=45):
        self.wash(pts, colour, hatch, spacing, angle)
        self.outline(pts, over, width)

    def blob(self, pts, colour, hatch=True, width=None, spacing=3.0, angle=45, close=True):
        """A curved closed shape (circle, cloud): wash plus one wobbly outline that overlaps."""
        self.wash(pts, colour, hatch, spacing, angle, curved=True)
        extra = pts[:2] if close else []
        self.ink(pts + [pts[0]] + extra[1:], width=width)

    def band(self, pts, colour, width=4.0):
        """A thick coloured stroke with an ink rim, for arrows along a path."""
        light, dark = COL[colour]
        j = self.smooth(self.jitter(pts, 0.2, 4.0))
        for w, c in ((width + 2.2 * self.fine, INK), (width, light)):
            self.body.append('<path d="%s" fill="none" stroke="%s" stroke-width="%.2f" '
                             'stroke-linecap="butt" stroke-linejoin="round"/>' % (j, c, w))

    def halo(self, pts, width):
        """A faint paper rim under bare ink lines so they still show on dark panels."""
        j = self.smooth(pts)
        self.body.append('<path d="%s" fill="none" stroke="#fbf0d6" stroke-width="%.2f" '
                         'stroke-linecap="round" stroke-linejoin="round" opacity="0.55"/>' % (j, width))

    def dot(self, x, y, r, colour=INK):
        self.body.append('<circle cx="%.2f" cy="%.2f" r="%.2f" fill="%s"/>' % (x, y, r, colour))

    def svg(self):
        s = self.size
        return ('<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 32 32">\n'
                '<defs>%s</defs>\n%s\n</svg>\n') % (s, s, "".join(self.defs), "\n".join(self.body))


def circle(cx, cy, r, n=14, a0=0.0, a1=360.0, rng=None, ry=None):
    ry = ry if ry is not None else r
    pts = []
    for i in range(n + 1):
        a = math.radians(a0 + (a1 - a0) * i / n)
        k = 1.0 + (rng.uniform(-0.03, 0.03) if rng else 0)
        pts.append((cx + r * k * math.cos(a), cy + ry * k * math.sin(a)))
    return pts


def arrow_head(icon, tip, direction, size=4.5, colour="terra"):
    dx, dy = direction
    length = math.hypot(dx, dy)
    ux, uy = dx / length, dy / length
    px, py = -uy, ux
    base = (tip[0] - ux * size, tip[1] - uy * size)
    pts = [tip, (base[0] + px * size * 0.8, base[1] + py * size * 0.8),
           (base[0] - px * size * 0.8, base[1] - py * size * 0.8)]
    icon.shape(pts, colour, hatch=False, over=0.5)


def fat_arrow(x0, y, x1, half=3.0, head=6.0, headHalf=6.5, colour="terra", spacing=2.6):
    """A thick right-pointing arrow from x0 to x1 centred on y."""
    pts = [(x0, y - half), (x1 - head, y - half), (x1 - head, y - headHalf), (x1, y),
           (x1 - head, y + headHalf), (x1 - head, y + half), (x0, y + half)]
    return pts

