"""The sound server going away and coming back: killed and started again (a crash, an update, a
headset that makes it restart), or started only after the program (an early autostart). The
next sound the user chooses, and the next introduction, is heard, with no restart of the
program and nothing on screen in front of the switch user."""

from harness import media
from harness.desktop import wait_until
from harness.player import PlayerCase


class SoundServerCases:
    """The cases, run on each sound server by a class per server below."""

    def tearDown(self):
        # The next case needs a sound server, whatever this one left.
        if not self.desktop.has_sound_server():
            self.desktop.start_sound_server()
        super().tearDown()

    def click(self, cell):
        x, y, w, h = self.grid().cell_rect(cell)
        self.desktop.click(x + w // 2, y + h // 2)

    def back_in_grid(self):
        self.assertTrue(self.wait_grid(lambda g: len(g.picture_areas()) == 4, timeout=15),
                        "the grid did not come back after play")

    def assert_told_once_in_the_log(self):
        log = self.player.log()
        self.assertEqual(log.count("Sound output lost"), 1, log)
        self.assertEqual(log.count("Sound output back"), 1, log)
        self.assertEqual(self.player.windows(), [self.player.window], "a box came up")

    def test_a_choice_is_heard_after_the_server_was_killed_and_started_again(self):
        overlay = self.tone_grid(2, 2, tone_seconds=0.5)
        self.start(overlay, self.settings("Mouse", sound=False))
        since = self.recording_mark()
        self.click(1)
        self.wait_tones(since, [media.TONES[0]])
        self.back_in_grid()

        self.desktop.kill_sound_server()
        self.click(2)  # chosen while there is no server: nothing to hear
        self.back_in_grid()
        self.desktop.start_sound_server()

        since = self.recording_mark()
        self.click(3)
        self.wait_tones(since, [media.TONES[2]])
        self.back_in_grid()
        # And on: the output stays with the server.
        since = self.recording_mark()
        self.click(4)
        self.wait_tones(since, [media.TONES[3]])
        self.assert_told_once_in_the_log()

    def test_an_intro_and_a_choice_are_heard_when_the_server_starts_after_the_program(self):
        overlay = self.tone_grid(2, 2, intros=True, tone_seconds=0.5)
        self.desktop.kill_sound_server(clean=True)
        self.start(overlay, self.settings("Two-switches"), wait_grid=False)
        self.desktop.start_sound_server()

        since = self.recording_mark()
        self.desktop.key("space")
        self.assertTrue(self.wait_grid(lambda g: g.enlarged() == 1), "cell 1 was not shown")
        self.wait_tones(since, [self.intro_tone(1)])
        since = self.recording_mark()
        self.desktop.key("Return")
        self.wait_tones(since, [media.TONES[0]])
        self.assertTrue(wait_until(lambda: "Sound output back" in self.player.log(), 5),
                        self.player.log())
        self.assertEqual(self.player.windows(), [self.player.window], "a box came up")


    def test_a_choice_is_heard_on_the_default_sink_after_its_own_sink_is_removed(self):
        # The program starts on another sink than the recorded one.
        module = self.desktop.add_null_sink("headset")
        try:
            self.start(self.tone_grid(2, 2, tone_seconds=0.5), self.settings("Mouse", sound=False))
            # The desktop's sound settings show the stream by the program's name.
            streams = self.desktop.sound_state()
            self.assertIn('application.name = "Tonlyran"', streams)
            self.assertIn('media.name = "Tonlyran"', streams)
            since = self.recording_mark()
            self.click(1)
            self.back_in_grid()
            self.assertTrue(self.desktop.recording.wait_quiet(0.5))
            self.assertNotIn(media.TONES[0], [s.tone() for s in self.heard(since)],
                             "the program did not play on the other sink")
            # That sink goes; the recorded one is the default.
            self.desktop.set_default_sink("rec")
            self.desktop.remove_sink(module)
            module = None
        finally:
            if module:
                self.desktop.set_default_sink("rec")
                self.desktop.remove_sink(module)
        since = self.recording_mark()
        self.click(2)
        self.wait_tones(since, [media.TONES[1]])
        self.back_in_grid()
        self.assertEqual(self.player.windows(), [self.player.window], "a box came up")


class PulseAudioTest(SoundServerCases, PlayerCase):
    pass


class PipeWireTest(SoundServerCases, PlayerCase):
    sound_server = "pipewire"
