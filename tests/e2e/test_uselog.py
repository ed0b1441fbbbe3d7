"""The use log on the real desktop: a scanning session with presses writes its rows, and the
"Användning" window shows them."""

import csv
import os
import unittest

from harness.desktop import wait_until
from harness.player import PlayerCase

SCAN_MS = 1500
PAUSE_AFTER_CHOICE_MS = 4000
# The colour the window's plots draw their bars in.
BAR_COLOUR = (0x2E, 0x6D, 0xB4)


class UseLogTest(PlayerCase):

    def log_path(self):
        return os.path.join(self.folder, "data", "tonlyran", "logg", "Prov.csv")

    def log_rows(self):
        try:
            with open(self.log_path(), encoding="utf-8", newline="") as f:
                return list(csv.DictReader(f))
        except FileNotFoundError:
            return []

    def test_a_scanning_session_writes_its_rows_and_the_window_shows_them(self):
        overlay = self.tone_grid(2, 2, tone_seconds=0.5)
        settings = self.settings("One-switch scan", scan_delay=SCAN_MS, sound=False,
                                 timings={"Pause after choice": PAUSE_AFTER_CHOICE_MS,
                                          "Log use": 1})
        self.start(overlay, settings, env={"XDG_DATA_HOME": self.path("data")})
        self.assertTrue(self.wait_marked([2]), "the frame never reached cell 2")
        self.desktop.key("Return")  # chooses cell 2
        self.assertTrue(wait_until(lambda: len(self.log_rows()) == 1, 10),
                        "the choice was not written")
        self.desktop.key("Return")  # in the pause after the choice: does not count

        self.assertTrue(wait_until(lambda: len(self.log_rows()) >= 2, 10),
                        "the rows were not written: %r" % self.log_rows())
        with open(self.log_path(), encoding="utf-8") as f:
            self.assertEqual(f.readline().strip(), "tid,överlägg,ruta,text,händelse,hur,"
                             "styrsätt,hålltid_ms,orsak,reaktionstid_ms")
        chosen, ignored = self.log_rows()[:2]
        self.assertEqual((chosen["ruta"], chosen["händelse"], chosen["hur"], chosen["styrsätt"],
                          chosen["överlägg"]),
                         ("2", "val", "brytare 2", "One-switch scan", os.path.basename(overlay)),
                         chosen)
        self.assertGreaterEqual(int(chosen["hålltid_ms"]), 0)
        # From the frame drawn on cell 2 to the press: within the step.
        self.assertTrue(0 <= int(chosen["reaktionstid_ms"]) <= SCAN_MS, chosen)
        self.assertEqual((ignored["händelse"], ignored["orsak"], ignored["ruta"]),
                         ("ej räknad", "paus efter val", ""), ignored)

        # "Arkiv", "Användning...": the window draws the rows.
        self.desktop.key("Alt_L", "a")
        self.desktop.key("n")
        window = self.window_named("Användning")
        self.assertTrue(window, "the window did not open")
        self.assertTrue(wait_until(
            lambda: self.desktop.window_shot(window).count(BAR_COLOUR) > 50, 10),
            "the window shows no bars")
        self.assertEqual(len(self.player.windows()), 2, "a box came up")
        self.desktop.key("Escape")
        self.assertTrue(wait_until(lambda: window not in self.player.windows(), 10))


if __name__ == "__main__":
    unittest.main()
