#!/usr/bin/env python3
"""Makes the demo's sounds from nothing but arithmetic, so that no recording is kept:

  bgm/theme.ogg  a 2-second intro and an 8-second phrase; its comment
                 "COMMENT=settime 0,2000,10000" makes the engine loop the phrase, not the intro
  se/chime.ogg   a short two-note chime

Run from anywhere: python3 demo/sound_sources/make_sounds.py (needs oggenc from vorbis-tools).
"""
import math
import os
import struct
import subprocess
import tempfile
import wave

RATE = 44100
DEMO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def note(name):
    """'A4' -> Hz; sharps as 'C#4'."""
    names = {"C": -9, "C#": -8, "D": -7, "D#": -6, "E": -5, "F": -4, "F#": -3, "G": -2, "G#": -1, "A": 0,
             "A#": 1, "B": 2}
    pitch, octave = name[:-1], int(name[-1])
    return 440.0 * 2 ** ((names[pitch] + 12 * (octave - 4)) / 12)


def tone(buf, start, length, freq, amp, decay):
    """Adds a plucked-sounding tone (sine plus a quieter octave, exponential decay)."""
    n0 = int(start * RATE)
    for i in range(int(length * RATE)):
        t = i / RATE
        env = math.exp(-t * decay) * min(1.0, t * 200)
        v = math.sin(2 * math.pi * freq * t) + 0.3 * math.sin(4 * math.pi * freq * t)
        if n0 + i < len(buf):
            buf[n0 + i] += amp * env * v


def write_ogg(samples, path, comment=None):
    peak = max(1e-9, max(abs(s) for s in samples))
    scale = 0.7 / peak * 32767
    with tempfile.TemporaryDirectory() as tmp:
        wav_path = os.path.join(tmp, "out.wav")
        with wave.open(wav_path, "wb") as w:
            w.setnchannels(1)
            w.setsampwidth(2)
            w.setframerate(RATE)
            w.writeframes(b"".join(struct.pack("<h", int(s * scale)) for s in samples))
        cmd = ["oggenc", "-Q", "-q", "1", "-o", path]
        if comment:
            cmd += ["-c", comment]
        subprocess.run(cmd + [wav_path], check=True)


def theme():
    beat = 0.25
    buf = [0.0] * int(10 * RATE)
    # Intro: a rising arpeggio over two bars (2 s).
    for i, n in enumerate(["C4", "E4", "G4", "C5", "E5", "G5", "C6", "G5"]):
        tone(buf, i * beat, 0.5, note(n), 0.5, 6)
    # The phrase that loops: I - V - vi - IV, a bass note and a broken chord per bar.
    bars = [("C3", ["C4", "E4", "G4", "E4"]), ("G2", ["B3", "D4", "G4", "D4"]),
            ("A2", ["C4", "E4", "A4", "E4"]), ("F2", ["A3", "C4", "F4", "C4"])]
    melody = ["E5", "D5", "C5", "D5", "D5", "B4", "G4", "B4", "C5", "E5", "A5", "G5", "F5", "E5", "D5", "C5"]
    t = 2.0
    for rep in range(2):
        for b, (bass, chord) in enumerate(bars):
            tone(buf, t, 1.0, note(bass), 0.6, 2.5)
            for k, n in enumerate(chord):
                tone(buf, t + k * beat, 0.3, note(n), 0.25, 8)
            for k in range(4 if rep else 2):
                m = melody[b * 4 + k * (1 if rep else 2)]
                tone(buf, t + k * (beat if rep else 2 * beat), 0.45, note(m), 0.35, 4)
            t += 1.0
    return buf


def chime():
    buf = [0.0] * int(0.6 * RATE)
    tone(buf, 0.0, 0.6, note("E6"), 0.5, 7)
    tone(buf, 0.12, 0.48, note("B6"), 0.5, 7)
    return buf


if __name__ == "__main__":
    write_ogg(theme(), os.path.join(DEMO, "bgm", "theme.ogg"), "COMMENT=settime 0,2000,10000")
    write_ogg(chime(), os.path.join(DEMO, "se", "chime.ogg"))
