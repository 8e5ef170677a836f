#!/usr/bin/env python3
"""The demo game played through on the OpenGL device with scripted input, as a reader would:
title -> dialogue -> backlog -> menu -> settings -> save -> the rest of the dialogue and a
choice -> the title again -> load -> skip to the choice and on -> the title. Screenshots are checked against colours computed from the demo's
own pictures and the blend rule out = src x a + dst x (1 - a)."""
import os
import shutil
import struct
import subprocess
import tempfile
import unittest
import zlib

ENGINE = os.environ["UTSUSHI_ENGINE"]
DEMO = os.environ["UTSUSHI_DEMO"]


def read_png(path):
    """8-bit RGB or RGBA, not interlaced: {(x, y): (r, g, b, a)} as a function, plus size."""
    with open(path, "rb") as f:
        data = f.read()
    pos, idat = 8, b""
    while pos < len(data):
        (length,) = struct.unpack(">I", data[pos:pos + 4])
        kind = data[pos + 4:pos + 8]
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _c, _f, interlace = struct.unpack(">IIBBBBB", body)
            assert depth == 8 and colour in (2, 6) and interlace == 0, path
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    bpp = 4 if colour == 6 else 3
    raw = zlib.decompress(idat)
    stride = width * bpp
    rows, prev = [], bytearray(stride)
    for y in range(height):
        f = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b = prev[i]
            c = prev[i - bpp] if i >= bpp else 0
            if f == 1:
                line[i] = (line[i] + a) & 255
            elif f == 2:
                line[i] = (line[i] + b) & 255
            elif f == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif f == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(bytes(line))
        prev = line

    def pixel(x, y):
        o = x * bpp
        px = rows[y][o:o + bpp]
        return tuple(px) + ((255,) if bpp == 3 else ())

    pixel.width, pixel.height = width, height
    return pixel


def blend(src, dst):
    a = src[3] / 255.0
    return tuple(round(s * a + d * (1 - a)) for s, d in zip(src[:3], dst[:3]))


def close(got, want, tol=3):
    return all(abs(g - w) <= tol for g, w in zip(got[:3], want[:3]))


def count(shot, x0, y0, x1, y1, test):
    return sum(1 for y in range(y0, y1) for x in range(x0, x1) if test(shot(x, y)))


def bright(p):
    return min(p[:3]) >= 200


MARKER = (255, 200, 64)
NAME_PLATE = (90, 40, 110, 235)
FRAME_EDGE = (220, 230, 255, 230)
LOG_BACKDROP = (8, 10, 24, 215)


