"""Winning the focus back: another program's window (a popup that activates itself) takes the
focus from a switch user's player. Once nobody works in that window with the mouse or the
keyboard, the switch user's own presses aside, the player takes the focus back and the
scanning goes on; a carer working in the other window keeps it; the program's own dialogs are
never taken from."""

import os
import subprocess
import sys
import time
import unittest

from harness import media
from harness.desktop import wait_until
from harness.player import PlayerCase

SCAN_MS = 1000
STAND_IN = os.path.join(os.path.dirname(os.path.abspath(__file__)), "harness",
                        "standin_window.py")
# Longer than the program waits (3 s) before it takes the focus back, with room for a busy
# machine.
IDLE_LONGER = 5.0


class FocusTest(PlayerCase):

    def setUp(self):
        super().setUp()
        self.popups = []

    def tearDown(self):
        for popup in self.popups:
            popup.terminate()
            popup.wait(5)
        super().tearDown()

    def popup(self):
        """Another program's window that makes itself the active one; returns its window id once
        it is."""
        process = subprocess.Popen([sys.executable, STAND_IN, "Uppdatering", "--activate"],
                                   env=self.desktop.env)
        self.popups.append(process)
        window = wait_until(lambda: (self.desktop.windows("^Uppdatering$", pid=process.pid)
                                     or [None])[0])
        self.assertTrue(window, "the popup did not appear")
        self.assertTrue(wait_until(lambda: self.desktop.active_window() == window, 10),
                        "the popup did not take the focus")
        return window

    def start_active(self, mode):
        overlay = self.tone_grid(2, 2, tone_seconds=0.8)
        self.start(overlay, self.settings(mode, scan_delay=SCAN_MS, sound=False))
        self.assertTrue(wait_until(lambda: self.desktop.active_window() == self.player.window,
                                   10), "the player was not active at the start")

    def assert_keeps_focus(self, window, seconds, activity=None):
        """Checks for this long that window stays active, calling activity() about every half
        second."""
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            if activity:
                activity()
            active = self.desktop.active_window()
            self.assertEqual(active, window, "the focus went to %s" %
                             (self.desktop.window_name(active) if active else None))
            time.sleep(0.5)

    def test_an_idle_popup_gives_the_focus_back_and_the_scanning_goes_on(self):
        self.start_active("One-switch scan")
        self.assertTrue(self.wait_marked([1]), "the frame never appeared")
        self.popup()
        lost = time.monotonic()
        # The user presses the switch (space, switch 1, which this mode does not use) again and
        # again: those presses reach the popup, and must not count as someone working there.
        back = None
        while time.monotonic() - lost < 20:
            if self.desktop.active_window() == self.player.window:
                back = time.monotonic()
                break
            self.desktop.key("space")
            time.sleep(0.5)
        self.assertIsNotNone(back, "the player never took the focus back")
        self.assertGreater(back - lost, 1.5, "the focus was taken back at once")

        # The frame moves again, and the switch chooses the cell it has just reached (or, on a
        # machine slow to take the screenshot, the next one).
        marked = self.grid().marked()
        moved = self.wait_grid(lambda g: len(g.marked()) == 1 and g.marked() != marked)
        self.assertTrue(moved, "the frame did not move on")
        cell = moved.marked()[0]
        since = self.recording_mark()
        self.desktop.key("Return")
        heard = wait_until(lambda: [s for s in self.heard(since) if s.duration > 0.5], 15)
        self.assertTrue(heard, "the switch chose nothing: %s" % self.heard(since))
        self.assertIn(heard[0].tone(), [media.TONES[cell - 1], media.TONES[cell % 4]])

    def test_a_carer_working_in_the_other_window_keeps_the_focus(self):
        self.start_active("One-switch scan")
        popup = self.popup()
        x, y, w, h = self.desktop.geometry(popup)
        step = [0]

        def move():
            step[0] += 1
            self.desktop.move(x + w // 2 + (step[0] % 2) * 20, y + h // 2)

        self.assert_keeps_focus(popup, IDLE_LONGER, move)
        self.assert_keeps_focus(popup, IDLE_LONGER, lambda: self.desktop.key("a"))
        # Once the carer stops, the player takes the focus back.
        self.assertTrue(wait_until(lambda: self.desktop.active_window() == self.player.window,
                                   15), "the player never took the focus back")

    def test_the_programs_own_dialog_is_never_taken_from(self):
        self.start_active("One-switch scan")
        # "Arkiv", down to "Inställningar för brukare".
        self.desktop.key("Alt_L", "a")
        for _ in range(3):
            self.desktop.key("Down")
        self.desktop.key("Return")
        window = wait_until(lambda: [w for w in self.player.windows()
                                     if self.desktop.window_name(w).startswith("Brukarfiler")])
        self.assertTrue(window, "the settings window did not open: %s" %
                        [self.desktop.window_name(w) for w in self.player.windows()])
        self.assertTrue(wait_until(lambda: self.desktop.active_window() == window[0], 5))
        self.assert_keeps_focus(window[0], IDLE_LONGER)
        # A popup takes the focus from the dialog: the player is not put over its own dialog.
        popup = self.popup()
        self.assert_keeps_focus(popup, IDLE_LONGER)

    def test_in_the_mouse_and_arrow_modes_the_popup_keeps_the_focus(self):
        for mode in ("Mouse", "Arrow-keys"):
            with self.subTest(mode=mode):
                self.start_active(mode)
                popup = self.popup()
                self.assert_keeps_focus(popup, IDLE_LONGER)
                self.player.stop()
                for process in self.popups:
                    process.terminate()
                    process.wait(5)
                self.popups = []


if __name__ == "__main__":
    unittest.main()
