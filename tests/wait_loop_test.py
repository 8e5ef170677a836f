#!/usr/bin/env python3
"""The engine's waiting loop seen from outside: which frames it presents (counted through
UTSUSHI_TRACE_PRESENTS), the close request ending every kind of wait, and scripts that never
wait (a busy loop, eventwait in skip mode) still answering the window, --exit-after and
SIGTERM."""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "demo", "tools"))
from png_writer import write_png  # noqa: E402

ENGINE = os.environ["UTSUSHI_ENGINE"]
BASE = ["--no-dialogs", "--audio=none"]
VIRTUAL = BASE + ["--virtual-clock"]
QUIT_QUESTION = "終了確認: 終了しますか？"


class Game:
    def __init__(self, script, inputs=None, picture=False):
        self.dir = tempfile.mkdtemp(prefix="utsushi-wait-")
        os.makedirs(os.path.join(self.dir, "script"))
        with open(os.path.join(self.dir, "script", "0.txt"), "wb") as f:
            f.write(script.encode("cp932"))
        self.input = None
        if inputs:
            self.input = os.path.join(self.dir, "input.txt")
            with open(self.input, "w") as f:
                f.write(inputs)
        if picture:
            write_png(os.path.join(self.dir, "pic.png"), 64, 64, lambda x, y: (200, 40, 40, 255))

    def command(self, options):
        extra = ["--input", self.input] if self.input else []
        return [ENGINE, *options, *extra, self.dir]

    def run(self, options, env=None, timeout=60):
        start = time.monotonic()
        r = subprocess.run(self.command(options), capture_output=True, timeout=timeout, env=env)
        return r, time.monotonic() - start

    def close(self):
        shutil.rmtree(self.dir, ignore_errors=True)


def presents(stderr, repaints=False):
    """The engine clock (ms since start) of every presented frame. A frame the window system
    alone asked for (an expose, a late "shown" on a busy X server) is marked "repaint" and left
    out with repaints=False."""
    lines = [l.split() for l in stderr.decode().splitlines() if l.startswith("present ")]
    return [int(w[1]) for w in lines if repaints or w[2:] != ["repaint"]]


def traced():
    return dict(os.environ, UTSUSHI_TRACE_PRESENTS="1")


class PresentOnlyWhenSomethingChanged(unittest.TestCase):
    def test_a_static_page_presents_nothing_while_it_waits(self):
        # Five characters at 20 ms, then a click wait that nobody answers for three seconds.
        g = Game("settextspeed 20\nあいうえお@\n")
        try:
            r, _ = g.run(VIRTUAL + ["--video=gl", "--exit-after", "3000"], env=traced())
            self.assertEqual(r.returncode, 0, r.stderr)
            times = presents(r.stderr)
            self.assertGreaterEqual(len(times), 5, times)  # each revealed character is shown
            shown = max(times)
            self.assertLess(shown, 300, times)  # nothing after the text is complete
        finally:
            g.close()

    def test_a_due_animation_step_still_presents(self):
        # The picture holds still for 1000 ms (a step whose alpha stays 255), then fades out
        # over 500 ms; the wait presents the fading frames and nothing between.
        script = ("sp 5, \"pic.png\" : print 1\n"
                  "sp.aa 255, 1000, 0 : sp.set 5, 1, 0\n"
                  "sp.aa 0, 500, 0 : sp.set 5, 1, 0\n"
                  "sp.exe 5, 0\n"
                  "wait 3000, 0\n")
        g = Game(script, picture=True)
        try:
            r, _ = g.run(VIRTUAL + ["--video=gl", "--exit-after", "3000"], env=traced())
            self.assertEqual(r.returncode, 0, r.stderr)
            times = presents(r.stderr)
            start = min(times)
            held = [t for t in times if start + 100 < t < start + 950]
            moving = [t for t in times if start + 1050 < t < start + 1450]
            after = [t for t in times if t > start + 1700]
            self.assertEqual(held, [], times)
            # 60 frames a second over 400 ms: about 24, all of them drawn.
            self.assertGreaterEqual(len(moving), 20, times)
            self.assertEqual(after, [], times)
        finally:
            g.close()


