#!/usr/bin/env python3
"""Writes the seed inputs of every fuzz target into fuzz/corpus/<target>/, from the demo
game, the test pictures and small hand-made files. Run from anywhere; seeds that exist are
rewritten, findings kept beside them (crash-*, finding-*) are left alone.

  python3 fuzz/corpus/make_seeds.py [--packer build/utsushi-pack]
"""
import argparse
import os
import re
import shutil
import struct
import subprocess
import tempfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))


def put(target, name, data):
    folder = os.path.join(HERE, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode("cp932"))


def read(path):
    with open(os.path.join(ROOT, path), "rb") as f:
        return f.read()


def script_texts():
    """Every script of the demo (CP932) and the test games (UTF-8), as CP932 bytes."""
    out = []
    for base in ("demo/script", "tests/games"):
        for root, _dirs, files in os.walk(os.path.join(ROOT, base)):
            for n in sorted(files):
                if n.endswith(".txt") and "/script" in root:
                    with open(os.path.join(root, n), "rb") as f:
                        data = f.read()
                    if base != "demo/script":  # the test games are written in UTF-8
                        data = data.decode("utf-8").encode("cp932", "replace")
                    out.append((os.path.relpath(os.path.join(root, n), ROOT), data))
    return out


def cur(w, h, hx, hy):
    stride = ((w + 31) // 32) * 4
    dib = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 1, 0, 0, 0, 0, 2, 0) + struct.pack("<II", 0, 0xFFFFFF)
    for row in range(h - 1, -1, -1):
        line = bytearray(stride)
        if row < w:
            line[row // 8] |= 0x80 >> (row % 8)
        dib += bytes(line)
    for row in range(h):
        line = bytearray(stride)
        line[0] = 0x80
        dib += bytes(line)
    head = struct.pack("<HHHBBBBHHII", 0, 2, 1, w & 0xFF, h & 0xFF, 0, 0, hx, hy, len(dib), 22)
    return head + dib


def chunk(cid, body):
    c = cid + struct.pack("<I", len(body)) + body
    return c + (b"\0" if len(body) & 1 else b"")


def ani(frames, rates, seq):
    anih = struct.pack("<9I", 36, frames, len(seq) if seq else frames, 0, 0, 0, 0, 6, 1)
    body = b"ACON" + chunk(b"anih", anih)
    if rates:
        body += chunk(b"rate", struct.pack("<%dI" % len(rates), *rates))
    if seq:
        body += chunk(b"seq ", struct.pack("<%dI" % len(seq), *seq))
    body += chunk(b"LIST", b"fram" + b"".join(chunk(b"icon", cur(8 + i * 8, 8 + i * 8, i, i)) for i in range(frames)))
    return chunk(b"RIFF", body)


def already(text):
    return struct.pack("<I", len(text)) + zlib.compress(text, 9)


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--packer", default=os.path.join(ROOT, "build", "utsushi-pack"))
    args = p.parse_args()
    scripts = script_texts()

    # Script text and labels: whole files; the expression evaluator: single statements' arguments.
    for i, (name, text) in enumerate(scripts):
        put("script_text_fuzz", "%02d_%s" % (i, re.sub(r"[^a-z0-9]+", "_", name.lower())), text)
        # The checker reads the same texts as a game's main script.
        if i < 5:
            put("check_script_fuzz", "%02d_%s" % (i, re.sub(r"[^a-z0-9]+", "_", name.lower())), text)
    exprs = set()
    for _name, text in scripts:
        for line in text.split(b"\n"):
            for stmt in line.split(b" : "):
                m = re.match(rb"\s*(?:cal|error|round|if)\s+(.+)", stmt)
                if m and len(m.group(1)) < 200:
                    exprs.add(m.group(1).strip())
    for i, e in enumerate(sorted(exprs)[:120]):
        put("expression_fuzz", "%03d" % i, e)

    # Message text: a two-byte layout prefix, then text with ruby, inline commands and waits.
    lines = ["(漢字/かんじ)を[speed 10]読む@次へ\\", "【名前】「こんにちは」[wait 100]", "ａｂｃ" * 20 + "@", "[font \"ＭＳ 明朝\"]あ[r]い\\"]
    for i, l in enumerate(lines):
        put("text_message_layout_fuzz", "%02d" % i, b"\x16\x01" + l.encode("cp932"))
        put("text_block_fuzz", "%02d" % i, b"\x02\x03\x04\x05" + l.encode("cp932"))

    # Packed forms: the demo's script.sbx and arc.dat as the packer makes them, and tiny ones.
    work = tempfile.mkdtemp()
    try:
        shutil.copytree(os.path.join(ROOT, "demo"), os.path.join(work, "demo"))
        game = os.path.join(work, "demo")  # its scripts are CP932 already
        subprocess.run([args.packer, "sbx", game], check=True, capture_output=True)
        put("script_sbx_fuzz", "demo.sbx", open(os.path.join(game, "script.sbx"), "rb").read())
        # A small archive: the index is what is parsed, so keep the payload small.
        small = os.path.join(work, "small")
        os.makedirs(os.path.join(small, "pic"))
        shutil.copy(os.path.join(ROOT, "demo/pic/star.png"), os.path.join(small, "pic"))
        shutil.copy(os.path.join(ROOT, "demo/pic/msg_window.png"), os.path.join(small, "pic"))
        subprocess.run([args.packer, "arc", small, "pic"], check=True, capture_output=True)
        put("arc_index_fuzz", "two_entries.dat", open(os.path.join(small, "arc.dat"), "rb").read())
    finally:
        shutil.rmtree(work)
    one = zlib.compress("*start\r\n@\r\nend\r\n".encode("cp932"))
    put("script_sbx_fuzz", "one_entry.sbx", struct.pack(">IBIII", 1, 0, 21, len(one), 17) + one)
    put("script_sbx_fuzz", "empty.sbx", struct.pack(">I", 0))
    put("arc_index_fuzz", "empty.dat", struct.pack(">I", 0))
    put("arc_index_fuzz", "one_entry.dat", struct.pack(">IIBIII", 1, 0x12345678, 0, 21, 3, 0) + b"abc")

    # Pictures: the decoders' test files and the demo's small pictures.
    for n in sorted(os.listdir(os.path.join(ROOT, "tests/data/image"))):
        ext = n.rsplit(".", 1)[-1]
        target = {"bmp": "image_bmp_fuzz", "png": "image_png_fuzz", "jpg": "image_jpeg_fuzz"}.get(ext)
        if target:
            put(target, n, read("tests/data/image/" + n))
    for n in ("star.png", "msg_window.png", "girl.png"):
        put("image_png_fuzz", "demo_" + n, read("demo/pic/" + n))

    # Sound: the demo's short sound effect (decoding) and loop comments in every form.
    put("ogg_decode_fuzz", "chime.ogg", read("demo/se/chime.ogg"))
    put("ogg_decode_fuzz", "theme_with_loop.ogg", read("demo/bgm/theme.ogg"))
    put("ogg_decode_fuzz", "empty_file", b"")  # an empty file once handed memcpy a null buffer
    comments = ["\x44\xacCOMMENT=settime 0,1000,5000", "\x22\x56COMMENT=setsample 0,44100,220500\nTITLE=x",
                "\x44\xacCOMMENT=settime 10,20", "\x44\xacARTIST=a\ncomment=SETTIME 5,6,7", "\x00\x00COMMENT=setsample -1,0,99999999999"]
    for i, c in enumerate(comments):
        put("ogg_comment_fuzz", "%02d" % i, c.encode("latin-1"))

    # Cursors.
    put("cursor_file_fuzz", "one.cur", cur(16, 16, 3, 4))
    put("cursor_file_fuzz", "wide.cur", cur(32, 8, 0, 0))
    put("cursor_file_fuzz", "three.ani", ani(2, [3, 12, 6], [1, 0, 1]))
    put("cursor_file_fuzz", "plain.ani", ani(3, [], []))

    # The already-read record, packed and bare.
    text = b"S1=101\r\nSABCDEF=1\r\nS0=\r\nS77=0101\r\n"
    put("already_read_fuzz", "packed", already(text))
    put("already_read_fuzz", "bare", text)
    put("already_read_fuzz", "unknown_key", already(b"S99=1111\r\nS1=1\r\n"))

    # Regular expressions: pattern, NUL, target.
    pats = [("/b(c)/", "abcabc"), ("s/(\\d+)-(\\d+)/$2.$1/g", "2024-12"), ("m|ポ|", "アポロ"),
            ("/[能予]+/i", "予定表"), ("s!\\!!+!g", "a!b!c"), ("/(?<n>a)\\k<n>/x", "aa"), ("/ｲ./", "ｱｲｳｴ")]
    for i, (pt, tg) in enumerate(pats):
        put("regexp_pattern_fuzz", "%02d" % i, pt.encode("cp932") + b"\0" + tg.encode("cp932"))


if __name__ == "__main__":
    main()
