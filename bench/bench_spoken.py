#!/usr/bin/env python3
"""Spoken cells: from the scanning frame moving to a cell to its text heard at the sound server,
the first time (the text is synthesized then) and once it is kept on disk.

Measured as bench_latency.py measures the introductions of a scan (the same private desktop,
the frame's pixel watched on screen, the recording calibrated by a reference tone): a 2 x 5
overlay whose cells have no introduction sound, one-switch scanning with "Speak cells", and a
speech folder of its own for each run of the program. The first pass of the frame over the
cells finds every text new; the second finds them all made. Recorded introduction sounds in the
same run are the baseline.

    python3 bench/bench_spoken.py [--runs N]      (TONLYRA_BIN: default build/bin/tonlyra)
"""

import argparse
import os
import statistics
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

from bench_latency import Bench, summary  # noqa: E402
from harness import media  # noqa: E402
from harness.desktop import Desktop  # noqa: E402

TARGET_FIRST_MS = 300
TARGET_CACHED_MS = 150
SCAN_MS = 1500
ROWS, COLS = 2, 5


def spoken_passes(bench, run):
    """One run of the program over a fresh speech folder: the milliseconds from each move of
    the frame to the first sound after it, for the first pass (texts made then) and the second
    (texts kept)."""
    cells = ROWS * COLS
    overlay = bench.tone_grid(ROWS, COLS, name="Tal%d" % run)
    bench.start(overlay, bench.settings("One-switch scan", scan_delay=SCAN_MS,
                                        timings={"Speak cells": 1}),
                {"TONLYRA_SPEECH_CACHE": bench.path("tal%d" % run)})
    grid = bench.grid()
    moves = []
    for step in range(2 * cells):
        cell = step % cells + 1
        moves.append(bench.desktop.wait_pixel(*bench.ring_point(grid, cell), media.SCAN_COLOUR))
    recording = bench.desktop.recording
    recording.wait_quiet(0.5)
    times = []
    for moved in moves:
        if moved is None:
            times.append(None)
            continue
        first = recording.index_at(moved - 0.05)
        after = [s for s in recording.sounds(first)
                 if recording.time_of(s.start) > moved - 0.02]
        onset = recording.time_of(after[0].start) if after else None
        times.append(1000 * (onset - moved) if onset and onset - moved < SCAN_MS / 1000 else None)
    bench.player.stop()
    # The first step comes while the sound server settles on the program's new stream.
    return times[1:cells], times[cells:]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--runs", type=int, default=2)
    args = parser.parse_args()
    with Desktop() as desktop:
        Bench.desktop = desktop
        bench = Bench()
        first, cached = [], []
        for run in range(max(1, args.runs)):
            bench.setUp()
            made, kept = spoken_passes(bench, run)
            first += made
            cached += kept
            print(summary("run %d: frame -> spoken text, first time" % (run + 1), made),
                  flush=True)
            print(summary("run %d: frame -> spoken text, kept" % (run + 1), kept), flush=True)
        bench.setUp()
        intros = bench.intros(len(cached))
        if bench.player:
            bench.player.stop()

    heard = [t for t in intros if t is not None]
    baseline = statistics.median(heard) if heard else None
    print("\nmedian, min-max, ratio to the recorded introductions; sound at the null sink")
    print(summary("scan step: frame -> recorded intro (baseline)", intros))
    print(summary("scan step: frame -> spoken text, first time", first, baseline,
                  TARGET_FIRST_MS))
    print(summary("scan step: frame -> spoken text, kept on disk", cached, baseline,
                  TARGET_CACHED_MS))


if __name__ == "__main__":
    main()
