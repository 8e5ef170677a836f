#!/usr/bin/env python3
"""Stepping back and forward through the waits the reader passed, under the virtual clock:
frames compared byte for byte with the screenshots taken on the way forward, variables as
they were, a different path dropping the later steps, a save made after a step back, loading
as a boundary, and a game that leaves rollback off (or turns it on) seeing its inputs do
what they did."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "demo", "tools"))
from png_writer import write_png  # noqa: E402

ENGINE = os.environ["UTSUSHI_ENGINE"]
PACKER = os.environ["UTSUSHI_PACKER"]
HEADLESS = ["--no-dialogs", "--virtual-clock", "--audio=none"]


class Game:
    def __init__(self, script):
        self.dir = tempfile.mkdtemp(prefix="utsushi-rollback-")
        os.makedirs(self.path("script"))
        with open(self.path("script", "0.txt"), "wb") as f:
            f.write(script.encode("cp932"))
        # Every frame is drawn over an opaque stage: glyph edges then blend over the same
        # pixels whichever frames came before.
        write_png(self.path("back.png"), 800, 600, lambda x, y: (20, 40, 60, 255))
        write_png(self.path("pic.png"), 200, 100, lambda x, y: (x, y, 90, 255))

    def path(self, *parts):
        return os.path.join(self.dir, *parts)

    def read(self, name):
        with open(self.path(name), "rb") as f:
            return f.read()

    def run(self, video="none"):
        r = subprocess.run([ENGINE, *HEADLESS, f"--video={video}", self.dir], capture_output=True, timeout=120)
        self.assertion = r.returncode
        lines = r.stderr.decode("utf-8", errors="replace").splitlines()
        return [l.split(" ※", 1)[1] for l in lines if " ※" in l]

    def close(self):
        shutil.rmtree(self.dir, ignore_errors=True)


# Five pages, each moving a picture and counting itself; the text hook takes a screenshot at
# every page wait (the pass after the step back has s_done 1: the reader's own variables are
# not stepped back) and, at page 5 the first time, steps back 3.
PAGES = """\
rollback.enable 1
int n, visits, s_done, g_page
settextspeed 0
textgosub *text_lb
sp 1, "back.png" : print 1
*page
cal %n = %n + 1 : cal %g_page = %n : cal %visits = %visits + 1
sp 5, "pic.png" : sp.xy 5, 100 + %n * 40, 200 : print 1
ページ\\
if (%n < 5) goto *page
rollback.steps %1, %2
error "end n=" + $(%n) + " visits " + $(%visits) + " back " + $(%1) + " forward " + $(%2)
end

*text_lb
ispage %0
if (%0 == 1) getscreenshot 800, 600 : savescreenshot "shot" + $(%n) + "_" + $(%s_done) + ".bmp"
if (%0 == 1 && %n == 5 && %s_done == 0) cal %s_done = 1 : rollback.back 3
if (%s_done == 1) error "page " + $(%n) + " visits " + $(%visits)
if (%0 == 1) textclear
return
"""


class StepBack(unittest.TestCase):
    def test_five_forward_three_back_shows_page_two_as_it_was(self):
        g = Game(PAGES)
        try:
            out = g.run(video="gl")
            self.assertEqual(out, [
                "page 2 visits 2", "page 3 visits 3", "page 4 visits 4", "page 5 visits 5",
                # Advancing again the same way keeps the steps: all five are there to go back to.
                "end n=5 visits 5 back 4 forward 0",
            ])
            self.assertEqual(g.read("shot2_0.bmp"), g.read("shot2_1.bmp"))
            self.assertEqual(g.read("shot5_0.bmp"), g.read("shot5_1.bmp"))
            self.assertNotEqual(g.read("shot2_1.bmp"), g.read("shot3_0.bmp"))
        finally:
            g.close()

    def test_an_animation_runs_again_after_the_step_back(self):
        script = """\
rollback.enable 1
int n, s_done
textgosub *text_lb
sp 20, "pic.png" : sp.xy 20, 100, 300
sp.ax 700, 60000, 0 : sp.set 20, 0, 0 : sp.exe 20, 1
print 1
*page
cal %n = %n + 1
ページ\\
if (%n < 3) goto *page
end

