#!/usr/bin/env python3
"""Writes the small picture files the codec tests and fuzz targets start from.

valid/  well-formed BMP variants and a JPEG (also the fuzzers' seeds)
broken/ damaged or hostile files, each of which must give ImageError

Run from this folder; the output is committed, so this is only needed when a
fixture changes.
"""
import os
import random
import struct

# A 16 x 16 colour JPEG (baseline, quality 75) made by the program's encoder.
SMALL_JPEG = bytes.fromhex(
    "ffd8ffe000104a46494600010100000100010000ffdb004300080606070605080707070909080a0c140d0c0b0b0c1912130f141d1a1f1e1d1a1c1c20242e2720222c231c1c2837292c30313434341f27393d38323c2e333432ffdb0043010909090c0b0c180d0d1832211c213232323232323232323232323232323232323232323232323232323232323232323232323232323232323232323232323232ffc00011080010001003012200021101031101ffc4001500010100000000000000000000000000000607ffc4002610000102030607000000000000000000000102110003050406122131412223618191c1f0ffc4001501010100000000000000000000000000000103ffc4001f1100010303050000000000000000000000010002210305110441617191ffda000c03010002110311003f009cd2aee25490a52580d4b42bb0dde470b491d1c393da12d3285ca96306cecda9dbdc28b050b102487058e63ef11276b2936934000923898cefe47661360be9c895ffd9")
SOF_OFFSET = 158  # the FF C0 marker of SMALL_JPEG
SOS_OFFSET = 296  # the FF DA marker; entropy-coded data follows its 14 bytes


def bmp(width, height, bits, rows, palette=b"", compression=0, header_size=40,
        masks=b"", pixel_offset=None):
    """A BMP file; rows is the pixel data exactly as stored."""
    if header_size == 12:
        info = struct.pack("<IHHHH", 12, width, height, 1, bits)
    else:
        info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression,
                           len(rows), 2835, 2835, len(palette) // 4, 0)
        info = struct.pack("<I", header_size) + info[4:] + masks
        info += bytes(header_size - len(info)) if header_size > 40 else b""
    offset = 14 + len(info) + len(palette) if pixel_offset is None else pixel_offset
    size = 14 + len(info) + len(palette) + len(rows)
    return b"BM" + struct.pack("<IHHI", size, 0, 0, offset) + info + palette + rows


def padded(row):
    return row + bytes(-len(row) % 4)


def bgr_rows(width, height):
    """24-bit rows of a small colour gradient, bottom row first."""
    return b"".join(padded(bytes(c for x in range(width) for c in (x * 60, y * 80, 200)))
                    for y in range(height))


GREY_PALETTE = b"".join(bytes((v, v, v, 0)) for v in range(0, 256, 17))  # 16 entries


def valid_files():
    yield "valid/rgb24.bmp", bmp(5, 3, 24, bgr_rows(5, 3))
    yield "valid/rgb24-core-header.bmp", bmp(5, 3, 24, bgr_rows(5, 3), header_size=12)
    yield "valid/rgb24-top-down.bmp", bmp(5, -3, 24, bgr_rows(5, 3))
    yield "valid/indexed1.bmp", bmp(9, 2, 1, padded(b"\xa5\x80") * 2, GREY_PALETTE[:8])
    yield "valid/indexed4.bmp", bmp(5, 2, 4, padded(b"\x01\x23\x40") * 2, GREY_PALETTE)
    yield "valid/indexed8.bmp", bmp(5, 2, 8, padded(bytes(range(5))) * 2, GREY_PALETTE)
    yield "valid/rgb565-v4.bmp", bmp(3, 2, 16, padded(struct.pack("<3H", 0xF800, 0x07E0, 0x001F)) * 2,
                                     compression=3, header_size=108,
                                     masks=struct.pack("<III", 0xF800, 0x07E0, 0x001F))
    yield "valid/rgb555.bmp", bmp(3, 2, 16, padded(struct.pack("<3H", 0x7C00, 0x03E0, 0x001F)) * 2)
    yield "valid/rgba32-v5.bmp", bmp(2, 2, 32, struct.pack("<4I", 0xFF0000FF, 0xFF00FF00, 0xFFFF0000, 0x80808080),
                                     compression=3, header_size=124,
                                     masks=struct.pack("<IIII", 0xFF, 0xFF00, 0xFF0000, 0xFF000000))
    yield "valid/rle8.bmp", bmp(4, 2, 8, bytes([4, 1, 0, 0, 0, 3, 2, 0, 1, 0, 0, 1]), GREY_PALETTE,
                                compression=1)
    yield "valid/rle4.bmp", bmp(4, 2, 4, bytes([4, 0x12, 0, 0, 0, 2, 1, 0, 0, 3, 0x45, 0, 0, 1]),
                                GREY_PALETTE, compression=2)
    yield "valid/small.jpg", SMALL_JPEG


def broken_files():
    good = bmp(4, 4, 24, bgr_rows(4, 4))
    yield "broken/truncated.bmp", good[:len(good) - 20]
    yield "broken/truncated-header.bmp", good[:30]
    yield "broken/huge-dimensions.bmp", bmp(100000, 100000, 24, bgr_rows(4, 4))
    yield "broken/pixel-offset-past-end.bmp", bmp(4, 4, 24, bgr_rows(4, 4), pixel_offset=100000)
    yield "broken/truncated.jpg", SMALL_JPEG[:SOS_OFFSET + 14 + 30]
    yield "broken/garbage.jpg", random.Random(7).randbytes(300)
    huge = bytearray(SMALL_JPEG)
    struct.pack_into(">HH", huge, SOF_OFFSET + 5, 65500, 65500)
    yield "broken/huge-dimensions.jpg", bytes(huge)


def main():
    for name, data in [*valid_files(), *broken_files()]:
        os.makedirs(os.path.dirname(name), exist_ok=True)
        with open(name, "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
