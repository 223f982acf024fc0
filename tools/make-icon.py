#!/usr/bin/env python3
"""Draws the program's icon, a load gauge with its needle in the red, as resources/kestrovane.ico.

The icon holds 16 x 16, 32 x 32 and 48 x 48 images in 32-bit colour with alpha. Each pixel is the average of
8 x 8 samples, so the edges are smooth at every size. Run it again after changing the drawing:
    python3 tools/make-icon.py resources/kestrovane.ico
"""
import math
import struct
import sys

SAMPLES = 8
TILE = (0x1D, 0x2B, 0x53)
TILE_EDGE = (0x0E, 0x16, 0x2E)
NEEDLE = (0xFF, 0xFF, 0xFF)
# The gauge runs clockwise from the lower left (225 degrees) over the top to the lower right (-45 degrees).
ARC_START = math.radians(225)
ARC_SWEEP = math.radians(270)
NEEDLE_ANGLE = math.radians(20)


def scale_colour(fraction):
    """Green at the start of the scale, yellow in the middle, red at its end."""
    stops = [(0.0, (0x3C, 0xD0, 0x5A)), (0.5, (0xFF, 0xD2, 0x3C)), (1.0, (0xF0, 0x3C, 0x2D))]
    for (f0, c0), (f1, c1) in zip(stops, stops[1:]):
        if fraction <= f1:
            t = (fraction - f0) / (f1 - f0)
            return tuple(round(a + (b - a) * t) for a, b in zip(c0, c1))
    return stops[-1][1]


def rounded_square_contains(x, y, radius):
    """The tile: the unit square with rounded corners."""
    cx = min(max(x, radius), 1 - radius)
    cy = min(max(y, radius), 1 - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def distance_to_segment(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def sample(x, y, size):
    """The colour (r, g, b, a) at a point of the unit square; small sizes get thicker strokes."""
    if not rounded_square_contains(x, y, 0.18):
        return (0, 0, 0, 0)
    thick = 1.0 + (48 - size) / 48  # 1.0 at 48 px, 1.67 at 16 px
    cx, cy = 0.5, 0.56
    dx, dy = x - cx, cy - y  # y grows upward for the angles
    radius = math.hypot(dx, dy)
    ring_outer, ring_inner = 0.40, 0.40 - 0.10 * thick
    needle_end = (cx + math.cos(NEEDLE_ANGLE) * 0.33, cy - math.sin(NEEDLE_ANGLE) * 0.33)
    if distance_to_segment(x, y, cx, cy, *needle_end) <= 0.035 * thick or radius <= 0.065 * thick:
        return NEEDLE + (255,)
    if ring_inner <= radius <= ring_outer:
        angle = math.atan2(dy, dx)
        travelled = (ARC_START - angle) % (2 * math.pi)
        if travelled <= ARC_SWEEP:
            return scale_colour(travelled / ARC_SWEEP) + (255,)
    edge = min(x, y, 1 - x, 1 - y)
    return (TILE_EDGE if edge < 0.035 * thick else TILE) + (255,)


def render(size):
    """Rows of (b, g, r, a) pixels from the top, each the average of SAMPLES x SAMPLES samples."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            total = [0, 0, 0, 0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    r, g, b, a = sample((px + (sx + 0.5) / SAMPLES) / size, (py + (sy + 0.5) / SAMPLES) / size, size)
                    total[0] += r * a
                    total[1] += g * a
                    total[2] += b * a
                    total[3] += a
            alpha = total[3] / (SAMPLES * SAMPLES)
            if total[3] == 0:
                row.append((0, 0, 0, 0))
            else:
                r, g, b = (round(c / total[3]) for c in total[:3])
                row.append((b, g, r, round(alpha)))
        rows.append(row)
    return rows


def icon_image(size):
    """One image of the icon file: a bitmap header of twice the height, the pixels bottom-up, an AND mask."""
    rows = render(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes(channel for pixel in row for channel in pixel) for row in reversed(rows))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, pixel in enumerate(row):
            if pixel[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + pixels + bytes(mask)


def main(path):
    sizes = [16, 32, 48]
    images = [icon_image(size) for size in sizes]
    offset = 6 + 16 * len(sizes)
    out = struct.pack("<HHH", 0, 1, len(sizes))
    for size, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    out += b"".join(images)
    with open(path, "wb") as file:
        file.write(out)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "resources/kestrovane.ico")
