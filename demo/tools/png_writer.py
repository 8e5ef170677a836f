"""A minimal PNG writer (8-bit RGBA, no filtering) with optional tEXt entries, standard
library only. Used to make the demo's pictures and the pictures of the sprite tests."""
import struct
import zlib


def _chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png_bytes(width, height, pixel, texts=None):
    """pixel(x, y) -> (r, g, b, a); texts: {"Name": ..., "Left": ...} written as tEXt."""
    rows = bytearray()
    for y in range(height):
        rows.append(0)  # filter type 0
        for x in range(width):
            rows.extend(bytes(pixel(x, y)))
    out = b"\x89PNG\r\n\x1a\n"
    out += _chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    for key, value in (texts or {}).items():
        out += _chunk(b"tEXt", key.encode("latin-1") + b"\0" + str(value).encode("latin-1"))
    out += _chunk(b"IDAT", zlib.compress(bytes(rows), 9))
    out += _chunk(b"IEND", b"")
    return out


def write_png(path, width, height, pixel, texts=None):
    with open(path, "wb") as f:
        f.write(png_bytes(width, height, pixel, texts))
