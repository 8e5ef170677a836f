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


def play(game, events, exit_after):
    """Runs the game with the timed input lines `events` beside it; the finished process."""
    inp = os.path.join(os.path.dirname(game), "input.txt")
    with open(inp, "w") as f:
        f.write("\n".join(events) + "\n")
    return subprocess.run([ENGINE, "--no-dialogs", "--virtual-clock", "--audio=none", "--input", inp,
                           "--exit-after", str(exit_after), game], capture_output=True, timeout=180)


def copy_demo(dest):
    """A fresh copy of the demo, without the saves and report of earlier runs."""
    shutil.copytree(DEMO, dest, ignore=shutil.ignore_patterns("save", "Information.txt"))


def remove_work(work):
    """Removes a test's folder, unless UTSUSHI_KEEP_SHOTS asks to keep its screenshots."""
    if not os.environ.get("UTSUSHI_KEEP_SHOTS"):
        shutil.rmtree(work, ignore_errors=True)
    else:
        print("screenshots kept in", work)


MARKER = (255, 200, 64)
NAME_PLATE = (90, 40, 110, 235)
FRAME_EDGE = (220, 230, 255, 230)
LOG_BACKDROP = (8, 10, 24, 215)


class DemoPlaythrough(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="utsushi-demo-")
        cls.game = os.path.join(cls.work, "demo")
        copy_demo(cls.game)
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
        # ロード loads slot 1: the second page again. Tab there skips the text read before
        # and stops at the choice; Tab again after it skips to the end, and the title stops it.
        events += ["41000 click 200 360", "41500 screenshot " + shot("load"), "42000 click 400 150",
                   "44500 screenshot " + shot("loaded"), "45000 key tab",
                   "48000 screenshot " + shot("skip_choice"), "48500 click 400 200", "49500 key tab",
                   "55000 screenshot " + shot("title3"), "56000 click 200 510"]  # 終了
        cls.result = play(cls.game, events, 70000)
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
        remove_work(cls.work)

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

    def test_save_screen_heading_sits_in_its_bar(self):
        save = self.shot("save")
        # the backdrop's title bar spans y 20..51: the heading's letters inside it, none below
        self.assertGreater(count(save, 36, 22, 420, 50, bright), 150)
        self.assertEqual(count(save, 20, 52, 780, 120, bright), 0)


CHOICE_EDGE = (240, 220, 250, 240)
BUTTON_BAR = (16, 24, 70, 210)
CAPTION_BAND = (0, 0, 0, 150)
MOVIE_EDGE = (230, 220, 190)


def text_mask(shot, x0, y0, x1, y1):
    """The light pixels of a region: the letters of a white text over the dark screens."""
    return {(x, y) for y in range(y0, y1) for x in range(x0, x1) if min(shot(x, y)[:3]) >= 120}


def same_text(a, b):
    """Two masks of one text: the letters' antialiased edges over different pictures may
    cross the threshold differently, a few pixels in a hundred."""
    return len(a ^ b) <= 0.05 * max(len(a), len(b)) and len(a) > 50


def settings_file(game):
    """save/setting.dat as text: a 4-byte length, then the zlib stream of the Lua text."""
    with open(os.path.join(game, "save", "setting.dat"), "rb") as f:
        return zlib.decompress(f.read()[4:]).decode("cp932")