class PicturesOutOfSightAskForNoFrame(unittest.TestCase):
    # A picture on layer 2 bobbing for ever, as the demo's click marker does; Escape hides
    # the message window (and with it layer 2) and any click shows it again.
    BOBBING = ("int r, k\n"
               "sp 10, \"pic.png\", 2 : sp.xy 10, 100, 100 : print 1\n"
               "sp.ay 300, 400, 0 : sp.set 10, 1, 0\n"
               "sp.ay 100, 400, 0 : sp.set 10, 1, 0\n"
               "sp.exe 10, 1\n"
               "*shown\n"
               "eventwait %r, %k\n"
               "if (%r == -27 && %k == 3) setwindowvisible 0 : goto *hidden\n"
               "goto *shown\n"
               "*hidden\n"
               "eventwait %r, %k\n"
               "if (%k != 3) goto *hidden\n"
               "setwindowvisible 1\n"
               "goto *shown\n")

    def run_bobbing(self, inputs, options):
        g = Game(self.BOBBING, inputs=inputs, picture=True)
        try:
            r, _ = g.run(options + ["--video=gl", "--exit-after", "3500"], env=traced())
            self.assertEqual(r.returncode, 0, r.stderr)
            shot = os.path.join(g.dir, "shot.png")
            with open(shot, "rb") as f:
                return presents(r.stderr), f.read()
        finally:
            g.close()

    def test_a_hidden_window_stops_the_frames_and_the_animation_keeps_its_time(self):
        hidden, hidden_shot = self.run_bobbing("1000 key escape\n3000 click 700 500\n3200 screenshot shot.png\n",
                                               VIRTUAL)
        shown, shown_shot = self.run_bobbing("3000 click 700 500\n3200 screenshot shot.png\n", VIRTUAL)
        # The frame that hides the window, then nothing until the click shows it again.
        self.assertEqual([t for t in hidden if 1100 < t < 3000], [], hidden)
        self.assertGreater(len([t for t in shown if 1100 < t < 3000]), 50, shown)
        self.assertGreater(len([t for t in hidden if 3000 <= t < 3200]), 5, hidden)
        # The picture went on moving unseen: after the window is back it stands where it
        # stands in the run that never hid it.
        self.assertEqual(hidden_shot, shown_shot)

    def test_a_hidden_window_stops_the_frames_on_the_real_clock(self):
        hidden, _ = self.run_bobbing("1000 key escape\n3200 screenshot shot.png\n", BASE)
        self.assertEqual([t for t in hidden if 1300 < t < 3200], [], hidden)

    def test_transparent_and_covered_pictures_ask_for_no_frame(self):
        moving = ("sp.ay 300, 400, 0 : sp.set 10, 1, 0\n"
                  "sp.ay 100, 400, 0 : sp.set 10, 1, 0\n"
                  "sp.exe 10, 1\n"
                  "wait 3000, 0\n")
        cases = {
            "alpha 0": "sp 10, \"pic.png\" : sp.xy 10, 100, 100 : sp.a 10, 0 : print 1\n",
            "under an opaque picture": ("sp 10, \"pic.png\" : sp.xy 10, 100, 100\n"
                                        "sp 20, \"cover.png\" : sp.xy 20, 150, 250 : print 1\n"),
            "off the stage": "sp 10, \"pic.png\" : sp.xy 10, 1000, 100 : print 1\n",
        }
        for name, setup in cases.items():
            with self.subTest(picture=name):
                g = Game(setup + moving, picture=True)
                # A position is a picture's centre: the cover spans (0, 50)-(300, 450), over every
                # place the 64 x 64 picture passes through.
                write_png(os.path.join(g.dir, "cover.png"), 300, 400, lambda x, y: (20, 120, 20, 255))
                try:
                    r, _ = g.run(VIRTUAL + ["--video=gl", "--exit-after", "3000"], env=traced())
                    self.assertEqual(r.returncode, 0, r.stderr)
                    times = presents(r.stderr)
                    self.assertTrue(times, r.stderr)
                    self.assertEqual([t for t in times if t > min(times) + 200], [], times)
                finally:
                    g.close()

    def test_a_picture_coming_out_from_under_its_cover_presents(self):
        # The cover spans (0, 50)-(300, 300); the picture's centre moves from y 100 to 500 in
        # 400 ms and its lower edge leaves the cover when the centre passes 268, at 168 ms.
        g = Game("sp 10, \"pic.png\" : sp.xy 10, 100, 100\n"
                 "sp 20, \"cover.png\" : sp.xy 20, 150, 175 : print 1\n"
                 "sp.ay 500, 400, 0 : sp.set 10, 1, 0 : sp.exe 10, 0\n"
                 "wait 1000, 0\n", picture=True)
        write_png(os.path.join(g.dir, "cover.png"), 300, 250, lambda x, y: (20, 120, 20, 255))
        try:
            r, _ = g.run(VIRTUAL + ["--video=gl", "--exit-after", "1000"], env=traced())
            self.assertEqual(r.returncode, 0, r.stderr)
            times = presents(r.stderr)
            start = min(times)
            self.assertEqual([t for t in times if start + 50 < t < start + 150], [], times)
            self.assertGreater(len([t for t in times if start + 200 < t < start + 400]), 5, times)
        finally:
            g.close()


