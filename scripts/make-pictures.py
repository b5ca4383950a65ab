#!/usr/bin/env python3
"""Draws the programs' pictures and writes them into res/.

Standard library only. Every picture is drawn from simple geometry (signed distance functions of
discs, boxes and strokes), supersampled for anti-aliasing, and written as ICO bytes. Icon images are stored as PNG
(the icon format allows it), a third of the size of the same pixels as bitmaps.

    res/AppIcon.ico        two gears (small blue top left, large grey bottom right);
                           256, 128, 96, 64, 48, 40, 32, 24, 20, 16 px, 32-bit with alpha; the
                           256 px image is also the source the panel shrinks Image1 from
    res/ServiceIcon.ico    the same gears for the service program, 64 px down to 16 px
    res/StatusRunning.ico  64 px, 32-bit with alpha: green disc with a white tick
    res/StatusStopped.ico  64 px, 32-bit with alpha: red disc with a white cross
    res/StatusChecking.ico 64 px, 32-bit with alpha: blue disc with a white lower-case i
                           (the status images are shown at 16 px at 100 % and shrunk by the panel
                           from these to the size of each display scale, up to 32 px at 200 %)
    res/HelpIcon.ico       round blue help icon with a white question mark; the sizes of the
                           application icon and 36 px, 32-bit with alpha

Run from anywhere: python3 scripts/make-pictures.py
"""
import math
import os
import struct
import zlib

RES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "res")

# ---------------------------------------------------------------- geometry (signed distances)


def sd_circle(x, y, cx, cy, r):
    return math.hypot(x - cx, y - cy) - r


def sd_segment(x, y, ax, ay, bx, by, half_width):
    """Distance to a stroke from a to b with round caps."""
    px, py = x - ax, y - ay
    dx, dy = bx - ax, by - ay
    ll = dx * dx + dy * dy
    t = 0.0 if ll == 0 else max(0.0, min(1.0, (px * dx + py * dy) / ll))
    return math.hypot(px - dx * t, py - dy * t) - half_width


def sd_polyline(x, y, pts, half_width):
    return min(sd_segment(x, y, *pts[i], *pts[i + 1], half_width) for i in range(len(pts) - 1))


def sd_box(x, y, cx, cy, angle, hw, hh):
    """Rectangle centred at (cx, cy), rotated by angle, half sizes hw (along angle) and hh."""
    c, s = math.cos(angle), math.sin(angle)
    lx = (x - cx) * c + (y - cy) * s
    ly = -(x - cx) * s + (y - cy) * c
    qx, qy = abs(lx) - hw, abs(ly) - hh
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0)


class Gear:
    """A spur gear: a root disc with rectangular teeth, cut to the outer circle, with a hole."""

    def __init__(self, cx, cy, outer, root, hole, teeth, phase):
        self.cx, self.cy = cx, cy
        self.outer, self.root, self.hole = outer, root, hole
        self.teeth, self.phase = teeth, phase
        pitch = 2 * math.pi * (outer + root) / 2 / teeth
        self.tooth_hw = (outer - root) / 2 + 1.0   # radial half length, reaching into the root
        self.tooth_hh = pitch * 0.27               # tangential half width

    def sd(self, x, y):
        dx, dy = x - self.cx, y - self.cy
        r = math.hypot(dx, dy)
        d = r - self.root
        # only the nearest tooth matters
        step = 2 * math.pi / self.teeth
        a = math.atan2(dy, dx) - self.phase
        k = round(a / step)
        ang = self.phase + k * step
        mid = (self.outer + self.root) / 2 - 0.5
        tooth = sd_box(x, y, self.cx + math.cos(ang) * mid, self.cy + math.sin(ang) * mid,
                       ang, self.tooth_hw, self.tooth_hh)
        d = min(d, tooth)
        d = max(d, r - self.outer)          # cut to the tip circle (rounded tips)
        d = max(d, self.hole - r)           # the hole
        return d


# ---------------------------------------------------------------- rendering


def over(dst, src):
    """Porter-Duff 'over' for straight-alpha colours (r, g, b, a), components 0..1."""
    sa = src[3]
    da = dst[3] * (1 - sa)
    a = sa + da
    if a <= 0:
        return (0.0, 0.0, 0.0, 0.0)
    return tuple((src[i] * sa + dst[i] * da) / a for i in range(3)) + (a,)


