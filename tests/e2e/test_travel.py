"""Overlays that travel: a set exported on one computer and imported on another, under another
home folder, shows every picture and plays every sound; an overlay from the old Windows program,
its paths reading C:\\..., opens with every picture shown when its files were copied with it."""

import os
import shutil
import subprocess

from harness import media
from harness.player import PlayerCase, tonlyra_binary


class TravelTest(PlayerCase):

    def click_cell(self, cell):
        x, y, w, h = self.grid().cell_rect(cell)
        return self.desktop.click(x + w // 2, y + h // 2)

    @staticmethod
    def home_env(home):
        return {"HOME": home, "XDG_DATA_HOME": os.path.join(home, ".local", "share")}

    def command(self, home, *arguments):
        """tonlyra run as a script runs it, in home, with no display."""
        env = {key: value for key, value in os.environ.items() if key != "DISPLAY"}
        env.update(self.home_env(home))
        env["TONLYRA_SYSTEM_DIR"] = os.path.join(home, "system")
        done = subprocess.run([tonlyra_binary()] + list(arguments), cwd=home, env=env,
                              capture_output=True, text=True, timeout=120)
        self.assertEqual(done.returncode, 0, done.stderr)
        return done.stdout.strip()

    def plays_every_cell(self, cells):
        self.assertTrue(self.wait_grid(lambda g: len(g.picture_areas()) == cells),
                        "not every picture is shown")
        for cell in range(1, cells + 1):
            since = self.recording_mark()
            self.click_cell(cell)
            self.wait_tones(since, [media.TONES[cell - 1]])
            self.assertTrue(self.wait_grid(lambda g: len(g.picture_areas()) == cells),
                            "the grid did not come back after cell %d" % cell)

    def test_a_set_exported_and_imported_under_another_home_shows_and_plays_everything(self):
        overlay = self.tone_grid(2, 2, tone_seconds=0.5)
        exported = self.command(self.folder, "--export", overlay, self.path("Prov.tonlyran"))

        # Only the exported file travels: the first computer's pictures and sounds are gone.
        for name in os.listdir(self.folder):
            if name.endswith((".wav", ".png")):
                os.remove(self.path(name))
        home = self.path("annan-dator")
        os.makedirs(os.path.join(home, "Hämtat"))
        carried = os.path.join(home, "Hämtat", "Prov.tonlyran")
        shutil.move(exported, carried)
        imported = self.command(home, "--import", carried)
        self.assertTrue(imported.startswith(os.path.join(home, ".local", "share", "tonlyran",
                                                         "Overlays", "Prov")), imported)

        self.layouts[imported] = self.layouts[overlay]
        self.showing(imported)
        self.start(imported, self.settings("Mouse"), env=self.home_env(home))
        self.plays_every_cell(4)

    def test_an_overlay_of_the_old_windows_program_opens_with_every_picture_shown(self):
        # Copied from the old computer: the overlay in Overlays/, its files in Bilder/ and Ljud/
        # beside it, their names in another case than the overlay writes them.
        os.makedirs(self.path("Bilder"))
        os.makedirs(self.path("Ljud"))
        cells, colours = {}, []
        for k in range(1, 5):
            colours.append(media.PICTURE_COLOURS[k - 1])
            media.write_png(self.path("Bilder", "Bild%d.PNG" % k), 64, 48, colours[-1])
            media.write_tone(self.path("Ljud", "ljud%d.wav" % k), media.TONES[k - 1], 0.5)
            cells[k] = media.Cell("SoundFile", "C:\\Tonlyran\\Ljud\\LJUD%d.WAV" % k,
                                  "C:\\Tonlyran\\Bilder\\bild%d.png" % k, "Ruta %d" % k)
        overlay = media.write_overlay(self.path("Overlays", "Gammal.cdu"), 2, 2, cells)
        self.layouts[overlay] = (2, 2, colours)
        self.showing(overlay)
        self.start(overlay, self.settings("Mouse"))
        self.plays_every_cell(4)
