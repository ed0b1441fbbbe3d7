#!/usr/bin/env python3
"""How long a switch user waits for what is chosen to sound, measured where the user hears it.

The real tonlyra runs on the end-to-end suite's private desktop (Xvfb, openbox, and a sound
server with a null sink recorded at the recorder's default latency; tests/e2e/README.md), once
on PulseAudio and once on PipeWire. Each figure is the time from the synthetic press (XTest,
timed when the X server has it) or from the moment a pixel of the scanning frame changes on
screen, to the first sample of the sound in the recording (or, for Esc, to its last). On
PulseAudio recorded samples are tied to the clock by a reference tone whose start the sound
server reports (that calibration is checked again at the end); on PipeWire each stretch the
recorder hands over is time-stamped as it arrives, an upper bound on when it left the sink (up
to one stretch, ~46 ms, late: the same for the program and the baseline).

On PulseAudio the recorded sink does not rewind (Desktop(rewinds=False)): a rewinding sink
mixes a starting stream into what it has rendered ahead, and its monitor has by then handed
that stretch to the recorder, so the recording lacks the first part of a sound (up to the
sink's latency, ~60 ms) while its end comes when it should. A sound resumed from a paused
stream, as the program's are, always starts that way, and lost ~45 ms in every press; plain
libmpv's, written into a stream that ran dry, only now and then. Without rewinds each new
sound starts where the sink has rendered up to, the same for both, and all of it is recorded.
--rewinds measures on the suite's usual sink instead.

The baseline is plain libmpv in this process, on the same sink, loading and playing a tone file
of the same length at each "press" (a handle kept open with keep-open, so that its audio output
stays open as well, and not paused at the end): what the program adds is the ratio against it.
Its presses alternate with the clicks on sound cells, so that both meet the same load of a busy
machine; its output stays open beside the program's for the whole run, as another program's
would on a desktop.

The first press of each run comes soon after the program has started, while the sound server
may still be taking on the program's new stream: it may come late, or (for a short stretch) go
unheard; the list of presses not heard says so.

    python3 bench/bench_latency.py [--presses N] [--quick] [--rewinds]
                                   [--server pulseaudio|pipewire ...]
                                                       (TONLYRA_BIN: default build/bin/tonlyra)
"""

import argparse
import ctypes
import json
import os
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))

from harness import media  # noqa: E402
from harness.desktop import SOUND_SERVERS, Desktop, wait_until  # noqa: E402
from harness.player import PlayerCase  # noqa: E402

TARGET_SOUND_MS = 150
TARGET_SILENCE_MS = 100
PAUSE_BETWEEN = 0.8  # the desktop idles a little between two presses