def lerp(c0, c1, t):
    t = max(0.0, min(1.0, t))
    return tuple(c0[i] + (c1[i] - c0[i]) * t for i in range(len(c0)))


def rgb(r, g, b):
    return (r / 255.0, g / 255.0, b / 255.0)


def render(size, layers, samples):
    """layers: functions (x, y) -> straight-alpha colour, painted in order, in a 64-unit space
    scaled to size. Returns rows of (r, g, b, a) floats, top row first, averaged over
    samples x samples points per pixel (colours weighted by alpha)."""
    scale = 64.0 / size
    out = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) * scale
                    y = (py + (sy + 0.5) / samples) * scale
                    c = (0.0, 0.0, 0.0, 0.0)
                    for layer in layers:
                        lc = layer(x, y)
                        if lc is not None and lc[3] > 0:
                            c = over(c, lc)
                    acc[0] += c[0] * c[3]
                    acc[1] += c[1] * c[3]
                    acc[2] += c[2] * c[3]
                    acc[3] += c[3]
            n = samples * samples
            a = acc[3] / n
            if a > 0:
                row.append((acc[0] / acc[3], acc[1] / acc[3], acc[2] / acc[3], a))
            else:
                row.append((0.0, 0.0, 0.0, 0.0))
        out.append(row)
    return out


def shaded_shape(sd, top, bottom, edge, y0, y1, edge_width):
    """A shape filled with a vertical gradient from top (at y0) to bottom (at y1), with an edge
    line of edge_width (in 64-unit space) inside its border."""
    def layer(x, y):
        d = sd(x, y)
        if d >= 0:
            return None
        if d > -edge_width:
            return edge + (1.0,)
        return lerp(top, bottom, (y - y0) / (y1 - y0)) + (1.0,)
    return layer


def flat_shape(sd, colour):
    def layer(x, y):
        return colour + (1.0,) if sd(x, y) < 0 else None
    return layer


# ---------------------------------------------------------------- the pictures


def gear_layers(size):
    """The two gears. Small sizes get fewer, bolder teeth and a thicker edge."""
    small = size <= 24
    edge = 64.0 / size * (1.0 if size >= 32 else 0.9)
    grey = Gear(40.5, 40.5, 23.0, 17.5 if not small else 16.5, 6.5 if not small else 6.0,
                10 if not small else 8, math.pi / 10)
    blue = Gear(16.5, 16.5, 15.5, 11.0 if not small else 10.0, 4.5 if not small else 4.0,
                7 if not small else 6, math.pi / 4)
    return [
        shaded_shape(grey.sd, rgb(222, 224, 228), rgb(128, 132, 140), rgb(72, 75, 82),
                     17.5, 63.5, edge),
        shaded_shape(blue.sd, rgb(110, 175, 240), rgb(28, 92, 180), rgb(18, 55, 115),
                     1.0, 32.0, edge),
    ]


def disc_layers(size, fill, glyph_sd):
    edge_colour = tuple(c * 0.78 for c in fill)
    light = tuple(min(1.0, c * 1.12 + 0.04) for c in fill)
    disc = lambda x, y: sd_circle(x, y, 32, 32, 31.0)
    return [
        shaded_shape(disc, light, fill, edge_colour, 4, 56, 64.0 / size),
        flat_shape(glyph_sd, rgb(255, 255, 255)),
    ]


def tick_sd(x, y):
    return sd_polyline(x, y, [(17, 33), (27.5, 43.5), (46.5, 21.5)], 4.0)


def cross_sd(x, y):
    return min(sd_segment(x, y, 20.5, 20.5, 43.5, 43.5, 3.8),
               sd_segment(x, y, 43.5, 20.5, 20.5, 43.5, 3.8))


def i_sd(x, y):
    dot = sd_circle(x, y, 32, 17.5, 4.6)
    stem = sd_box(x, y, 32, 37.5, math.pi / 2, 11.5, 3.9)
    return min(dot, stem)


def question_sd(x, y):
    # the hook: an arc around (32, 23) from the left over the top to the lower right, then down
    pts = []
    cx, cy, r = 32.0, 23.0, 9.5
    for i in range(0, 25):
        a = math.radians(200 + i * (130 + 100) / 24.0)   # 200 deg .. 430 deg (= 70 deg)
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    end = pts[-1]
    pts.append((32.0, end[1] + 4.5))
    pts.append((32.0, 39.0))
    hook = sd_polyline(x, y, pts, 3.7)
    dot = sd_circle(x, y, 32.0, 49.0, 4.3)
    return min(hook, dot)


