#!/usr/bin/env python3
"""The authoring tools: utsushi --check on games with one planted mistake each and on the
demo, the command reference's coverage, utsushi-pack new, make install and the package."""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

ENGINE = os.environ["UTSUSHI_ENGINE"]
PACKER = os.environ["UTSUSHI_PACKER"]
DEMO = os.environ["UTSUSHI_DEMO"]
SOURCE = os.environ["UTSUSHI_SOURCE"]
BUILD = os.environ["UTSUSHI_BUILD"]
# Build and packaging tools are not ours: a sanitizer build's LD_PRELOAD (tests/CMakeLists.txt)
# must not reach them (cpack deadlocks under it).
TOOL_ENV = {k: v for k, v in os.environ.items() if k != "LD_PRELOAD"}
HEADLESS = ["--no-dialogs", "--virtual-clock", "--video=none", "--audio=none"]

# A clean game the planted mistakes are added to: every kind of statement the checker looks
# at, written correctly.
BASE = {
    "script/0.txt": "\n".join([
        "; a clean game",
        "*start",
        "sp 0, \"pic/bg.png\" : print 1",
        "sd 2, \"se\\chime.ogg\"",
        "if (%0 == 1) goto *start",
        "elseif (%0 == 2) gosub *sub",
        "else gosub \"*sub\"",
        "for %1, 1, 3 : cal %2 += %1 : next",
        "defsub greet",
        "greet 1",
        "textgosub *text_lb",
        "goto $0",
        "setfontfile \"ＭＳ 明朝\"",
        "「こんにちは」@",
        "",
        "end",
        "",
    ]),
    "script/sub.txt": "*sub\nreturn\n*greet\nreturn\n*text_lb\nreturn\n",
    "pic/bg.png": b"not really a picture",
    "se/chime.ogg": b"not really a sound",
}


