#!/usr/bin/env python3
"""Draws the menu's title picture and its icon.

    python3 resources/make_art.py [output-dir]

writes title.bmp (320x240, 8 bits per pixel with a 256-colour palette) and startup.ico
(16, 32, 48 and 256 pixels) into output-dir, by default the folder of this script.
Only the standard library is used, and the output is the same on every run.
"""
import math
import os
import random
import struct
import sys
import zlib

WIDTH, HEIGHT = 320, 240
HORIZON = 172


def mix(a, b, t):
    t = min(max(t, 0.0), 1.0)
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def ramp(stops, t):
    """Colour at t (0..1) along a list of (position, colour) stops."""
    if t <= stops[0][0]:
        return stops[0][1]
    for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
        if t <= p1:
            return mix(c0, c1, (t - p0) / (p1 - p0))
    return stops[-1][1]


def smoothstep(e0, e1, x):
    t = min(max((x - e0) / (e1 - e0), 0.0), 1.0)
    return t * t * (3 - 2 * t)


# ---------------------------------------------------------------- the title picture

SKY = [
    (0.00, (8, 10, 34)),
    (0.35, (28, 22, 70)),
    (0.62, (78, 40, 98)),
    (0.82, (170, 78, 88)),
    (0.93, (236, 140, 78)),
    (1.00, (252, 196, 120)),
]

MOON_X, MOON_Y, MOON_R = 252.0, 92.0, 19.0


def ridge(x, seed, base, amplitude, roughness):
    """Height of a mountain ridge at column x: a few sines of falling size."""
    rnd = random.Random(seed)
    h = 0.0
    amp = amplitude
    freq = 0.012
    for _ in range(6):
        h += amp * math.sin(x * freq + rnd.uniform(0, 6.28))
        amp *= roughness
        freq *= 2.1
    return base - h


def sky_colour(x, y):
    c = ramp(SKY, y / HORIZON)
    # Moon glow: a soft halo that warms the sky around the disc.
    d = math.hypot(x - MOON_X, y - MOON_Y)
    glow = math.exp(-max(d - MOON_R, 0.0) / 28.0) * 0.55
    return mix(c, (210, 200, 230), glow)


def draw_stars(img):
    rnd = random.Random(1997)
    for _ in range(150):
        x = rnd.randrange(WIDTH)
        y = rnd.randrange(int(HORIZON * 0.72))
        if math.hypot(x - MOON_X, y - MOON_Y) < MOON_R + 16:
            continue
        fade = 1.0 - y / (HORIZON * 0.8)
        bright = rnd.uniform(0.35, 1.0) * fade
        put_light(img, x, y, (255, 250, 235), bright)
        if bright > 0.8:
            for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                put_light(img, x + dx, y + dy, (200, 210, 255), bright * 0.45)


def put_light(img, x, y, colour, amount):
    if 0 <= x < WIDTH and 0 <= y < HEIGHT:
        img[y][x] = mix(img[y][x], colour, amount)


def draw_moon(img):
    rnd = random.Random(7)
    craters = [(rnd.uniform(-12, 12), rnd.uniform(-12, 12), rnd.uniform(2, 5)) for _ in range(7)]
    for y in range(int(MOON_Y - MOON_R - 2), int(MOON_Y + MOON_R + 3)):
        for x in range(int(MOON_X - MOON_R - 2), int(MOON_X + MOON_R + 3)):
            d = math.hypot(x + 0.5 - MOON_X, y + 0.5 - MOON_Y)
            cover = min(max(MOON_R - d + 0.5, 0.0), 1.0)
            if cover <= 0:
                continue
            # Lit from the lower left, with faint grey seas.
            shade = 0.86 + 0.14 * ((MOON_X - x) + (y - MOON_Y)) / (2 * MOON_R)
            c = mix((196, 190, 176), (255, 250, 228), shade)
            for cx, cy, cr in craters:
                if math.hypot(x - MOON_X - cx, y - MOON_Y - cy) < cr:
                    c = mix(c, (170, 164, 160), 0.45)
            img[y][x] = mix(img[y][x], c, cover)


def draw_mountains(img, seed, base, amplitude, roughness, near, far, haze):
    """A ridge filled downwards, lighter near its crest and hazier with distance."""
    for x in range(WIDTH):
        top = ridge(x, seed, base, amplitude, roughness)
        for y in range(max(int(top), 0), HEIGHT):
            cover = min(max(y + 1 - top, 0.0), 1.0)
            depth = smoothstep(0, 60, y - top)
            c = mix(near, far, depth)
            c = mix(c, (150, 86, 120), haze * (1 - depth))
            img[y][x] = mix(img[y][x], c, cover)