class DemoPlaythrough(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="utsushi-demo-")
        cls.game = os.path.join(cls.work, "demo")
        shutil.copytree(DEMO, cls.game, ignore=shutil.ignore_patterns("save", "Information.txt"))
        shot = lambda name: os.path.join(cls.work, name + ".png")
        events = [
            "1200 screenshot " + shot("title1"),
            "1500 key down", "1700 key return",  # はじめから by the keyboard
            "4000 screenshot " + shot("wait1"),
            "4100 screenshot " + shot("wait2"),
            "4250 screenshot " + shot("wait3"),
            "4500 click 400 300", "6000 click 400 300",
            "7500 wheel 1",  # turned away: the backlog
            "8000 screenshot " + shot("backlog"),
            "8500 wheel -1",  # towards, past the newest page: closed
            "9000 screenshot " + shot("after_backlog"),
            "9500 rclick 400 300",
            "10000 screenshot " + shot("menu"),
            "10500 click 400 350",  # 設定
            "11000 screenshot " + shot("settings"),
            "11500 click 400 110",  # text speed: next value
            "12000 screenshot " + shot("settings2"),
            "12500 key escape",  # back to the menu
            "13000 click 400 140",  # セーブ
            "13500 screenshot " + shot("save"),
            "14000 click 400 150",  # slot 1
            "14500 key escape",  # the menu closed
        ]
        events += ["%d click 400 300" % t for t in range(15000, 20000, 700)]  # ignored at the choice
        events += ["20500 click 400 200"]  # 星のお話
        events += ["%d click 400 300" % t for t in range(21000, 30000, 700)]
        events += ["40000 screenshot " + shot("title2")]
        # つづきから loads slot 1: the second page again. Tab there skips the text read before
        # and stops at the choice; Tab again after it skips to the end, and the title stops it.
        events += ["41000 click 200 375", "41500 screenshot " + shot("load"), "42000 click 400 150",
                   "44500 screenshot " + shot("loaded"), "45000 key tab",
                   "48000 screenshot " + shot("skip_choice"), "48500 click 400 200", "49500 key tab",
                   "55000 screenshot " + shot("title3"), "56000 click 200 540"]  # 終了
        inp = os.path.join(cls.work, "input.txt")
        with open(inp, "w") as f:
            f.write("\n".join(events) + "\n")
        cls.result = subprocess.run([ENGINE, "--no-dialogs", "--virtual-clock", "--audio=none", "--input", inp,
                                  "--exit-after", "70000", cls.game], capture_output=True, timeout=180)
        decoded = {}

        def screenshot(name):  # each decoded once: the checks look at some several times
            if name not in decoded:
                decoded[name] = read_png(shot(name))
            return decoded[name]

        cls.shot = staticmethod(screenshot)
        pic = lambda name: read_png(os.path.join(DEMO, "pic", name))
        cls.title_bg, cls.girl, cls.star = (staticmethod(pic(n)) for n in ("title_bg.png", "girl.png", "star.png"))

    @classmethod
    def tearDownClass(cls):
        if not os.environ.get("UTSUSHI_KEEP_SHOTS"):
            shutil.rmtree(cls.work, ignore_errors=True)
        else:
            print("screenshots kept in", cls.work)

    def test_runs_to_the_end_without_a_script_error(self):
        self.assertEqual(self.result.stderr.decode(errors="replace"), "")
        self.assertEqual(self.result.returncode, 0)

    def check_title(self, shot):
        # The game's name in white text sprites across x 80..520 around y 200.
        self.assertGreater(count(shot, 80, 178, 520, 224, bright), 400, "the game's name")
        # The girl, a stand picture 220 x 420 centred on (600, 380): her opaque pixels land
        # unchanged once the fade has run.
        for gx, gy in ((110, 280), (110, 100), (60, 300)):
            want = self.girl(gx, gy)
            self.assertEqual(want[3], 255)
            self.assertTrue(close(shot(490 + gx, 170 + gy), want), (gx, gy, shot(490 + gx, 170 + gy), want))
        # The star on its loop somewhere in the sky: pixels of its own colour.
        star_colour = self.star(32, 32)
        self.assertGreater(count(shot, 60, 20, 460, 160, lambda p: close(p, star_colour, 6)), 150, "the star")

    def test_title_is_whole_at_the_start_and_after_a_playthrough(self):
        self.check_title(self.shot("title1"))
        self.check_title(self.shot("title2"))
        self.check_title(self.shot("title3"))

    def test_save_then_load_from_the_title(self):
        text = lambda p: min(p[:3]) >= 120
        load = self.shot("load")
        # Slot 1 holds the save: "1：第一幕　行の中の命令　<time>　NEW" reaches far left of the
        # short "2：――　空き　――" lines, all centred on x 400.
        self.assertGreater(count(load, 60, 136, 260, 164, text), 50, "slot 1 written")
        self.assertEqual(count(load, 60, 206, 260, 234, text), 0, "slot 2 empty")
        # Loaded: the second page's save point, with frame, name plate and text.
        shot = self.shot("loaded")
        self.assertTrue(close(shot(100, 421), blend(FRAME_EDGE, self.title_bg(100, 421))), shot(100, 421))
        self.assertGreater(count(shot, 90, 382, 160, 410, bright), 60, "the speaker's name")
        self.assertGreater(count(shot, 40, 440, 760, 470, bright), 200, "the page's first line")
        self.assertEqual(count(shot, 80, 178, 285, 224, bright), 0, "the title is gone (left of the girl)")

    def test_skip_passes_read_text_and_stops_at_the_choice(self):
        shot = self.shot("skip_choice")
        # The two choice plates: the name plate's picture scaled to 360 x 50 around
        # (400, 200) and (400, 270), its fill at alpha 235 over the stage.
        for x, y in ((240, 200), (560, 270)):
            p = shot(x, y)
            for c in range(3):
                low = NAME_PLATE[c] * 235 / 255
                self.assertTrue(low - 2 <= p[c] <= low + 20 + 2, (x, y, p))
        self.assertGreater(count(shot, 40, 440, 760, 470, bright), 200, "the question in the window")

    def test_name_plate_and_an_animated_marker(self):
        shot = self.shot("wait1")
        # The plate's fill at alpha 235 over whatever lies below: each channel between
        # fill x 235/255 and that plus 255 x 20/255.
        for x, y in ((34, 392), (80, 400), (215, 396)):
            p = shot(x, y)
            for c in range(3):
                low = NAME_PLATE[c] * 235 / 255
                self.assertTrue(low - 2 <= p[c] <= low + 20 + 2, (x, y, p))
        # The name ナナシ in white on the plate, centred on x 124.
        self.assertGreater(count(shot, 90, 382, 160, 410, bright), 60, "the speaker's name")
        self.assertEqual(count(shot, 30, 384, 88, 408, bright), 0)
        # The hollow click-wait marker at the window's corner, bobbing between y 566 and 574.
        tops = set()
        for name in ("wait1", "wait2", "wait3"):
            s = self.shot(name)
            hits = [(x, y) for y in range(550, 600) for x in range(735, 775) if close(s(x, y), MARKER, 2)]
            self.assertGreater(len(hits), 20, name)
            tops.add(min(y for _x, y in hits))
        self.assertGreater(len(tops), 1, "the marker moves")

    def test_backlog_lines_are_whole_and_the_frame_is_hidden(self):
        shot = self.shot("backlog")
        # Three places from y 64, 176 apart: a name line, then the page's picture 30 lower
        # whose lines are 8 + 34 k down, each in a 30-pixel cell. The top place is the empty
        # first page; the middle one the first dialogue page (three lines, the last wrapped),
        # the bottom one the page being read (two lines, broken by [br]).
        for top, lines in ((64 + 176, 3), (64 + 352, 2)):
            # 【ナナシ】 in pale gold (0xFFE8B0)
            name = count(shot, 40, top, 200, top + 26, lambda p: p[0] >= 200 and p[1] >= 180 and p[2] < 200)
            self.assertGreater(name, 40, "speaker name at %d" % top)
            for k in range(lines):
                cell = top + 30 + 8 + 34 * k
                upper = count(shot, 40, cell, 600, cell + 15, bright)
                lower = count(shot, 40, cell + 15, 600, cell + 30, bright)
                self.assertGreater(upper, 30, "line %d at %d" % (k, cell))
                self.assertGreater(lower, 30, "line %d at %d cut" % (k, cell))
        self.assertEqual(count(shot, 40, 70, 760, 230, bright), 0, "nothing in the empty place")
        # Where the frame's top edge would be: only the backdrop over the stage.
        for x in (100, 700):
            under = self.title_bg(x, 421)
            want = blend(LOG_BACKDROP, under)
            with_frame = blend(LOG_BACKDROP, blend(FRAME_EDGE, under))
            got = shot(x, 421)
            self.assertTrue(close(got, want), (x, got, want))
            self.assertFalse(close(got, with_frame), (x, got, with_frame))
        # Closed by the wheel: the frame's edge is back.
        after = self.shot("after_backlog")
        self.assertTrue(close(after(100, 421), blend(FRAME_EDGE, self.title_bg(100, 421))), after(100, 421))

    def test_menu_and_settings_screens(self):
        menu = self.shot("menu")
        for y in (140, 210, 280, 350, 420, 490):  # セーブ ロード ログ 設定 タイトルへ 戻る
            self.assertGreater(count(menu, 300, y - 16, 500, y + 16, lambda p: min(p[:3]) >= 120), 40, y)
        settings = self.shot("settings")
        for y in range(110, 471, 60):  # seven settings and 戻る at 540
            self.assertGreater(count(settings, 200, y - 14, 600, y + 14, lambda p: min(p[:3]) >= 120), 40, y)
        # The first row changed its value (ふつう -> はやい): the row's pixels differ.
        changed = self.shot("settings2")
        differing = sum(1 for y in range(96, 124) for x in range(200, 600) if changed(x, y) != settings(x, y))
        self.assertGreater(differing, 100)


if __name__ == "__main__":
    unittest.main(verbosity=2)
