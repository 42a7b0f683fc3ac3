#!/usr/bin/env python3
"""Draws the program's icon at 16, 32, 64, 128, 192 and 512 pixels as
16-colour PNGs, and a maskable 512-pixel one for the web page's manifest.

Two orbits seen from above on a night sky: Neptune's near circle and
Pluto's eccentric, tilted ellipse crossing inside it, the Sun in the
middle and both bodies on their paths. The larger sizes are drawn from
the same figures scaled up, with lines, rim and stars thickened to match,
so that they stay crisp on high-density screens. The maskable icon is the
sky to its edges with the figures inside the middle 70 %, the part every
mask shape keeps. Run it from this folder to make quorvex-16.png, -32.png,
-64.png, -128.png, -192.png, -512.png and quorvex-maskable-512.png again.
"""
import math
import struct
import zlib

PALETTE = [
    (8, 10, 40),     # 0 sky
    (255, 214, 64),  # 1 sun
    (255, 255, 200), # 2 sun core
    (64, 200, 255),  # 3 Neptune's orbit
    (255, 96, 96),   # 4 Pluto's orbit
    (40, 90, 255),   # 5 Neptune
    (255, 255, 255), # 6 Pluto
    (20, 24, 70),    # 7 sky, lighter rim
    (160, 160, 200), # 8 star
] + [(0, 0, 0)] * 7


def ellipse(img, size, cx, cy, a, b, tilt, colour, steps=720, width=1.0):
    """Plots the ellipse as single pixels, or above one pixel's width as a
    trail of discs that wide."""
    if width > 1:
        steps *= int(math.ceil(width))
    for k in range(steps):
        t = 2 * math.pi * k / steps
        x = a * math.cos(t)
        y = b * math.sin(t)
        xr = cx + x * math.cos(tilt) - y * math.sin(tilt)
        yr = cy + x * math.sin(tilt) + y * math.cos(tilt)
        if width > 1:
            disc(img, size, xr + 0.5, yr + 0.5, width / 2, colour)
            continue
        px, py = int(round(xr)), int(round(yr))
        if 0 <= px < size and 0 <= py < size:
            img[py][px] = colour


def disc(img, size, cx, cy, r, colour):
    for y in range(max(0, int(cy - r) - 1), min(size, int(cy + r) + 2)):
        for x in range(max(0, int(cx - r) - 1), min(size, int(cx + r) + 2)):
            if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                img[y][x] = colour


def draw(size, framed=True):
    s = size / 32.0
    img = [[0] * size for _ in range(size)]
    # a rounded rim so the icon reads on light and dark desktops, one pixel
    # wide at 32 and below (not on a maskable icon, whose mask is its edge)
    rim = max(1, size // 32) if framed else 0
    for y in range(size):
        for x in range(size):
            if min(x, y, size - 1 - x, size - 1 - y) < rim:
                img[y][x] = 7
    if size >= 32:
        for (x, y) in [(4, 5), (27, 4), (26, 27), (5, 26), (15, 2)]:
            if size == 32:
                img[y][x] = 8
            else:
                disc(img, size, (x + 0.5) * s, (y + 0.5) * s, 0.5 * s, 8)
    c = size / 2.0 - 0.5
    line = s if size > 32 else 1.0
    ellipse(img, size, c, c, 10.5 * s, 10.2 * s, 0.0, 3, width=line)
    # Pluto's ellipse: its perihelion reaches inside Neptune's circle
    e = 0.25
    a = 11.6 * s
    b = a * math.sqrt(1 - e * e)
    tilt = math.radians(-35)
    fx = c + a * e * math.cos(tilt + math.pi)
    fy = c + a * e * math.sin(tilt + math.pi)
    ellipse(img, size, c + (c - fx), c + (c - fy), a, b, tilt, 4, width=line)
    disc(img, size, c + 0.5, c + 0.5, 2.6 * s if size >= 32 else 1.6, 1)
    if size >= 32:
        disc(img, size, c + 0.5, c + 0.5, 1.2 * s, 2)
    # the bodies on their paths
    nx, ny = c + 10.5 * s * math.cos(math.radians(200)), c + 10.2 * s * math.sin(math.radians(200))
    disc(img, size, nx + 0.5, ny + 0.5, 2.2 * s if size >= 32 else 1.2, 5)
    t = math.radians(100)
    px = c + (c - fx) + a * math.cos(t) * math.cos(tilt) - b * math.sin(t) * math.sin(tilt)
    py = c + (c - fy) + a * math.cos(t) * math.sin(tilt) + b * math.sin(t) * math.cos(tilt)
    disc(img, size, px + 0.5, py + 0.5, 1.6 * s if size >= 32 else 1.0, 6)
    return img


def maskable(size):
    inner = draw(int(size * 0.7), framed=False)
    offset = (size - len(inner)) // 2
    img = [[0] * size for _ in range(size)]
    for y, row in enumerate(inner):
        img[offset + y][offset:offset + len(row)] = row
    return img


def write_png(path, img):
    size = len(img)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + bytes(row) for row in img)
    plte = b"".join(bytes(c) for c in PALETTE)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 3, 0, 0, 0)))
        f.write(chunk(b"PLTE", plte))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


if __name__ == "__main__":
    for size in (16, 32, 64, 128, 192, 512):
        write_png("quorvex-%d.png" % size, draw(size))
    write_png("quorvex-maskable-512.png", maskable(512))