class Bench(PlayerCase):
    """The suite's case helpers (start folder, program, screenshots, recording), used outside
    unittest."""

    def runTest(self):
        pass

    def onset_after(self, moment, tone, last=False, since=None, settle=0.3, timeout=15):
        """Milliseconds from `moment` (time.monotonic()) to the first (or last) sample of the
        first sound of this tone recorded from `since` (default: just before the moment) on,
        or None when there is none. settle: how long the recording must go on past the
        sound (0: as soon as it is heard)."""
        recording = self.desktop.recording
        first = recording.index_at((moment if since is None else since) - 0.3)
        sounds = recording.wait_for(lambda s: any(x.tone() == tone for x in s), first, timeout,
                                    settle=settle)
        if not sounds:
            return None
        found = next(x for x in sounds if x.tone() == tone)
        return 1000 * (recording.time_of(found.end if last else found.start) - moment)

    def ring_point(self, grid, cell):
        """A pixel of the cell's frame ring (Spacing is 8 pixels in the suite's settings)."""
        x, y, w, h = grid.cell_rect(cell)
        return x + 3, y + h // 2

    # ---- The measurements; each returns a list of milliseconds (None: not heard) ----

    def clicks(self, overlay, tones, env=None, presses=12, between=None):
        """Clicks on the cells in turn; between(), when given, is called before each click
        (the baseline's press, interleaved)."""
        self.start(overlay, self.settings("Mouse", sound=False), env)
        self.outputs.add("program: " + output_of(self.desktop, self.player.process.pid))
        grid = self.grid()
        times = []
        for n in range(presses):
            cell = 1 + n % len(tones)
            x, y, w, h = grid.cell_rect(cell)
            if between:
                between()
            self.desktop.recording.wait_quiet(PAUSE_BETWEEN)
            pressed = self.desktop.click(x + w // 2, y + h // 2)
            times.append(self.onset_after(pressed, tones[cell - 1]))
            wait_until(lambda: len(self.grid().picture_areas()) == len(tones), 10)
        self.player.stop()
        return times

    def intros(self, steps=12):
        overlay = self.tone_grid(2, 2, intros=True, intro_seconds=0.3, name="Intro")
        self.start(overlay, self.settings("One-switch scan", scan_delay=1500))
        grid = self.grid()
        # The frame's moves are watched without a break, and the recording judged afterwards.
        moves = []
        for step in range(steps + 1):
            cell = step % 4 + 1
            moves.append((cell, self.desktop.wait_pixel(*self.ring_point(grid, cell),
                                                        media.SCAN_COLOUR)))
        times = [self.onset_after(moved, self.intro_tone(cell)) if moved else None
                 for cell, moved in moves]
        self.player.stop()
        return times[1:]  # the first step comes while the sound server settles on the stream

    def escapes(self, presses=10):
        overlay = self.tone_grid(1, 2, tone_seconds=5.0, name="Esc")
        self.start(overlay, self.settings("Mouse", sound=False))
        grid = self.grid()
        x, y, w, h = grid.cell_rect(1)
        times = []
        for _ in range(presses):
            self.desktop.recording.wait_quiet(PAUSE_BETWEEN)
            clicked = self.desktop.click(x + w // 2, y + h // 2)
            if self.onset_after(clicked, media.TONES[0], settle=0) is None:
                times.append(None)
                continue
            pressed = self.desktop.key("Escape")
            times.append(self.onset_after(pressed, media.TONES[0], last=True, since=clicked))
            wait_until(lambda: len(self.grid().picture_areas()) == 2, 10)
        self.player.stop()
        return times


class PlainMpv:
    """libmpv as any program would use it, in this process."""

    def __init__(self, desktop):
        # Where libpulse and libpipewire look for their server.
        for name in ("XDG_RUNTIME_DIR", "PULSE_SERVER", "PULSE_CLIENTCONFIG"):
            os.environ[name] = desktop.env[name]
        lib = ctypes.CDLL("libmpv.so.2")
        lib.mpv_create.restype = ctypes.c_void_p
        lib.mpv_set_option_string.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_char_p]
        lib.mpv_initialize.argtypes = [ctypes.c_void_p]
        lib.mpv_command_string.argtypes = [ctypes.c_void_p, ctypes.c_char_p]
        lib.mpv_terminate_destroy.argtypes = [ctypes.c_void_p]
        self.lib = lib
        self.handle = lib.mpv_create()
        for key, value in (("config", "no"), ("vo", "null"), ("keep-open", "yes"),
                           ("keep-open-pause", "no"), ("terminal", "no")):
            lib.mpv_set_option_string(self.handle, key.encode(), value.encode())
        lib.mpv_initialize(self.handle)

    def play(self, path):
        self.lib.mpv_command_string(self.handle, b'loadfile "%s" replace' % path.encode())

    def close(self):
        self.lib.mpv_terminate_destroy(self.handle)


class Baseline:
    """Plain libmpv's presses, each measured like a click: the command to the first sample."""

    TONE = media.TONES[8]  # none of the program's cells in the runs it is interleaved with

    def __init__(self, bench):
        self.bench = bench
        self.path = media.write_tone(os.path.join(bench.desktop.folder, "ren.wav"),
                                     self.TONE, 0.3)
        self.player = PlainMpv(bench.desktop)
        self.player.play(self.path)  # opens the audio output, as the program does at its start
        self.times = []

    def press(self):
        recording = self.bench.desktop.recording
        recording.wait_quiet(PAUSE_BETWEEN)
        pressed = time.monotonic()
        self.player.play(self.path)
        self.times.append(self.bench.onset_after(pressed, self.TONE))
        if len(self.times) == 1:
            self.bench.outputs.add("baseline: " + output_of(self.bench.desktop, os.getpid()))

    def close(self):
        self.player.close()


def output_of(desktop, pid):
    """How a process reaches the sink: "pulse" (the PulseAudio protocol, also through
    pipewire-pulse) or "pipewire" (PipeWire's own), from the server's list of its clients."""
    if desktop.sound_server == "pulseaudio":
        return "pulse"
    done = subprocess.run(["pw-dump"], env=desktop.env, capture_output=True, text=True)
    objects = json.loads(done.stdout or "[]")
    props = lambda o: (o.get("info") or {}).get("props") or {}
    clients = {o["id"]: props(o) for o in objects
               if o.get("type", "").endswith(":Client") and
               str(props(o).get("application.process.id")) == str(pid)}
    for o in objects:
        if props(o).get("media.class") == "Stream/Output/Audio" and \
                props(o).get("client.id") in clients:
            api = clients[props(o)["client.id"]].get("client.api")
            return "pulse" if api == "pipewire-pulse" else "pipewire"
    return "none"


def summary(name, times, baseline=None, target=None):
    heard = [t for t in times if t is not None]
    line = "%-46s" % name
    if not heard:
        return line + "  never heard (%d tries)" % len(times)
    median = statistics.median(heard)
    line += "  %6.0f ms  (%4.0f-%5.0f, n=%d" % (median, min(heard), max(heard), len(heard))
    if len(heard) < len(times):
        line += ", not heard: press %s" % ", ".join(
            str(i + 1) for i, t in enumerate(times) if t is None)
    line += ")"
    if baseline:
        line += "  x%.2f" % (median / baseline)
    if target:
        line += "  target <= %d: %s" % (target, "met" if median <= target else "NOT MET")
    return line


def measure_the_rest(bench, run, n):
    """CD tracks, videos, intros and Esc."""
    def cd_clicks():
        cue = media.write_cd_image(bench.folder, "skiva", [(media.TONES[4], 1.0),
                                                          (media.TONES[5], 1.0)])
        overlay = bench.tone_grid(1, 2, name="Skiva", types={
            1: media.Cell("ArbitraryCD", "1", stop=300),
            2: media.Cell("ArbitraryCD", "2", stop=300)})
        return bench.clicks(overlay, media.TONES[4:6], {"TONLYRA_CD_DRIVES": cue}, n)

    run("click on a CD-image track cell -> its sound", cd_clicks, TARGET_SOUND_MS)

    def video_clicks():
        videos = {k: media.Cell("VideoFile", media.write_video(
            bench.path("film%d.avi" % k), media.PICTURE_COLOURS[k - 1], media.TONES[k + 5],
            0.5)) for k in (1, 2)}
        overlay = bench.tone_grid(1, 2, name="Film", types=videos)
        return bench.clicks(overlay, media.TONES[6:8], presses=n)

    run("click on a video cell -> its sound", video_clicks)
    run("scan step: frame on screen -> its intro", lambda: bench.intros(n), TARGET_SOUND_MS)
    run("Esc -> silence", lambda: bench.escapes(n), TARGET_SILENCE_MS, baseline=False)


def measure(server, n, quick=False, rewinds=False):
    """Every figure on one sound server (with quick, only the baseline and the sound cells);
    returns [(name, times, target, baseline)]."""
    results = []
    with Desktop(sound_server=server, rewinds=rewinds) as desktop:
        Bench.desktop = desktop
        bench = Bench()
        bench.outputs = set()

        def run(name, measure, target=None, baseline=True):
            bench.setUp()
            try:
                times = measure()
            finally:
                if bench.player:
                    bench.player.stop()
            results.append((name, times, target, baseline))
            print(summary(name, times), flush=True)

        baseline = Baseline(bench)
        try:
            run("click on a sound cell -> its sound",
                lambda: bench.clicks(bench.tone_grid(2, 2, tone_seconds=0.3), media.TONES[:4],
                                     presses=n, between=baseline.press), TARGET_SOUND_MS)
            results.insert(0, ("plain libmpv: load and play (baseline)", baseline.times, None,
                               False))
            print(summary(*results[0][:2]), flush=True)
            if not quick:
                measure_the_rest(bench, run, n)
        finally:
            baseline.close()

        notes = ["audio output: " + ", ".join(sorted(bench.outputs))]
        if server == "pulseaudio":
            # The recording's clock against the reference tone, now as at the start.
            recording = desktop.recording
            before = recording.time_of(0)
            recording.calibrate(desktop.pulse_server)
            notes.append("calibration moved %.1f ms over the run" %
                         (1000 * (recording.time_of(0) - before)))
    return results, notes


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--presses", type=int, default=12)
    parser.add_argument("--quick", action="store_true",
                        help="only the baseline and the clicks on sound cells")
    parser.add_argument("--rewinds", action="store_true",
                        help="PulseAudio's recorded sink rewinds, as the suite's does")
    parser.add_argument("--server", action="append", choices=sorted(SOUND_SERVERS),
                        help="the sound server to measure on (again for both; default: both)")
    args = parser.parse_args()
    n = max(10, args.presses)
    servers = args.server or ["pulseaudio", "pipewire"]
    figures = []
    for server in servers:
        print("-- %s" % server, flush=True)
        figures.append((server,) + measure(server, n, args.quick, args.rewinds))

    for server, results, notes in figures:
        base = statistics.median([t for t in results[0][1] if t is not None] or [0])
        print("\n%s: median, min-max, ratio to the baseline; sound at the null sink, recorded" %
              server)
        for name, times, target, baseline in results:
            print(summary(name, times, base if baseline and name != results[0][0] else None,
                          target))
            print("    each: " + " ".join("-" if t is None else "%.0f" % t for t in times))
        # The clicks alternate with the baseline's presses, each pair meeting the sink at much
        # the same point of its cycle: their differences are steadier than either median.
        pairs = [c - b for c, b in zip(results[1][1], results[0][1])
                 if c is not None and b is not None]
        if pairs:
            print("click on a sound cell, added to the baseline's press before it: "
                  "median %.1f ms (%.0f to %.0f)" % (statistics.median(pairs), min(pairs),
                                                     max(pairs)))
        for note in notes:
            print(note)


if __name__ == "__main__":
    main()
