#!/usr/bin/env python3
"""Draws the viewer's three XPM images: the window icon (100 x 100), and the
Refine and Coarsen button images (90 x 90); and the desktop icon, the window
icon's drawing at each size of the icon theme. Run from the repository root;
it rewrites src/app/images/*.xpm and packaging/icons/*/hypsa.png."""
import math
import os
import struct
import zlib

def profile(x, w, h, smooth):
    # A ridge line: a few peaks, smooth for "refine", coarse steps for "coarsen".
    t = x / (w - 1)
    if not smooth:
        t = round(t * 6) / 6
    y = 0.55 - 0.22 * math.sin(t * math.pi * 2.3 + 0.4) - 0.12 * math.sin(t * math.pi * 5.1)
    return y * h

def render(w, h, smooth, sign, even_line=False):
    """Grey levels 0..255 per pixel: white background, a shaded hill below a
    black ridge line, and a plus or minus sign in the upper right corner.
    even_line measures the distance to the ridge across the line, so that
    steep parts stay unbroken, with a width that grows with the image."""
    px = [[255] * w for _ in range(h)]
    half = max(1.6, w / 64) if even_line else 1.6
    for x in range(w):
        ridge = profile(x, w, h, smooth)
        slope = profile(x + 0.5, w, h, smooth) - profile(x - 0.5, w, h, smooth) if even_line else 0.0
        for y in range(h):
            d = (y - ridge) / math.sqrt(1.0 + slope * slope)
            if abs(d) < half:
                px[y][x] = min(px[y][x], int(255 * max(0.0, abs(d) - (half - 1.0))))
            elif d > 0:
                px[y][x] = min(px[y][x], 200 + int(40 * (y / h)))
    if sign:
        cx, cy, r = w - 16, 14, 9
        for y in range(cy - 2, cy + 3):
            for x in range(cx - r, cx + r + 1):
                px[y][x] = 0
        if sign == '+':
            for y in range(cy - r, cy + r + 1):
                for x in range(cx - 2, cx + 3):
                    px[y][x] = 0
    return px

def write_xpm(path, name, px, chars_per_pixel):
    h, w = len(px), len(px[0])
    levels = sorted({v for row in px for v in row})
    alphabet = [chr(c) for c in range(35, 127) if chr(c) not in '"\\']
    def code(i):
        s = ''
        for _ in range(chars_per_pixel):
            s = alphabet[i % len(alphabet)] + s
            i //= len(alphabet)
        return s
    codes = {v: code(i) for i, v in enumerate(levels)}
    lines = [f'"{w} {h} {len(levels)} {chars_per_pixel}",']
    for v in levels:
        lines.append(f'"{codes[v]} c #{v:02x}{v:02x}{v:02x}",')
    for row in px:
        lines.append('"' + ''.join(codes[v] for v in row) + '",')
    lines[-1] = lines[-1].rstrip(',')
    with open(path, 'w') as f:
        f.write('/* XPM */\n')
        f.write(f'static const char* const {name}[] = {{\n')
        f.write('\n'.join(lines) + '\n};\n')

def write_png(path, px):
    """An 8-bit grey PNG of the grey levels."""
    h, w = len(px), len(px[0])
    raw = b''.join(b'\0' + bytes(row) for row in px)
    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f:
        f.write(b'\x89PNG\r\n\x1a\n')
        f.write(chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 0, 0, 0, 0)))
        f.write(chunk(b'IDAT', zlib.compress(raw, 9)))
        f.write(chunk(b'IEND', b''))

write_xpm('src/app/images/window_icon.xpm', 'window_icon_xpm', render(100, 100, True, None), 2)
write_xpm('src/app/images/refine.xpm', 'refine_xpm', render(90, 90, True, '+'), 3)
write_xpm('src/app/images/coarsen.xpm', 'coarsen_xpm', render(90, 90, False, '-'), 3)
for size in (16, 22, 24, 32, 48, 64, 128, 256):
    write_png(f'packaging/icons/{size}x{size}/hypsa.png', render(size, size, True, None, even_line=True))
