#!/usr/bin/env python3
"""Builds the program's icon from its pixel maps.

usage: make_icon.py OUT.ico MAP.txt [MAP.txt ...]
       make_icon.py --png SCALE OUT.png MAP.txt     (an enlarged preview)

Each map is a square of characters, one per pixel: 0-9 and A-F index the
classic 16-colour palette below, '.' is transparent. Lines starting with '#'
are comments. The icon holds one 4-bit image per map, in the order given.
"""
import struct
import sys
import zlib

PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def read_map(path):
    with open(path, encoding="ascii") as f:
        rows = [line.rstrip("\n") for line in f if line.strip() and not line.startswith("#")]
    size = len(rows)
    for row in rows:
        if len(row) != size:
            sys.exit(f"{path}: expected {size} columns, got {len(row)}: {row!r}")
        bad = set(row) - set("0123456789ABCDEF.")
        if bad:
            sys.exit(f"{path}: unknown pixel characters {sorted(bad)}")
    return rows


def padded(row_bytes):
    return row_bytes + b"\0" * (-len(row_bytes) % 4)


def dib(rows):
    """A 4-bit icon image: header (double height for XOR + AND), palette, XOR, AND."""
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in PALETTE)
    xor = and_mask = b""
    for row in reversed(rows):  # DIBs run bottom-up
        indices = [0 if c == "." else int(c, 16) for c in row]
        xor += padded(bytes((indices[i] << 4) | indices[i + 1] for i in range(0, size, 2)))
        bits = [1 if c == "." else 0 for c in row]
        and_mask += padded(bytes(sum(bits[i + j] << (7 - j) for j in range(8)) for i in range(0, size, 8)))
    return header + palette + xor + and_mask


def write_ico(out, maps):
    images = [dib(rows) for rows in maps]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for rows, image in zip(maps, images):
        size = len(rows)
        data += struct.pack("<BBBBHHII", size % 256, size % 256, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    with open(out, "wb") as f:
        f.write(data + b"".join(images))


def write_png(out, rows, scale):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    raw = b""
    for row in rows:
        line = b"".join(
            (bytes((255, 0, 255)) if c == "." else bytes(PALETTE[int(c, 16)])) * scale for c in row)
        raw += (b"\0" + line) * scale
    size = len(rows) * scale
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b"")
    with open(out, "wb") as f:
        f.write(png)


def main(args):
    if len(args) == 4 and args[0] == "--png":
        write_png(args[2], read_map(args[3]), int(args[1]))
    elif len(args) >= 2 and args[0] != "--png":
        write_ico(args[0], [read_map(path) for path in args[1:]])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv[1:])
