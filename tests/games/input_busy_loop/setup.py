# Two plain pictures for the buttons: 200 x 100 and 100 x 50, written as PNGs here.
import struct, sys, os, zlib

def png(path, w, h, rgba):
    raw = b"".join(b"\0" + bytes(rgba) * w for _ in range(h))
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0))
    data += chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b"")
    open(path, "wb").write(data)

png(os.path.join(sys.argv[1], "wide.png"), 200, 100, (200, 40, 40, 255))
png(os.path.join(sys.argv[1], "small.png"), 100, 50, (40, 40, 200, 255))
