"""Switches other than the space bar and Enter: keys and a mouse button chosen in the user
settings file move and choose, one learnt in the settings window with the keyboard alone, and
the bar that shows the scanning step's time left."""

import unittest

from harness import media
from harness.desktop import wait_until
from harness.player import PlayerCase


class SwitchesTest(PlayerCase):

    def test_f5_and_the_right_button_step_1_chooses_and_space_does_nothing(self):
        overlay = self.tone_grid(2, 2)
        self.start(overlay, self.settings(
            "Two-switches scan", sound=False,
            timings={"Switch 1": "key:F5;mouse:right", "Switch 2": "key:1"}))
        self.desktop.key("F5")
        self.assertTrue(self.wait_marked([1]), "F5 did not step")
        # The right button anywhere over the grid: here on cell 4.
        x, y, w, h = self.grid().cell_rect(4)
        self.desktop.click(x + w // 2, y + h // 2, button=3)
        self.assertTrue(self.wait_marked([2]), "the right button did not step")

        # The space bar and Enter are no switches here.
        since = self.recording_mark()
        self.desktop.key("space")
        self.desktop.key("Return")
        self.sleep(0.8)
        self.assertEqual(self.grid().marked(), [2], "the space bar stepped")
        self.assertEqual(self.heard(since), [], "Enter chose")

        self.desktop.key("1")
        self.wait_tones(since, [media.TONES[1]])

    def test_a_switch_learnt_in_the_settings_window_with_the_keyboard_alone(self):
        overlay = self.tone_grid(2, 2)
        self.start(overlay, self.settings("Two-switches scan", sound=False))
        self.desktop.key("space")
        self.assertTrue(self.wait_marked([1]))

        # "Arkiv", "Inställningar för brukare"; "Visa", "Fler inställningsmöjligheter".
        self.desktop.key("Alt_L", "a")
        self.desktop.key("b")
        window = wait_until(lambda: next(
            (w for w in self.player.windows()
             if self.desktop.window_name(w).startswith("Brukarfiler")), None), 10)
        self.assertTrue(window, "the settings window did not open")
        self.assertTrue(wait_until(lambda: self.desktop.active_window() == window, 5))
        self.desktop.key("Alt_L", "v")
        self.desktop.key("f")
        # "Brytare 1", to its "Lägg till...", pressed by the space bar; then the switch.
        self.sleep(0.3)
        self.desktop.key("Alt_L", "1")
        self.desktop.key("Tab")
        self.desktop.key("space")
        self.sleep(0.3)
        self.desktop.key("F7")
        self.sleep(0.3)
        # "Arkiv", "Stäng och ladda inställningarna".
        self.desktop.key("Alt_L", "a")
        self.desktop.key("l")
        self.assertTrue(wait_until(lambda: window not in self.player.windows(), 5),
                        "the settings window stayed open")

        # The grid is built anew with the settings: the learnt F7 steps from its start, and
        # the space bar still does.
        self.desktop.key("F7")
        self.assertTrue(self.wait_marked([1]), "the learnt F7 did not step")
        self.desktop.key("space")
        self.assertTrue(self.wait_marked([2]), "the space bar no longer steps")

    def test_the_scan_progress_bar_shrinks_along_the_frames_lower_edge(self):
        overlay = self.tone_grid(2, 2)
        self.start(overlay, self.settings("One-switch scan", scan_delay=4000, sound=False,
                                          timings={"Show scan progress": 1}))
        self.assertTrue(self.wait_marked([2], timeout=15), "the frame did not reach cell 2")

        def bar_length():
            """The longest run of scan colour across the lower part of cell 2, inside the ring
            (rows of the ring itself, all scan colour, are left out)."""
            g = self.grid()
            x, y, w, h = g.cell_rect(2)
            inner = (x + 14, w - 28)
            lengths = [g.shot.count(media.SCAN_COLOUR, (inner[0], row, inner[1], 1))
                       for row in range(y + h // 2, y + h)]
            partial = [n for n in lengths if 0 < n < inner[1] * 0.97]
            return max(partial, default=0), inner[1]

        # A bar within a few per cent of the whole width looks like a row of the ring: the
        # first look waits until the bar is clearly shorter than that (a tenth of a second into
        # the step of four).
        width = bar_length()[1]
        first = wait_until(lambda: bar_length()[0], 2.0) or 0
        self.sleep(1.5)
        second, _ = bar_length()
        self.assertGreater(first, width * 0.3, "no bar at the step's start")
        self.assertLess(second, first - width * 0.2, "the bar did not shrink")
        self.assertGreater(second, 0)


if __name__ == "__main__":
    unittest.main()
