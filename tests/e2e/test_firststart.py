"""The first start, as a person starts a desktop program: from the desktop entry in a home
folder with no overlays or user settings, and from a file manager on a ".usr" file. The window
says there is no overlay and offers the demo and the editor in large buttons; the carer's files
go to the user's own data folder."""

import os

from harness import media
from harness.desktop import wait_until
from harness.player import PlayerCase, Tonlyra

# The panel's buttons: dark green "Öppna demot", dark blue "Skapa ett överlägg"; the button
# with the focus wears a yellow frame.
DEMO_COLOUR = (0x1b, 0x5e, 0x20)
EDITOR_COLOUR = (0x0d, 0x47, 0xa1)
FOCUS_COLOUR = (0xff, 0xd6, 0x00)


def around(box, margin=12):
    """The box grown by the focus frame's width and more on every side."""
    x, y, w, h = box
    return (x - margin, y - margin, w + 2 * margin, h + 2 * margin)


class FirstStartTest(PlayerCase):

    def setUp(self):
        super().setUp()
        # A home folder as a new user has it: no Overlays/ or Users/ where the program starts.
        for name in ("Overlays", "Users"):
            os.rmdir(self.path(name))
        self.home = self.path("home")
        os.mkdir(self.home)
        self.data = os.path.join(self.home, ".local", "share", "tonlyran")

    def launch(self, *arguments):
        """Starts tonlyra as the desktop entry does (Exec=tonlyra %F): in the home folder, with
        the files as arguments, no system folder of the tests'."""
        env = {"HOME": self.home, "XDG_DATA_HOME": os.path.join(self.home, ".local", "share"),
               "TONLYRA_SYSTEM_DIR": "", "TONLYRA_SOUND_RECORDER": "",
               "TONLYRA_RECORDING_CONTROL": ""}
        if self.player:
            self.player.stop()
        self.player = Tonlyra(self.desktop, self.home, list(arguments), env)
        self.player.wait_for_window()
        return self.player

    def buttons(self, shot=None):
        """The boxes of the two buttons in the player window (None when not shown)."""
        shot = shot or self.desktop.screenshot()
        self.shots = (self.shots + [shot])[-6:]
        client = self.player.client()
        return shot.bbox([DEMO_COLOUR], client), shot.bbox([EDITOR_COLOUR], client), shot

    def wait_hint(self):
        found = wait_until(lambda: (lambda d, e, s: (d, e, s) if d and e else None)(
            *self.buttons()), 20, interval=0.2)
        self.assertTrue(found, "no buttons on the empty window:\n%s" % self.player.log())
        return found

    def wait_demo_grid(self):
        """Waits until the buttons are gone and the demo's pictures fill the window."""
        def shown():
            demo, editor, shot = self.buttons()
            if demo or editor:
                return None
            x, y, w, h = self.player.client()
            colours = set()
            for r in range(0, h, 9):
                start = (y + r) * shot.width + x
                colours.update(shot.pixels[start:start + w:7])
            return shot if len(colours) > 60 else None
        shot = wait_until(shown, 20, interval=0.2)
        self.assertTrue(shot, "the demo grid did not appear")
        return shot

    def test_the_desktop_entry_in_an_empty_home_offers_the_demo_and_enter_opens_it(self):
        self.launch()
        demo, editor, shot = self.wait_hint()
        for box in (demo, editor):
            self.assertGreaterEqual(box[2], 400, (demo, editor))
            self.assertGreaterEqual(box[3], 120, (demo, editor))
        # The demo button has the focus: its frame is yellow.
        self.assertGreater(shot.count(FOCUS_COLOUR, around(demo)), 1000)
        self.assertEqual(shot.count(FOCUS_COLOUR, around(editor)), 0)

        self.desktop.key("Return")
        self.wait_demo_grid()
        copied = os.path.join(self.data, "Demo", "Overlays", "Demo.cdu")
        self.assertTrue(os.path.isfile(copied), os.listdir(self.home))
        self.assertTrue(os.path.isfile(os.path.join(self.data, "Demo", "Sounds", "sol.wav")))
        # A click on the first cell plays its sound.
        x, y, w, h = self.player.client()
        since = self.recording_mark()
        self.desktop.click(x + w // 6, y + h // 5)
        self.assertTrue(wait_until(lambda: self.heard(since), 15, interval=0.2),
                        "the demo cell played nothing")

    def test_the_editor_button_reached_by_a_switch_saves_into_the_users_own_overlays(self):
        self.launch()
        self.wait_hint()
        # The arrow moves the focus to "Skapa ett överlägg", space presses it.
        self.desktop.key("Down")
        self.assertTrue(wait_until(lambda: (lambda d, e, s: e and s.count(FOCUS_COLOUR, around(e)) > 1000)(
            *self.buttons()), 5), "the focus did not move to the editor button")
        self.desktop.key("space")
        editor = wait_until(lambda: next(
            (w for w in self.player.windows()
             if self.desktop.window_name(w).startswith("Inställningar för media")), None), 10)
        self.assertTrue(editor, "the editor did not open")
        self.assertTrue(wait_until(lambda: self.desktop.active_window() == editor, 5))
        # "Arkiv", "Spara media-överlägg som...", a name, Enter: the dialog starts in the user's
        # own Overlays folder.
        self.desktop.key("Alt_L", "a")
        self.desktop.key("s")
        self.assertTrue(wait_until(lambda: self.desktop.active_window() not in (None, editor), 10),
                        "no save dialog")
        for letter in "mitt":
            self.desktop.key(letter)
        self.desktop.key("Return")
        saved = os.path.join(self.data, "Overlays", "mitt.cdu")
        self.assertTrue(wait_until(lambda: os.path.isfile(saved), 10),
                        "not saved in %s: %s" % (saved, self.player.log()))

    def test_a_usr_file_opened_starts_with_its_settings_and_its_last_overlay(self):
        # Anna's settings: one-switch scanning, the harness's colours (light yellow faces, a red
        # frame), which the program's standard settings do not have.
        settings = media.write_settings(self.path("Anna.usr"), "One-switch scan",
                                        scan_delay=800, sound=False)

        def anna_grid(shot):
            client = self.player.client()
            return shot.count(media.BUTTON_COLOUR, client) > 20000 and \
                shot.count(media.SCAN_COLOUR, client) > 500

        self.launch(settings)
        self.wait_hint()
        self.desktop.key("space")
        self.assertTrue(anna_grid(self.wait_demo_grid()) or wait_until(
            lambda: anna_grid(self.buttons()[2]), 10), "the demo is not shown in Anna's settings")

        # Opened again from the file manager: Anna's last overlay, the demo, at once.
        self.launch(settings)
        self.assertTrue(wait_until(lambda: anna_grid(self.buttons()[2]), 20),
                        "Anna's last overlay did not come back")
        demo, editor, _ = self.buttons()
        self.assertIsNone(demo)
