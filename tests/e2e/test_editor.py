"""The overlay editor: a carer opens it from the player's menu with the keyboard alone, changes
the grid, loads the change into the player, and the grid the user sees follows at once."""

import os
import sys
import unittest

from harness import media
from harness.desktop import wait_until
from harness.player import PlayerCase

# No recording programs: the editor's recording buttons are greyed and out of the Tab order.
NO_RECORDING = {"TONLYRA_SOUND_RECORDER": "", "TONLYRA_RECORDING_CONTROL": ""}
STAND_IN = os.path.join(os.path.dirname(os.path.abspath(__file__)), "harness",
                        "standin_window.py")


class OverlayEditorTest(PlayerCase):

    def in_one_row(self, grid):
        """Whether the four pictures stand side by side in cell order."""
        boxes = [grid.picture_box(k) for k in range(1, 5)]
        if None in boxes:
            return False
        tops = [box[1] for box in boxes]
        lefts = [box[0] for box in boxes]
        return max(tops) - min(tops) <= 2 and lefts == sorted(lefts) and \
            min(b - a for a, b in zip(lefts, lefts[1:])) > boxes[0][2]

    def test_a_layout_changed_with_the_keyboard_shows_on_the_grid_at_once(self):
        overlay = self.tone_grid(2, 2)
        self.start(overlay, self.settings("Mouse", sound=False), env=NO_RECORDING)
        before = self.grid()
        self.assertGreater(before.picture_box(3)[1], before.picture_box(1)[1],
                           "cell 3 is not below cell 1 in the 2 x 2 grid")

        # "Arkiv", "Inställningar för media".
        self.desktop.key("Alt_L", "a")
        self.desktop.key("i")
        editor = self.window_named("Inställningar för media")
        self.assertTrue(editor, "the editor did not open: %s" %
                        [self.desktop.window_name(w) for w in self.player.windows()])
        self.assertTrue(wait_until(lambda: self.desktop.active_window() == editor, 5))

        # From the list of cells back to "Ändra", and press it.
        self.desktop.key("Shift_L", "Tab")
        self.desktop.key("space")
        dialog = self.window_named("Välj antal mediaspår")
        self.assertTrue(dialog, "the rows and columns dialog did not open")
        self.assertTrue(wait_until(lambda: self.desktop.active_window() == dialog, 5))
        # One row ("Rader" has the focus), "Kolumner" up to four, OK.
        self.desktop.key("Left")
        self.desktop.key("Alt_L", "k")
        self.desktop.key("Right")
        self.desktop.key("Right")
        self.desktop.key("Return")
        self.assertTrue(wait_until(lambda: dialog not in self.player.windows(), 5),
                        "the rows and columns dialog stayed open")
        self.assertTrue(wait_until(lambda: self.desktop.active_window() == editor, 5))

        # "Arkiv", "Stäng och ladda inställningarna".
        self.desktop.key("Alt_L", "a")
        self.desktop.key("l")
        self.assertTrue(wait_until(lambda: editor not in self.player.windows(), 5),
                        "the editor stayed open")
        self.assertTrue(self.wait_grid(self.in_one_row),
                        "the grid did not become one row of four cells")
        # The player goes on: a click on the last cell plays its tone.
        grid = self.grid()
        x, y, w, h = grid.picture_box(4)
        since = self.recording_mark()
        self.desktop.click(x + w // 2, y + h // 2)
        self.wait_tones(since, [media.TONES[3]])

    def test_a_cd_cell_plays_after_the_editor_offered_only_video_files(self):
        cue = media.write_cd_image(self.folder, "skiva", [(media.TONES[9], 1.0)])
        overlay = self.tone_grid(2, 2, types={1: media.Cell("ArbitraryCD", "1")})
        self.start(overlay, self.settings("Mouse", sound=False),
                   env=dict(NO_RECORDING, TONLYRA_CD_DRIVES=cue))
        self.desktop.key("Alt_L", "a")
        self.desktop.key("i")
        editor = self.window_named("Inställningar för media")
        self.assertTrue(editor and wait_until(lambda: self.desktop.active_window() == editor, 5))

        # The cell's menu (Shift+F10), "Välj en video-mediafil": the media dialog offers video
        # files only. Cancelled, and the editor with it.
        before = set(self.player.windows())
        self.desktop.key("Shift_L", "F10")
        self.sleep(0.3)
        self.desktop.key("v")
        chooser = wait_until(lambda: (set(self.player.windows()) - before) or None, 10)
        self.assertTrue(chooser, "the media dialog did not open")
        self.desktop.key("Escape")
        self.assertTrue(wait_until(lambda: not (set(self.player.windows()) - before), 5),
                        "the media dialog stayed open")
        self.assertTrue(wait_until(lambda: self.desktop.active_window() == editor, 5))
        self.desktop.key("Alt_L", "a")
        self.desktop.key("a")
        self.assertTrue(wait_until(lambda: editor not in self.player.windows(), 5),
                        "the editor stayed open")

        # The player still plays the disc's track from its CD cell.
        x, y, w, h = self.grid().cell_rect(1)
        since = self.recording_mark()
        self.desktop.click(x + w // 2, y + h // 2)
        self.wait_tones(since, [media.TONES[9]])

    def test_the_recorder_is_started_once_raised_by_a_second_click_and_ended_with_the_editor(self):
        recorder = {"TONLYRA_SOUND_RECORDER": '"%s" "%s" Inspelaren' % (sys.executable, STAND_IN),
                    "TONLYRA_RECORDING_CONTROL": ""}
        self.start(self.tone_grid(2, 2), self.settings("Mouse", sound=False), env=recorder)
        self.desktop.key("Alt_L", "a")
        self.desktop.key("i")
        editor = self.window_named("Inställningar för media")
        self.assertTrue(editor and wait_until(lambda: self.desktop.active_window() == editor, 5))

        def recorder_windows():
            return self.desktop.windows("^Inspelaren$")

        def press_record():
            # From the list of cells back to "Spela in" ("Inspelningskontroller" is greyed).
            self.desktop.key("Shift_L", "Tab")
            self.desktop.key("space")

        def back_to_the_editor():
            x, y, w, h = self.desktop.geometry(editor)
            self.desktop.click(x + w // 2, y + h // 2)
            self.assertTrue(wait_until(lambda: self.desktop.active_window() == editor, 5))

        press_record()
        self.assertTrue(wait_until(lambda: len(recorder_windows()) == 1, 10),
                        "the recorder did not start")
        window = recorder_windows()[0]
        self.assertTrue(wait_until(lambda: self.desktop.active_window() == window, 5))

        back_to_the_editor()
        press_record()
        self.assertTrue(wait_until(lambda: self.desktop.active_window() == window, 5),
                        "the second click did not bring the recorder to the front")
        self.sleep(0.5)
        self.assertEqual(recorder_windows(), [window], "a second recorder was started")

        # "Arkiv", "Avbryt": the recorder ends with the editor.
        back_to_the_editor()
        self.desktop.key("Alt_L", "a")
        self.desktop.key("a")
        self.assertTrue(wait_until(lambda: editor not in self.player.windows(), 5))
        self.assertTrue(wait_until(lambda: not recorder_windows(), 5),
                        "the recorder outlived the editor")


if __name__ == "__main__":
    unittest.main()