class CloseEndsEveryWait(unittest.TestCase):
    WAITS = {
        "click wait": "あ@",
        "reveal": "settextspeed 100000\nあいう@",
        "wait": "wait 100000",
        "waittimer": "resettimer : waittimer 100000",
        "eventwait": "eventwait %0, %1",
        "eventwait with time-out": "eventwait %0, %1, 100000",
        "quake": "quake.x 10, 1000, 100",
        "sleep": "sleep 1 : sleep 1",
    }

    def test_the_close_request_ends_each_wait(self):
        for name, wait in self.WAITS.items():
            with self.subTest(wait=name):
                g = Game(f"{wait}\nerror \"after\"\n", inputs="0 close\n")
                try:
                    r, _ = g.run(VIRTUAL + ["--video=none"], timeout=30)
                    self.assertEqual(r.returncode, 0)
                    self.assertEqual(r.stderr.decode().splitlines(), [QUIT_QUESTION])
                finally:
                    g.close()


class NoScriptLocksTheEngineUp(unittest.TestCase):
    SKIP_LOOP = "int r, k\nskipmode 1\n*loop\neventwait %r, %k\ngoto *loop\n"
    BUSY_LOOP = "int i\n*loop\ncal %i = %i + 1\ngoto *loop\n"

    def test_exit_after_ends_loops_that_never_wait(self):
        for name, script in (("eventwait in skip mode", self.SKIP_LOOP), ("busy loop", self.BUSY_LOOP)):
            for video in ("none", "gl"):
                with self.subTest(loop=name, video=video):
                    g = Game(script)
                    try:
                        r, _ = g.run(VIRTUAL + [f"--video={video}", "--exit-after", "1000"], timeout=60)
                        self.assertEqual(r.returncode, 0, r.stderr)
                        self.assertEqual(r.stderr, b"")
                    finally:
                        g.close()

    def test_the_virtual_clock_moves_by_the_frames_a_busy_loop_draws(self):
        # Repeatable: the same statements reach the same clock on every run.
        script = "int i\nresettimer\nfor %i, 1, 100000 : next\ngettimer %i : error $(%i)\n"
        g = Game(script)
        try:
            first, _ = g.run(VIRTUAL + ["--video=none"])
            second, _ = g.run(VIRTUAL + ["--video=none"])
            self.assertEqual(first.stderr, second.stderr)
            ms = int(first.stderr.decode().split("※")[1])
            self.assertGreater(ms, 0)
        finally:
            g.close()

    def test_a_close_event_ends_a_skip_mode_eventwait_loop(self):
        for clock in (VIRTUAL, BASE):
            with self.subTest(virtual=clock is VIRTUAL):
                g = Game(self.SKIP_LOOP, inputs="300 close\n")
                try:
                    r, took = g.run(clock + ["--video=gl"], timeout=60)
                    self.assertEqual(r.returncode, 0, r.stderr)
                    self.assertEqual(r.stderr.decode().splitlines(), [QUIT_QUESTION])
                    self.assertLess(took, 20)
                finally:
                    g.close()

    def test_sigterm_ends_a_busy_loop(self):
        g = Game(self.BUSY_LOOP)
        try:
            p = subprocess.Popen(g.command(BASE + ["--video=gl"]), stdout=subprocess.DEVNULL,
                                 stderr=subprocess.PIPE)
            time.sleep(0.5)
            p.send_signal(signal.SIGTERM)
            try:
                p.wait(timeout=10)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait()
                self.fail("the engine outlived SIGTERM")
            p.stderr.close()
        finally:
            g.close()


if __name__ == "__main__":
    unittest.main(verbosity=2)