def draw_mist(img, y0, y1, strength):
    for y in range(y0, y1):
        t = math.sin(math.pi * (y - y0) / (y1 - y0))
        for x in range(WIDTH):
            wave = 0.75 + 0.25 * math.sin(x * 0.045 + y * 0.3)
            img[y][x] = mix(img[y][x], (196, 150, 170), strength * t * wave)


# The castle on its crag, as rectangles (x0, y0, x1, y1), drawn solid.
CASTLE_DARK = (14, 10, 26)
CASTLE_RIM = (64, 44, 82)


def castle_blocks():
    blocks = []
    # Crag under the castle.
    for i in range(60):
        left = 10 + i * 1.3 + 3 * math.sin(i * 0.45) + 2 * math.sin(i * 1.7)
        right = 12 + i * 1.9 + 4 * math.sin(i * 0.3 + 1.0) + 2 * math.sin(i * 1.3)
        blocks.append((int(72 - left), 148 + i, int(72 + right), 149 + i))
    # Curtain wall with crenellations.
    blocks.append((40, 128, 108, 152))
    for x in range(40, 108, 6):
        blocks.append((x, 124, x + 3, 128))
    # Side towers with pointed roofs.
    for tx in (36, 100):
        blocks.append((tx, 110, tx + 12, 152))
        for x in range(tx, tx + 12, 4):
            blocks.append((x, 106, x + 2, 110))
    # The keep and its tall spire.
    blocks.append((60, 92, 84, 130))
    for x in range(60, 84, 5):
        blocks.append((x, 88, x + 3, 92))
    blocks.append((66, 66, 78, 92))
    for i in range(18):
        half = 0.5 + i * 0.36
        blocks.append((int(72 - half), 48 + i, int(72 + half) + 1, 49 + i))
    blocks.append((71, 38, 73, 50))
    return blocks


WINDOWS = [(70, 74), (71, 74), (70, 75), (71, 75), (64, 100), (78, 100), (64, 101), (78, 101),
           (40, 118), (41, 118), (40, 119), (104, 120), (105, 120), (104, 121), (52, 136),
           (90, 138), (72, 112), (73, 112), (72, 113), (73, 113)]


