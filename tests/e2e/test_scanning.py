"""Stepping and scanning with switches: the frame on screen and the introductions heard."""

import unittest

from harness import media
from harness.desktop import wait_until
from harness.player import PlayerCase, on_pipewire

SCAN_MS = 1200


class ScanningTest(PlayerCase):

    def cd_grid(self):
        """A 2 x 2 overlay whose cell 3 is track 1 of a CD image in the drive; returns the
        overlay and the environment naming the image as the drive."""
        cue = media.write_cd_image(self.folder, "skiva", [(media.TONES[2], 2.0),
                                                         (media.TONES[5], 2.0)])
        overlay = self.tone_grid(2, 2, intros=True, types={3: media.Cell("ArbitraryCD", "1")})
        return overlay, {"TONLYRA_CD_DRIVES": cue}

    def assert_intro(self, sound, cell, seconds=0.4):
        self.assertEqual(sound.tone(), self.intro_tone(cell), sound)
        # Heard whole (a cut tail or a stop before the sound reached the sink is the fault).
        self.assertGreater(sound.duration, seconds - 0.1, sound)

    def test_sequential_scanning_frames_every_cell_in_turn_and_plays_each_intro(self):
        overlay = self.tone_grid(2, 2, intros=True)
        self.start(overlay, self.settings("One-switch scan", scan_delay=SCAN_MS))
        self.assertTrue(self.wait_marked([1]), "the frame never appeared")
        # From the second step on (the sound server may still be settling on the program's
        # new stream at the first).
        since = self.recording_mark()
        for cell in (2, 3, 4, 1):
            self.assertTrue(self.wait_marked([cell]), "the frame never reached cell %d" % cell)
        intros = self.wait_tones(since, [self.intro_tone(k) for k in (2, 3, 4, 1)])
        for cell, sound in zip((2, 3, 4, 1), intros):
            self.assert_intro(sound, cell)

    def test_sequential_scanning_runs_on_an_overlay_with_a_cd_track(self):
        overlay, env = self.cd_grid()
        self.start(overlay, self.settings("One-switch scan", scan_delay=SCAN_MS), env)
        for cell in (1, 2, 3, 4, 1):
            self.assertTrue(self.wait_marked([cell]), "the frame never reached cell %d" % cell)

    def test_with_no_disc_the_message_comes_once_and_scanning_goes_on_over_every_cell(self):
        overlay = self.tone_grid(2, 2, types={3: media.Cell("ArbitraryCD", "1")})
        self.start(overlay, self.settings("One-switch scan", scan_delay=SCAN_MS, sound=False),
                   {"TONLYRA_CD_DRIVES": ""}, wait_grid=False)
        box = wait_until(lambda: [w for w in self.player.windows()
                                  if self.desktop.window_name(w) == "Ingen CD-skiva"])
        self.assertTrue(box, "the rebuild did not say that there is no disc")
        self.desktop.key("Return")  # the switch closes it
        self.assertTrue(wait_until(lambda: len(self.player.windows()) == 1))
        for cell in (1, 2, 3, 4, 1):
            self.assertTrue(self.wait_marked([cell]), "the frame never reached cell %d" % cell)
            self.assertEqual(len(self.player.windows()), 1, "a message box came back")

    def test_row_column_scanning_moves_along_the_chosen_row_of_an_overlay_with_a_cd_track(self):
        overlay, env = self.cd_grid()
        self.start(overlay, self.settings("One-switch scan X-Y", scan_delay=SCAN_MS, sound=False),
                   env)
        self.assertTrue(self.wait_marked([3, 4]), "row 2 was never framed")
        self.assertTrue(self.wait_marked([1, 2]))
        self.desktop.key("Return")
        self.assertTrue(self.wait_marked([1]), "Enter did not frame the row's first cell")
        self.assertTrue(self.wait_marked([2]), "the frame stayed on the row's first cell")

    def test_row_column_scanning_plays_intros_chooses_a_cell_and_starts_again_at_the_top(self):
        overlay = self.tone_grid(2, 2, intros=True, tone_seconds=0.8)
        self.start(overlay, self.settings("One-switch scan X-Y", scan_delay=SCAN_MS))
        self.assertTrue(self.wait_marked([3, 4]))
        self.assertTrue(self.wait_marked([1, 2]))
        since = self.recording_mark()
        self.desktop.key("Return")  # row 1: its first cell is framed and introduced
        self.assertTrue(self.wait_marked([1]))
        self.assertTrue(self.wait_marked([2]))
        self.desktop.key("Return")  # cell 2 is chosen (its intro ends) and played
        heard = self.wait_tones(since, [self.intro_tone(1), self.intro_tone(2),
                                        media.TONES[1]])
        self.assert_intro(heard[0], 1)
        self.assertGreater(heard[2].duration, 0.7, self.heard(since))
        # After the end of play the scanning starts again from the first row.
        self.assertTrue(self.wait_marked([1, 2]))
        self.assertTrue(self.wait_marked([3, 4]))

    def test_two_switch_stepping_shows_and_introduces_each_cell_and_enter_plays_it(self):
        overlay = self.tone_grid(2, 2, intros=True, tone_seconds=0.6)
        self.start(overlay, self.settings("Two-switches"), wait_grid=False)
        since = self.recording_mark()
        self.desktop.key("space")
        self.assertTrue(self.wait_grid(lambda g: g.enlarged() == 1), "cell 1 was not shown")
        self.wait_tones(since, [self.intro_tone(1)])
        self.desktop.key("space")
        self.assertTrue(self.wait_grid(lambda g: g.enlarged() == 2), "cell 2 was not shown")
        self.wait_tones(since, [self.intro_tone(1), self.intro_tone(2)], settle=0.2)
        since = self.recording_mark()
        self.desktop.key("Return")
        self.wait_tones(since, [media.TONES[1]])


ScanningOnPipeWireTest = on_pipewire(
    ScanningTest,
    "test_sequential_scanning_frames_every_cell_in_turn_and_plays_each_intro",
    "test_row_column_scanning_plays_intros_chooses_a_cell_and_starts_again_at_the_top")


if __name__ == "__main__":
    unittest.main()
