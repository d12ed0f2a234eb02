#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Draws the program icon and writes it as a Windows .ico with eight images (48, 32, 24 and 16 pixels,
each at 256 colours and at 32 bits per pixel), and as PNG files for the desktop's hicolor icon theme.

The picture: a blue rounded tile with a white magnifier ring and a gold quill across it.
Run from the repository root: python3 tools/make_icon.py
"""
import math
import os
import struct
import sys
import zlib

SIZES = (48, 32, 24, 16)
SUPERSAMPLE = 4


def inside_rounded_square(x, y, radius):
    cx = min(max(x, radius), 1 - radius)
    cy = min(max(y, radius), 1 - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def distance_to_segment(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy)), t


def colour_at(x, y):
    """Colour of the unit-square point (x, y) as (r, g, b, a), y down."""
    if not inside_rounded_square(x, y, 0.2):
        return (0, 0, 0, 0)
    # quill: a tapered gold blade from the lower left to the upper right
    d, t = distance_to_segment(x, y, 0.2, 0.82, 0.86, 0.14)
    if d < 0.02 + 0.09 * math.sin(math.pi * min(1.0, t * 1.15)) and t > 0.02:
        return (0xF2, 0xB8, 0x2E, 255) if d > 0.025 else (0x8A, 0x5A, 0x12, 255)
    # magnifier ring
    r = math.hypot(x - 0.42, y - 0.42)
    if 0.19 <= r <= 0.27:
        return (255, 255, 255, 255)
    shade = int(0x1E + 0x30 * y)
    return (shade, 0x6A, 0xC8, 255)


def render(size):
    pixels = []
    for row in range(size):
        line = []
        for col in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(SUPERSAMPLE):
                for sx in range(SUPERSAMPLE):
                    x = (col + (sx + 0.5) / SUPERSAMPLE) / size
                    y = (row + (sy + 0.5) / SUPERSAMPLE) / size
                    r, g, b, a = colour_at(x, y)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            n = SUPERSAMPLE * SUPERSAMPLE
            alpha = acc[3] // n
            if acc[3]:
                line.append((acc[0] // acc[3], acc[1] // acc[3], acc[2] // acc[3], alpha))
            else:
                line.append((0, 0, 0, 0))
        pixels.append(line)
    return pixels


def and_mask(pixels, size):
    stride = ((size + 31) // 32) * 4
    out = bytearray()
    for line in reversed(pixels):
        bits = bytearray(stride)
        for col, (_, _, _, a) in enumerate(line):
            if a < 128:
                bits[col // 8] |= 0x80 >> (col % 8)
        out += bits
    return bytes(out)


def bitmap_header(size, bpp, image_bytes, colours):
    return struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, bpp, 0, image_bytes, 0, 0, colours, 0)


def image_32(pixels, size):
    xor = bytearray()
    for line in reversed(pixels):
        for r, g, b, a in line:
            xor += bytes((b, g, r, a))
    mask = and_mask(pixels, size)
    return bitmap_header(size, 32, len(xor) + len(mask), 0) + bytes(xor) + mask


def palette_index(r, g, b):
    # a 6x6x6 colour cube plus a ramp of 40 greys fills the 256 entries
    if abs(r - g) < 12 and abs(g - b) < 12:
        return 216 + min(39, (r + g + b) // 3 * 40 // 256)
    return 36 * round(r / 51) + 6 * round(g / 51) + round(b / 51)


def palette():
    entries = []
    for i in range(216):
        r, g, b = (i // 36) * 51, (i // 6 % 6) * 51, (i % 6) * 51
        entries.append(bytes((b, g, r, 0)))
    for i in range(40):
        v = i * 255 // 39
        entries.append(bytes((v, v, v, 0)))
    return b''.join(entries)


def image_8(pixels, size):
    stride = (size + 3) // 4 * 4
    xor = bytearray()
    for line in reversed(pixels):
        row = bytearray(stride)
        for col, (r, g, b, a) in enumerate(line):
            row[col] = palette_index(r, g, b) if a >= 128 else 0
        xor += row
    mask = and_mask(pixels, size)
    return bitmap_header(size, 8, len(xor) + len(mask), 256) + palette() + bytes(xor) + mask


def png(pixels, size):
    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data) & 0xFFFFFFFF)
    raw = b''.join(b'\x00' + bytes(v for p in line for v in p) for line in pixels)
    header = struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0)
    return b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b'')


def write_theme_pngs(root):
    for size in (16, 24, 32, 48, 64, 128, 256):
        folder = os.path.join(root, '%dx%d' % (size, size), 'apps')
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, 'seo-quillmark.png'), 'wb') as f:
            f.write(png(render(size), size))


def main(path):
    images = []
    for size in SIZES:
        pixels = render(size)
        images.append((size, 8, image_8(pixels, size)))
        images.append((size, 32, image_32(pixels, size)))
    header = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    directory = b''
    data = b''
    for size, bpp, blob in images:
        directory += struct.pack('<BBBBHHII', size, size, 0, 0, 1, bpp, len(blob), offset + len(data))
        data += blob
    with open(path, 'wb') as f:
        f.write(header + directory + data)


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'app/icons/quillmark.ico')
    write_theme_pngs(sys.argv[2] if len(sys.argv) > 2 else 'app/icons/hicolor')