class DemoReaderComforts(unittest.TestCase):
    """Two runs of one copy of the demo, as a reader who comes back: the first changes the
    settings, starts the story, quick-saves, takes a screenshot and closes the window; the
    second finds the settings as left, continues from the quit save, changes the text speed
    again, quick-loads, and takes the choice with the menu and the backlog opened at it.
    A third run on a fresh copy walks the gallery."""

    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="utsushi-demo-reader-")
        cls.game = os.path.join(cls.work, "demo")
        copy_demo(cls.game)
        shot = lambda name: os.path.join(cls.work, name + ".png")
        first = [
            "1200 screenshot " + shot("a_title"),
            "1500 click 200 410",  # 設定: no つづきから yet, so the third entry
            "2000 click 400 110",  # text speed ふつう -> はやい
            "2300 click 400 170",  # auto wait ふつう -> 短い
            "2600 click 400 230",  # BGM volume 100 -> 90
            "2800 move 700 580",  # off the rows: none lit
            "3000 screenshot " + shot("a_settings"),
            "3200 key escape",
            "3700 click 200 310",  # はじめから
            "6000 screenshot " + shot("a_page1"),
            "6200 key s",  # quick save
            "6500 screenshot " + shot("a_quicksave"),
            "6700 key p",  # screenshot1.png
            "7000 click 400 300", "8000 click 400 300",  # on to the second page
            "9500 close",  # saved to slot 999
        ]
        cls.first = play(cls.game, first, 20000)
        cls.settings_after_first = settings_file(cls.game)
        second = [
            "1200 screenshot " + shot("b_title"),
            "1500 click 200 460",  # 設定, below つづきから now
            "1800 move 700 580",
            "2000 screenshot " + shot("b_settings"),
            "2300 click 400 110",  # text speed はやい -> 一度に
            "2500 move 700 580",
            "2600 screenshot " + shot("b_settings2"),
            "2800 key escape",
            "3300 click 200 360",  # つづきから: the second page, saved at はやい
            "5000 screenshot " + shot("b_continued"),
            "5200 rclick 400 300", "5700 click 400 350",  # the menu, 設定
            "6000 move 700 580",
            "6200 screenshot " + shot("b_settings_loaded"),
            "6400 key escape", "6800 key escape",
            "7200 key l",  # quick load: the first page
            "8500 screenshot " + shot("b_quickload"),
        ]
        second += ["%d click 400 300" % t for t in range(9000, 12500, 500)]
        second += [
            "13000 screenshot " + shot("b_choice"),
            "13200 rclick 400 300",
            "13700 screenshot " + shot("b_choice_menu"),
            "14000 key escape",
            "14500 click 520 402",  # ログ on the frame
            "15000 screenshot " + shot("b_choice_log"),
            "15200 rclick 400 300",
            "15700 click 400 270",  # 歌のお話
            "17000 wheel 1",
            "17500 screenshot " + shot("b_log_answer"),
            "17800 rclick 400 300",
            "18500 close",
        ]
        cls.second = play(cls.game, second, 30000)
        cls.gallery_game = os.path.join(cls.work, "gallery", "demo")
        copy_demo(cls.gallery_game)
        gallery = [
            "1500 click 200 460",  # ギャラリー
            "2000 click 400 160",  # トランジション
            "3500 screenshot " + shot("c_caption"),
            "30000 click 400 300",  # ムービー
            "31000 screenshot " + shot("c_movie"),
            "40000 close",
        ]
        cls.gallery = play(cls.gallery_game, gallery, 50000)
        cls.shot = staticmethod(lambda name: read_png(shot(name)))
        pic = lambda name: read_png(os.path.join(DEMO, "pic", name))
        cls.title_bg, cls.night_bg = (staticmethod(pic(n)) for n in ("title_bg.png", "night_bg.png"))

    @classmethod
    def tearDownClass(cls):
        remove_work(cls.work)

    def test_runs_without_a_script_error(self):
        # each run ends by closing the window, whose question --no-dialogs answers yes
        for run in (self.first, self.second, self.gallery):
            self.assertEqual(run.stderr.decode(errors="replace"), "終了確認: 終了しますか？\n")
            self.assertEqual(run.returncode, 0)

    def test_settings_outlive_the_run(self):
        text = self.settings_after_first
        for line in ("TextSpeed = 10", "AutoWait = 200", "BgmVolume = 90"):
            self.assertIn(line + "\r\n", text)
        # the second run's settings screen shows the same three values, letter for letter
        a, b = self.shot("a_settings"), self.shot("b_settings")
        for y in (110, 170, 230):
            self.assertTrue(same_text(text_mask(a, 200, y - 14, 600, y + 14), text_mask(b, 200, y - 14, 600, y + 14)), y)

    def test_a_load_keeps_the_readers_text_speed(self):
        # The quit save was made at はやい; after continuing from it the speed is still the
        # 一度に chosen at the title before.
        row = lambda name: text_mask(self.shot(name), 200, 96, 600, 124)
        self.assertTrue(same_text(row("b_settings2"), row("b_settings_loaded")))
        self.assertFalse(same_text(row("b_settings2"), row("b_settings")))

    def test_quit_save_is_offered_as_continue(self):
        count_text = lambda s, y: count(s, 100, y - 14, 300, y + 14, lambda p: min(p[:3]) >= 120)
        first, second = self.shot("a_title"), self.shot("b_title")
        # five entries without a quit save (the last, 終了, at 510), six with one (終了 at 560)
        self.assertEqual(count_text(first, 560), 0)
        self.assertGreater(count_text(first, 510), 40)
        self.assertGreater(count_text(second, 560), 40)
        self.assertTrue(os.path.exists(os.path.join(self.game, "save", "save999.dat")))
        # つづきから went on at the second page: frame, name plate and its first line
        shot = self.shot("b_continued")
        self.assertTrue(close(shot(100, 421), blend(FRAME_EDGE, self.title_bg(100, 421))), shot(100, 421))
        self.assertGreater(count(shot, 90, 382, 160, 410, bright), 60, "the speaker's name")
        self.assertGreater(count(shot, 40, 440, 760, 470, bright), 200, "the page's first line")

    def test_quick_save_quick_load_and_screenshot_keys(self):
        self.assertTrue(os.path.exists(os.path.join(self.game, "save", "save000.dat")))
        # the note on the frame's top left
        self.assertGreater(count(self.shot("a_quicksave"), 16, 12, 260, 34, bright), 60, "quick save noted")
        self.assertEqual(count(self.shot("a_page1"), 16, 12, 260, 34, bright), 0)
        # quick load: the first page again, its text as it was when saved
        page1, loaded = self.shot("a_page1"), self.shot("b_quickload")
        self.assertTrue(same_text(text_mask(page1, 40, 440, 700, 560), text_mask(loaded, 40, 440, 700, 560)))
        # the screenshot key wrote the stage as it was, before its note
        written = read_png(os.path.join(self.game, "screenshot1.png"))
        self.assertEqual((written.width, written.height), (800, 600))
        for x, y in ((100, 421), (124, 396), (300, 100)):
            self.assertTrue(close(written(x, y), page1(x, y), 4), (x, y, written(x, y), page1(x, y)))
        self.assertIn('"s_shot=1"', self.settings_after_first)

    def test_choice_boxes_frame_buttons_and_backlog(self):
        shot = self.shot("b_choice")
        # even borders: two pixels of edge on every side of the box 220..579 x 175..224
        under = lambda x, y: self.title_bg(x, y)
        for x, y in ((220, 200), (221, 200), (579, 200), (578, 200), (250, 175), (250, 176), (250, 224), (250, 223)):
            self.assertTrue(close(shot(x, y), blend(CHOICE_EDGE, under(x, y))), (x, y, shot(x, y)))
        for x, y in ((222, 200), (577, 200), (250, 177), (250, 222)):
            self.assertFalse(close(shot(x, y), blend(CHOICE_EDGE, under(x, y))), (x, y, shot(x, y)))
        # the frame's buttons on their backing; オート and スキップ dimmed while the choice waits
        self.assertTrue(close(shot(785, 402), blend(BUTTON_BAR, self.title_bg(785, 402))), shot(785, 402))
        lit = lambda s, x: count(s, x - 40, 394, x + 40, 411, lambda p: min(p[:3]) >= 120)
        self.assertGreater(lit(shot, 520), 20, "ログ")
        self.assertEqual(lit(shot, 630), 0, "オート and スキップ")
        # the menu hides the boxes: only the backdrop over the stage where a box was
        menu = self.shot("b_choice_menu")
        self.assertTrue(close(menu(240, 200), blend(LOG_BACKDROP, self.title_bg(240, 200))), menu(240, 200))
        # ログ opened the backlog from the choice
        log = self.shot("b_choice_log")
        self.assertTrue(close(log(100, 421), blend(LOG_BACKDROP, self.title_bg(100, 421))), log(100, 421))
        self.assertGreater(count(log, 40, 270, 500, 300, bright), 100, "the question's page")
        # the answer is the question page's second line: the middle place, under the question
        answer = self.shot("b_log_answer")
        self.assertGreater(count(answer, 40, 270, 400, 300, bright), 100, "the question")
        self.assertGreater(count(answer, 40, 304, 400, 334, bright), 60, "the answer taken")

    def test_gallery_caption_band_and_movie_frame(self):
        caption = self.shot("c_caption")
        # the band under the caption, away from its letters
        for x in (20, 780):
            self.assertTrue(close(caption(x, 560), blend(CAPTION_BAND, self.night_bg(x, 560))), (x, caption(x, 560)))
        movie = self.shot("c_movie")
        for x, y in ((229, 300), (570, 300), (400, 169), (400, 430)):
            self.assertTrue(close(movie(x, y), MOVIE_EDGE), (x, y, movie(x, y)))