def make_game(extra=None, replace=None):
    d = tempfile.mkdtemp(prefix="utsushi-check-")
    files = dict(BASE)
    files.update(extra or {})
    for name, text in files.items():
        if replace and name in replace:
            text = replace[name]
        path = os.path.join(d, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(text.encode("cp932") if isinstance(text, str) else text)
    return d


def check(game, *extra):
    r = subprocess.run([ENGINE, "--check", *extra, game], capture_output=True, timeout=60)
    return r.returncode, r.stdout.decode("utf-8"), r.stderr.decode("utf-8")


def findings(out):
    return [line for line in out.splitlines() if re.match(r"^[^:]+(:\d+)?: ", line)]


class Checker(unittest.TestCase):
    def expect_one(self, file, line, words, extra=None, replace=None):
        game = make_game(extra, replace)
        try:
            code, out, err = check(game)
            self.assertEqual(code, 1, out + err)
            found = findings(out)
            self.assertEqual(len(found), 1, out)
            self.assertTrue(found[0].startswith(f"{file}:{line}: "), found[0])
            for w in words:
                self.assertIn(w, found[0])
            self.assertEqual(out.splitlines()[-1], "1 problem found")
        finally:
            shutil.rmtree(game, ignore_errors=True)

    def test_clean_game_and_demo_report_nothing(self):
        game = make_game()
        try:
            code, out, err = check(game)
            self.assertEqual((code, out), (0, "no problems found\n"), err)
        finally:
            shutil.rmtree(game, ignore_errors=True)
        code, out, err = check(DEMO)
        self.assertEqual((code, out), (0, "no problems found\n"), err)

    def test_bad_command_lines(self):
        self.assertEqual(check("/nonexistent/game")[0], 2)
        self.assertEqual(subprocess.run([ENGINE, "--check", "--bogus"], capture_output=True).returncode, 2)

    def test_label_errors_at_load(self):
        self.expect_one("script/sub.txt", 7, ["invalid label name", "*bad-label", "ラベル名が不正です"],
                        replace={"script/sub.txt": BASE["script/sub.txt"] + "*bad-label\n"})
        self.expect_one("script/sub.txt", 7, ["*start", "defined twice", "first at script/0.txt:2"],
                        replace={"script/sub.txt": BASE["script/sub.txt"] + "*START\n"})

    def test_unknown_command(self):
        self.expect_one("script/other.txt", 2, ['unknown command "spp"', "未対応の命令です"],
                        extra={"script/other.txt": "*other\nsPP 1, \"pic/bg.png\"\n"})
        # Commands inside message text run too, with their arguments checked the same way.
        self.expect_one("script/other.txt", 3, ['unknown command "wiat" in the text'],
                        extra={"script/other.txt": "*other\n\nああ[wiat 100]いい[wait 100]\n"})
        self.expect_one("script/other.txt", 3, ['picture "pic/gone.png"'],
                        extra={"script/other.txt": "*other\n\nああ[sp 3, \"pic/gone.png\"]\n"})

    def test_labels_that_name_nothing(self):
        for stmt, cmd, label in [("goto *nowhere", "goto", "*nowhere"), ("gosub \"*gone\"", "gosub", "*gone"),
                                 ("return *away", "return", "*away"), ("textgosub *nohook", "textgosub", "*nohook"),
                                 ("pretextgosub *text_lb", "pretextgosub", "*pretext_lb"),
                                 ("defsub shout", "defsub", "*shout")]:
            with self.subTest(stmt=stmt):
                self.expect_one("script/other.txt", 3, [cmd, f'"{label}"', "ラベルが存在しません"],
                                extra={"script/other.txt": f"*other\n; {cmd}\n{stmt}\n"})

    def test_labels_inside_text(self):
        # A label directly under text, a page wait or not, belongs to the text: named where it
        # stands, and a jump to it names nothing; an empty line (a comment is one) mends it.
        self.expect_one("script/other.txt", 4, ['"*under_page" is inside the text that begins on line 3', "empty line"],
                        extra={"script/other.txt": "*other\n\n文字\\\n*under_page:return\n"})
        game = make_game({"script/other.txt": "*other\ngoto *under_page\n文字\\\n*under_page\n; mended\n*mended\n"})
        try:
            code, out, err = check(game)
            self.assertEqual(findings(out), [
                'script/other.txt:2: goto: no label "*under_page" in the script (ラベルが存在しません)',
                'script/other.txt:4: "*under_page" is inside the text that begins on line 3, so it is no label and '
                "no jump finds it: put an empty line above it"], out + err)
        finally:
            shutil.rmtree(game, ignore_errors=True)

    def test_missing_files(self):
        for stmt, kind in [("sp 5, \"pic/none.png\"", "picture"), ("sd 0, \"bgm/none.ogg\"", "sound"),
                           ("setcursor \"sys/none.cur\"", "cursor"), ("setfontfile \"fonts/none.ttf\"", "font file"),
                           ("loadfile \"data/none.txt\", $0", "file"), ("print 3, 500, \"rule/none.png\"", "picture")]:
            with self.subTest(stmt=stmt):
                self.expect_one("script/other.txt", 2, [kind, "none", "neither in the game folder nor in arc.dat"],
                                extra={"script/other.txt": f"*other\n{stmt}\n"})

    # Arguments written so that the checker has nothing to say of them, by signature letter.
    PLAIN = {"n": "1", "s": "\"x\"", "N": "%0", "S": "$0", "T": "$0"}
    FILES = {"P": ("picture", "png"), "A": ("sound", "ogg"), "M": ("movie", "mpg"), "F": ("font file", "ttf"),
             "C": ("cursor", "cur"), "D": ("file", "txt")}

    def test_every_file_argument_of_every_command_is_checked(self):
        # One statement per file argument of every command in the tables, naming a file that
        # is not there; the checker must report each one and nothing else.
        listed = subprocess.run([ENGINE, "--list-commands"], capture_output=True, text=True, check=True).stdout
        lines, expected = [], []
        for fields in (line.split("\t") for line in listed.splitlines()):
            name, signature = fields[0], fields[4]
            items = [(item.strip("[]").rstrip("?").replace("...", ""), item.startswith("[")) for item in signature.split()]
            for at, (letter, _) in enumerate(items):
                if letter not in self.FILES:
                    continue
                kind, ext = self.FILES[letter]
                # Every argument up to the file, the ones after it only when they are required.
                args = []
                for i, (other, optional) in enumerate(items):
                    if i > at and optional:
                        break
                    file = f"\"planted/{name}_{i}.{self.FILES[other][1]}\"" if other in self.FILES else None
                    args.append(file if i == at else f"\"{self.FILES[other][1]}.{self.FILES[other][1]}\"" if file else self.PLAIN[other])
                if name == "print":
                    args[0] = "3"  # a rule transition, the one that reads its picture
                lines.append(f"{name} " + ", ".join(args))
                expected.append(f"script/other.txt:{1 + len(lines)}: {name}: {kind} \"planted/{name}_{at}.{ext}\" "
                                "is neither in the game folder nor in arc.dat")
        for must in ["sp", "sp2", "sp.st", "sd", "sd.load", "mpegplay", "setcursor", "setwallpaper", "print", "loadfile"]:
            self.assertTrue(any(line.startswith(must + " ") for line in lines), must)
        present = {f"{ext}.{ext}": b"x" for _, ext in self.FILES.values()}
        game = make_game(extra={"script/other.txt": "*other\n" + "\n".join(lines) + "\n", **present})
        try:
            code, out, err = check(game)
            self.assertEqual(code, 1, out + err)
            self.assertEqual(findings(out), expected)
        finally:
            shutil.rmtree(game, ignore_errors=True)

    def test_literals_of_the_wrong_kind(self):
        for stmt, says in [("sp \"a\", \"pic/bg.png\"", "sp: argument 1 must be a number (第一引数が数値ではありません)"),
                           ("sp 1, 2", "sp: argument 2 must be a string (第二引数が文字列ではありません)"),
                           ("getspsize 1, %0, 5", "getspsize: argument 3 must be a number variable (第三引数の数値変数が不正です)"),
                           ("loadfile \"pic/bg.png\", %0", "loadfile: argument 2 must be a string variable (第二引数の文字列変数が不正です)"),
                           ("getmastervolume 5", "getmastervolume: argument 1 must be a number variable (第一引数の数値変数が不正です)")]:
            with self.subTest(stmt=stmt):
                self.expect_one("script/other.txt", 2, [says], extra={"script/other.txt": f"*other\n{stmt}\n"})

    def test_files_in_the_archive_count(self):
        game = make_game(extra={"script/other.txt": "*other\nsp 5, \"CG\\Packed.PNG\"\n", "cg/packed.png": b"x"})
        try:
            subprocess.run([PACKER, "arc", game, "cg"], capture_output=True, check=True)
            shutil.rmtree(os.path.join(game, "cg"))
            self.assertEqual(check(game)[0], 0)
        finally:
            shutil.rmtree(game, ignore_errors=True)

    def test_loops_and_conditionals(self):
        self.expect_one("script/other.txt", 2, ["for without a matching next"],
                        extra={"script/other.txt": "*other\nfor %0, 1, 2\ncal %1 = 0\n"})
        self.expect_one("script/other.txt", 2, ["if", "parentheses", "式が不正です"],
                        extra={"script/other.txt": "*other\nif %0 == 1 goto *start\n"})
        self.expect_one("script/other.txt", 2, ["elseif", "does not give a number", "式が不正です"],
                        extra={"script/other.txt": "*other\nelseif (\"yes\") goto *start\n"})
        self.expect_one("script/other.txt", 3, ["else must begin its line", "行頭で使って下さい"],
                        extra={"script/other.txt": "*other\nif (%0) goto *start\ncal %0 = 1 : else goto *start\n"})
        self.expect_one("script/other.txt", 4, ["elseif follows", "前の行にif命令がありません"],
                        extra={"script/other.txt": "*other\nif (%0) goto *start\nelse cal %0 = 1\nelseif (%0) goto *start\n"})
        # The tail of an if is a statement of its own.
        self.expect_one("script/other.txt", 2, ['unknown command "jump"'],
                        extra={"script/other.txt": "*other\nif (%0) jump *start\n"})

    def test_long_lines_and_arguments(self):
        self.expect_one("script/other.txt", 3, ["bytes long with its line end", "cuts lines at 255"],
                        extra={"script/other.txt": "*other\n;\n; " + "9" * 300 + "\n"})
        self.expect_one("script/other.txt", 2, ["error: the arguments are", "keeps only the first 127"],
                        extra={"script/other.txt": "*other\nerror \"" + "y" * 140 + "\"\n"})

    def test_text_that_is_not_cp932(self):
        self.expect_one("script/other.txt", 3, ["looks like UTF-8", "save it as CP932 (Shift-JIS)"],
                        extra={"script/other.txt": "*other\n\n「こんにちは」\n".encode("utf-8")})
        self.expect_one("script/other.txt", 2, ["not valid CP932", "0x85"],
                        extra={"script/other.txt": b"*other\n\x82\xa0\x85\x20\n"})

    def test_packed_script_is_checked_too(self):
        game = make_game(extra={"script/other.txt": "*other\ngoto *nowhere\n"})
        try:
            subprocess.run([PACKER, "sbx", game], capture_output=True, check=True)
            shutil.rmtree(os.path.join(game, "script"))
            code, out, _ = check(game)
            self.assertEqual(code, 1)
            self.assertRegex(out, r"(?m)^[0-9A-F]{8}:2: goto: no label \"\*nowhere\"")
        finally:
            shutil.rmtree(game, ignore_errors=True)

    def test_argument_counts_from_the_command_tables(self):
        listed = subprocess.run([ENGINE, "--list-commands"], capture_output=True, text=True, check=True).stdout
        ranges = {f[0]: f[2:4] for f in (line.split("\t") for line in listed.splitlines())}
        ranged = [name for name in ["sp", "wait", "sd.stop", "print"] if ranges.get(name, [""])[0]]
        if not ranged:
            self.skipTest("the command tables do not carry argument counts")
        for name in ranged:
            lo, hi = (int(x) for x in ranges[name])
            with self.subTest(name=name):
                self.expect_one("script/other.txt", 2, [f"{name} takes", f"not {hi + 1}", "引数の数が不正です"],
                                extra={"script/other.txt": f"*other\n{name} " + ", ".join(["1"] * (hi + 1)) + "\n"})
                if lo > 0:
                    self.expect_one("script/other.txt", 2, [f"{name} takes", f"not {lo - 1}"],
                                    extra={"script/other.txt": f"*other\n{name} " + ", ".join(["1"] * (lo - 1)) + "\n"})

    # A command of each subsystem whose handler takes its count from the table, one statement
    # with a count the engine refuses, what the checker says, and one with a count it accepts.
    COUNTS = [
        ("variableexist %0", "variableexist takes 2 arguments, not 1", "variableexist %0, %1"),
        ("deletefile \"a.txt\", %0, 1", "deletefile takes 1 or 2 arguments, not 3", "deletefile \"a.txt\""),
        ("split \"a,b\", \",\"", "split takes at least 3 arguments, not 2", "split \"a,b\", \",\", $0, $1, $2, $3"),
        ("setwindow 1, 2, 3, 4, 5, 6, 7", "setwindow takes 8 arguments, not 7", "setwindow 1, 2, 3, 4, 5, 6, 7, 8"),
        ("eventwait %0, %1, 100, $0, 1", "eventwait takes 2 to 4 arguments, not 5", "eventwait %0, %1"),
        ("setfontcolor 1, 2, 3", "setfontcolor takes 0 to 2 arguments, not 3", "setfontcolor"),
        ("sp.xy 1, 2", "sp.xy takes 3 arguments, not 2", "sp.xy 1, 2, 3"),
        ("quake.x 4", "quake.x takes 2 or 3 arguments, not 1", "quake.x 4, 100, 2"),
        ("print 1, 2, 3, 4, 5", "print takes 0 to 4 arguments, not 5", "print 1"),
        ("sd.volume 1", "sd.volume takes 2 or 3 arguments, not 1", "sd.volume 1, 50"),
        ("setbgmvolume", "setbgmvolume takes 1 argument, not 0", "setbgmvolume 80"),
        ("getcursorpos %0, %1, %2", "getcursorpos takes 2 arguments, not 3", "getcursorpos %0, %1"),
    ]

    def test_checker_warns_where_the_engine_refuses_the_count(self):
        lines = [stmt for bad, _, good in self.COUNTS for stmt in (bad, good)]
        game = make_game(extra={"script/other.txt": "*other\n" + "\n".join(lines) + "\n"})
        try:
            code, out, err = check(game)
            self.assertEqual(code, 1, out + err)
            expected = [f"script/other.txt:{2 + 2 * i}: {says} (引数の数が不正です)"
                        for i, (_, says, _) in enumerate(self.COUNTS)]
            self.assertEqual(findings(out), expected)
        finally:
            shutil.rmtree(game, ignore_errors=True)
        # The engine refuses each of those statements with the count message, under the
        # command's error name, and runs on.
        listed = subprocess.run([ENGINE, "--list-commands"], capture_output=True, text=True, check=True).stdout
        error_name = {f[0]: f[1] for f in (line.split("\t") for line in listed.splitlines())}
        bad = [b for b, _, _ in self.COUNTS]
        game = make_game(replace={"script/0.txt": "*start\n" + "\n".join(bad) + "\nerror \"done\"\nend\n"})
        try:
            r = subprocess.run([ENGINE, *HEADLESS, "--exit-after", "10000", game], capture_output=True, timeout=60)
            name_of = lambda stmt: error_name[stmt.split(" ")[0]]
            expected = [f"Error: script/0.txt[{2 + i}] {name_of(b)} ※引数の数が不正です" for i, b in enumerate(bad)]
            self.assertEqual(r.stderr.decode().splitlines(), expected + [f"Error: script/0.txt[{2 + len(bad)}] error ※done"])
        finally:
            shutil.rmtree(game, ignore_errors=True)


class Reference(unittest.TestCase):
    def test_every_registered_command_has_a_note(self):
        r = subprocess.run([sys.executable, os.path.join(SOURCE, "tools/docs/make_command_reference.py"),
                            "--engine", ENGINE, "--notes", os.path.join(SOURCE, "docs/command_notes.txt"), "--check"],
                           capture_output=True, text=True)
        self.assertEqual(r.returncode, 0, r.stderr)

    def test_a_command_without_a_note_fails(self):
        with open(os.path.join(SOURCE, "docs/command_notes.txt"), encoding="utf-8") as f:
            notes = f.read()
        with tempfile.NamedTemporaryFile("w", suffix=".txt", delete=False, encoding="utf-8") as f:
            f.write(re.sub(r"(?m)^sd\.load .*\n(  .*\n)+", "", notes))
        try:
            r = subprocess.run([sys.executable, os.path.join(SOURCE, "tools/docs/make_command_reference.py"),
                                "--engine", ENGINE, "--notes", f.name, "--check"], capture_output=True, text=True)
            self.assertEqual(r.returncode, 1)
            self.assertIn("sd.load: registered, but docs/command_notes.txt has no entry", r.stderr)
        finally:
            os.unlink(f.name)


class NewGame(unittest.TestCase):
    def test_new_game_checks_clean_and_runs_to_its_end(self):
        d = tempfile.mkdtemp(prefix="utsushi-new-")
        game = os.path.join(d, "mygame")
        try:
            r = subprocess.run([PACKER, "new", game], capture_output=True)
            self.assertEqual(r.returncode, 0, r.stderr)
            with open(os.path.join(game, "script/0.txt"), "rb") as f:
                script = f.read()
            text = script.decode("cp932")  # CP932, not UTF-8
            for needed in ["setwindowtext", "sp 0,", "print 1", "@", "spbtn", "eventwait", "sd 2,", "\nend\n"]:
                self.assertIn(needed, text)
            self.assertEqual(check(game)[:2], (0, "no problems found\n"))
            # The last statement reports before it ends the game: the run reached its end.
            with open(os.path.join(game, "script/0.txt"), "wb") as f:
                f.write(script.replace(b"\nend\n", b"\nerror \"the end\" : end\n"))
            clicks = os.path.join(d, "clicks.txt")
            with open(clicks, "w") as f:
                f.writelines(f"{400 * i} click 330 265\n" for i in range(1, 30))
            r = subprocess.run([ENGINE, *HEADLESS, "--input", clicks, "--exit-after", "60000", game],
                               capture_output=True, timeout=60)
            self.assertEqual(r.returncode, 0)
            last = script.split(b"\n").index(b"end") + 1
            self.assertEqual(r.stderr.decode(), f"Error: script/0.txt[{last}] error ※the end\n")
            self.assertNotEqual(subprocess.run([PACKER, "new", game], capture_output=True).returncode, 0)
        finally:
            shutil.rmtree(d, ignore_errors=True)


class Packer(unittest.TestCase):
    def test_help_and_version(self):
        r = subprocess.run([PACKER, "--help"], capture_output=True, text=True)
        self.assertEqual((r.returncode, r.stderr), (0, ""))
        self.assertIn("utsushi-pack arc GAME_DIR PATH...", r.stdout)
        r = subprocess.run([PACKER, "--version"], capture_output=True, text=True)
        self.assertEqual(r.returncode, 0)
        self.assertRegex(r.stdout, r"^utsushi-pack \d+\.\d+\.\d+\n$")
        # a mistake still gets the usage on stderr and status 2
        r = subprocess.run([PACKER, "pack"], capture_output=True, text=True)
        self.assertEqual((r.returncode, r.stdout), (2, ""))
        self.assertIn("usage:", r.stderr)

    def test_list_says_when_a_file_is_no_archive(self):
        d = tempfile.mkdtemp(prefix="utsushi-list-")
        try:
            for name, data in (("notes.txt", "これは台本のメモです\n".encode("cp932") * 20), ("empty.dat", b""),
                               ("script.sbx", b"\x00\x00\x00\x05short")):
                path = os.path.join(d, name)
                with open(path, "wb") as f:
                    f.write(data)
                r = subprocess.run([PACKER, "list", path], capture_output=True, text=True)
                self.assertEqual(r.returncode, 1, name)
                self.assertEqual(r.stdout, "", name)
                self.assertRegex(r.stderr, "^utsushi-pack: " + re.escape(path) +
                                 r" is not a readable script.sbx, arc.dat or movie \(.+\)\n$")
        finally:
            shutil.rmtree(d, ignore_errors=True)

    def test_arc_warns_before_packing_save_files(self):
        game = make_game({"save/save001.dat": b"a save", "save/setting.dat": b"settings"})
        try:
            r = subprocess.run([PACKER, "arc", game, "pic", "save"], capture_output=True, text=True)
            self.assertEqual(r.returncode, 0, r.stderr)
            self.assertIn("warning: packing 2 file(s) below save/", r.stderr)
            self.assertTrue(os.path.exists(os.path.join(game, "arc.dat")))
            r = subprocess.run([PACKER, "arc", game, "pic", "se"], capture_output=True, text=True)
            self.assertEqual((r.returncode, r.stderr), (0, ""))
        finally:
            shutil.rmtree(game, ignore_errors=True)


def link_or_copy(src, dst):
    try:
        os.link(src, dst)
    except OSError:  # another file system
        shutil.copy2(src, dst)


class Install(unittest.TestCase):
    EXPECTED = ["bin/utsushi", "bin/utsushi-pack", "share/man/man1/utsushi.1.gz", "share/man/man1/utsushi-pack.1.gz",
                "share/applications/utsushi.desktop", "share/icons/hicolor/scalable/apps/utsushi.svg",
                "share/mime/packages/utsushi.xml", "share/doc/utsushi/README.md", "share/doc/utsushi/commands.md",
                "share/doc/utsushi/text.md", "share/doc/utsushi/tutorial.md",
                "share/doc/utsushi/copyright", "share/doc/utsushi/changelog.gz"]

    @staticmethod
    def maintainer():
        with open(os.path.join(SOURCE, "CMakeLists.txt")) as f:
            return re.search(r'set\(UTSUSHI_MAINTAINER "([^"]+)"\)', f.read()).group(1)

    def test_install_puts_the_files_below_prefix_in_destdir(self):
        d = tempfile.mkdtemp(prefix="utsushi-install-")
        try:
            r = subprocess.run(["cmake", "--install", BUILD, "--prefix", "/opt/uts"], capture_output=True,
                               env=dict(TOOL_ENV, DESTDIR=d))
            self.assertEqual(r.returncode, 0, r.stderr)
            got = sorted(os.path.relpath(os.path.join(root, n), os.path.join(d, "opt/uts"))
                         for root, _, names in os.walk(d) for n in names)
            self.assertEqual(got, sorted(self.EXPECTED))
            installed = os.path.join(d, "opt/uts/bin/utsushi")
            self.assertEqual(subprocess.run([installed, "--version"], capture_output=True).returncode, 0)
            with open(os.path.join(d, "opt/uts/share/applications/utsushi.desktop")) as f:
                desktop = f.read()
            self.assertIn("Exec=utsushi %f", desktop)
            self.assertIn("Icon=utsushi", desktop)
            # A game's script.sbx is offered to utsushi; folders in general are not claimed.
            self.assertNotIn("inode/directory", desktop)
            self.assertIn("MimeType=application/x-utsushi-script;", desktop)
            mime = os.path.join(d, "opt/uts/share/mime")
            subprocess.run(["update-mime-database", mime], check=True, capture_output=True, env=TOOL_ENV)
            with open(os.path.join(mime, "globs2")) as f:
                globs = [line.strip() for line in f if not line.startswith("#")]
            self.assertEqual(globs, ["50:application/x-utsushi-script:script.sbx"])
            share = os.path.join(d, "opt/uts/share/doc/utsushi")
            with open(os.path.join(share, "copyright")) as f:
                copyright = f.read()
            self.assertTrue(copyright.startswith("Format: https://www.debian.org/doc/packaging-manuals/"
                                                 "copyright-format/1.0/\n"))
            self.assertIn("Upstream-Contact: %s\n" % self.maintainer(), copyright)
            changelog = subprocess.run(["zcat", os.path.join(share, "changelog.gz")], capture_output=True,
                                       text=True, check=True).stdout
            version = subprocess.run([installed, "--version"], capture_output=True, text=True).stdout.split()[1]
            self.assertTrue(changelog.startswith("utsushi (%s) " % version), changelog)
            self.assertIn(" -- %s  " % self.maintainer(), changelog)
        finally:
            shutil.rmtree(d, ignore_errors=True)

    def test_make_install_fails_where_the_build_folder_belongs_to_another_checkout(self):
        # A checkout copied together with its build folder: that folder still names the first
        # checkout, so building there builds the first checkout and installing installs its
        # files. The install must fail and say why instead.
        d = tempfile.mkdtemp(prefix="utsushi-copy-")
        try:
            copy = os.path.join(d, "utsushi")
            os.makedirs(copy)
            shutil.copy2(os.path.join(SOURCE, "Makefile"), copy)
            shutil.copytree(os.path.join(SOURCE, "scripts"), os.path.join(copy, "scripts"))
            shutil.copytree(BUILD, os.path.join(copy, "build"), symlinks=True, copy_function=link_or_copy)
            prefix = os.path.join(d, "installed")
            r = subprocess.run(["make", "-C", copy, "install", "JOBS=1", "PREFIX=" + prefix], capture_output=True,
                               text=True, env=TOOL_ENV, timeout=600)
            self.assertNotEqual(r.returncode, 0, r.stdout + r.stderr)
            self.assertIn("build/ was configured in %s" % os.path.realpath(BUILD), r.stderr)
            self.assertIn("make clean", r.stderr)
            self.assertFalse(os.path.exists(prefix))
        finally:
            shutil.rmtree(d, ignore_errors=True)

    def test_debian_package_contents_and_dependencies(self):
        if not shutil.which("dpkg-deb") or not shutil.which("dpkg-shlibdeps"):
            self.skipTest("dpkg-dev is not installed")
        d = tempfile.mkdtemp(prefix="utsushi-package-")
        try:
            r = subprocess.run(["cpack", "-G", "DEB", "-B", d, "--config", os.path.join(BUILD, "CPackConfig.cmake")],
                               capture_output=True, cwd=BUILD, env=TOOL_ENV)
            self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
            debs = [n for n in os.listdir(d) if n.endswith(".deb")]
            self.assertEqual(len(debs), 1)
            deb = os.path.join(d, debs[0])
            listing = subprocess.run(["dpkg-deb", "-c", deb], capture_output=True, text=True, check=True, env=TOOL_ENV).stdout
            files = sorted(line.split()[-1][len("./usr/"):] for line in listing.splitlines()
                           if not line.startswith("d"))
            self.assertEqual(files, sorted(self.EXPECTED))
            depends = subprocess.run(["dpkg-deb", "-f", deb, "Depends"], capture_output=True, text=True, env=TOOL_ENV).stdout
            for lib in ["libsdl2-2.0-0", "libepoxy0", "libvorbisfile3", "libonig5", "libpng16-16",
                        "libjpeg62-turbo", "libfreetype6", "libfontconfig1", "fonts-ipafont-gothic",
                        "fonts-ipafont-mincho", "libgl1"]:
                self.assertIn(lib, depends)
            field = lambda name: subprocess.run(["dpkg-deb", "-f", deb, name], capture_output=True, text=True,
                                                env=TOOL_ENV).stdout.strip()
            self.assertEqual(field("Maintainer"), self.maintainer())
            self.assertEqual(field("Section"), "interpreters")
            if not shutil.which("lintian"):
                self.skipTest("lintian is not installed")
            r = subprocess.run(["lintian", "--fail-on", "error,warning", deb], capture_output=True, text=True,
                               env=TOOL_ENV, timeout=600)
            self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
            self.assertEqual([line for line in r.stdout.splitlines() if line[:2] in ("E:", "W:")], [])
        finally:
            shutil.rmtree(d, ignore_errors=True)


if __name__ == "__main__":
    unittest.main()
