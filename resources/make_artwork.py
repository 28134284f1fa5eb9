#!/usr/bin/env python3
"""Draws the program's pictures and writes them beside this script.

  icon.svg                 the application icon: two crossed yellow rulers on
                           a transparent background, scalable
  icons/<size>.png         the same drawing drawn at 16 to 256 pixels: the
                           window icon and the desktop's icon theme
  kestrion.ico, .icns      the same PNG images for Windows and macOS
  logo.xpm                 the maker's mark, 51 x 51, without lettering
  hand32.xpm, hand16.xpm   marker of a reported cause: a hand pointing right

logo@2x.xpm and hand32@2x.xpm are the same drawings at twice the resolution,
for screens with two device pixels to the logical pixel; Qt picks them by
their "@2x" names, and the icon's 64-pixel image for a 32-pixel window icon.

Run it again after changing a drawing; its output is committed, and the same
on every run."""

import math
import os
import struct
import zlib

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


# The application icon: two crossed rulers, yellow with a black edge and black
# ticks, on nothing (the desktop shows through). One drawing in units of a
# 32-unit square gives the SVG and every raster size; a raster size draws its
# edges and ticks at least one whole pixel wide, so that small sizes stay crisp.
ICON_SIZES = (16, 24, 32, 48, 64, 128, 256)
YELLOW, BLACK = (255, 255, 0), (0, 0, 0)
RULER_HALF_LENGTH, RULER_HALF_WIDTH, TICK_PITCH = 15.0, 4.5, 3.0


def ruler_ticks(pixel=0.0):
    """(position along the ruler, length) of each tick: long and short by turns;
    only the long ones where pixels of `pixel` units would run the ticks together."""
    count = int(RULER_HALF_LENGTH // TICK_PITCH)
    return [(k * TICK_PITCH, 3.0 if k % 2 == 0 else 2.0) for k in range(-count + 1, count)
            if k % 2 == 0 or TICK_PITCH >= 2.5 * pixel]


def icon_svg():
    """The drawing as SVG: the first ruler along one diagonal, the second on top."""
    length, width = 2 * RULER_HALF_LENGTH, 2 * RULER_HALF_WIDTH
    parts = ['<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">']
    for angle in (45, -45):
        parts.append('  <g transform="translate(16 16) rotate(%d)">' % angle)
        parts.append('    <rect x="%g" y="%g" width="%g" height="%g" fill="#FFFF00" stroke="#000000" '
                     'stroke-width="1"/>' % (-RULER_HALF_LENGTH + 0.5, -RULER_HALF_WIDTH + 0.5,
                                             length - 1, width - 1))
        ticks = " ".join("M%g %gv%g" % (u, -RULER_HALF_WIDTH + 1, tick) for u, tick in ruler_ticks())
        parts.append('    <path d="%s" stroke="#000000" stroke-width="1.1"/>' % ticks)
        parts.append("  </g>")
    parts.append("</svg>")
    return "\n".join(parts) + "\n"


def icon_colour(x, y, pixel):
    """The colour at (x, y) in drawing units from the centre, lines `pixel` units wide; None outside."""
    colour = None
    for direction in (1, -1):  # the second ruler lies on top of the first
        u = (x + direction * y) / math.sqrt(2)  # along the ruler
        v = (y - direction * x) / math.sqrt(2)  # across it
        if abs(u) > RULER_HALF_LENGTH or abs(v) > RULER_HALF_WIDTH:
            continue
        line = max(1.0, pixel)
        edge = abs(v) > RULER_HALF_WIDTH - line or abs(u) > RULER_HALF_LENGTH - line
        tick = any(abs(u - at) < max(0.55, pixel / 2) and v < -RULER_HALF_WIDTH + line + length
                   for at, length in ruler_ticks(pixel))
        colour = BLACK if edge or tick else YELLOW
    return colour


def icon_rgba(size, samples=8):
    """The icon drawn at `size` pixels: rows of (r, g, b, a), each pixel the mean of
    samples x samples points; colour where the drawing covers it, transparent elsewhere.
    Below 32 pixels a pixel is whole or nothing, in its most frequent colour, as
    pixel art is: smoothed edges would blur so small a picture."""
    pixel = 32.0 / size
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            hits = []
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) * pixel - 16
                    y = (py + (sy + 0.5) / samples) * pixel - 16
                    colour = icon_colour(x, y, pixel)
                    if colour is not None:
                        hits.append(colour)
            if size < 32:
                if 2 * len(hits) < samples ** 2:
                    hits = []
                else:
                    hits = [max(sorted(set(hits)), key=hits.count)] * samples ** 2
            if not hits:
                row.append((0, 0, 0, 0))
                continue
            mean = [int(round(sum(c[i] for c in hits) / len(hits))) for i in range(3)]
            row.append(tuple(mean) + (int(round(255 * len(hits) / samples ** 2)),))
        rows.append(row)
    return rows


def png_bytes(rows):
    """An RGBA PNG of the rows, the same bytes on every run."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    height, width = len(rows), len(rows[0])
    raw = b"".join(b"\0" + bytes(v for p in row for v in p) for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def ico_bytes(pngs):
    """A Windows icon holding PNG images, {size: bytes}."""
    head = struct.pack("<HHH", 0, 1, len(pngs))
    offset = len(head) + 16 * len(pngs)
    entries, data = b"", b""
    for size, png in sorted(pngs.items()):
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(png), offset + len(data))
        data += png
    return head + entries + data


def icns_bytes(pngs):
    """A macOS icon holding PNG images, {size: bytes}."""
    kinds = {16: b"icp4", 32: b"icp5", 64: b"icp6", 128: b"ic07", 256: b"ic08"}
    body = b"".join(kinds[size] + struct.pack(">I", 8 + len(png)) + png
                    for size, png in sorted(pngs.items()) if size in kinds)
    return b"icns" + struct.pack(">I", 8 + len(body)) + body


def write_icons():
    """icon.svg, icons/<size>.png, kestrion.ico and kestrion.icns beside this script."""
    with open(os.path.join(HERE, "icon.svg"), "w") as f:
        f.write(icon_svg())
    os.makedirs(os.path.join(HERE, "icons"), exist_ok=True)
    pngs = {size: png_bytes(icon_rgba(size)) for size in ICON_SIZES}
    for size, png in pngs.items():
        with open(os.path.join(HERE, "icons", "%d.png" % size), "wb") as f:
            f.write(png)
    with open(os.path.join(HERE, "kestrion.ico"), "wb") as f:
        f.write(ico_bytes({s: pngs[s] for s in (16, 24, 32, 48, 256)}))
    with open(os.path.join(HERE, "kestrion.icns"), "wb") as f:
        f.write(icns_bytes(pngs))


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
    write_icons()
    write_xpm("logo.xpm", logo())
    write_xpm("hand32.xpm", hand32())
    write_xpm("hand16.xpm", halve(hand32()))
    write_xpm("logo@2x.xpm", logo(2), max_colours=1024)
    write_xpm("hand32@2x.xpm", hand32(2))
