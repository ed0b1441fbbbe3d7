"""Switch timings and spoken cells: presses too short or too soon do nothing, scanning stops
after its rounds and comes back on a press, and a cell without an introduction says its text."""

import os
import time
import unittest

from harness import media
from harness.player import PlayerCase


class TimingsTest(PlayerCase):

    def test_a_press_shorter_than_the_acceptance_time_does_nothing(self):
        self.start(self.tone_grid(2, 2), self.settings(
            "Two-switches scan", sound=False, timings={"Acceptance time": 300}))
        self.desktop.key("space", hold=0.05)
        self.sleep(1.0)  # nothing may happen
        self.assertEqual(self.grid().marked(), [], "a short press moved the frame")
        self.desktop.key("space", hold=0.6)
        self.assertTrue(self.wait_marked([1]), "a press held long enough did not count")

    def test_a_double_press_within_the_ignore_time_counts_once(self):
        self.start(self.tone_grid(2, 2), self.settings(
            "Two-switches scan", sound=False, timings={"Ignore repeat time": 600}))
        self.desktop.key("space")
        time.sleep(0.1)
        self.desktop.key("space")
        self.assertTrue(self.wait_marked([1]))
        self.sleep(1.0)
        self.assertEqual(self.grid().marked(), [1], "the second press of the pair counted")
        self.desktop.key("space")
        self.assertTrue(self.wait_marked([2]), "a press after the ignore time did not count")

    def test_scanning_stops_after_its_rounds_and_a_press_starts_it_again(self):
        self.start(self.tone_grid(1, 2), self.settings(
            "One-switch scan", scan_delay=1000, sound=False, timings={"Scan rounds": 2}))
        for cell in (1, 2, 1, 2):
            self.assertTrue(self.wait_marked([cell]), "the frame never reached cell %d" % cell)
        self.assertTrue(self.wait_marked([]), "the frame did not go after two rounds")
        self.sleep(2.5)  # no step comes any more
        self.assertEqual(self.grid().marked(), [])
        since = self.recording_mark()
        self.desktop.key("Return")
        self.assertTrue(self.wait_marked([1]), "Enter did not bring the frame back")
        self.assertTrue(self.wait_marked([2]), "scanning did not go on")
        # The press that brought it back chose nothing.
        self.assertEqual([s for s in self.heard(since) if s.tone() in media.TONES[:2]], [])

    def test_a_cell_without_an_introduction_speaks_its_text_once_made(self):
        cache = self.path("tal")
        self.start(self.tone_grid(1, 2), self.settings(
            "Two-switches scan", timings={"Speak cells": 1}), {"TONLYRA_SPEECH_CACHE": cache})
        recording = self.desktop.recording
        for step, cell in enumerate((1, 2, 1)):
            self.assertTrue(recording.wait_quiet(0.3))
            since = self.recording_mark()
            self.desktop.key("space")
            self.assertTrue(self.wait_marked([cell]))
            # Speech is words with short breaks: its stretches together.
            heard = recording.wait_for(
                lambda sounds: sounds and sounds[-1].end - sounds[0].start > 0.3, since,
                timeout=5, settle=0.3)
            # (The first sound of a run may go unheard while the sound server takes on the
            # program's new stream.)
            if step > 0:
                self.assertTrue(heard, "cell %d said nothing: %s" % (cell, self.heard(since)))
        # Each text made once, and kept.
        self.assertEqual(len(os.listdir(cache)), 2)


if __name__ == "__main__":
    unittest.main()
