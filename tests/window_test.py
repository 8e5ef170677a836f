#!/usr/bin/env python3
"""The window as the X server shows it: a start in full screen remembered from the last
run, the last frame kept behind a modal box, and the click that focuses the window.
Runs the engine on the real clock under the test's X server and looks at it from outside
with xdotool, xwininfo and ImageMagick's import."""
import os
import shutil
import signal
import struct
import subprocess
import tempfile
import time
import unittest
import zlib

from game_folder import make_game_folder

ENGINE = os.environ["UTSUSHI_ENGINE"]
MENU_STRIP = 20  # the menu strip above the stage in a window


def gradient_png():
    """800 x 600: red grows to the right, green downwards, blue fixed, so that any pixel
    out of place shows."""
    rows = b"".join(b"\0" + b"".join(bytes((x * 255 // 799, y * 255 // 599, 96)) for x in range(800))
                    for y in range(600))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 800, 600, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def gradient_at(x, y):
    return (x * 255 // 799, y * 255 // 599, 96)


def tool(*args, timeout=10):
    r = subprocess.run(list(args), capture_output=True, text=True, timeout=timeout)
    return r.stdout if r.returncode == 0 else ""


def wait_for(what, seconds=60):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        got = what()
        if got:
            return got
        time.sleep(0.1)
    return None


def find_window(name):
    """The id of the mapped window with this exact title, or None. (xdotool's search does
    not see the boxes SDL makes, xwininfo does.)"""
    for line in tool("xwininfo", "-root", "-tree").splitlines():
        parts = line.strip().split(" ", 1)
        if len(parts) == 2 and parts[0].startswith("0x") and parts[1].startswith(f'"{name}"'):
            if window_info(parts[0]).get("Map State") == "IsViewable":
                return parts[0]
    return None


def window_info(wid):
    out = tool("xwininfo", "-id", wid)
    info = {}
    for line in out.splitlines():
        key, _, value = line.strip().partition(":")
        info[key] = value.strip()
    return info


def grab(wid, x, y, w, h):
    """The window's pixels as the X server holds them: rows of (r, g, b)."""
    raw = subprocess.run(["import", "-window", wid, "-crop", f"{w}x{h}+{x}+{y}", "-depth", "8", "rgb:-"],
                         capture_output=True, timeout=30).stdout
    assert len(raw) == w * h * 3, f"import gave {len(raw)} bytes for {w}x{h}"
    return [[tuple(raw[(j * w + i) * 3:(j * w + i) * 3 + 3]) for i in range(w)] for j in range(h)]


def mismatches(pixels, left, top, step=7):
    """Sampled pixels of a stage grab that differ from the gradient."""
    bad = []
    for j in range(0, len(pixels), step):
        for i in range(0, len(pixels[j]), step):
            want = gradient_at(left + i, top + j)
            if pixels[j][i] != want:
                bad.append(((left + i, top + j), pixels[j][i], want))
    return bad


class Run:
    """One engine run on the real clock, its stderr kept in a file."""

    def __init__(self, game, *args):
        self.err = tempfile.TemporaryFile()
        self.proc = subprocess.Popen([ENGINE, "--audio=none", *args, game], stdout=subprocess.DEVNULL,
                                     stderr=self.err, start_new_session=True)

    def stop(self):
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
            try:
                self.proc.wait(timeout=15)
            except subprocess.TimeoutExpired:
                pass
        if self.proc.poll() is None:
            os.killpg(self.proc.pid, signal.SIGKILL)  # the box's own process too
            self.proc.wait()
        self.err.seek(0)
        return self.err.read().decode("utf-8", "replace")


class XServer:
    """An X server of the test's own (and a window manager in it, when asked), so that the
    pointer and focus it moves never reach the windows of tests running beside it."""

    def __init__(self, window_manager):
        read, write = os.pipe()
        self.server = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24",
                                        "-nolisten", "tcp"], pass_fds=(write,), stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as f:
            self.display = ":" + f.readline().strip()
        self.saved = os.environ.get("DISPLAY")
        os.environ["DISPLAY"] = self.display
        self.manager = None
        if window_manager:
            # evilwm is small and honours the full-screen request SDL makes.
            self.manager = subprocess.Popen(["evilwm", "-fn", "fixed"], stdout=subprocess.DEVNULL,
                                            stderr=subprocess.DEVNULL)
            wait_for(lambda: "_NET_SUPPORTING_WM_CHECK" in tool("xprop", "-root"))

    def close(self):
        for p in (self.manager, self.server):
            if p:
                p.terminate()
                p.wait()
        if self.saved is None:
            del os.environ["DISPLAY"]
        else:
            os.environ["DISPLAY"] = self.saved


NEEDED = ("Xvfb", "evilwm", "xdotool", "xwininfo", "xdpyinfo", "xprop", "xmessage", "import")


class WindowCase(unittest.TestCase):
    """A server of its own for each class of cases, the game folders and runs they make."""
    window_manager = False

    @classmethod
    def setUpClass(cls):
        cls.x = XServer(cls.window_manager)

    @classmethod
    def tearDownClass(cls):
        cls.x.close()

    def game(self, title, body, files=None):
        script = f'setwindowtext "{title}"\nsp 0, "grad.png" : print\n' + body
        folder = make_game_folder({"script/0.txt": script, "grad.png": gradient_png(), **(files or {})},
                                  "utsushi-window-")
        self.addCleanup(shutil.rmtree, folder, True)
        return folder

    def require(self, condition, why, run):
        """Fails with the engine's stderr, which stopping the run collects."""
        if not condition:
            status = run.proc.poll()
            tree = subprocess.run(["xwininfo", "-root", "-tree"], capture_output=True, text=True, timeout=30)
            windows = f"{os.environ.get('DISPLAY')} {tree.returncode} {tree.stderr}\n{tree.stdout}"
            self.fail(f"{why} (engine {'running' if status is None else 'ended with ' + str(status)}): "
                      f"{run.stop()}\nwindows:\n{windows}")

    def start(self, game, *args):
        run = Run(game, *args)
        self.addCleanup(run.stop)
        return run

@unittest.skipUnless(all(shutil.which(t) for t in NEEDED), "needs " + ", ".join(NEEDED))
class BareServerTest(WindowCase):
    """Boxes and focus with no window manager: nothing else moves the windows about."""

    def check_frame_kept_behind(self, box_title, body, input_text):
        title = "utsushi-modal-" + box_title.lower().encode().hex()[:8]
        game = self.game(title, body)
        events = os.path.join(game, "input.txt")
        with open(events, "w") as f:
            f.write(input_text)
        run = self.start(game, "--input", events)
        wid = wait_for(lambda: find_window(title))
        self.require(wid is not None, "the window never appeared", run)
        box = wait_for(lambda: find_window(box_title))
        self.require(box is not None, "the box never appeared", run)
        time.sleep(0.5)
        # The box moves off the window: what it covered must come back.
        subprocess.run(["xdotool", "windowmove", box, "3000", "3000"], check=True, timeout=10)
        time.sleep(0.6)
        self.assertIsNotNone(find_window(box_title), "the box is still up")
        bad = mismatches(grab(wid, 0, MENU_STRIP, 800, 600), 0, 0)
        self.assertEqual(bad[:5], [], f"{len(bad)} stage pixels differ from the last frame while the box is up")
        # Answered from the keyboard: the engine goes on and the window still shows the frame.
        subprocess.run(["xdotool", "windowmove", box, "0", "0"], check=True, timeout=10)
        subprocess.run(["xdotool", "windowfocus", "--sync", box, "key", "Escape"], check=True, timeout=10)
        self.assertTrue(wait_for(lambda: find_window(box_title) is None and "gone"), "the box stayed")
        self.require(run.proc.poll() is None, "the engine ended", run)
        time.sleep(0.3)
        bad = mismatches(grab(wid, 0, MENU_STRIP, 800, 600), 0, 0)
        self.assertEqual(bad[:5], [], f"{len(bad)} stage pixels differ after the box")
        return run.stop()

    def test_quit_question_keeps_the_last_frame(self):
        self.check_frame_kept_behind("終了確認", "*wait\neventwait %0, %1 : goto *wait\n", "1500 close\n")

    def test_error_box_keeps_the_last_frame(self):
        # An unknown command after the picture is up: the script error box, then the script
        # goes on waiting.
        err = self.check_frame_kept_behind("Error", "wait 1000\nnosuchcommand\n*wait\neventwait %0, %1 : goto *wait\n",
                                           "")
        self.assertIn("未対応の命令です", err)


    def test_the_click_that_focuses_the_window_counts(self):
        # A window manager that focuses on click gives the window its focus just before it
        # passes the click on; SDL drops a click that close behind a focus change unless the
        # engine asks for it. Another window holds the focus, then one xdotool command
        # focuses the game and clicks at once, as such a manager does.
        title = "utsushi-focus-click"
        game = self.game(title, "spbtn 0, 3\n*wait\neventwait %0, %1 : error \"event \" + $(%0) + \",\" + $(%1)\n"
                                "goto *wait\n")
        run = self.start(game, "--no-dialogs")
        wid = wait_for(lambda: find_window(title))
        self.require(wid is not None, "the window never appeared", run)
        other = subprocess.Popen(["xmessage", "-name", "utsushi-other", "-title", "utsushi-other", "other"],
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(lambda: (other.kill(), other.wait()))
        holder = wait_for(lambda: find_window("utsushi-other"))
        self.assertIsNotNone(holder)
        self.require(run.proc.poll() is None, "the engine ended", run)
        subprocess.run(["xdotool", "mousemove", "--window", wid, "400", "320"], check=True, timeout=10)
        time.sleep(0.5)
        subprocess.run(["xdotool", "windowfocus", "--sync", holder], check=True, timeout=10)
        time.sleep(0.5)
        subprocess.run(["xdotool", "windowfocus", wid, "click", "1"], check=True, timeout=10)
        time.sleep(1.0)
        events = [l.split("※")[-1] for l in run.stop().splitlines() if "event " in l]
        self.assertIn("event 3,1", events)  # the cursor came onto the button
        self.assertIn("event 3,2", events, events)
        self.assertIn("event 3,3", events, events)


@unittest.skipUnless(all(shutil.which(t) for t in NEEDED), "needs " + ", ".join(NEEDED))
class WindowManagerTest(WindowCase):
    """What needs a window manager: full screen is a request to it."""
    window_manager = True

    def test_full_screen_from_the_last_run_shows_the_window(self):
        title = "utsushi-fullscreen-start"
        game = self.game(title, "*wait\neventwait %0, %1 : goto *wait\n")
        # The reader went full screen with Alt+Return and quit: the settings say so.
        keys = os.path.join(game, "keys.txt")
        with open(keys, "w") as f:
            f.write("100 keydown alt\n110 key return\n120 keyup alt\n")
        first = subprocess.run([ENGINE, "--no-dialogs", "--virtual-clock", "--audio=none", "--input", keys,
                                "--exit-after", "1000", game], capture_output=True, timeout=60)
        self.assertEqual(first.returncode, 0, first.stderr)

        run = self.start(game, "--no-dialogs")
        wid = wait_for(lambda: find_window(title))
        self.require(wid is not None, "the window never appeared", run)
        info = window_info(wid)
        self.assertEqual(info.get("Map State"), "IsViewable")
        width, height = int(info["Width"]), int(info["Height"])
        screen = tool("xdpyinfo").split("dimensions:")[1].split()[0]
        self.assertEqual(f"{width}x{height}", screen, "full screen covers the screen")
        # The stage is stretched over the screen: its middle shows the middle of the picture.
        want = gradient_at(400, 300)
        seen = []

        def middle_shown():
            seen.append(grab(wid, width // 2, height // 2, 1, 1)[0][0])
            return all(abs(a - b) <= 3 for a, b in zip(seen[-1], want))

        self.require(wait_for(middle_shown), f"the stage was never drawn as {want}, the middle showed {seen[-3:]}",
                     run)


if __name__ == "__main__":
    unittest.main()
