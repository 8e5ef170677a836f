#!/usr/bin/env python3
"""Every example of the manual runs, so none goes stale:

- each `utsushi` block of docs/text.md is a whole script/0.txt, run headless in a copy of the
  demo (whose pictures and sounds the examples use) with a click every 300 ms; it must run
  without a script error, or print exactly the `stderr` block under it;
- docs/tutorial.md is followed from its first step to its last: its shell blocks run in order
  in an empty folder and its script blocks are written where they say, as CP932; the game is
  then checked, played headless with clicks, packed, installed and played again;
- each `Example:` of docs/command_notes.txt runs as a script in a copy of the demo, with the
  labels *next_scene and *sub (a subroutine) there to jump to."""
import os
import re
import shutil
import subprocess
import tempfile
import unittest

ENGINE = os.environ["UTSUSHI_ENGINE"]
PACKER = os.environ["UTSUSHI_PACKER"]
DEMO = os.environ["UTSUSHI_DEMO"]
SOURCE = os.environ["UTSUSHI_SOURCE"]
HEADLESS = ["--no-dialogs", "--virtual-clock", "--video=none", "--audio=none"]
FENCE = re.compile(r"^```([^\n]*)\n(.*?)^```$", re.M | re.S)


def blocks(name):
    """[(info string, body)] of the fenced blocks of docs/NAME, in order."""
    with open(os.path.join(SOURCE, "docs", name), encoding="utf-8") as f:
        return [(m.group(1).strip(), m.group(2)) for m in FENCE.finditer(f.read())]


def clicks(path, points, until=20000, every=300):
    """An input file clicking the given points in turn every `every` ms."""
    with open(path, "w") as f:
        for i, t in enumerate(range(every, until, every)):
            x, y = points[i % len(points)]
            f.write(f"{t} click {x} {y}\n")
    return path


def run_in_demo(work, script, exit_after=20000):
    """Runs `script` as the script/0.txt of a fresh copy of the demo; the finished process."""
    game = os.path.join(work, "game")
    shutil.rmtree(game, ignore_errors=True)
    shutil.copytree(DEMO, game, ignore=shutil.ignore_patterns("save", "script", "Information.txt"))
    os.makedirs(os.path.join(game, "script"))
    with open(os.path.join(game, "script", "0.txt"), "wb") as f:
        f.write(script.encode("cp932"))
    inp = clicks(os.path.join(work, "clicks.txt"), [(400, 300)], exit_after)
    return subprocess.run([ENGINE, *HEADLESS, "--input", inp, "--exit-after", str(exit_after), game],
                          capture_output=True, timeout=120)


class TextChapter(unittest.TestCase):
    def test_every_example_runs(self):
        found = blocks("text.md")
        examples = [(i, body) for i, (info, body) in enumerate(found) if info == "utsushi"]
        self.assertGreater(len(examples), 6)
        work = tempfile.mkdtemp(prefix="utsushi-docs-")
        try:
            for i, body in examples:
                following = found[i + 1] if i + 1 < len(found) else ("", "")
                want = following[1] if following[0] == "stderr" else ""
                with self.subTest(example=i):
                    r = run_in_demo(work, body)
                    self.assertEqual(r.stderr.decode("utf-8", "replace"), want)
                    self.assertEqual(r.returncode, 0)
        finally:
            shutil.rmtree(work, ignore_errors=True)


class CommandNotes(unittest.TestCase):
    def test_every_example_runs(self):
        with open(os.path.join(SOURCE, "docs", "command_notes.txt"), encoding="utf-8") as f:
            examples = re.findall(r"Example: `([^`]+)`", f.read())
        self.assertGreater(len(examples), 20)
        work = tempfile.mkdtemp(prefix="utsushi-notes-")
        try:
            for example in examples:
                with self.subTest(example=example):
                    # sprites shown, texts waited on: an example is a statement of a page
                    r = run_in_demo(work, "int n\nstring s\nsetwindow 40, 440, 27, 4, 26, 26, 0, 8\n" + example +
                                    "\nend\n\n*next_scene\nend\n\n*sub\nreturn\n", 5000)
                    self.assertEqual(r.stderr.decode("utf-8", "replace"), "")
                    self.assertEqual(r.returncode, 0)
        finally:
            shutil.rmtree(work, ignore_errors=True)


class Tutorial(unittest.TestCase):
    def test_followed_from_new_game_to_installed_game(self):
        work = tempfile.mkdtemp(prefix="utsushi-tutorial-")
        home = os.path.join(work, "home")
        try:
            # What the reader of the tutorial brings: music and a movie's frames.
            os.makedirs(os.path.join(home, "music"))
            shutil.copy(os.path.join(DEMO, "bgm", "theme.ogg"), os.path.join(home, "music", "theme.ogg"))
            frames = os.path.join(home, "frames")
            os.makedirs(frames)
            for i in range(6):
                subprocess.run(["/usr/bin/convert", "-size", "320x240", f"xc:rgb(20,30,{60 + 30 * i})",
                                os.path.join(frames, f"{i:04d}.jpg")], check=True)
            play = clicks(os.path.join(work, "clicks.txt"), [(400, 320), (400, 200)], 40000)
            prelude = "\n".join([
                "set -e",
                f'utsushi-pack() {{ "{PACKER}" "$@"; }}',
                # a run plays headless with clicks on はじめから and the first choice
                f'utsushi() {{ if [ "$1" = --check ]; then "{ENGINE}" "$@"; else '
                f'"{ENGINE}" {" ".join(HEADLESS)} --input {play} --exit-after 40000 "$@"; fi; }}',
            ])
            env = dict(os.environ, HOME=home, XDG_DATA_HOME=os.path.join(home, ".local", "share"))
            shell_blocks = 0
            for info, body in blocks("tutorial.md"):
                if info == "sh":
                    shell_blocks += 1
                    r = subprocess.run(["bash", "-c", prelude + "\n" + body], cwd=work, env=env, capture_output=True,
                                       timeout=300)
                    self.assertEqual(r.returncode, 0, (body, r.stdout.decode(), r.stderr.decode()))
                    if "utsushi --check" in body:
                        self.assertIn("no problems found", r.stdout.decode(), body)
                    self.assertEqual(r.stderr.decode(), "", body)
                elif info.startswith("utsushi "):
                    path = os.path.join(work, info.split(None, 1)[1])
                    os.makedirs(os.path.dirname(path), exist_ok=True)
                    with open(path, "wb") as f:
                        f.write(body.encode("cp932"))
            self.assertGreaterEqual(shell_blocks, 5)
            installed = os.path.join(home, ".local", "share", "games", "hoshi")
            self.assertLessEqual({"arc.dat", "script.sbx"}, set(os.listdir(installed)))
            # The installed game was played: its saves and settings are beside it.
            self.assertTrue(os.path.exists(os.path.join(installed, "save", "setting.dat")))
            # Played in folder form as well, through the story and the choice to the title.
            r = subprocess.run([ENGINE, *HEADLESS, "--input", play, "--exit-after", "40000",
                                os.path.join(work, "mygame")], capture_output=True, timeout=120)
            self.assertEqual((r.returncode, r.stderr.decode()), (0, ""))
            with open(os.path.join(work, "mygame", "save", "already.dat"), "rb") as f:
                self.assertGreater(len(f.read()), 8)
        finally:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    unittest.main(verbosity=2)
