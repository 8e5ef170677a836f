#!/usr/bin/env python3
"""Writes docs/commands.md from the engine's registered commands (`utsushi --list-commands`:
their error names and argument signatures, the ones the engine checks arguments against) and
the notes in docs/command_notes.txt. With --check, writes nothing and fails when a
registered command has no note or a note names no registered command."""
import argparse
import subprocess
import sys


def read_notes(path):
    """[(group, [(name, synopsis, text)], [(title, [line])])] in file order. A "### Title" line
    starts a table of the group, copied as it is (Markdown) after the group's commands up to
    the next "##" or "###" line."""
    groups = []
    entry = None
    section = None
    with open(path, encoding="utf-8") as f:
        for number, raw in enumerate(f, 1):
            line = raw.rstrip("\n")
            if line.startswith("### "):
                if not groups:
                    sys.exit(f"{path}:{number}: a table before the first ## group")
                section = (line[4:].strip(), [])
                groups[-1][2].append(section)
                continue
            if section is not None and not line.startswith("## "):
                section[1].append(line)
                continue
            if not line.strip() or line.startswith("# "):
                continue
            if line.startswith("## "):
                groups.append((line[3:].strip(), [], []))
                entry = None
                section = None
            elif line.startswith("  "):
                if entry is None:
                    sys.exit(f"{path}:{number}: a description without a command line above it")
                entry[2].append(line.strip())
            else:
                if not groups:
                    sys.exit(f"{path}:{number}: a command before the first ## group")
                name, _, synopsis = line.partition(" ")
                entry = (name, synopsis.strip(), [])
                groups[-1][1].append(entry)
    return [(g, [(n, s, " ".join(t)) for n, s, t in entries], [(title, trimmed(lines)) for title, lines in tables])
            for g, entries, tables in groups]


def trimmed(lines):
    while lines and not lines[-1].strip():
        lines = lines[:-1]
    while lines and not lines[0].strip():
        lines = lines[1:]
    return lines


def registered(engine):
    out = subprocess.run([engine, "--list-commands"], capture_output=True, check=True, text=True).stdout
    commands = {}
    for line in out.splitlines():
        fields = line.split("\t")
        fields += [""] * (5 - len(fields))
        commands[fields[0]] = {"error": fields[1], "min": fields[2], "max": fields[3], "signature": fields[4]}
    return commands


def cell(text):
    return text.replace("|", "\\|")


def count_text(info):
    lo, hi = info["min"], info["max"]
    if not lo:
        return ""
    if not hi:
        return f"{lo} or more"
    return lo if lo == hi else f"{lo}-{hi}"


# The letters of a signature, as the engine's command tables write them.
KINDS = [("n", "number"), ("s", "string"), ("N", "number variable (receives a result)"),
         ("S", "string variable (receives a result)"), ("T", "a variable the command resolves itself: a target with \"= default\", or a reference that may name nothing"),
         ("P", "picture file"), ("A", "sound file"), ("M", "movie file"),
         ("F", "font: a face name or a font file"), ("C", "cursor file or picture"), ("D", "file read whole")]


def render(groups, commands):
    out = ["# Command reference", "",
           "Every command a script can use, grouped as the README groups them. This page is made by",
           "`make docs` from the engine's command tables and `docs/command_notes.txt`; edit the notes,",
           "not this page. Arguments in [ ] may be left out; `%var` is a number variable, `$var` a string",
           "variable. The error name is what error messages call the command.", "",
           "The signature is the one the engine checks each statement against before the command runs",
           "(and `utsushi --check` reads): one letter an argument, [x] for one that may be left off at the",
           "end, x? for one that may be left empty, x... for one that may repeat. A command without a",
           "signature reads its argument text by rules of its own, given in its description.", ""]
    out += [f"- `{k}`: {what}" for k, what in KINDS] + [""]
    for group, entries, tables in groups:
        out += [f"## {group}", ""]
        out += ["| command | arguments | signature | count | what it does | error name |", "|---|---|---|---|---|---|"]
        for name, synopsis, text in entries:
            info = commands.get(name, {"error": "", "min": "", "max": "", "signature": ""})
            shown = f"`{cell(synopsis)}`" if synopsis else ""
            signature = f"`{info['signature']}`" if info["signature"] else ""
            error = cell(info["error"]) if info["error"] else "—"
            row = [f"`{name}`", shown, signature, count_text(info), cell(text), error]
            out.append("| " + " | ".join(row) + " |")
        out.append("")
        for title, lines in tables:
            out += [f"### {title}", ""] + lines + [""]
    return "\n".join(out)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--engine", required=True)
    ap.add_argument("--notes", required=True)
    ap.add_argument("--out")
    ap.add_argument("--check", action="store_true")
    args = ap.parse_args()
    groups = read_notes(args.notes)
    commands = registered(args.engine)
    noted = [name for _, entries, _ in groups for name, _, _ in entries]
    problems = [f"{name}: registered, but docs/command_notes.txt has no entry for it"
                for name in commands if name not in noted]
    problems += [f"{name}: has a note but is not a registered command" for name in noted if name not in commands]
    problems += [f"{name}: has more than one note" for name in sorted(set(noted)) if noted.count(name) > 1]
    for p in problems:
        print(p, file=sys.stderr)
    if problems:
        return 1
    if not args.check:
        with open(args.out, "w", encoding="utf-8") as f:
            f.write(render(groups, commands))
    return 0


if __name__ == "__main__":
    sys.exit(main())
