#!/usr/bin/env python3
"""Writes the picture fixtures of the image decoder tests, independently of the engine.

PNG files are assembled here chunk by chunk with zlib and struct (every colour type, bit
depths 1 to 16, tRNS, Adam7, all five row filters, text chunks before and after the
rows). JPEG files come from ImageMagick (/usr/bin/convert) made from pictures written
here. Beside each file NAME goes NAME.expected: width, height and bits as little-endian
32-bit integers, then the B, G, R, A bytes the engine must decode (rows top to bottom).
For JPEG the expected bytes are the source picture; tests allow the coding error.

Run from anywhere: python3 make_fixtures.py [output folder]
"""
import os
import struct
import subprocess
import sys
import tempfile
import zlib

OUT = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def pack_samples(samples, depth):
    """One row of samples (ints) at `depth` bits each, most significant bits first."""
    if depth == 8:
        return bytes(samples)
    if depth == 16:
        return b"".join(struct.pack(">H", s) for s in samples)
    out, acc, nbits = bytearray(), 0, 0
    for s in samples:
        acc = (acc << depth) | s
        nbits += depth
        if nbits == 8:
            out.append(acc)
            acc, nbits = 0, 0
    if nbits:
        out.append(acc << (8 - nbits))
    return bytes(out)


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def filter_row(kind, row, prev, bpp):
    out = bytearray([kind])
    for i, x in enumerate(row):
        a = row[i - bpp] if i >= bpp else 0
        b = prev[i] if prev else 0
        c = prev[i - bpp] if prev and i >= bpp else 0
        pred = [0, a, b, (a + b) // 2, paeth(a, b, c)][kind]
        out.append((x - pred) & 0xFF)
    return bytes(out)


CHANNELS = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}
ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]


def png_bytes(width, height, color_type, depth, rows, interlace=False, palette=None, trns=None,
              texts_before=(), texts_after=(), filters=(0,)):
    """rows: list of rows, each a list of samples (channels interleaved)."""
    ch = CHANNELS[color_type]
    bpp = max(1, ch * depth // 8)
    raw = bytearray()
    passes = ADAM7 if interlace else [(0, 0, 1, 1)]
    n = 0
    for (x0, y0, dx, dy) in passes:
        prev = None
        for y in range(y0, height, dy):
            cols = list(range(x0, width, dx))
            if not cols:
                continue
            samples = [s for x in cols for s in rows[y][x * ch:(x + 1) * ch]]
            line = pack_samples(samples, depth)
            raw += filter_row(filters[n % len(filters)], line, prev, bpp)
            prev = line
            n += 1
    out = b"\x89PNG\r\n\x1a\n"
    out += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, color_type, 0, 0, 1 if interlace else 0))
    for k, v in texts_before:
        out += chunk(b"tEXt", k + b"\0" + v)
    if palette:
        out += chunk(b"PLTE", b"".join(bytes(c) for c in palette))
    if trns is not None:
        out += chunk(b"tRNS", trns)
    data = zlib.compress(bytes(raw), 9)
    # Several IDAT chunks: the reader must join them.
    for i in range(0, len(data), 64):
        out += chunk(b"IDAT", data[i:i + 64])
    for k, v in texts_after:
        out += chunk(b"tEXt", k + b"\0" + v)
    out += chunk(b"IEND", b"")
    return out


def write(name, data, width, height, bits, bgra):
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data)
    assert len(bgra) == width * height * 4
    with open(os.path.join(OUT, name + ".expected"), "wb") as f:
        f.write(struct.pack("<iii", width, height, bits) + bytes(bgra))


