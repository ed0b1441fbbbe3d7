"""What a case hands the player: tones, pictures, CD images, overlays and user settings files.

Every cell of a case gets its own tone (a sine of a frequency no other cell uses) and its own
picture (one solid colour), so that the recording tells which cell sounded and a screenshot
tells which cells are on screen and how large.
"""

import dataclasses
import math
import os
import struct
import subprocess
import wave
import zlib

RATE = 44100

# Tones a third of an octave apart: far enough for a zero-crossing count over 20 ms to tell
# them apart, and all well inside the band a 44.1 kHz recording keeps.
TONES = [400, 500, 630, 800, 1000, 1250, 1600, 2000, 2500, 3150, 4000]

# Solid picture colours (R, G, B), one per cell, none of them a colour the program draws itself.
PICTURE_COLOURS = [
    (200, 40, 40), (40, 160, 40), (40, 60, 200), (200, 160, 0), (160, 40, 160),
    (0, 150, 150), (120, 80, 20), (250, 120, 180), (90, 90, 90), (20, 90, 60),
    (180, 200, 60), (60, 30, 120),
]


def tone_samples(frequency, seconds, rate=RATE, amplitude=0.5):
    """16-bit samples of a sine with 5 ms fades at both ends (no clicks)."""
    count = int(round(seconds * rate))
    fade = max(1, int(0.005 * rate))
    peak = amplitude * 32767
    out = []
    for i in range(count):
        gain = min(1.0, i / fade, (count - 1 - i) / fade)
        out.append(int(peak * gain * math.sin(2 * math.pi * frequency * i / rate)))
    return out


def write_tone(path, frequency, seconds, rate=RATE, channels=1):
    """A WAV file holding one tone."""
    samples = tone_samples(frequency, seconds, rate)
    frames = struct.pack("<%dh" % len(samples), *samples)
    if channels == 2:
        frames = b"".join(frames[i:i + 2] * 2 for i in range(0, len(frames), 2))
    with wave.open(path, "wb") as w:
        w.setnchannels(channels)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(frames)
    return path


def write_video(path, rgb, frequency, seconds):
    """An AVI of one colour with a tone as its sound (made by ffmpeg)."""
    colour = "0x%02X%02X%02X" % tuple(rgb)
    subprocess.run(
        ["ffmpeg", "-hide_banner", "-loglevel", "error", "-y",
         "-f", "lavfi", "-i", "color=c=%s:s=320x240:d=%s:r=25" % (colour, seconds),
         "-f", "lavfi", "-i", "sine=frequency=%d:duration=%s:sample_rate=%d" % (
             frequency, seconds, RATE),
         "-c:v", "mpeg4", "-q:v", "2", "-c:a", "pcm_s16le", "-shortest", path], check=True)
    return path


def encode_png(width, height, rows, palette=None, level=6):
    """A PNG file's bytes for 8-bit RGB rows, each preceded by its filter byte (0); with a
    palette (a list of (R, G, B)), the rows hold one index into it per pixel."""
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, 3 if palette else 2, 0, 0, 0)
    colours = chunk(b"PLTE", b"".join(bytes(c) for c in palette)) if palette else b""
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + colours +
            chunk(b"IDAT", zlib.compress(rows, level)) + chunk(b"IEND", b""))


def write_png(path, width, height, rgb):
    """A PNG of one solid colour."""
    row = b"\x00" + bytes(rgb) * width
    with open(path, "wb") as f:
        f.write(encode_png(width, height, row * height))
    return path


SECTOR_BYTES = 2352
SECTOR_SAMPLES = SECTOR_BYTES // 4  # stereo 16-bit frames per sector


def write_cd_image(folder, name, tracks):
    """A BIN/CUE disc image whose audio tracks are the given (frequency, seconds) tones.

    Returns the path of the cue sheet (the bin beside it has the same base name, which is
    what the CD library opens)."""
    cue_lines = ['FILE "%s.bin" BINARY' % name]
    sector = 0
    with open(os.path.join(folder, name + ".bin"), "wb") as bin_file:
        for number, (frequency, seconds) in enumerate(tracks, start=1):
            samples = tone_samples(frequency, seconds)
            samples += [0] * (-len(samples) % SECTOR_SAMPLES)
            stereo = struct.pack("<%dh" % (2 * len(samples)),
                                 *(s for sample in samples for s in (sample, sample)))
            bin_file.write(stereo)
            minutes, rest = divmod(sector, 75 * 60)
            seconds_part, frames = divmod(rest, 75)
            cue_lines.append("  TRACK %02d AUDIO" % number)
            cue_lines.append("    INDEX 01 %02d:%02d:%02d" % (minutes, seconds_part, frames))
            sector += len(samples) // SECTOR_SAMPLES
    cue = os.path.join(folder, name + ".cue")
    with open(cue, "w") as f:
        f.write("\n".join(cue_lines) + "\n")
    return cue


