#!/usr/bin/env python3
"""AboutEmblem.py - draws the about box's emblem, AboutEmblem.ico.

A colour wheel in the 16 standard colours: six hue sectors round a white
hub, with a black rim, on a transparent ground; a 32x32 and a 16x16 image,
and the sizes the about box takes at 120, 144 and 192 pixels per inch (40,
48 and 64), each drawn at its own size; 4 bits per pixel. Run it from this folder to write the icon again:
    python3 AboutEmblem.py
"""
import math
import struct

# The standard 16-colour palette (index: (red, green, blue)).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, WHITE = 0, 15
# Red, yellow, green, cyan, blue, magenta, clockwise from the top.
HUES = [9, 11, 10, 14, 12, 13]


def draw(size):
    """Rows of (colour index, transparent) pairs, top row first."""
    centre = (size - 1) / 2
    outer = size / 2
    rim = outer - max(1.0, size / 16)
    hub = size / 6
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            dx, dy = x - centre, y - centre
            r = math.hypot(dx, dy)
            if r > outer - 0.25:
                row.append((BLACK, True))
            elif r > rim:
                row.append((BLACK, False))
            elif r < hub:
                row.append((WHITE, False))
            else:
                angle = (math.degrees(math.atan2(dx, -dy)) + 360) % 360
                row.append((HUES[int(angle // 60) % 6], False))
        rows.append(row)
    return rows


def image_bytes(size):
    rows = draw(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    colour = b''
    mask = b''
    for row in reversed(rows):  # bottom-up
        line = bytearray()
        for x in range(0, size, 2):
            line.append(row[x][0] << 4 | row[x + 1][0])
        colour += bytes(line) + b'\0' * (-len(line) % 4)
        bits = bytearray((size + 7) // 8)
        for x, (_, transparent) in enumerate(row):
            if transparent:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits) + b'\0' * (-len(bits) % 4)
    return header + palette + colour + mask


def main():
    images = [(size, image_bytes(size)) for size in (32, 16, 40, 48, 64)]
    offset = 6 + 16 * len(images)
    out = struct.pack('<HHH', 0, 1, len(images))
    for size, data in images:
        out += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    out += b''.join(data for _, data in images)
    with open('AboutEmblem.ico', 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main()
