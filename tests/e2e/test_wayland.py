"""The player as a native Wayland client under headless sway: the grid shows, scanning moves,
a switch chooses and the sound is heard, the help window closes with Esc, and scanning goes on
while the seat has no keyboard."""

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
