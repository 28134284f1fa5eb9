#!/usr/bin/env python3
"""Draws the program's pictures and writes them as XPM text beside this script.

  icon32.xpm, icon16.xpm  window icon: two crossed yellow rulers on light grey
  logo.xpm                the maker's mark, 51 x 51, without lettering
  hand32.xpm, hand16.xpm  marker of a reported cause: a hand pointing right

icon32@2x.xpm, logo@2x.xpm and hand32@2x.xpm are the same drawings at twice
the resolution, for screens with two device pixels to the logical pixel; Qt
picks them by their "@2x" names.

Run it again after changing a drawing; the XPM files are committed."""

import math
import os

HERE = os.path.dirname(os.path.abspath(__file__))
NONE = None  # transparent


def write_xpm(name, pixels, max_colours=256):
    """pixels: rows of '#RRGGBB' strings or None; at most max_colours colours."""
    colours = sorted({p for row in pixels for p in row if p is not None})
    if any(p is None for row in pixels for p in row):
        colours = [None] + colours
    assert len(colours) <= max_colours, (name, len(colours))
    alphabet = "".join(chr(c) for c in range(35, 127) if chr(c) not in '"\\')
    width = 1 if len(colours) <= len(alphabet) else 2
    codes = {}
    for i, colour in enumerate(colours):
        if width == 1:
            codes[colour] = alphabet[i]
        else:
            codes[colour] = alphabet[i // len(alphabet)] + alphabet[i % len(alphabet)]
    h, w = len(pixels), len(pixels[0])
    lines = ['"%d %d %d %d"' % (w, h, len(colours), width)]
    for colour in colours:
        lines.append('"%s c %s"' % (codes[colour], "None" if colour is None else colour))
    for row in pixels:
        lines.append('"%s"' % "".join(codes[p] for p in row))
    ident = name.replace(".", "_").replace("@", "_")
    with open(os.path.join(HERE, name), "w") as f:
        f.write("/* XPM */\nstatic const char *const %s[] = {\n" % ident)
        f.write(",\n".join(lines) + "\n};\n")


def icon(size, scale=1):
    """The icon of `size` pixels; with scale 2 the same drawing at twice the resolution."""
    grey, yellow, black = "#C0C0C0", "#FFFF00", "#000000"
    s = size / 32.0
    out = size * scale
    img = [[grey] * out for _ in range(out)]
    # Two rulers along the diagonals; the second lies on top of the first.
    for direction in (1, -1):
        half = 4.5 * s
        for y in range(out):
            for x in range(out):
                # Every pixel is sampled at its centre, in the drawing's own units.
                cx, cy = (x + 0.5) / scale - size / 2, (y + 0.5) / scale - size / 2
                u = (cx + direction * cy) / math.sqrt(2)  # along the ruler
                v = (cy - direction * cx) / math.sqrt(2)  # across it
                if abs(u) > 15 * s or abs(v) > half:
                    continue
                edge = abs(v) > half - 1 or abs(u) > 15 * s - 1
                tick_len = (3 if round(u / (3 * s)) % 2 == 0 else 2) * s
                on_tick = abs(u - round(u / (3 * s)) * 3 * s) < 0.55 and v < -half + 1 + tick_len
                img[y][x] = black if edge or on_tick else yellow
    return img


def logo(scale=1):
    size, sub = 51, 4
    img = []
    for y in range(size * scale):
        row = []
        for x in range(size * scale):
            acc = [0.0, 0.0, 0.0]
            inside = 0
            for sy in range(sub):
                for sx in range(sub):
                    px = (x + (sx + 0.5) / sub) / scale - size / 2
                    py = (y + (sy + 0.5) / sub) / scale - size / 2
                    r = math.hypot(px, py)
                    if r > 25.0:
                        continue
                    inside += 1
                    # A disc shading from deep blue to teal with a dark rim,
                    # crossed by two white swept arcs that suggest a wing.
                    t = (px + py + 35) / 70
                    c = (int(10 + 20 * t), int(50 + 120 * t), int(140 + 90 * t))
                    for k, (ox, oy, rad) in enumerate(((-8, 30, 30), (4, 34, 28))):
                        d = math.hypot(px - ox, py - oy)
                        if abs(d - rad) < 2.6 - k * 0.6 and py < 12:
                            c = (255, 255, 255)
                    if r > 22.5:
                        c = (20, 30, 80)
                    for i in range(3):
                        acc[i] += c[i]
            if inside < sub * sub // 2:
                row.append(NONE)  # outside the disc the window shows through
                continue
            rgb = [int(round(a / inside)) & 0xF8 for a in acc]  # 32 levels: under 256 colours
            row.append("#%02X%02X%02X" % tuple(rgb))
        img.append(row)
    return img


def hand32(scale=1):
    """The hand of 32 pixels; with scale 2 the same drawing at twice the
    resolution, its cut corners rounded and its outline as thick as before."""
    white, black, cyan = "#FFFFFF", "#000000", "#00FFFF"
    shape = {}

    def fill(x0, x1, y0, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                shape[(x, y)] = colour

    fill(1, 6, 11, 20, cyan)  # cuff
    fill(7, 18, 10, 21, white)  # back of the hand
    fill(12, 17, 9, 9, white)  # thumb knuckle
    fill(18, 29, 10, 13, white)  # pointing finger
    for y0 in (14, 17, 20):  # three bent fingers
        fill(18, 22, y0, y0 + 2, white)
    cut = set()
    for corner in ((7, 10), (7, 21), (29, 10), (29, 13), (22, 22), (18, 21)):
        if shape.pop(corner, None):
            cut.add(corner)

    def rounded_corner(x, y, px, py):
        # The part of cut corner pixel (x, y) within one pixel of the hand's
        # inner corner stays, when a pixel is drawn with several.
        sides = [(x + dx, y) in shape for dx in (1, -1)], [(x, y + dy) in shape for dy in (1, -1)]
        if scale == 1 or (x, y) not in cut or sides[0].count(True) != 1 or sides[1].count(True) != 1:
            return False
        ix = x + 1 if sides[0][0] else x
        iy = y + 1 if sides[1][0] else y
        return math.hypot(px - ix, py - iy) <= 1

    def inside(x, y):  # a pixel of the picture
        d = (x // scale, y // scale)
        return d in shape or rounded_corner(*d, (x + 0.5) / scale, (y + 0.5) / scale)

    size = 32 * scale
    img = [[NONE] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            if not inside(x, y):
                continue
            border = any(not inside(x + dx * k, y + dy * k)
                         for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))
                         for k in range(1, scale + 1))
            img[y][x] = black if border else shape.get((x // scale, y // scale), white)
    lines = [(x, 16) for x in range(19, 23)] + [(x, 19) for x in range(19, 23)]  # creases
    lines += [(7, y) for y in range(11, 21)]  # seam between cuff and hand
    for dx, dy in lines:
        for y in range(dy * scale, (dy + 1) * scale):
            for x in range(dx * scale, (dx + 1) * scale):
                img[y][x] = black
    return img


def halve(img):
    out = []
    for y in range(0, len(img), 2):
        row = []
        for x in range(0, len(img[0]), 2):
            block = [img[y][x], img[y][x + 1], img[y + 1][x], img[y + 1][x + 1]]
            solid = [p for p in block if p is not None]
            if len(solid) < 2:
                row.append(None)
            elif "#000000" in solid and len(solid) < 4:
                row.append("#000000")
            else:
                row.append(max(sorted(set(solid)), key=solid.count))
        out.append(row)
    return out


if __name__ == "__main__":
    write_xpm("icon32.xpm", icon(32))
    write_xpm("icon16.xpm", icon(16))
    write_xpm("logo.xpm", logo())
    write_xpm("hand32.xpm", hand32())
    write_xpm("hand16.xpm", halve(hand32()))
    write_xpm("icon32@2x.xpm", icon(32, 2))
    write_xpm("logo@2x.xpm", logo(2), max_colours=1024)
    write_xpm("hand32@2x.xpm", hand32(2))