def help_layers(size):
    disc = lambda x, y: sd_circle(x, y, 32, 32, 31.0)
    return [
        shaded_shape(disc, rgb(108, 170, 232), rgb(30, 90, 168), rgb(22, 64, 128),
                     2, 62, 64.0 / size * 1.2),
        flat_shape(question_sd, rgb(255, 255, 255)),
    ]


# ---------------------------------------------------------------- file formats


def to8(v):
    return max(0, min(255, int(round(v * 255))))


def png(pixels):
    """RGBA PNG of the same bytes an icon bitmap would hold (straight alpha, fully transparent
    pixels all zero), filtered and deflated in whichever of a few ways gives the fewest bytes."""
    h = len(pixels)
    w = len(pixels[0])
    rows = []
    for row in pixels:
        line = bytearray()
        for r, g, b, a in row:
            line += b"\0\0\0\0" if a <= 0 else bytes((to8(r), to8(g), to8(b), to8(a)))
        rows.append(bytes(line))

    def paeth(a, b, c):
        p = a + b - c
        pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
        return a if pa <= pb and pa <= pc else (b if pb <= pc else c)

    def filtered(kind, line, prior):
        out = bytearray(len(line))
        for i, x in enumerate(line):
            a = line[i - 4] if i >= 4 else 0
            b = prior[i]
            c = prior[i - 4] if i >= 4 else 0
            predict = (0, a, b, (a + b) // 2, paeth(a, b, c))[kind]
            out[i] = (x - predict) & 0xFF
        return bytes(out)

    def filtered_rows(choose):
        raw = bytearray()
        prior = bytes(w * 4)
        for line in rows:
            candidates = [filtered(k, line, prior) for k in range(5)]
            kind = choose(candidates)
            raw += bytes((kind,)) + candidates[kind]
            prior = line
        return bytes(raw)

    def least_magnitude(candidates):
        cost = [sum(v if v < 128 else 256 - v for v in c) for c in candidates]
        return cost.index(min(cost))

    def deflate(raw, strategy):
        z = zlib.compressobj(9, zlib.DEFLATED, 15, 9, strategy)
        return z.compress(raw) + z.flush()

    # The smallest of: each row's filter chosen by least magnitude, or one filter for all rows;
    # each deflated with the default and the filtered strategy.
    choices = [least_magnitude] + [lambda c, k=k: k for k in range(5)]
    idat = min((deflate(filtered_rows(choose), strategy) for choose in choices
                for strategy in (zlib.Z_DEFAULT_STRATEGY, zlib.Z_FILTERED)), key=len)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", idat) + chunk(b"IEND", b""))


def ico(images):
    """An icon file with one 32-bit entry per picture, each a PNG image."""
    entries = [(len(pixels[0]), len(pixels), png(pixels)) for pixels in images]
    out = bytearray(struct.pack("<HHH", 0, 1, len(entries)))
    offset = 6 + 16 * len(entries)
    for w, h, data in entries:
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, _, data in entries:
        out += data
    return bytes(out)


def samples_for(size):
    return 8 if size <= 24 else (6 if size <= 40 else (4 if size <= 64 else 3))


def write(name, data):
    path = os.path.normpath(os.path.join(RES, name))
    with open(path, "wb") as f:
        f.write(data)
    print("wrote", path, len(data), "bytes")


def main():
    icon_sizes = [256, 128, 96, 64, 48, 40, 32, 24, 20, 16]
    gears = {s: render(s, gear_layers(s), samples_for(s)) for s in icon_sizes}
    write("AppIcon.ico", ico([gears[s] for s in icon_sizes]))
    # The service program has no window: Explorer's sizes up to 64 px are enough for it.
    write("ServiceIcon.ico", ico([gears[s] for s in icon_sizes if s <= 64]))
    write("StatusRunning.ico", ico([render(64, disc_layers(64, rgb(75, 168, 129), tick_sd), 4)]))
    write("StatusStopped.ico", ico([render(64, disc_layers(64, rgb(204, 76, 51), cross_sd), 4)]))
    write("StatusChecking.ico", ico([render(64, disc_layers(64, rgb(62, 120, 179), i_sd), 4)]))
    help_sizes = icon_sizes + [36]   # 36: the Help window's own size at 100 %
    write("HelpIcon.ico", ico([render(s, help_layers(s), samples_for(s)) for s in help_sizes]))

if __name__ == "__main__":
    main()
