"""A carer's choices checked as they are made: Enter takes the file chosen in the media dialog, a
sound that cannot be played is refused with the reason and marked with a sign on the grid, the
picture preview opens in sight above the editor, the picture base dialog opens with pictures to
choose from, and the "Prova" square of the user settings judges a press as the grid does."""

import os
import subprocess
import time
import unittest

from harness import media
from harness.desktop import wait_until
from harness.player import PlayerCase

NO_RECORDING = {"TONLYRA_SOUND_RECORDER": "", "TONLYRA_RECORDING_CONTROL": ""}
LIT = (255, 0, 0)  # the "Prova" square when a press counts
BASE_PICTURE = (30, 200, 230)


def write_broken_mp3(path):
    """200 bytes that begin as an MP3 file (a tag header) and hold no sound."""
    with open(path, "wb") as f:
        f.write(b"ID3\x03\x00\x00\x00\x00\x01\x3e" + b"\x00" * 190)
    return path


class CarerCase(PlayerCase):

    def box(self, timeout=10):
        """A message box of the program: a window of its own named "Tonlyran"."""
        def found():
            for window in self.player.windows():
                if window != self.player.window and \
                        self.desktop.window_name(window) == "Tonlyran":
                    return window
            return None
        return wait_until(found, timeout)

    def open_editor(self):
        # "Arkiv", "Inställningar för media"; the list of cells has the focus, on cell 1.
        self.desktop.key("Alt_L", "a")
        self.desktop.key("i")
        editor = self.window_named("Inställningar för media")
        self.assertTrue(editor, "the editor did not open")
        self.assertTrue(wait_until(lambda: self.desktop.active_window() == editor, 5))
        return editor

    def cell_command(self, key):
        """An item of the cell's menu (Shift+F10), by its access key."""
        self.desktop.key("Shift_L", "F10")
        time.sleep(0.5)
        self.desktop.key(key)

    def close_and_load(self, editor):
        # "Arkiv", "Stäng och ladda inställningarna".
        self.assertTrue(wait_until(lambda: self.desktop.active_window() == editor, 5))
        self.desktop.key("Alt_L", "a")
        self.desktop.key("l")
        self.assertTrue(wait_until(lambda: editor not in self.player.windows(), 5),
                        "the editor stayed open")

    def type_text(self, text):
        subprocess.run(["xdotool", "type", "--delay", "30", text], env=self.desktop.env,
                       check=True)

    def choose_sound_file(self, name):
        """The cell's sound file chosen in the media dialog by "Öppna mediafil" and its file
        dialog, where the name is typed and taken with Enter; returns the media dialog."""
        self.cell_command("l")  # "Välj en ljud-mediafil"
        dialog = self.window_named("MediaDialog", exact=True)
        self.assertTrue(dialog, "the media dialog did not open")
        self.assertTrue(wait_until(lambda: self.desktop.active_window() == dialog, 5))
        # "Öppna mediafil", beside the choice of source at the top left.
        x, y, w, h = self.desktop.geometry(dialog)
        self.desktop.click(x + 158, y + 40)
        files = wait_until(lambda: self.desktop.active_window() not in (dialog, None) and
                           self.desktop.active_window(), 10)
        self.assertTrue(files, "the file dialog did not open")
        time.sleep(0.5)
        self.type_text(name)
        self.desktop.key("Return")
        self.assertTrue(wait_until(lambda: files not in self.player.windows(), 5),
                        "the file dialog stayed open")
        return dialog

    def click_cell(self, cell, hold=0.03):
        x, y, w, h = self.grid().cell_rect(cell)
        return self.desktop.click(x + w // 2, y + h // 2, hold=hold)


class MediaChoiceTest(CarerCase):

    def test_enter_after_choosing_a_file_takes_it(self):
        self.start(self.tone_grid(2, 2), self.settings("Mouse", sound=False), env=NO_RECORDING)
        media.write_tone(self.path("ny.wav"), media.TONES[6], 1.0)
        editor = self.open_editor()
        dialog = self.choose_sound_file("ny.wav")
        self.assertTrue(wait_until(lambda: self.desktop.active_window() == dialog, 5))
        time.sleep(1.0)  # the file is tried
        self.desktop.key("Return")
        self.assertTrue(wait_until(lambda: dialog not in self.player.windows(), 5),
                        "Enter did not close the media dialog")
        self.close_and_load(editor)
        self.assertTrue(self.wait_grid(lambda g: len(g.picture_areas()) == 4))
        since = self.recording_mark()
        self.click_cell(1)
        self.wait_tones(since, [media.TONES[6]])

    def test_a_sound_that_cannot_be_played_is_refused_with_the_reason(self):
        self.start(self.tone_grid(2, 2), self.settings("Mouse", sound=False), env=NO_RECORDING)
        write_broken_mp3(self.path("trasig.mp3"))
        editor = self.open_editor()
        dialog = self.choose_sound_file("trasig.mp3")
        box = self.box()
        self.assertTrue(box, "no box said that the file cannot be played: %s" %
                        [self.desktop.window_name(w) for w in self.player.windows()])
        self.desktop.key("Return")
        self.assertTrue(wait_until(lambda: box not in self.player.windows(), 5))
        # The file is not taken: the cell keeps its sound.
        self.assertTrue(wait_until(lambda: self.desktop.active_window() == dialog, 5))
        self.desktop.key("Escape")
        self.assertTrue(wait_until(lambda: dialog not in self.player.windows(), 5))
        self.close_and_load(editor)
        self.assertTrue(self.wait_grid(lambda g: len(g.picture_areas()) == 4))
        since = self.recording_mark()
        self.click_cell(1)
        self.wait_tones(since, [media.TONES[0]])

    def test_cells_whose_sound_cannot_be_played_show_a_sign_and_no_box(self):
        overlay = self.tone_grid(2, 2)
        open(self.path("ton1.wav"), "wb").close()                 # empty
        with open(self.path("ton2.wav"), "w") as f:               # a text
            f.write("Det här är ingen ljudfil, bara text.\n" * 10)
        write_broken_mp3(self.path("ton3.mp3"))                   # fails only when played
        with open(overlay, encoding="utf-8") as f:
            text = f.read().replace("ton3.wav", "ton3.mp3")
        with open(overlay, "w", encoding="utf-8") as f:
            f.write(text)
        self.start(overlay, self.settings("Mouse", sound=False))

        def signed(g, cell):
            return g.shot.count(media.MISSING_PICTURE_COLOUR, g.cell_rect(cell))
        grid = self.wait_grid(lambda g: signed(g, 1) > 100 and signed(g, 2) > 100 and
                              4 in g.picture_areas())
        self.assertIsNotNone(grid, "no sign on the cells whose files are broken")
        self.assertLess(signed(grid, 3), 100)
        self.assertLess(signed(grid, 4), 100)
        # The one that fails only when played gets its sign then; nothing else happens.
        self.click_cell(3)
        grid = self.wait_grid(lambda g: signed(g, 3) > 100 and g.enlarged() is None)
        self.assertIsNotNone(grid, "cell 3 did not get the sign when its sound failed")
        self.assertLess(signed(grid, 4), 100)
        self.assertEqual(self.player.windows(), [self.player.window], "a box was shown")
        log = self.player.log()
        for cell in (1, 2, 3):
            self.assertIn("Cell %d: media" % cell, log)
        # The good cell plays.
        since = self.recording_mark()
        self.click_cell(4)
        self.wait_tones(since, [media.TONES[3]])


class PictureChoiceTest(CarerCase):

    def test_the_preview_opens_at_the_top_left_above_the_editor(self):
        self.start(self.tone_grid(2, 2), self.settings("Mouse", sound=False), env=NO_RECORDING)
        editor = self.open_editor()
        self.desktop.key("Right")  # from the media to the picture of cell 1
        self.cell_command("f")  # "Välj en bildfil"
        preview = self.window_named("Förhandsgranskning")
        self.assertTrue(preview, "the preview did not open")
        self.sleep(1.0)  # let the window manager place it
        x, y, w, h = self.desktop.geometry(preview)
        self.assertLessEqual(x, 20, (x, y, w, h))
        self.assertLessEqual(y, 60, (x, y, w, h))
        self.assertLessEqual(x + w, self.desktop.width)
        self.assertLessEqual(y + h, self.desktop.height)
        stack = self.desktop.stacking()
        self.assertIn(preview, stack)
        self.assertGreater(stack.index(preview), stack.index(editor),
                           "the preview is under the editor")
        self.desktop.key("Escape")
        self.assertTrue(wait_until(lambda: preview not in self.player.windows(), 5))

    def test_the_picture_base_dialog_opens_with_its_pictures(self):
        system = self.path("System")
        os.mkdir(system)
        media.write_png(os.path.join(system, "gul.png"), 64, 48, BASE_PICTURE)
        with open(os.path.join(system, "Bas.ini"), "w", encoding="utf-8") as f:
            f.write("[ProgDir]\r\nDir=.\r\nExtension=png\r\n[Bilder]\r\ngul=Gul\r\n")
        env = dict(NO_RECORDING, TONLYRA_SYSTEM_DIR=system)
        self.start(self.tone_grid(2, 2), self.settings("Mouse", sound=False), env=env)
        editor = self.open_editor()
        self.desktop.key("Right")  # from the media to the picture of cell 1
        self.cell_command("b")  # "Välj en bild ur en bildbas"
        dialog = self.window_named("Öppna", exact=True)
        self.assertTrue(dialog, "the picture base dialog did not open")
        self.assertTrue(wait_until(lambda: self.desktop.active_window() == dialog, 5))
        # Back from the base past the category to the list, whose first picture is chosen on
        # the way in, and OK.
        self.desktop.key("Shift_L", "Tab")
        self.desktop.key("Shift_L", "Tab")
        self.desktop.key("Return")
        self.assertTrue(wait_until(lambda: dialog not in self.player.windows(), 5))
        self.close_and_load(editor)
        self.assertTrue(self.wait_grid(lambda g: g.shot.count(BASE_PICTURE, g.client) > 500),
                        "the picture of the base is not on the grid")


class SwitchSquareTest(CarerCase):

    def bounced_press(self, x, y, while_held=None):
        """A 50 ms press, let go, and at once a press held for 400 ms, by the mouse; returns
        what while_held() gave first that was true while the button was held."""
        self.desktop.click(x, y, hold=0.05)
        pressed = self.desktop.button_down(x, y)
        seen = None
        while time.monotonic() - pressed < 0.4:
            if while_held and not seen:
                seen = while_held()
            time.sleep(0.01)
        self.desktop.button_up()
        return seen

    def test_the_prova_square_counts_a_press_after_a_bounce_as_the_grid_does(self):
        self.start(self.tone_grid(2, 2), self.settings(
            "Mouse", sound=False, timings={"Acceptance time": 100}), env=NO_RECORDING)
        # The grid takes the press.
        x, y, w, h = self.grid().cell_rect(2)
        since = self.recording_mark()
        self.bounced_press(x + w // 2, y + h // 2)
        self.wait_tones(since, [media.TONES[1]])

        # "Arkiv", "Inställningar för brukare" (the fourth item), the advanced view.
        self.desktop.key("Alt_L", "a")
        time.sleep(0.3)
        for _ in range(3):
            self.desktop.key("Down")
        self.desktop.key("Return")
        window = self.window_named("Brukarfiler")
        self.assertTrue(window, "the settings window did not open")
        self.assertTrue(wait_until(lambda: self.desktop.active_window() == window, 5))
        self.desktop.key("Alt_L", "v")
        self.desktop.key("f")  # "Fler inställningsmöjligheter"
        self.sleep(1.0)

        # The square is the last control of the timings, at the window's lower right.
        wx, wy, ww, wh = self.desktop.geometry(window)
        sx, sy = wx + ww - 87, wy + wh - 50

        def lit():
            return self.desktop.window_shot(window).count(LIT, (ww - 110, wh - 75, 100, 50))
        self.assertEqual(lit(), 0)
        for attempt in range(3):
            self.assertTrue(wait_until(lambda: lit() == 0, 5))
            self.assertTrue(self.bounced_press(sx, sy, lambda: lit() > 200),
                            "attempt %d: the square did not light" % attempt)


if __name__ == "__main__":
    unittest.main()
