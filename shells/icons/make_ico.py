#!/usr/bin/env python3
"""Writes the Windows program's icons from the program's own artwork, the
same images the Linux program uses: quorvex.ico from quorvex-32.png and
quorvex-16.png, and quorvex-large.ico, the About box's icon at higher
densities, from quorvex-128.png and quorvex-64.png. Each image becomes a
16-colour (4 bits a pixel) icon image with an all-opaque mask. Run it from
this folder after the PNGs change.
"""
import struct
import zlib


def read_indexed_png(path):
    """Width, height, palette and rows of palette indices of an 8-bit
    colour-mapped, non-interlaced PNG."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError(path + ": not a PNG")
    pos, idat, palette = 8, b"", []
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            if depth != 8 or colour != 3 or interlace != 0:
                raise ValueError(path + ": expected an 8-bit colour-mapped PNG")
        elif kind == b"PLTE":
            palette = [tuple(body[i:i + 3]) for i in range(0, len(body), 3)]
        elif kind == b"IDAT":
            idat += body
    raw = zlib.decompress(idat)
    rows, prev, stride = [], bytearray(width), width + 1
    for y in range(height):
        kind, line = raw[y * stride], bytearray(raw[y * stride + 1:(y + 1) * stride])
        for x in range(width):
            a = line[x - 1] if x else 0
            b = prev[x]
            c = prev[x - 1] if x else 0
            if kind == 1:
                line[x] = (line[x] + a) & 0xFF
            elif kind == 2:
                line[x] = (line[x] + b) & 0xFF
            elif kind == 3:
                line[x] = (line[x] + (a + b) // 2) & 0xFF
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[x] = (line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 0xFF
        rows.append(bytes(line))
        prev = line
    return width, height, palette, rows


def icon_image(width, height, palette, rows):
    """One icon directory image: a bottom-up 4-bit bitmap twice the height
    (colours, then the AND mask, all zero: opaque)."""
    if len(palette) > 16 or max(max(r) for r in rows) > 15:
        raise ValueError("the icon needs at most 16 colours")
    palette = palette + [(0, 0, 0)] * (16 - len(palette))
    header = struct.pack("<IiiHHIIiiII", 40, width, 2 * height, 1, 4, 0, 0, 0, 0, 16, 0)
    colours = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in palette)
    xor_stride = ((width * 4 + 31) // 32) * 4
    and_stride = ((width + 31) // 32) * 4
    xor = b""
    for row in reversed(rows):
        packed = bytes((row[x] << 4) | (row[x + 1] if x + 1 < width else 0) for x in range(0, width, 2))
        xor += packed.ljust(xor_stride, b"\0")
    mask = b"\0" * (and_stride * height)
    return header + colours + xor + mask


def write_ico(name, sizes):
    images = [read_indexed_png("quorvex-%d.png" % size) for size in sizes]
    blobs = [icon_image(*image) for image in images]
    out = struct.pack("<HHH", 0, 1, len(blobs))
    offset = 6 + 16 * len(blobs)
    for (width, height, _, _), blob in zip(images, blobs):
        # A width or height of 256 would be written as 0; none is that big.
        out += struct.pack("<BBBBHHII", width, height, 16, 0, 1, 4, len(blob), offset)
        offset += len(blob)
    with open(name, "wb") as f:
        f.write(out + b"".join(blobs))


def main():
    # The program icon: 32 and 16 pixels.
    write_ico("quorvex.ico", (32, 16))
    # The About box's icon at higher densities (48 pixels and more): drawn
    # down from 64 or 128 pixels rather than blown up from 32.
    write_ico("quorvex-large.ico", (128, 64))


if __name__ == "__main__":
    main()
