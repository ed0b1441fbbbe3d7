"""The player as a native Wayland client under headless sway: the grid shows, scanning moves,
a switch chooses and the sound is heard, the second switch (Enter) chooses, a mouse click
chooses, a video covers the screen, the help window closes with Esc, and scanning goes on while
the seat has no keyboard."""

from harness import media
from harness.desktop import wait_until
from harness.wayland import WaylandCase

SCAN_MS = 800
HELP_TITLE = "Hjälp"


class WaylandTest(WaylandCase):

    def scanning_player(self):
        overlay = self.tone_grid(2, 2)
        self.start(overlay, self.settings("One-switch scan", scan_delay=SCAN_MS, sound=False))
        self.assertTrue(self.wait_marked([1]), "the frame never appeared")

    def assert_scanning_moves(self, message):
        # Two steps in a row, wherever the frame is now.
        for _ in range(2):
            now = self.wait_grid(lambda g: len(g.marked()) == 1)
            self.assertIsNotNone(now, message)
            cell = now.marked()[0]
            self.assertTrue(self.wait_marked([cell % 4 + 1], timeout=3 * SCAN_MS / 1000 + 5),
                            "%s: the frame stayed on cell %d" % (message, cell))

    def cell_heard(self, since):
        """The cell whose tone is heard first since; fails when none is."""
        def cells(sounds):
            return [media.TONES.index(s.tone()) + 1 for s in sounds
                    if s.tone() in media.TONES[:4]]
        sounds = self.desktop.recording.wait_for(cells, since, 15)
        self.assertTrue(sounds, "no cell heard after Enter: %s" % self.heard(since))
        return cells(sounds)[0]

    def test_the_grid_shows_scanning_moves_and_enter_plays_the_framed_cell(self):
        self.scanning_player()
        grid = self.grid()
        self.assertEqual(sorted(grid.picture_areas()), [1, 2, 3, 4], "cells missing on screen")
        self.assert_scanning_moves("scanning")
        marked = self.wait_grid(lambda g: len(g.marked()) == 1).marked()[0]
        since = self.recording_mark()
        self.desktop.key("Return")
        # The frame may have stepped on between the screenshot and the press.
        self.assertIn(self.cell_heard(since), (marked, marked % 4 + 1))

    def test_with_two_switches_space_steps_and_enter_plays_the_cell_shown(self):
        # This mode shows one cell at a time, the next at each press of switch 1.
        self.start(self.tone_grid(2, 2), self.settings("Two-switches", sound=False),
                   wait_grid=False)
        for cell in (1, 2):
            self.desktop.key("space")
            self.assertTrue(self.wait_grid(lambda g: g.enlarged() == cell),
                            "switch 1 did not show cell %d" % cell)
        since = self.recording_mark()
        self.desktop.key("Return")
        self.assertEqual(self.cell_heard(since), 2)

    def test_a_mouse_click_plays_the_cell(self):
        self.start(self.tone_grid(2, 2), self.settings("Mouse", sound=False))
        x, y, w, h = self.grid().cell_rect(3)
        since = self.recording_mark()
        self.desktop.click(x + w // 2, y + h // 2)
        self.assertTrue(self.wait_grid(lambda g: g.enlarged() == 3),
                        "cell 3 was not shown over the grid")
        self.assertEqual(self.cell_heard(since), 3)

    def test_a_video_covers_the_screen_with_its_sound(self):
        colour = (30, 200, 200)
        video = media.write_video(self.path("film.avi"), colour, media.TONES[1], 3)
        overlay = self.tone_grid(2, 2, types={2: media.Cell("VideoFile", video)})
        self.start(overlay, self.settings("Mouse", sound=False))
        x, y, w, h = self.grid().cell_rect(2)
        since = self.recording_mark()
        self.desktop.click(x + w // 2, y + h // 2)

        def covered():
            # The video's colour (within what its compression leaves of it) from the top of
            # the screen to the bottom.
            shot = self.desktop.screenshot()
            return all(max(abs(a - b) for a, b in zip(shot.pixel(640, row), colour)) < 16
                       for row in (5, 400, 795))
        self.assertTrue(wait_until(covered), "the video did not cover the screen")
        self.assertEqual(self.cell_heard(since), 2)

    def test_esc_closes_the_help_window(self):
        self.scanning_player()
        self.desktop.key("Alt_L", "h")
        self.desktop.key("Return")  # "Innehåll", the first item
        self.assertTrue(wait_until(lambda: self.desktop.windows(HELP_TITLE), 10),
                        "the help window did not open")
        self.desktop.key("Escape")
        self.assertTrue(wait_until(lambda: not self.desktop.windows(HELP_TITLE), 10),
                        "Esc did not close the help window")
        # The player has the keyboard again: its switch chooses.
        self.assert_scanning_moves("scanning after the help")

    def test_scanning_goes_on_while_the_seat_has_no_keyboard(self):
        self.scanning_player()
        try:
            self.desktop.unplug_keyboard()
            self.assert_scanning_moves("with the keyboard pulled out")
        finally:
            self.desktop.plug_keyboard()
        self.assert_scanning_moves("with the keyboard back")
        since = self.recording_mark()
        self.desktop.key("Return")
        self.cell_heard(since)
