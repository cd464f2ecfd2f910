#!/usr/bin/env python3
"""Writes Images/Default.bmp: the picture the program opens at start-up.

A synthetic bright-field micrograph of a stage micrometer: 0.5 um per pixel,
a scale with a division every 10 um (20 px), longer ticks every 50 um and
numbered ones every 100 um, and a few round particles of known diameter to
measure. Deterministic; standard library only.

    python3 tools/make_default_image.py [output.bmp]
"""
import math
import random
import struct
import sys

WIDTH, HEIGHT = 800, 600
UM_PER_PIXEL = 0.5
DIVISION_UM = 10
PIXELS_PER_METRE = round(1e6 / UM_PER_PIXEL)  # the file header carries the pixel size too

BACKGROUND = (226, 222, 211)  # warm halogen bright field
INK = (38, 38, 46)

# (centre x, centre y, diameter in um) — diameters are whole numbers of um.
PARTICLES = [
    (150, 130, 60), (330, 95, 34), (520, 160, 80),
    (680, 105, 24), (250, 250, 44), (610, 270, 30), (420, 230, 18),
]

# 5 x 7 glyphs for the scale's lettering.
GLYPHS = {
    "0": ["01110", "10001", "10011", "10101", "11001", "10001", "01110"],
    "1": ["00100", "01100", "00100", "00100", "00100", "00100", "01110"],
    "2": ["01110", "10001", "00001", "00010", "00100", "01000", "11111"],
    "3": ["11110", "00001", "00001", "01110", "00001", "00001", "11110"],
    "4": ["00010", "00110", "01010", "10010", "11111", "00010", "00010"],
    "5": ["11111", "10000", "11110", "00001", "00001", "10001", "01110"],
    "6": ["00110", "01000", "10000", "11110", "10001", "10001", "01110"],
    "7": ["11111", "00001", "00010", "00100", "01000", "01000", "01000"],
    "8": ["01110", "10001", "10001", "01110", "10001", "10001", "01110"],
    "9": ["01110", "10001", "10001", "01111", "00001", "00010", "01100"],
    ".": ["00000", "00000", "00000", "00000", "00000", "01100", "01100"],
    "=": ["00000", "00000", "11111", "00000", "11111", "00000", "00000"],
    "/": ["00001", "00010", "00010", "00100", "01000", "01000", "10000"],
    " ": ["00000"] * 7,
    "u": ["00000", "00000", "10001", "10001", "10001", "10011", "01101"],
    "m": ["00000", "00000", "11010", "10101", "10101", "10101", "10101"],
    "p": ["00000", "00000", "11110", "10001", "11110", "10000", "10000"],
    "x": ["00000", "00000", "10001", "01010", "00100", "01010", "10001"],
    "d": ["00001", "00001", "01101", "10011", "10001", "10011", "01101"],
    "i": ["00100", "00000", "01100", "00100", "00100", "00100", "01110"],
    "v": ["00000", "00000", "10001", "10001", "10001", "01010", "00100"],
}


def blend(base, ink, coverage):
    return tuple(round(b + (i - b) * coverage) for b, i in zip(base, ink))


def background(rng):
    rows = []
    cx, cy = WIDTH / 2, HEIGHT / 2
    reach = math.hypot(cx, cy)
    for y in range(HEIGHT):
        row = []
        for x in range(WIDTH):
            shade = 1.0 - 0.10 * (math.hypot(x - cx, y - cy) / reach) ** 2
            noise = rng.gauss(0.0, 1.6)
            row.append(tuple(max(0, min(255, round(c * shade + noise))) for c in BACKGROUND))
        rows.append(row)
    return rows


def fill_rect(img, x0, y0, x1, y1, colour):
    for y in range(max(0, y0), min(HEIGHT, y1)):
        for x in range(max(0, x0), min(WIDTH, x1)):
            img[y][x] = colour


def draw_particle(img, cx, cy, diameter_um):
    radius = diameter_um / UM_PER_PIXEL / 2
    core = (70, 62, 58)
    for y in range(int(cy - radius - 2), int(cy + radius + 3)):
        for x in range(int(cx - radius - 2), int(cx + radius + 3)):
            if not (0 <= x < WIDTH and 0 <= y < HEIGHT):
                continue
            # 4 x 4 supersampling gives a soft, optically plausible edge.
            inside = sum(
                math.hypot(x + (i + 0.5) / 4 - 0.5 - cx, y + (j + 0.5) / 4 - 0.5 - cy) <= radius
                for i in range(4) for j in range(4)) / 16
            if inside == 0:
                continue
            # A faint highlight up and left of the centre, as from a slightly oblique lamp.
            d = math.hypot(x - (cx - radius * 0.3), y - (cy - radius * 0.3)) / radius
            body = blend(core, (120, 112, 104), max(0.0, 0.5 - d) * 0.8)
            img[y][x] = blend(img[y][x], body, inside)


def draw_text(img, x, y, text, scale=2):
    for ch in text:
        for gy, bits in enumerate(GLYPHS[ch]):
            for gx, bit in enumerate(bits):
                if bit == "1":
                    fill_rect(img, x + gx * scale, y + gy * scale,
                              x + (gx + 1) * scale, y + (gy + 1) * scale, INK)
        x += 6 * scale
    return x


def text_width(text, scale=2):
    return len(text) * 6 * scale - scale


def draw_scale(img):
    x0, baseline = 50, 470
    divisions = 35  # 0 .. 350 um
    step = round(DIVISION_UM / UM_PER_PIXEL)
    fill_rect(img, x0, baseline, x0 + divisions * step + 2, baseline + 2, INK)
    for k in range(divisions + 1):
        x = x0 + k * step
        um = k * DIVISION_UM
        height = 34 if um % 100 == 0 else 24 if um % 50 == 0 else 14
        fill_rect(img, x, baseline - height, x + 2, baseline, INK)
        if um % 100 == 0:
            label = str(um)
            draw_text(img, x + 1 - text_width(label) // 2, baseline - height - 20, label)
    draw_text(img, x0, baseline + 24, "1 div = 10 um")
    caption = "0.5 um/px"
    draw_text(img, WIDTH - 50 - text_width(caption), baseline + 24, caption)


def write_bmp(path, img):
    row_bytes = WIDTH * 3
    padding = (4 - row_bytes % 4) % 4
    data = bytearray()
    for row in reversed(img):  # bottom-up
        for r, g, b in row:
            data += bytes((b, g, r))
        data += b"\0" * padding
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(data), PIXELS_PER_METRE, PIXELS_PER_METRE, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


def main():
    path = sys.argv[1] if len(sys.argv) > 1 else "Images/Default.bmp"
    rng = random.Random(20261210)
    img = background(rng)
    for cx, cy, diameter in PARTICLES:
        draw_particle(img, cx, cy, diameter)
    draw_scale(img)
    write_bmp(path, img)


if __name__ == "__main__":
    main()
