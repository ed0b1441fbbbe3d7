"""Cell pictures: the grid shows at once with its texts, the pictures fill in while the user
goes on scanning and choosing, and the second time they come from the thumbnail cache."""

import os
import time

from harness import media
from harness.player import PlayerCase

ROWS = COLS = 6
PICTURE = (40, 60, 200)
TEXT = (0, 0, 0)  # the settings' font colour


def write_large_pngs(paths, side, rgb):
    """PNGs of side x side pixels in one colour: small files that take long to decode (PNG has
    no reduced-size decoding). A palette keeps them below the decoder's memory limit."""
    png = media.encode_png(side, side, (b"\x00" + b"\x00" * side) * side, palette=[rgb],
                           level=9)
    for path in paths:
        with open(path, "wb") as f:
            f.write(png)


class PictureFillTest(PlayerCase):

    def photo_grid(self):
        """A 6 x 6 overlay of large pictures (each its own file), cell 1 a sound."""
        paths = [self.path("stor%d.png" % k) for k in range(1, ROWS * COLS + 1)]
        write_large_pngs(paths, 4500, PICTURE)
        cells = {k: media.Cell("", "ingenting", paths[k - 1], "Ruta %d" % k)
                 for k in range(1, ROWS * COLS + 1)}
        tone = media.write_tone(self.path("ton1.wav"), media.TONES[0], 0.6)
        cells[1] = media.Cell("SoundFile", tone, paths[0], "Ruta 1")
        overlay = media.write_overlay(self.path("Overlays", "Bilder.cdu"), ROWS, COLS, cells)
        self.layouts[overlay] = (ROWS, COLS, [PICTURE] * (ROWS * COLS))
        self.showing(overlay)
        return overlay

    @staticmethod
    def shown(grid, colour, least):
        """The cells showing at least this many pixels of the colour (none while a screenshot
        catches no grid at all, as in the middle of a repaint)."""
        if not grid.extent:
            return []
        return [k for k in range(1, ROWS * COLS + 1)
                if grid.shot.count(colour, grid.cell_rect(k)) >= least]

    def test_the_texts_show_at_once_keys_act_while_the_pictures_fill_in_and_they_are_kept(self):
        overlay = self.photo_grid()
        settings = self.settings("Two-switches scan", spacing=4, font_size=10)
        self.start(overlay, settings, wait_grid=False)

        # The first grid on the screen has every text and not yet every picture.
        first = self.wait_grid(lambda g: g.extent is not None, timeout=20)
        self.assertIsNotNone(first, "the grid did not appear")
        self.assertEqual(self.shown(first, TEXT, 10), list(range(1, ROWS * COLS + 1)),
                         "not every text showed with the grid")
        self.assertLess(len(self.shown(first, PICTURE, 100)), ROWS * COLS,
                        "every picture was there at once: nothing was left to fill in")

        # A switch press moves the frame while pictures are still coming; the other chooses.
        self.desktop.key("space")
        marked = self.wait_marked([1])
        self.assertIsNotNone(marked, "the frame did not move")
        self.assertLess(len(self.shown(marked, PICTURE, 100)), ROWS * COLS,
                        "the pictures were all in before the key acted")
        since = self.recording_mark()
        self.desktop.key("Return")
        self.wait_tones(since, [media.TONES[0]])

        # Every picture fills in, with no box on the way.
        full = self.wait_grid(lambda g: len(self.shown(g, PICTURE, 100)) == ROWS * COLS,
                              timeout=60)
        self.assertIsNotNone(full, "not every picture came")
        self.assertEqual(self.player.windows(), [self.player.window], "a box was shown")

        # Thumbnails were made in the user's cache, and the pictures come from there when the
        # program is started again.
        thumbnails = os.path.join(self.desktop.env["HOME"], ".cache", "thumbnails", "normal")
        self.assertTrue(self.wait_until_thumbnails(thumbnails, ROWS * COLS))
        self.player.stop()
        self.start(overlay, settings, wait_grid=False)
        full = self.wait_grid(lambda g: len(self.shown(g, PICTURE, 100)) == ROWS * COLS,
                              timeout=20)
        self.assertIsNotNone(full, "the pictures did not come from the cache")

    def wait_until_thumbnails(self, folder, count, timeout=30):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if os.path.isdir(folder) and len(os.listdir(folder)) >= count:
                return True
            time.sleep(0.2)
        return False


if __name__ == "__main__":
    import unittest
    unittest.main()
