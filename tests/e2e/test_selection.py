"""Choosing cells: sound at once and heard, Esc, Pause, overlay cells, Exit with Cancel, and
pictures that cannot be read."""

import os
import unittest

from harness import media
from harness.desktop import wait_until
from harness.player import PlayerCase, on_pipewire

# What the tests allow between a press and its sound at the sound server, and between Esc and
# silence. The program is measured against far tighter figures by bench/bench_latency.py; these
# only have to tell a prompt start from a late one (seconds) on a busy machine.
SOUND_WITHIN = 0.5
SILENCE_WITHIN = 0.3


class SelectionTest(PlayerCase):

    def click_cell(self, cell):
        x, y, w, h = self.grid().cell_rect(cell)
        return self.desktop.click(x + w // 2, y + h // 2)

    def test_a_click_plays_the_cell_at_once_on_its_enlarged_cell_and_the_grid_comes_back(self):
        self.start(self.tone_grid(2, 2, tone_seconds=0.6), self.settings("Mouse"))
        recording = self.desktop.recording
        for n, cell in enumerate((2, 3, 2)):
            since = self.recording_mark()
            pressed = self.click_cell(cell)
            self.assertTrue(self.wait_grid(lambda g: g.enlarged() == cell),
                            "cell %d was not shown over the grid" % cell)
            sound, = self.wait_tones(since, [media.TONES[cell - 1]])
            self.assertGreater(sound.duration, 0.5, sound)
            # The first sound after the start may wait for the sound server to settle on the
            # program's new stream; every later one starts at once.
            if n > 0:
                self.assertLess(recording.time_of(sound.start) - pressed, SOUND_WITHIN, sound)
            self.assertTrue(self.wait_grid(lambda g: len(g.picture_areas()) == 4),
                            "the grid did not come back")

    def test_escape_silences_the_sound_at_once(self):
        self.start(self.tone_grid(2, 2, tone_seconds=4.0), self.settings("Mouse"))
        recording = self.desktop.recording
        for _ in range(2):
            since = self.recording_mark()
            self.click_cell(1)
            playing, = self.wait_tones(since, [media.TONES[0]], settle=0)
            pressed = self.desktop.key("Escape")
            sound = self.wait_cut(playing, since)
            self.assertLess(recording.time_of(sound.end) - pressed, SILENCE_WITHIN, sound)
            self.assertLess(sound.duration, 3.5, sound)
            self.assertTrue(self.wait_grid(lambda g: len(g.picture_areas()) == 4))

    def test_exit_then_cancel_leaves_the_grid_as_it_was_and_scanning_goes_on(self):
        overlay = self.tone_grid(2, 2, types={4: media.Cell("Exit", "Avsluta")})
        self.start(overlay, self.settings("One-switch scan", scan_delay=2000, sound=False))
        self.assertTrue(self.wait_marked([1]))
        self.desktop.key("KP_Add")  # a slower scan: the user settings now have a change
        self.assertTrue(self.wait_marked([4]))
        self.desktop.key("Return")
        question = wait_until(lambda: [w for w in self.player.windows()
                                       if self.desktop.window_name(w) == "Spara ändringar"])
        self.assertTrue(question, "no save question")
        self.desktop.key("Escape")  # Cancel
        self.assertTrue(wait_until(lambda: len(self.player.windows()) == 1))
        self.assertTrue(self.player.running())
        grid = self.wait_grid(lambda g: len(g.picture_areas()) == 4 and g.marked() == [4])
        self.assertIsNotNone(grid, "the grid was not left as it was")
        self.assertTrue(self.wait_marked([1]), "scanning did not go on")

    def test_pause_holds_the_sound_with_a_sign_and_does_nothing_when_nothing_plays(self):
        cue = media.write_cd_image(self.folder, "skiva", [(media.TONES[9], 3.0)])
        first = self.path("Overlays", "Forsta.cdu")
        second = self.tone_grid(2, 2, name="Andra", first=5, tone_seconds=3.0, types={
            1: media.Cell("ArbitraryCD", "1"), 3: media.Cell("OverlayFile", first)})
        self.tone_grid(2, 2, name="Forsta", types={1: media.Cell("OverlayFile", second)})
        self.start(first, self.settings("Mouse"), {"TONLYRA_CD_DRIVES": cue})

        # An overlay cell plays nothing: Pause then has nothing to hold, and keys and clicks
        # go on working (the CD track the new grid probes is not started by it either).
        self.click_cell(1)
        self.showing(second)
        self.assertTrue(self.wait_grid(lambda g: len(g.picture_areas()) == 4),
                        "the overlay cell did not open its overlay")
        since = self.recording_mark()
        self.desktop.key("Pause")
        self.desktop.key("Pause")
        self.click_cell(4)
        heard = self.wait_tones(since, [media.TONES[7]])
        self.assertNotIn(media.TONES[9], [s.tone() for s in self.heard(since)
                                          if s.start < heard[0].start])

        # Pause holds a playing sound and says so on the grid; Pause again goes on with it.
        self.assertTrue(self.desktop.recording.wait_quiet(0.3))
        since = self.recording_mark()
        self.click_cell(2)
        self.assertTrue(self.desktop.recording.wait_for(
            lambda sounds: any(s.tone() == media.TONES[5] for s in sounds), since))
        self.desktop.key("Pause")
        sign = self.wait_grid(lambda g: g.extent and self.pause_sign(g) > 1000)
        self.assertIsNotNone(sign, "no sign of the pause on the grid")
        self.assertTrue(self.desktop.recording.wait_quiet(0.5), "the sound went on")
        self.desktop.key("Pause")
        self.wait_tones(since, [media.TONES[5], media.TONES[5]])
        self.assertTrue(self.wait_grid(lambda g: self.pause_sign(g) == 0))

        # Back to the first overlay through the second's overlay cell.
        self.assertTrue(self.desktop.recording.wait_quiet(0.3))
        self.click_cell(3)
        self.showing(first)
        self.assertTrue(self.wait_grid(lambda g: len(g.picture_areas()) == 4),
                        "the overlay cell did not lead back")

    def test_a_video_covers_the_screen_with_its_sound_and_a_click_stops_it(self):
        colour = (30, 200, 200)
        video = media.write_video(self.path("film.avi"), colour, media.TONES[7], 4)
        overlay = self.tone_grid(2, 2, types={2: media.Cell("VideoFile", video)})
        self.start(overlay, self.settings("Mouse"))
        recording = self.desktop.recording

        def covered():
            # The video's colour (within what its compression leaves of it) from the top of
            # the screen to the bottom (a 4:3 picture leaves bars at the sides).
            shot = self.desktop.screenshot()
            return all(max(abs(a - b) for a, b in zip(shot.pixel(640, y), colour)) < 16
                       for y in (5, 400, 795))

        for n in range(2):
            since = self.recording_mark()
            pressed = self.click_cell(2)
            self.assertTrue(wait_until(covered), "the video did not cover the screen")
            sound, = self.wait_tones(since, [media.TONES[7]], settle=0)
            if n > 0:  # the first sound after the start may wait for the sound server
                self.assertLess(recording.time_of(sound.start) - pressed, SOUND_WITHIN, sound)
            # A click on the video stops it: silence at once, and the grid back.
            stopped = self.desktop.click(640, 400)
            sound = self.wait_cut(sound, since)
            self.assertLess(recording.time_of(sound.end) - stopped, SILENCE_WITHIN, sound)
            self.assertTrue(self.wait_grid(lambda g: len(g.picture_areas()) == 4),
                            "the grid did not come back")

    @staticmethod
    def pause_sign(grid):
        """Pixels of the window's own background inside the grid: the pause sign."""
        return grid.shot.count((239, 239, 239), grid.extent)

    def test_pictures_that_cannot_be_read_show_a_sign_and_no_box(self):
        overlay = self.tone_grid(2, 2)
        cells = {}
        with open(self.path("bild2.png"), "rb") as f:
            whole = f.read()
        broken = {1: b"\x89PNG\r\n\x1a\n" + b"x" * 400,  # not a picture
                  2: b"x" * 40,                          # too short to be read at all
                  3: whole[:len(whole) // 2]}             # cut off
        for cell, data in broken.items():
            with open(self.path("bild%d.png" % cell), "wb") as f:
                f.write(data)
        self.start(overlay, self.settings("Mouse"))
        # Pictures fill in after the grid shows, in whatever order they are decoded.
        signed = lambda g, cell: g.shot.count(media.MISSING_PICTURE_COLOUR, g.cell_rect(cell))
        grid = self.wait_grid(lambda g: 4 in g.picture_areas() and
                              signed(g, 1) > 100 and signed(g, 3) > 100)
        self.assertIsNotNone(grid)
        self.assertEqual(self.player.windows(), [self.player.window], "a box was shown")
        # A sign in place of the unreadable pictures; the reasons in the log.
        for cell, sign in ((1, True), (2, False), (3, True), (4, False)):
            signs = signed(grid, cell)
            self.assertEqual(signs > 100, sign, "cell %d: %d" % (cell, signs))
        log = self.player.log()
        self.assertIn("Cell 1: picture", log)
        self.assertIn("Cell 3: picture", log)
        self.assertNotIn("Cell 2: picture", log)


SelectionOnPipeWireTest = on_pipewire(
    SelectionTest,
    "test_a_click_plays_the_cell_at_once_on_its_enlarged_cell_and_the_grid_comes_back",
    "test_escape_silences_the_sound_at_once")


if __name__ == "__main__":
    unittest.main()