def draw_castle(img):
    mask = [[False] * WIDTH for _ in range(HEIGHT)]
    for x0, y0, x1, y1 in castle_blocks():
        for y in range(max(y0, 0), min(y1, HEIGHT)):
            for x in range(max(x0, 0), min(x1, WIDTH)):
                mask[y][x] = True
    for y in range(HEIGHT):
        for x in range(WIDTH):
            if not mask[y][x]:
                continue
            # Moonlight catches the right-hand and upper edges.
            edge = (x + 1 < WIDTH and not mask[y][x + 1]) or (y > 0 and not mask[y - 1][x])
            img[y][x] = CASTLE_RIM if edge else CASTLE_DARK
    for x, y in WINDOWS:
        img[y][x] = (255, 196, 92)
        for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
            if mask[y + dy][x + dx] and (x + dx, y + dy) not in WINDOWS:
                img[y + dy][x + dx] = mix(CASTLE_DARK, (255, 160, 70), 0.35)
    # The banner on the spire.
    for i in range(6):
        for j in range(3 - i // 2):
            img[39 + j + i // 3][73 + i] = (200, 48, 40)


def draw_foreground(img):
    for x in range(WIDTH):
        top = 206 + 10 * math.sin(x * 0.021 + 1.3) + 4 * math.sin(x * 0.07) - 8 * math.exp(-((x - 250) / 40.0) ** 2)
        for y in range(max(int(top), 0), HEIGHT):
            cover = min(max(y + 1 - top, 0.0), 1.0)
            c = mix((34, 26, 50), (6, 6, 14), smoothstep(0, 14, y - top))
            img[y][x] = mix(img[y][x], c, cover)
    # A few pines on the right-hand hill.
    rnd = random.Random(42)
    for _ in range(14):
        px = rnd.randrange(170, 318)
        base = 206 + 10 * math.sin(px * 0.021 + 1.3) + 4 * math.sin(px * 0.07) - 8 * math.exp(-((px - 250) / 40.0) ** 2)
        h = rnd.randrange(10, 22)
        for i in range(h):
            half = (i / h) * 4.0 + 0.5
            y = int(base) - h + i + 2
            for x in range(int(px - half), int(px + half) + 1):
                if 0 <= x < WIDTH and 0 <= y < HEIGHT:
                    img[y][x] = (8, 8, 18)


GLYPHS = {
    "K": ["X...X", "X..X.", "X.X..", "XX...", "X.X..", "X..X.", "X...X"],
    "O": [".XXX.", "X...X", "X...X", "X...X", "X...X", "X...X", ".XXX."],
    "R": ["XXXX.", "X...X", "X...X", "XXXX.", "X.X..", "X..X.", "X...X"],
    "V": ["X...X", "X...X", "X...X", "X...X", "X...X", ".X.X.", "..X.."],
    "A": [".XXX.", "X...X", "X...X", "XXXXX", "X...X", "X...X", "X...X"],
    "M": ["X...X", "XX.XX", "X.X.X", "X.X.X", "X...X", "X...X", "X...X"],
    "U": ["X...X", "X...X", "X...X", "X...X", "X...X", "X...X", ".XXX."],
    "N": ["X...X", "XX..X", "X.X.X", "X..XX", "X...X", "X...X", "X...X"],
    "D": ["XXXX.", "X...X", "X...X", "X...X", "X...X", "X...X", "XXXX."],
}
CELL = 4          # screen pixels per font cell
BOLD = 2          # extra pixels each stroke is widened to the right
SPACING = 3


def text_mask(text):
    glyph_w = 5 * CELL + BOLD
    width = len(text) * (glyph_w + SPACING) - SPACING
    height = 7 * CELL
    mask = [[False] * width for _ in range(height)]
    for n, ch in enumerate(text):
        ox = n * (glyph_w + SPACING)
        for gy, row in enumerate(GLYPHS[ch]):
            for gx, cell in enumerate(row):
                if cell != "X":
                    continue
                for y in range(gy * CELL, gy * CELL + CELL):
                    for x in range(gx * CELL, gx * CELL + CELL + BOLD):
                        mask[y][ox + x] = True
    return mask


def draw_title(img, text, top):
    mask = text_mask(text)
    h, w = len(mask), len(mask[0])
    left = (WIDTH - w) // 2

    def inside(x, y):
        return 0 <= y < h and 0 <= x < w and mask[y][x]

    # Shadow, then a two-pixel dark outline, then the gold face with a bright top edge.
    for y in range(-3, h + 4):
        for x in range(-3, w + 4):
            sx, sy = left + x, top + y
            if not (0 <= sx < WIDTH and 0 <= sy < HEIGHT):
                continue
            if inside(x, y):
                t = y / (h - 1)
                c = ramp([(0.0, (255, 246, 190)), (0.45, (250, 200, 80)),
                          (0.55, (214, 140, 40)), (1.0, (150, 72, 24))], t)
                if not inside(x, y - 1):
                    c = (255, 255, 232)
                elif not inside(x - 1, y):
                    c = mix(c, (255, 255, 220), 0.4)
                elif not inside(x + 1, y) or not inside(x, y + 1):
                    c = mix(c, (90, 36, 14), 0.5)
                img[sy][sx] = c
            elif any(inside(x + dx, y + dy) for dx in (-2, -1, 0, 1, 2) for dy in (-2, -1, 0, 1, 2)
                     if abs(dx) + abs(dy) <= 3):
                img[sy][sx] = (20, 8, 18)
            elif inside(x - 3, y - 3) or inside(x - 4, y - 4):
                img[sy][sx] = mix(img[sy][sx], (0, 0, 0), 0.55)


def render_title():
    img = [[sky_colour(x, y) for x in range(WIDTH)] for y in range(HEIGHT)]
    draw_stars(img)
    draw_moon(img)
    draw_mountains(img, 11, 150, 14, 0.55, (96, 62, 112), (58, 40, 84), 0.55)
    draw_mist(img, 150, 178, 0.35)
    draw_mountains(img, 23, 176, 12, 0.5, (52, 36, 72), (28, 20, 46), 0.25)
    draw_castle(img)
    draw_mist(img, 180, 204, 0.25)
    draw_foreground(img)
    draw_title(img, "KORVAMUND", 12)
    return img


# ---------------------------------------------------------------- palette reduction

def median_cut(colours, count):
    """Splits the colour set along its widest channel until `count` boxes remain."""
    boxes = [colours]
    while len(boxes) < count:
        best, best_range, best_channel = None, -1, 0
        for i, box in enumerate(boxes):
            if len(box) < 2:
                continue
            for ch in range(3):
                values = [c[ch] for c in box]
                r = max(values) - min(values)
                if r > best_range:
                    best, best_range, best_channel = i, r, ch
        if best is None or best_range == 0:
            break
        box = sorted(boxes.pop(best), key=lambda c: c[best_channel])
        mid = len(box) // 2
        boxes += [box[:mid], box[mid:]]
    palette = []
    for box in boxes:
        n = len(box)
        palette.append(tuple(int(round(sum(c[ch] for c in box) / n)) for ch in range(3)))
    while len(palette) < count:
        palette.append((0, 0, 0))
    return palette


BAYER4 = [[0, 8, 2, 10], [12, 4, 14, 6], [3, 11, 1, 9], [15, 7, 13, 5]]


def quantise(img):
    # A light ordered dither keeps the sky gradient free of bands.
    dithered = []
    for y, row in enumerate(img):
        out = []
        for x, c in enumerate(row):
            d = (BAYER4[y & 3][x & 3] / 16.0 - 0.47) * 5.0
            out.append(tuple(min(max(int(round(v + d)), 0), 255) for v in c))
        dithered.append(out)
    palette = median_cut([c for row in dithered for c in row], 256)
    cache = {}

    def nearest(c):
        found = cache.get(c)
        if found is None:
            found = min(range(len(palette)),
                        key=lambda i: (palette[i][0] - c[0]) ** 2 * 3 + (palette[i][1] - c[1]) ** 2 * 4
                        + (palette[i][2] - c[2]) ** 2 * 2)
            cache[c] = found
        return found

    indices = [[nearest(c) for c in row] for row in dithered]
    return palette, indices


def bmp_8bit(palette, indices):
    height, width = len(indices), len(indices[0])
    stride = (width + 3) & ~3
    pixels = b"".join(bytes(row) + b"\0" * (stride - width) for row in reversed(indices))
    colour_table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    offset = 14 + 40 + len(colour_table)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(pixels), 2835, 2835, 256, 256)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + colour_table + pixels


# ---------------------------------------------------------------- the icon

def icon_pixel(u, v):
    """RGBA of the icon at (u, v) in 0..1: a night tile with moon and tower."""
    # Rounded square tile.
    r = 0.16
    qx, qy = max(abs(u - 0.5) - (0.5 - r), 0.0), max(abs(v - 0.5) - (0.5 - r), 0.0)
    if math.hypot(qx, qy) > r:
        return None
    c = ramp([(0.0, (16, 18, 58)), (0.55, (70, 38, 104)), (1.0, (226, 120, 80))], v)
    # Moon.
    if math.hypot(u - 0.66, v - 0.33) < 0.2:
        c = (250, 242, 206)
    elif math.hypot(u - 0.66, v - 0.33) < 0.27:
        c = mix(c, (240, 230, 220), 0.3)
    # Hill.
    if v > 0.84 - 0.08 * math.cos((u - 0.3) * 3.0):
        c = (12, 10, 24)
    # Tower with crenellations and a lit window.
    if 0.22 < u < 0.44 and 0.36 < v:
        c = (12, 10, 24)
    if 0.18 < u < 0.48 and 0.30 < v < 0.40:
        c = (12, 10, 24)
    for k in range(3):
        x0 = 0.18 + k * 0.12
        if x0 < u < x0 + 0.07 and 0.24 < v <= 0.30:
            c = (12, 10, 24)
    if 0.30 < u < 0.36 and 0.50 < v < 0.60:
        c = (255, 196, 92)
    return c


def render_icon(size):
    """Size x size RGBA rows, 4x4 supersampled."""
    rows = []
    samples = 4
    for y in range(size):
        row = []
        for x in range(size):
            acc = [0.0, 0.0, 0.0]
            hits = 0
            for sy in range(samples):
                for sx in range(samples):
                    c = icon_pixel((x + (sx + 0.5) / samples) / size, (y + (sy + 0.5) / samples) / size)
                    if c is not None:
                        hits += 1
                        for i in range(3):
                            acc[i] += c[i]
            if hits == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(int(round(a / hits)) for a in acc) + (int(round(255 * hits / samples ** 2)),))
        rows.append(row)
    return rows


def icon_bmp(rows):
    """A 32-bit icon image: header with doubled height, BGRA pixels, AND mask."""
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for r, g, b, a in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = b""
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    return header + pixels + mask


def icon_png(rows):
    size = len(rows)
    raw = b"".join(b"\0" + bytes(v for px in row for v in px) for row in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def ico(sizes):
    images = []
    for size in sizes:
        rows = render_icon(size)
        images.append((size, icon_png(rows) if size >= 256 else icon_bmp(rows)))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        dim = 0 if size >= 256 else size
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, data in images)


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    palette, indices = quantise(render_title())
    with open(os.path.join(out_dir, "title.bmp"), "wb") as f:
        f.write(bmp_8bit(palette, indices))
    with open(os.path.join(out_dir, "startup.ico"), "wb") as f:
        f.write(ico([16, 32, 48, 256]))


if __name__ == "__main__":
    main()