*text_lb
textclear
if (%s_done == 0 && %n == 3) cal %s_done = 1 : rollback.back 1
getsppos 20, %1, %2 : wait 1000 : getsppos 20, %3, %4
if (%s_done == 1) cal %s_done = 2 : error "page " + $(%n) + " moving " + $(%3 > %1)
return
"""
        g = Game(script)
        try:
            self.assertEqual(g.run(), ["page 2 moving 1"])
        finally:
            g.close()

    def test_the_oldest_steps_go_first(self):
        script = """\
rollback.enable 1
int n, s_done
textgosub *text_lb
*page
cal %n = %n + 1
ページ\\
if (%n < 250) goto *page
rollback.steps %1 : error "kept " + $(%1)
if (%s_done == 0) cal %s_done = 1 : rollback.back 1000
end

*text_lb
if (%s_done == 1) error "back at page " + $(%n) : cal %s_done = 2
textclear
return
"""
        g = Game(script)
        try:
            # 200 steps kept: the newest and 199 before it, pages 51 to 250.
            self.assertEqual(g.run(), ["kept 199", "back at page 51", "kept 199"])
        finally:
            g.close()

    def test_rollback_off_steps_nowhere(self):
        g = Game(PAGES.replace("rollback.enable 1", "rollback.enable 0"))
        try:
            self.assertEqual(g.run(video="gl"), ["page 5 visits 5", "end n=5 visits 5 back 0 forward 0"])
        finally:
            g.close()

    def test_step_back_to_a_click_wait_shows_the_page_up_to_it(self):
        script = """\
rollback.enable 1
int n, s_done
settextspeed 0
textgosub *text_lb
sp 1, "back.png" : print 1
一つ目@二つ目@三つ目\\
error "end"
end

*text_lb
cal %n = %n + 1
getscreenshot 800, 600 : savescreenshot "wait" + $(%n) + "_" + $(%s_done) + ".bmp"
if (%n == 3 && %s_done == 0) cal %s_done = 1 : rollback.back 1
error "wait " + $(%n)
ispage %0
if (%0 == 1) textclear
return
"""
        g = Game(script)
        try:
            # The step back goes to the second click wait, the hook's counter with it: the
            # block is shown again up to that wait, the first passing at once.
            self.assertEqual(g.run(video="gl"), ["wait 1", "wait 2", "wait 2", "wait 3", "end"])
            self.assertEqual(g.read("wait2_0.bmp"), g.read("wait2_1.bmp"))
            self.assertNotEqual(g.read("wait2_1.bmp"), g.read("wait3_0.bmp"))
        finally:
            g.close()


class Sounds(unittest.TestCase):
    def test_a_playing_stream_comes_back_at_its_position(self):
        # The sound plays in real time while the virtual clock races ahead, so each page's
        # hook waits on the stream's own position: page 1 until a second has played, page 2
        # a second more after noting where it was.
        script = """\
rollback.enable 1
int n, s_done, s_at2
settextspeed 0
textgosub *text_lb
sd 0, "tone.ogg", 0, 100, 0
*page
cal %n = %n + 1
ページ\\
if (%n < 3) goto *page
end

*text_lb
textclear
sd.nowsample 0, %1
if (%s_done == 1) cal %s_done = 2 : sd.status 0, %2 : error "page " + $(%n) + " status " + $(%2) + " near " + $(%1 > %s_at2 - 11025 && %1 < %s_at2 + 11025) : end
if (%n == 3) cal %s_done = 1 : rollback.back 1 : return
if (%n == 2) cal %s_at2 = %1
*hold
sd.nowsample 0, %1
if (%1 < 44100 * %n) wait 10 : goto *hold
return
"""
        g = Game(script)
        try:
            wav = g.path("tone.wav")
            subprocess.run(["sox", "-n", "-r", "44100", "-c", "2", "-b", "16", "-e", "signed", wav,
                            "synth", "8", "sine", "440", "vol", "0.3"], check=True)
            subprocess.run(["oggenc", "-Q", "-q", "2", "-o", g.path("tone.ogg"), wav], check=True)
            out = g.run()
            # Back at page 2: the same file playing (status 0) again from where it was heard at that
            # wait (within a quarter second), not from its beginning.
            self.assertEqual(out, ["page 2 status 0 near 1"])
        finally:
            g.close()


class Backlog(unittest.TestCase):
    def test_a_backlog_page_names_its_step_and_the_step_back_reaches_it(self):
        script = """\
