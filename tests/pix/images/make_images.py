#!/usr/bin/env python3
"""Writes the small images that pix_tests embeds: run it from this folder."""
import struct
import zlib


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def png(width, height, colour_type, rows, extra=b""):
    header = struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0)
    raw = b"".join(b"\x00" + bytes(row) for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + extra +
            chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


# 3 x 2 RGBA: each pixel (r, g, b, a) distinct so a mix-up of bytes shows.
rgba = [[0x10, 0x20, 0x30, 0xFF, 0x40, 0x50, 0x60, 0x80, 0x70, 0x80, 0x90, 0x00],
        [0xA0, 0xB0, 0xC0, 0x01, 0xD0, 0xE0, 0xF0, 0x7F, 0x01, 0x02, 0x03, 0xFE]]
open("rgba_3x2.png", "wb").write(png(3, 2, 6, rgba))

# 2 x 1 palette image with a transparency entry for index 0 only.
palette = chunk(b"PLTE", bytes([0xFF, 0x00, 0x00, 0x00, 0x00, 0xFF])) + chunk(b"tRNS", bytes([0x40]))
open("palette_2x1.png", "wb").write(png(2, 1, 3, [[0, 1]], palette))

# Too short to be a PNG at all.
open("short.png", "wb").write(b"\x89PNG\r")
