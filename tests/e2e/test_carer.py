"""A carer's work is not lost: closing the overlay editor or the user settings window by its
close box after changes asks whether to save them, and a save that fails says why."""

import os
import shutil
import unittest

from harness.desktop import wait_until
from harness.player import PlayerCase

# No recording programs: the editor's recording buttons are greyed and out of the Tab order.
NO_RECORDING = {"TONLYRA_SOUND_RECORDER": "", "TONLYRA_RECORDING_CONTROL": ""}
QUESTION = "Spara ändringar"


class CarerTest(PlayerCase):

    def names(self):
        return [self.desktop.window_name(w) for w in self.player.windows()]

    def activate(self, window):
        self.assertTrue(wait_until(lambda: self.desktop.active_window() == window, 10),
                        "the window did not become active: %s" % self.names())

    def press_close_box(self, window):
        """Clicks the close box of the window manager's frame (openbox puts it at the right end
        of the title bar)."""
        x, y, w, h = self.desktop.geometry(window)
        extents = self.desktop._run(["xprop", "-id", str(window), "_NET_FRAME_EXTENTS"]).decode()
        left, right, top, bottom = [int(v) for v in extents.split("=")[1].split(",")]
        self.desktop.click(x + w + right - top // 2 - 2, y - top // 2)

    def close_and_answer(self, window, key):
        """Closes the window by its close box; the question comes; key answers it."""
        self.press_close_box(window)
        question = self.window_named(QUESTION)
        self.assertTrue(question, "closing with changes asked nothing: %s" % self.names())
        self.activate(question)
        self.desktop.key(key)
        self.assertTrue(wait_until(lambda: question not in self.player.windows(), 10),
                        "the question stayed open")

    def open_editor(self):
        self.desktop.key("Alt_L", "a")
        self.desktop.key("i")
        editor = self.window_named("Inställningar för media")
        self.assertTrue(editor, "the editor did not open: %s" % self.names())
        self.activate(editor)
        return editor

    def three_columns(self, editor):
        """"Ändra": from the list of cells back to the button, and one column more."""
        self.desktop.key("Shift_L", "Tab")
        self.desktop.key("space")
        dialog = self.window_named("Välj antal mediaspår")
        self.assertTrue(dialog, "the rows and columns dialog did not open")
        self.activate(dialog)
        self.desktop.key("Alt_L", "k")
        self.desktop.key("Right")
        self.desktop.key("Return")
        self.assertTrue(wait_until(lambda: dialog not in self.player.windows(), 10))
        self.activate(editor)

    def test_closing_the_editor_with_a_new_overlay_asks_and_saves_it(self):
        self.start(self.tone_grid(2, 2), self.settings("Mouse", sound=False), env=NO_RECORDING)
        editor = self.open_editor()
        # "Arkiv", "Nytt media-överlägg": nothing was changed, so nothing is asked.
        self.desktop.key("Alt_L", "a")
        self.desktop.key("n")
        self.assertTrue(wait_until(lambda: "Namnlös" in self.desktop.window_name(editor), 10))
        self.three_columns(editor)
        # Cell 1 ends the program (its menu, "Avsluta programmet"), and gets a text typed.
        self.desktop.key("Tab")
        self.desktop.key("Shift_L", "F10")
        self.desktop.key("a")
        self.desktop.key("Right")
        self.desktop.key("Right")
        for key in ("h", "e", "j"):
            self.desktop.key(key)
        # Return ends the typing; F2 edits the text again, and Esc cancels that edit.
        self.desktop.key("Return")
        self.desktop.key("F2")
        self.desktop.key("s")
        self.desktop.key("Escape")
        self.assertIn(editor, self.player.windows(), "Esc in the text closed the editor")

        # Avbryt: the editor stays, with the work in it.
        self.close_and_answer(editor, "Escape")
        self.assertIn(editor, self.player.windows(), "Avbryt closed the editor")
        self.activate(editor)

        # Ja: a new overlay is named in the save dialog, saved, and the editor closes.
        self.press_close_box(editor)
        question = self.window_named(QUESTION)
        self.assertTrue(question, "the second close asked nothing: %s" % self.names())
        self.activate(question)
        self.desktop.key("Return")
        known = {editor, question, self.player.window}
        files = wait_until(lambda: [w for w in self.player.windows() if w not in known], 10)
        self.assertTrue(files, "no save dialog: %s" % self.names())
        self.activate(files[0])
        for key in ("n", "y", "Return"):
            self.desktop.key(key)
        saved = self.path("Overlays", "ny.cdu")
        self.assertTrue(wait_until(lambda: os.path.exists(saved), 10),
                        "nothing was saved: %s" % os.listdir(self.path("Overlays")))
        self.assertTrue(wait_until(lambda: editor not in self.player.windows(), 10),
                        "the editor stayed open after the save")
        with open(saved, encoding="utf-8") as f:
            text = f.read()
        lines = text.splitlines()
        self.assertIn("Cols=3", lines)
        self.assertIn("1=Exit", lines)
        self.assertIn("1=hej", lines)

    def test_closing_the_user_settings_window_with_a_change_asks_and_saves_it(self):
        self.start(self.tone_grid(2, 2), self.settings("Mouse", sound=False))
        # "Arkiv", "Inställningar för brukare".
        self.desktop.key("Alt_L", "a")
        self.desktop.key("b")
        window = self.window_named("Brukarfiler")
        self.assertTrue(window, "the settings window did not open: %s" % self.names())
        self.activate(window)
        # "Styrsätt", one mode down: keyboard control.
        self.desktop.key("Alt_L", "s")
        self.desktop.key("Down")

        self.close_and_answer(window, "Escape")
        self.assertIn(window, self.player.windows(), "Avbryt closed the window")
        self.activate(window)
        self.close_and_answer(window, "Return")
        self.assertTrue(wait_until(lambda: window not in self.player.windows(), 10),
                        "the window stayed open after the save")
        with open(self.path("Users", "Prov.usr"), encoding="utf-8") as f:
            text = f.read()
        self.assertIn("Keyboard=1", text)
        self.assertIn("Mouse=0", text)

    def test_a_save_that_fails_says_why(self):
        self.start(self.tone_grid(2, 2), self.settings("Mouse", sound=False), env=NO_RECORDING)
        editor = self.open_editor()
        self.three_columns(editor)
        # The overlay's folder goes while the carer works (a removed stick, a tidied folder).
        # A folder without write permission would not do: the suite may run as root.
        shutil.rmtree(self.path("Overlays"))
        self.close_and_answer(editor, "Return")  # Ja
        error = wait_until(lambda: [w for w in self.player.windows()
                                    if w not in (editor, self.player.window)], 10)
        self.assertTrue(error, "the failed save was not reported: %s" % self.names())
        self.assertTrue(wait_until(lambda: "Mappen finns inte." in self.player.log(), 10),
                        "no reason given: %s" % self.player.log())
        self.assertIn("Unable to write to " + self.path("Overlays", "Prov.cdu"),
                      self.player.log())
        self.activate(error[0])
        self.desktop.key("Return")
        self.assertTrue(wait_until(lambda: error[0] not in self.player.windows(), 10))
        self.assertIn(editor, self.player.windows(), "the editor closed although nothing was saved")

    def test_the_about_box_says_more_than_the_version(self):
        self.start(self.tone_grid(2, 2), self.settings("Mouse", sound=False))
        # "Hjälp", "Om Tonlyran".
        self.desktop.key("Alt_L", "h")
        self.desktop.key("o")
        about = wait_until(lambda: [w for w in self.player.windows()
                                    if w != self.player.window], 10)
        self.assertTrue(about, "no box: %s" % self.names())
        # The box's text cannot be read from the screen; its lines make it tall (one line of
        # version and date alone gives a box of about a hundred pixels).
        self.assertTrue(wait_until(lambda: (self.desktop.geometry(about[0]) or (0,) * 4)[3] >= 200,
                                   10), "the box is %s" % (self.desktop.geometry(about[0]),))
        self.activate(about[0])
        self.desktop.key("Return")
        self.assertTrue(wait_until(lambda: about[0] not in self.player.windows(), 10))


if __name__ == "__main__":
    unittest.main()