def make_pngs():
    # Palette of 10 colours at 4 bits, tRNS for the first six entries only.
    w, h = 13, 5
    palette = [((i * 29) % 256, (i * 71 + 5) % 256, (255 - i * 23) % 256) for i in range(10)]
    alphas = [0, 40, 80, 120, 200, 255]
    idx = [[(x * 3 + y * 5) % 10 for x in range(w)] for y in range(h)]
    bgra = []
    for y in range(h):
        for x in range(w):
            r, g, b = palette[idx[y][x]]
            a = alphas[idx[y][x]] if idx[y][x] < len(alphas) else 255
            bgra += [b, g, r, a]
    write("palette_trns.png", png_bytes(w, h, 3, 4, idx, palette=palette, trns=bytes(alphas)), w, h, 32, bgra)

    # Grey at 1 and 2 bits, widths that leave partial bytes.
    for depth, w, h in ((1, 11, 3), (2, 7, 4)):
        top = (1 << depth) - 1
        vals = [[(x + 2 * y) % (top + 1) for x in range(w)] for y in range(h)]
        bgra = []
        for row in vals:
            for v in row:
                g = v * 255 // top
                bgra += [g, g, g, 255]
        write(f"grey{depth}.png", png_bytes(w, h, 0, depth, vals), w, h, 24, bgra)

    # Grey with alpha, 8 bits; grey with a tRNS key.
    w, h = 6, 5
    rows = [[s for x in range(w) for s in ((x * 40 + y * 7) % 256, (x * 50 + y * 30) % 256)] for y in range(h)]
    bgra = []
    for row in rows:
        for x in range(w):
            g, a = row[2 * x], row[2 * x + 1]
            bgra += [g, g, g, a]
    write("grey_alpha.png", png_bytes(w, h, 4, 8, rows), w, h, 32, bgra)

    w, h = 5, 3
    key = 77
    rows = [[key if (x + y) % 3 == 0 else x * 50 + y for x in range(w)] for y in range(h)]
    bgra = []
    for row in rows:
        for g in row:
            bgra += [g, g, g, 0 if g == key else 255]
    write("grey_trns.png", png_bytes(w, h, 0, 8, rows, trns=struct.pack(">H", key)), w, h, 32, bgra)

    # 16-bit RGB: the low byte must be dropped, not rounded in.
    w, h = 7, 4
    rows, bgra = [], []
    for y in range(h):
        row = []
        for x in range(w):
            r, g, b = (x * 9000 + 255) % 65536, (y * 17000 + 128) % 65536, (x * y * 3000 + 200) % 65536
            row += [r, g, b]
            bgra += [b >> 8, g >> 8, r >> 8, 255]
        rows.append(row)
    write("rgb16.png", png_bytes(w, h, 2, 16, rows), w, h, 24, bgra)

    # RGB with a tRNS colour key.
    w, h = 4, 4
    rows, bgra = [], []
    for y in range(h):
        row = []
        for x in range(w):
            c = (10, 20, 30) if x == y else (x * 60, y * 60, 100)
            row += list(c)
            bgra += [c[2], c[1], c[0], 0 if c == (10, 20, 30) else 255]
        rows.append(row)
    write("rgb_trns.png", png_bytes(w, h, 2, 8, rows, trns=struct.pack(">HHH", 10, 20, 30)), w, h, 32, bgra)

    # Interlaced: 16-bit RGBA and 8-bit RGB with every row filter; sizes not multiples of 8.
    w, h = 9, 10
    rows, bgra = [], []
    for y in range(h):
        row = []
        for x in range(w):
            r, g, b, a = x * 7000, y * 6000, (x + y) * 3000, ((x * 31 + y * 17) % 256) * 257
            row += [r, g, b, a]
            bgra += [b >> 8, g >> 8, r >> 8, a >> 8]
        rows.append(row)
    write("rgba16_interlaced.png", png_bytes(w, h, 6, 16, rows, interlace=True), w, h, 32, bgra)

    w, h = 17, 13
    rows, bgra = [], []
    for y in range(h):
        row = []
        for x in range(w):
            r, g, b = (x * 15) % 256, (y * 19) % 256, (x * y * 7) % 256
            row += [r, g, b]
            bgra += [b, g, r, 255]
        rows.append(row)
    write("rgb_interlaced_filters.png", png_bytes(w, h, 2, 8, rows, interlace=True, filters=(0, 1, 2, 3, 4)),
          w, h, 24, bgra)
    write("rgb_filters.png", png_bytes(w, h, 2, 8, rows, filters=(1, 2, 3, 4, 0)), w, h, 24, bgra)

    # A difference picture: Name (CP932 bytes of 差分/ベース.png) and Left before the rows,
    # Top and Mode after them.
    w, h = 3, 2
    rows, bgra = [], []
    for y in range(h):
        row = []
        for x in range(w):
            row += [x * 80, y * 80, 40, 128 + x]
            bgra += [40, y * 80, x * 80, 128 + x]
        rows.append(row)
    name = "差分/ベース.png".encode("cp932")
    data = png_bytes(w, h, 6, 8, rows, texts_before=[(b"Name", name), (b"Left", b"-12")],
                     texts_after=[(b"Top", b" 34px"), (b"Mode", b"5"), (b"Comment", b"ignored")])
    write("difference.png", data, w, h, 32, bgra)


