#!/usr/bin/env python3
"""Draws the viewer's button glyphs and application icon (16 colours).

Writes open.bmp, reopen.bmp, review.bmp (32x16: the normal glyph, then the
disabled one; the bottom-left pixel's colour is the transparent one) and
RulvView.ico: 32x32 and 16x16, and the sizes Windows asks for at 120, 144
and 192 pixels per inch (20, 24, 40, 48 and 64), each drawn at its own size
so that none is scaled. Run it again after changing a picture.
"""
import struct
from pathlib import Path

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GRAY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(8, 16)

TRANSPARENT = TEAL
KEYS = {'.': TRANSPARENT, 'K': BLACK, 'Y': YELLOW, 'O': OLIVE, 'W': WHITE,
        'G': GREEN, 'S': SILVER, 'A': GRAY}

OPEN = [
    "................",
    ".........KKK....",
    "........K...K.K.",
    ".............KK.",
    ".KKK........KKK.",
    "KYWYK...........",
    "KWYWKKKKKKKK....",
    "KYWYWYWYWYWK....",
    "KWYWYWYKKKKKKKKK",
    "KYWYWYKOOOOOOOOK",
    "KWYWYKOOOOOOOOK.",
    "KYWYKOOOOOOOOK..",
    "KWYKOOOOOOOOK...",
    "KYKOOOOOOOOK....",
    "KKKKKKKKKKK.....",
    "................",
]
REOPEN = [
    "..KKKKKKKK......",
    "..KWWWWWWKK.....",
    "..KWWWWWWKWK....",
    "..KWWWWWWKKKK...",
    "..KWWWGGGGWWK...",
    "..KWWGWWWWGWK...",
    "..KWGGGWWWWWK...",
    "..KWWGWWWWWWK...",
    "..KWWWWWWGWWK...",
    "..KWWWWWGGGWK...",
    "..KWGWWWWGWWK...",
    "..KWWGGGGWWWK...",
    "..KWWWWWWWWWK...",
    "..KWWWWWWWWWK...",
    "..KKKKKKKKKKK...",
    "................",
]
REVIEW = [
    "KKKKKKKK........",
    "KWWWWWWK........",
    "KWWWWWWKGGGG....",
    "KWWWWWWK...G....",
    "KWWWWWWK...G....",
    "KKKKKKKK...G....",
    "...........G....",
    ".........GGGGG..",
    "..........GGG...",
    "...........G....",
    "........KKKKKKKK",
    "........KWWWWWWK",
    "........KWWWWWWK",
    "........KWWWWWWK",
    "........KWWWWWWK",
    "........KKKKKKKK",
]


def parse(rows):
    return [[KEYS[c] for c in row] for row in rows]


def disabled(glyph):
    """The classic embossed look: the shape in grey, lit from below right."""
    size = len(glyph)
    result = [[TRANSPARENT] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            if glyph[y][x] != TRANSPARENT and glyph[y][x] != WHITE:
                if x + 1 < size and y + 1 < size:
                    result[y + 1][x + 1] = WHITE
    for y in range(size):
        for x in range(size):
            if glyph[y][x] != TRANSPARENT and glyph[y][x] != WHITE:
                result[y][x] = GRAY
    result[size - 1][0] = TRANSPARENT
    return result


def pack4(pixels):
    """Bottom-up 4-bit rows, each padded to 4 bytes."""
    data = bytearray()
    for row in reversed(pixels):
        line = bytearray()
        for x in range(0, len(row), 2):
            low = row[x + 1] if x + 1 < len(row) else 0
            line.append((row[x] << 4) | low)
        while len(line) % 4:
            line.append(0)
        data += line
    return bytes(data)


def palette_bytes():
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)


def info_header(width, height, image_size):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, image_size, 0, 0, 16, 16)


def write_bitmap(path, pixels):
    bits = pack4(pixels)
    height, width = len(pixels), len(pixels[0])
    header = info_header(width, height, len(bits)) + palette_bytes()
    offset = 14 + len(header)
    path.write_bytes(b"BM" + struct.pack("<IHHI", offset + len(bits), 0, 0, offset) + header + bits)


ICON_SIZES = [32, 16, 20, 24, 40, 48, 64]


def icon_image(size):
    """Vertical bands: black, red, red/olive checker, yellow, green, blue,
    navy, magenta, black; the outer black bands half as wide. At 32 pixels:
    2 black, 4 each of the seven colours, 2 black."""
    colours = [BLACK, RED, None, YELLOW, GREEN, BLUE, NAVY, FUCHSIA, BLACK]
    # Band edges in sixteenths of the width, rounded to whole pixels.
    edges = [round(size * (1 + 2 * i) / 16) for i in range(8)] + [size]
    pixels = []
    for y in range(size):
        row = []
        for x in range(size):
            band = next(i for i, edge in enumerate(edges) if x < edge)
            colour = colours[band]
            row.append(colour if colour is not None else (RED if (x + y) % 2 == 0 else OLIVE))
        pixels.append(row)
    return pixels


def icon_entry_data(pixels):
    size = len(pixels)
    xor = pack4(pixels)
    mask_row = ((size + 31) // 32) * 4
    and_mask = bytes(mask_row * size)  # every pixel opaque
    return info_header(size, size * 2, len(xor) + len(and_mask)) + palette_bytes() + xor + and_mask


def write_icon(path, images):
    blobs = [icon_entry_data(image) for image in images]
    out = struct.pack("<HHH", 0, 1, len(blobs))
    offset = 6 + 16 * len(blobs)
    for image, blob in zip(images, blobs):
        size = len(image)
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(blob), offset)
        offset += len(blob)
    path.write_bytes(out + b"".join(blobs))


def main():
    here = Path(__file__).resolve().parent
    for name, rows in (("open", OPEN), ("reopen", REOPEN), ("review", REVIEW)):
        glyph = parse(rows)
        pair = [normal + grey for normal, grey in zip(glyph, disabled(glyph))]
        write_bitmap(here / f"{name}.bmp", pair)
    write_icon(here / "RulvView.ico", [icon_image(size) for size in ICON_SIZES])


if __name__ == "__main__":
    main()
