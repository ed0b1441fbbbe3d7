"""The user settings window: a carer changes a setting with the keyboard alone, and the grid
the user sees follows as soon as the window is closed with the new settings."""

import unittest

from harness.desktop import wait_until
from harness.player import PlayerCase


class UserSettingsWindowTest(PlayerCase):

    def settings_window(self):
        """The user settings window, once it is on screen (its caption names the file)."""
        def found():
            for window in self.player.windows():
                if self.desktop.window_name(window).startswith("Brukarfiler"):
                    return window
            return None
        return wait_until(found, 10)

    def test_a_mode_chosen_with_the_keyboard_takes_effect_on_the_grid_at_once(self):
        overlay = self.tone_grid(2, 2)
        self.start(overlay, self.settings("Mouse", scan_delay=800, sound=False))
        self.assertEqual(self.grid().marked(), [], "a frame in mouse control")

        # "Arkiv", "Inställningar för brukare".
        self.desktop.key("Alt_L", "a")
        self.desktop.key("b")
        window = self.settings_window()
        self.assertTrue(window, "the settings window did not open: %s" %
                        [self.desktop.window_name(w) for w in self.player.windows()])
        self.assertTrue(wait_until(lambda: self.desktop.active_window() == window, 5))

        # "Styrsätt", and down the list of modes to one-switch sequential scanning.
        self.desktop.key("Alt_L", "s")
        for _ in range(7):
            self.desktop.key("Down")
        # "Arkiv", "Stäng och ladda inställningarna".
        self.desktop.key("Alt_L", "a")
        self.desktop.key("l")
        self.assertTrue(wait_until(lambda: window not in self.player.windows(), 5),
                        "the settings window stayed open")

        # The frame now runs over the grid by itself.
        for cell in (1, 2, 3):
            self.assertTrue(self.wait_marked([cell]), "the frame never reached cell %d" % cell)


if __name__ == "__main__":
    unittest.main()