def make_jpegs():
    convert = "/usr/bin/convert"
    with tempfile.TemporaryDirectory() as tmp:
        # 16 x 16 blocks of flat colour survive coding almost exactly, subsampling included.
        w, h = 48, 32
        colours = [(200, 30, 40), (20, 180, 60), (30, 40, 220), (250, 250, 250), (0, 0, 0), (128, 128, 0)]
        pix = []
        for y in range(h):
            for x in range(w):
                pix.append(colours[(x // 16 + 3 * (y // 16)) % len(colours)])
        ppm = os.path.join(tmp, "blocks.ppm")
        with open(ppm, "wb") as f:
            f.write(b"P6 %d %d 255\n" % (w, h) + b"".join(bytes(c) for c in pix))
        bgra = [v for (r, g, b) in pix for v in (b, g, r, 255)]
        for name, extra in (("baseline.jpg", []), ("progressive.jpg", ["-interlace", "JPEG"])):
            path = os.path.join(OUT, name)
            subprocess.run([convert, ppm, "-quality", "95"] + extra + ["-strip", path], check=True)
            with open(path, "rb") as f:
                write(name, f.read(), w, h, 24, bgra)

        # Greyscale, an odd size (37 x 21) with 8 x 8 flat blocks.
        w, h = 37, 21
        grey = [((x // 8) * 50 + (y // 8) * 30) % 256 for y in range(h) for x in range(w)]
        pgm = os.path.join(tmp, "grey.pgm")
        with open(pgm, "wb") as f:
            f.write(b"P5 %d %d 255\n" % (w, h) + bytes(grey))
        path = os.path.join(OUT, "grey.jpg")
        subprocess.run([convert, pgm, "-quality", "95", "-colorspace", "Gray", "-type", "Grayscale", "-strip", path],
                       check=True)
        with open(path, "rb") as f:
            write("grey.jpg", f.read(), w, h, 24, [v for g in grey for v in (g, g, g, 255)])


def make_bmps():
    """BMPs written by ImageMagick (BMP3: information header, bottom-up, short palettes)."""
    convert = "/usr/bin/convert"
    with tempfile.TemporaryDirectory() as tmp:
        def from_ppm(name, w, h, pix, options):
            ppm = os.path.join(tmp, name + ".ppm")
            with open(ppm, "wb") as f:
                f.write(b"P6 %d %d 255\n" % (w, h) + b"".join(bytes(c) for c in pix))
            path = os.path.join(OUT, name)
            subprocess.run([convert, ppm] + options + ["-compress", "None", "BMP3:" + path], check=True)
            with open(path, "rb") as f:
                write(name, f.read(), w, h, 24, [v for (r, g, b) in pix for v in (b, g, r, 255)])

        # 1 bit, width 37: rows of 5 bytes padded to 8.
        w, h = 37, 5
        from_ppm("bilevel.bmp", w, h,
                 [(255, 255, 255) if (x * y + x) % 3 == 0 else (0, 0, 0) for y in range(h) for x in range(w)],
                 ["-type", "Bilevel"])
        w, h = 13, 6
        pal12 = [(i * 20, 255 - i * 15, i * 7) for i in range(12)]
        from_ppm("palette4.bmp", w, h, [pal12[(x + 2 * y) % 12] for y in range(h) for x in range(w)],
                 ["-type", "Palette"])
        pal20 = [(i * 12, 250 - i * 11, (i * 37) % 256) for i in range(20)]
        from_ppm("palette8.bmp", w, h, [pal20[(x + 3 * y) % 20] for y in range(h) for x in range(w)],
                 ["-type", "Palette"])
        from_ppm("truecolor24.bmp", w, h, [(x * 19, y * 40, (x * y * 5) % 256) for y in range(h) for x in range(w)],
                 ["-type", "TrueColor"])


if __name__ == "__main__":
    make_pngs()
    make_jpegs()
    make_bmps()