class DemoRollback(unittest.TestCase):
    """The reader steps back with Backspace, through the backlog's ここへ戻る, and back to the
    choice to take the other story. Text in the window is compared with the screenshots taken
    at the same waits on the way forward."""

    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="utsushi-demo-rollback-")
        cls.game = os.path.join(cls.work, "demo")
        copy_demo(cls.game)
        shot = lambda name: os.path.join(cls.work, name + ".png")
        events = [
            "1500 click 200 310",  # はじめから
            "4000 screenshot " + shot("p1_click"),
            "4500 click 400 300", "5800 screenshot " + shot("p1_page"),
            "6000 click 400 300", "7500 screenshot " + shot("p2_click"),
            "8000 key backspace",  # back to the first page's page wait
            "9500 screenshot " + shot("back_p1_page"),
            "10000 click 400 300", "11500 click 400 300", "12800 screenshot " + shot("p2_page"),
            "13000 click 400 300",  # the question and the choice
            "14000 click 400 200",  # 星のお話
            "16000 screenshot " + shot("star"),
            "16500 wheel 1", "17000 screenshot " + shot("log_star"), "17500 wheel -1",
            "18000 key backspace",  # back to the wait before the choice
            "19500 screenshot " + shot("back_p2_page"),
            "20000 click 400 300", "21000 screenshot " + shot("choice_again"),
            "21500 click 400 270",  # 歌のお話 this time
            "23500 screenshot " + shot("song"),
            "24000 wheel 1", "24500 screenshot " + shot("log_song"),
            "25000 click 700 76",  # ここへ戻る beside the second page, on top
            "27000 screenshot " + shot("jumped"),
            # two waits back is the story's first, and nothing lies before it
            "27500 key backspace", "29000 key backspace", "30500 key backspace",
            "31500 screenshot " + shot("first_wait"),
            "32000 close",
        ]
        cls.result = play(cls.game, events, 40000)
        # A reader who turns it off in 設定: Backspace then only says so.
        cls.off_game = os.path.join(cls.work, "off", "demo")
        copy_demo(cls.off_game)
        off = [
            "1500 click 200 410",  # 設定
            "1800 move 700 590", "2000 screenshot " + shot("settings_on"),
            "2200 click 400 520",  # 巻き戻し: する -> しない
            "2500 move 700 590", "2600 screenshot " + shot("settings_off"),
            "2800 key escape",
            "3300 click 200 310",  # はじめから
            "5800 click 400 300", "7500 key backspace",
            "9000 screenshot " + shot("off_back"),
            "9500 close",
        ]
        cls.off = play(cls.off_game, off, 20000)
        cls.shot = staticmethod(lambda name: read_png(shot(name)))

    @classmethod
    def tearDownClass(cls):
        remove_work(cls.work)

    def window_text(self, name):
        return text_mask(self.shot(name), 40, 440, 760, 560)

    def test_runs_without_a_script_error(self):
        for run in (self.result, self.off):
            self.assertEqual(run.stderr.decode(errors="replace"), "終了確認: 終了しますか？\n")
            self.assertEqual(run.returncode, 0)

    def test_turned_off_in_the_settings_backspace_stays(self):
        row = lambda name: text_mask(self.shot(name), 200, 506, 600, 534)
        self.assertGreater(len(row("settings_on")), 50)
        self.assertFalse(same_text(row("settings_on"), row("settings_off")))
        self.assertIn('"s_rollback_off=1"', settings_file(self.off_game))
        # still the first page's page wait, with the note at the top left
        self.assertTrue(same_text(self.window_text("p1_page"), self.window_text("off_back")))
        self.assertGreater(count(self.shot("off_back"), 16, 12, 260, 34, bright), 60, "the note")

    def test_backspace_shows_the_wait_before_as_it_was(self):
        self.assertTrue(same_text(self.window_text("p1_page"), self.window_text("back_p1_page")))
        self.assertFalse(same_text(self.window_text("p2_click"), self.window_text("back_p1_page")))
        self.assertFalse(same_text(self.window_text("p1_click"), self.window_text("back_p1_page")))

    def test_back_to_the_choice_and_the_other_story(self):
        # the page before the choice, whole, and then the choice again
        self.assertTrue(same_text(self.window_text("p2_page"), self.window_text("back_p2_page")))
        choice = self.shot("choice_again")
        for x, y in ((240, 200), (560, 270)):
            p = choice(x, y)
            for c in range(3):
                low = NAME_PLATE[c] * 235 / 255
                self.assertTrue(low - 2 <= p[c] <= low + 20 + 2, (x, y, p))
        # the other story's page, not the first one's
        star, song = self.window_text("star"), self.window_text("song")
        self.assertGreater(len(song), 200)
        self.assertFalse(same_text(star, song))
        # the backlog keeps the question with the answer taken last time only: the same
        # question line, a different answer line
        question = lambda name: text_mask(self.shot(name), 40, 270, 400, 300)
        answer = lambda name: text_mask(self.shot(name), 40, 304, 400, 334)
        self.assertTrue(same_text(question("log_star"), question("log_song")))
        self.assertFalse(same_text(answer("log_star"), answer("log_song")))

    def test_backlog_jumps_back_to_a_page(self):
        log = self.shot("log_song")
        offered = lambda y: count(log, 660, y, 790, y + 24, lambda p: min(p[:3]) >= 100)
        # ここへ戻る beside the second page (top) and the page being read (bottom); the
        # question's page has no wait of its own to go back to
        self.assertGreater(offered(64), 40)
        self.assertEqual(offered(64 + 176), 0)
        self.assertGreater(offered(64 + 352), 40)
        # the jump lands on the second page's first wait
        self.assertTrue(same_text(self.window_text("p2_click"), self.window_text("jumped")))
        # two steps further back is the story's first wait, and nothing before it: a note
        self.assertTrue(same_text(self.window_text("p1_click"), self.window_text("first_wait")))
        self.assertGreater(count(self.shot("first_wait"), 16, 12, 260, 34, bright), 60, "nothing before it")


if __name__ == "__main__":
    unittest.main(verbosity=2)
