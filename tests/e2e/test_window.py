"""The player window on the screen: the grid fills it, Ctrl+M, the loading panel, Esc closes
the help window, a kiosk session without a window manager."""

import os
import unittest

from harness import media
from harness.desktop import wait_until
from harness.player import PlayerCase

SCAN_MS = 1200
# The grid's panels take a few pixels at each edge (bevel and border) and the cells' integer
# division leaves less than a cell's width in pixels at the right and the bottom.
EDGE = 16


class WindowCase(PlayerCase):

    def assert_grid_fills(self, grid):
        x, y, w, h = grid.client
        self.assertIsNotNone(grid.extent, "no grid on screen")
        gx, gy, gw, gh = grid.extent
        self.assertLessEqual(gx - x, EDGE, (grid.client, grid.extent))
        self.assertLessEqual(x + w - (gx + gw), EDGE + self.cols, (grid.client, grid.extent))
        self.assertLessEqual(y + h - (gy + gh), EDGE + self.rows, (grid.client, grid.extent))
        # Above the grid there is at most the menu bar.
        self.assertLessEqual(gy - y, EDGE + 40, (grid.client, grid.extent))
        # Every cell is whole, none cut off: all pictures of the same size.
        areas = grid.picture_areas()
        self.assertEqual(sorted(areas), list(range(1, self.rows * self.cols + 1)), areas)
        self.assertLess(max(areas.values()) - min(areas.values()), 0.05 * max(areas.values()),
                        areas)

    def screen_area(self):
        return (0, 0, self.desktop.width, self.desktop.height)


class WindowTest(WindowCase):

    def test_the_first_grid_fills_the_maximised_window(self):
        self.start(self.tone_grid(2, 3), self.settings("Mouse"))
        grid = self.wait_grid(lambda g: g.client[2] > 1200 and g.client[3] > 700)
        self.assertIsNotNone(grid, "the window was not maximised")
        self.assert_grid_fills(self.wait_grid(lambda g: g.extent[2] > 1000) or self.grid())

    def test_ctrl_m_hides_and_shows_the_title_bar_the_grid_follows_and_scanning_goes_on(self):
        self.start(self.tone_grid(2, 2), self.settings("One-switch scan", scan_delay=SCAN_MS,
                                                       sound=False))
        self.assertTrue(self.wait_marked([1]))
        self.desktop.key("Control_L", "m")
        # No title bar and no menus: the window and its grid take the whole screen.
        grid = self.wait_grid(lambda g: g.client == self.screen_area())
        self.assertIsNotNone(grid, "the window did not take the screen: %s" % (self.grid().client,))
        self.assertTrue(self.wait_grid(lambda g: g.extent and g.extent[1] <= EDGE))
        self.assert_grid_fills(self.grid())
        for cell in (2, 3):
            self.assertTrue(self.wait_marked([cell]), "scanning stopped after Ctrl+M")

        self.desktop.key("Control_L", "m")
        grid = self.wait_grid(lambda g: g.client != self.screen_area() and g.client[2] > 1200)
        self.assertIsNotNone(grid, "the title bar did not come back")
        self.assertTrue(self.wait_grid(lambda g: g.extent and g.extent[1] > g.client[1] + EDGE))
        self.assert_grid_fills(self.grid())
        for cell in (4, 1):
            self.assertTrue(self.wait_marked([cell]), "scanning stopped after Ctrl+M")

    def test_the_loading_panel_is_centred_on_the_window(self):
        # Many cells keep the panel on screen while they are made (pictures no longer do: they
        # are read after the grid shows).
        sound = media.write_tone(self.path("ton.wav"), media.TONES[0], 0.2)
        cells = {k: media.Cell("SoundFile", sound) for k in range(1, 60 * 60 + 1)}
        overlay = media.write_overlay(self.path("Overlays", "Stor.cdu"), 60, 60, cells)
        self.start(overlay, self.settings("Mouse", texts=False), wait_grid=False)

        def panel_seen():
            shot = self.desktop.screenshot()
            self.shots = (self.shots + [shot])[-6:]
            client = self.player.client()
            x, y, w, h = client
            inner = (x + 20, y + 40, w - 40, h - 60)
            # The panel's text is the only black while the grid is hidden (a window not yet
            # painted is black all over).
            dark = shot.bbox([(0, 0, 0)], inner)
            return (client, dark) if dark and 100 < dark[2] < 0.8 * w and dark[3] < 60 else None

        seen = wait_until(panel_seen, 20, interval=0.02)
        self.assertIsNotNone(seen, "the loading panel was never seen")
        (x, y, w, h), (px, py, pw, ph) = seen
        self.assertLessEqual(abs((px + pw / 2) - (x + w / 2)), 12, seen)
        self.assertLessEqual(abs((py + ph / 2) - (y + h / 2)), 30, seen)

    def test_esc_closes_the_help_window_and_scanning_goes_on(self):
        self.start(self.tone_grid(2, 2), self.settings("One-switch scan", scan_delay=SCAN_MS,
                                                       sound=False))
        self.assertTrue(self.wait_marked([1]))
        self.desktop.key("Alt_L", "h")
        self.desktop.key("Return")  # "Innehåll", the first item

        def help_windows():
            return [w for w in self.player.windows() if w != self.player.window]

        self.assertTrue(wait_until(help_windows, 10), "the help window did not open")
        self.desktop.key("Escape")
        self.assertTrue(wait_until(lambda: not help_windows(), 10),
                        "Esc did not close the help window")
        marked = self.wait_grid(lambda g: len(g.marked()) == 1).marked()[0]
        self.assertTrue(self.wait_marked([marked % 4 + 1]), "scanning stopped after the help")


class KioskTest(WindowCase):
    """A session with no window manager, as machines set up for one switch user often run."""

    window_manager = False

    def test_the_window_takes_the_screen_its_grid_fills_it_and_scanning_runs(self):
        self.start(self.tone_grid(2, 2), self.settings("One-switch scan", scan_delay=SCAN_MS,
                                                       sound=False))
        self.assertEqual(self.player.client()[2:], (self.desktop.width, self.desktop.height))
        self.assert_grid_fills(self.wait_grid(lambda g: g.extent[2] > 1000) or self.grid())
        for cell in (1, 2):
            self.assertTrue(self.wait_marked([cell]), "the frame never reached cell %d" % cell)


if __name__ == "__main__":
    unittest.main()
