#!/usr/bin/env python3
"""Draws the viewer's three XPM images: the window icon (100 x 100), and the
Refine and Coarsen button images (90 x 90). Run from the repository root; it
rewrites src/app/images/*.xpm."""
import math

def profile(x, w, h, smooth):
    # A ridge line: a few peaks, smooth for "refine", coarse steps for "coarsen".
    t = x / (w - 1)
    if not smooth:
        t = round(t * 6) / 6
    y = 0.55 - 0.22 * math.sin(t * math.pi * 2.3 + 0.4) - 0.12 * math.sin(t * math.pi * 5.1)
    return y * h

def render(w, h, smooth, sign):
    """Grey levels 0..255 per pixel: white background, a shaded hill below a
    black ridge line, and a plus or minus sign in the upper right corner."""
    px = [[255] * w for _ in range(h)]
    for x in range(w):
        ridge = profile(x, w, h, smooth)
        for y in range(h):
            d = y - ridge
            if abs(d) < 1.6:
                px[y][x] = min(px[y][x], int(255 * max(0.0, abs(d) - 0.6)))
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

write_xpm('src/app/images/window_icon.xpm', 'window_icon_xpm', render(100, 100, True, None), 2)
write_xpm('src/app/images/refine.xpm', 'refine_xpm', render(90, 90, True, '+'), 3)
write_xpm('src/app/images/coarsen.xpm', 'coarsen_xpm', render(90, 90, False, '-'), 3)