rollback.enable 1
int n, s_done
settextspeed 0
textgosub *text_lb
*page
cal %n = %n + 1
ページ\\
if (%n < 5) goto *page
end

*text_lb
if (%s_done == 1) getlogcount %4 : error "again at " + $(%n) + ", backlog pages " + $(%4)
if (%n < 5 || %s_done == 1) textclear : return
cal %s_done = 1
rollback.logstep %1, 3 : rollback.logstep %2, 0 : rollback.logstep %3, 60
error "steps to the page 3 back " + $(%1) + ", to this page " + $(%2) + ", to one not kept " + $(%3)
rollback.back %1
"""
        g = Game(script)
        try:
            self.assertEqual(g.run(), [
                "steps to the page 3 back 3, to this page 0, to one not kept -1",
                # The backlog as it was at each page: the pages before it and the one shown.
                "again at 2, backlog pages 2", "again at 3, backlog pages 3", "again at 4, backlog pages 4",
                "again at 5, backlog pages 5",
            ])
        finally:
            g.close()


class Choices(unittest.TestCase):
    def test_a_different_path_drops_the_later_steps(self):
        script = """\
rollback.enable 1
int k, s_way, s_back
settextspeed 0
textgosub *text_lb
一枚目\\
cal %9 = 0
二枚目\\
if (%s_way == 1) goto *right
左の三枚目\\
cal %9 = 0
左の四枚目\\
end

*right
rollback.steps %1, %2 : error "before the right page: back " + $(%1) + " forward " + $(%2)
右の三枚目\\
rollback.steps %1, %2 : error "right: back " + $(%1) + " forward " + $(%2)
end

*text_lb
textclear
cal %k = %k + 1
if (%k == 4 && %s_back == 0) cal %s_back = 1 : cal %s_way = 1 : rollback.back 2
return
"""
        g = Game(script)
        try:
            self.assertEqual(g.run(), [
                "before the right page: back 1 forward 2",
                "right: back 2 forward 0",
            ])
        finally:
            g.close()


class Saves(unittest.TestCase):
    def test_a_save_after_a_step_back_holds_that_state_and_loading_clears_the_steps(self):
        script = """\
int n, s_done, g_page
saveexist 1, %0
if (%0 == 1) cal %9 = 1 : goto *load
rollback.enable 1
settextspeed 0
textgosub *text_lb
*page
cal %n = %n + 1 : cal %g_page = %n
savesetting
ページ\\
if (%n < 5) goto *page
error "saved"
end

*load
rollback.enable 1
textgosub *text_lb
loadgame 1
end

*text_lb
textclear
if (%9 == 1) rollback.steps %1, %2 : error "loaded g_page " + $(%g_page) + " back " + $(%1) + " forward " + $(%2) : end
if (%n == 5 && %s_done == 0) cal %s_done = 1 : rollback.back 3
if (%n == 2 && %s_done == 1) cal %s_done = 2 : savegame 1
return
"""
        g = Game(script)
        try:
            self.assertEqual(g.run(), ["saved"])
            # The save point was taken at page 5; the save made at page 2 after the step back
            # holds page 2. The load's page is the first step of a new history.
            self.assertEqual(g.run(), ["loaded g_page 2 back 0 forward 0"])
        finally:
            g.close()


class Inputs(unittest.TestCase):
    def test_rollback_on_leaves_every_wait_input_as_it_was(self):
        # The scripted-input game of the message waits, with rollback turned on in its first
        # statement line: the same output, line for line.
        source = os.path.join(HERE, "games", "message_waits")
        work = tempfile.mkdtemp(prefix="utsushi-rollback-waits-")
        try:
            game = os.path.join(work, "message_waits")
            shutil.copytree(source, game)
            path = os.path.join(game, "script", "0.txt")
            with open(path, encoding="utf-8") as f:
                lines = f.read().split("\n")
            first = next(i for i, l in enumerate(lines) if l and not l.startswith(";"))
            lines[first] = "rollback.enable 1 : " + lines[first]
            with open(path, "w", encoding="utf-8") as f:
                f.write("\n".join(lines))
            r = subprocess.run([sys.executable, os.path.join(HERE, "run_game.py"), "--engine", ENGINE,
                                "--packer", PACKER, game], capture_output=True, timeout=300)
            self.assertEqual(r.returncode, 0, r.stdout.decode(errors="replace"))
        finally:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    unittest.main()