@dataclasses.dataclass
class Cell:
    """One cell of an overlay: its type ("SoundFile", "VideoFile", "ArbitraryCD", "FixedCD",
    "OverlayFile", "IRString", "Exit" or "" for none), media, picture, text and intro, and the
    positions in milliseconds (-1: not set)."""

    type: str = ""
    media: str = ""
    picture: str = ""
    text: str = ""
    intro: str = ""
    start: int = -1
    stop: int = -1
    intro_start: int = -1
    intro_stop: int = -1
    comm_port: str = ""


def write_overlay(path, rows, cols, cells):
    """An overlay file; cells maps cell numbers (1..rows*cols) to Cell. Missing cells are
    empty."""
    sections = [("Media", "media"), ("Pictures", "picture"), ("Texts", "text"),
                ("Sounds", "intro"), ("MediaTypes", "type"), ("StartPositions", "start"),
                ("StopPositions", "stop"), ("IntroStartPositions", "intro_start"),
                ("IntroStopPositions", "intro_stop"), ("CommPorts", "comm_port")]
    lines = ["[Overlay]", "CD-Identity=Arbitrary", "Rows=%d" % rows, "Cols=%d" % cols]
    for section, field in sections:
        lines.append("[%s]" % section)
        for k in range(1, rows * cols + 1):
            cell = cells.get(k, Cell())
            lines.append("%d=%s" % (k, getattr(cell, field)))
    with open(path, "w", encoding="utf-8") as f:
        f.write("\r\n".join(lines) + "\r\n")
    return path


MODE_KEYS = ["Mouse", "Keyboard", "Two-switches", "One-switch", "Two-switches scan",
             "Two-switches scan X-Y", "One-switch scan", "One-switch scan X-Y", "Arrow-keys"]


def bgr(rgb):
    """A colour as the settings file stores it (0x00BBGGRR, decimal)."""
    r, g, b = rgb
    return r | (g << 8) | (b << 16)


# The colours of the grid in every case: the frame is pure red, the ring around unmarked
# cells dark blue, the cell faces light yellow. None of them is a picture colour.
SCAN_COLOUR = (255, 0, 0)
# The sign the player draws on a cell whose picture cannot be read (CellFace).
MISSING_PICTURE_COLOUR = (136, 136, 136)
BACK_COLOUR = (0, 0, 110)
BUTTON_COLOUR = (255, 255, 210)


def write_settings(path, mode, scan_delay=1000, sound=True, texts=True, pictures=True,
                   hide_borders=False, spacing=8, act_on_key_down=True, execute_on_key_up=False,
                   font_size=14, timings=None):
    """A user settings file for one control mode (one of MODE_KEYS). timings: further keys of
    "Extended settings" ({"Acceptance time": 300, "Speak cells": 1, "Switch 1": "key:F5",
    ...})."""
    lines = ["[Input settings]"]
    lines += ["%s=%d" % (key, key == mode) for key in MODE_KEYS]
    lines += ["Scan delay time=%d" % scan_delay,
              "[Presentation settings]",
              "Pictures=%d" % pictures, "Texts=%d" % texts, "Sound=%d" % sound,
              "[Font]", "Name=DejaVu Sans", "Size=%d" % font_size, "Bold=1", "Italic=0",
              "Underline=0", "Strikeout=0", "Color=0",
              "[Extended settings]",
              "Scan color=%d" % bgr(SCAN_COLOUR), "Back color=%d" % bgr(BACK_COLOUR),
              "Button color=%d" % bgr(BUTTON_COLOUR), "Spacing=%d" % spacing,
              "Zoom pictures=1", "Hide borders=%d" % hide_borders,
              "Key repetition delay time=1500", "Key repetition=0",
              "Act on key down=%d" % act_on_key_down,
              "Execute on key up=%d" % execute_on_key_up]
    lines += ["%s=%s" % item for item in (timings or {}).items()]
    with open(path, "w", encoding="utf-8") as f:
        f.write("\r\n".join(lines) + "\r\n")
    return path
