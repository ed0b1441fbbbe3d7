"""The real tonlyra on a desktop, and the base class of every case.

A case builds a start folder (Overlays/, Users/) in a temporary directory, starts the program
there on an overlay and a user settings file, presses keys and clicks, and judges what the user
gets: the recording and screenshots. See tests/e2e/README.md.
"""

import os
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

from . import media
from .desktop import SOUND_TOOLS, Desktop, wait_until

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_DIR = os.path.abspath(os.path.join(HERE, "..", "..", ".."))


def tonlyra_binary():
    path = os.environ.get("TONLYRA_BIN") or os.path.join(SOURCE_DIR, "build", "bin", "tonlyra")
    if not os.access(path, os.X_OK):
        raise unittest.SkipTest("no tonlyra at %s (set TONLYRA_BIN)" % path)
    return path


class Tonlyra:
    """One run of the program in a start folder."""

    def __init__(self, desktop, folder, arguments, env=None):
        self.desktop = desktop
        self.folder = folder
        self.log_path = os.path.join(folder, "tonlyra.log")
        environment = dict(desktop.env)
        environment.setdefault("TONLYRA_SYSTEM_DIR", os.path.join(folder, "system"))
        environment.update(env or {})
        with open(self.log_path, "wb") as log:
            self.process = self._launch([tonlyra_binary()] + list(arguments), environment, log)
        self.window = None

    def _launch(self, argv, environment, log):
        """Starts the program in the start folder, its output going to log."""
        return subprocess.Popen(argv, cwd=self.folder, env=environment, stdout=log, stderr=log)

    def wait_for_window(self, timeout=20):
        """Waits for the player window; returns its id."""
        def found():
            if self.process.poll() is not None:
                raise AssertionError("tonlyra ended with %s:\n%s" %
                                     (self.process.returncode, self.log()))
            windows = self.desktop.windows("^Tonlyran", pid=self.process.pid)
            return windows[0] if windows else None
        self.window = wait_until(found, timeout)
        if not self.window:
            raise AssertionError("no player window within %d s" % timeout)
        return self.window

    def client(self):
        """The player window's client area on the screen (x, y, w, h)."""
        return self.desktop.geometry(self.window)

    def windows(self):
        """Every visible window of the program (the player, dialogs, message boxes)."""
        return self.desktop.windows(pid=self.process.pid)

    def title(self):
        return self.desktop.window_name(self.window)

    def running(self):
        return self.process.poll() is None

    def log(self):
        try:
            with open(self.log_path, errors="replace") as f:
                return f.read()
        except OSError:
            return ""

    def stop(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


def on_pipewire(case, *tests):
    """The case class again, on a desktop whose sound server is PipeWire, with only the named
    tests (the ones that judge sound): the same bodies, run against the other server."""
    keep = set(tests)
    names = unittest.TestLoader().getTestCaseNames(case)
    missing = keep - set(names)
    if missing:
        raise ValueError("no such test: " + ", ".join(sorted(missing)))
    attributes = {name: None for name in names if name not in keep}  # None: not a test
    name = case.__name__.replace("Test", "") + "OnPipeWireTest"
    attributes.update(sound_server="pipewire", __module__=case.__module__, __qualname__=name)
    return type(name, (case,), attributes)


class Grid:
    """What a screenshot shows of the grid of a case's overlay.

    cells: the number of cells; colours: each cell's picture colour (cell k has colours[k-1])."""

    def __init__(self, shot, client, rows, cols, colours):
        self.shot = shot
        self.client = client
        self.rows = rows
        self.cols = cols
        self.colours = colours
        self.extent = shot.bbox([media.BACK_COLOUR, media.SCAN_COLOUR, media.BUTTON_COLOUR],
                                client)

    def picture_areas(self):
        """Pixels of each cell's picture colour inside the window: {cell: count}, cells with
        none left out."""
        areas = {}
        for k, colour in enumerate(self.colours, start=1):
            n = self.shot.count(colour, self.client)
            if n:
                areas[k] = n
        return areas

    def picture_box(self, cell):
        return self.shot.bbox([self.colours[cell - 1]], self.client)

    def cell_rect(self, cell):
        """Where cell sits in the grid (x, y, w, h), from the grid's extent."""
        x, y, w, h = self.extent
        cw, ch = w // self.cols, h // self.rows
        r, c = divmod(cell - 1, self.cols)
        return (x + c * cw, y + r * ch, cw, ch)

    def marked(self):
        """The cells whose ring shows the scanning colour."""
        if not self.extent:
            return []
        cells = []
        for k in range(1, self.rows * self.cols + 1):
            x, y, w, h = self.cell_rect(k)
            # The left edge of the ring, halfway down.
            if self.shot.count(media.SCAN_COLOUR, (x, y + h // 4, 4, h // 2)) >= h // 4:
                cells.append(k)
        return cells

    def enlarged(self):
        """The cell whose picture covers most of the grid area, or None."""
        if not self.extent:
            return None
        areas = self.picture_areas()
        if len(areas) != 1:
            return None
        cell = next(iter(areas))
        box = self.picture_box(cell)
        ex, ey, ew, eh = self.extent
        # A picture keeps its proportions: it fills the grid one way at least.
        if box[2] >= 0.8 * ew or box[3] >= 0.6 * eh:
            return cell
        return None


class PlayerCase(unittest.TestCase):
    """Base class of the cases: one desktop per class, one start folder and program per test.

    Class attributes: window_manager, whether the desktop runs openbox (True) or nothing (a
    kiosk session); sound_server, "pulseaudio" or "pipewire" (see on_pipewire())."""

    window_manager = True
    sound_server = "pulseaudio"
    desktop = None

    @classmethod
    def setUpClass(cls):
        tools = ("Xvfb", "xdotool", "xwd", "xwininfo", "xprop") + SOUND_TOOLS[cls.sound_server]
        for tool in tools:
            if not shutil.which(tool):
                raise unittest.SkipTest("%s is not installed (scripts/install-deps.sh)" % tool)
        tonlyra_binary()
        cls.desktop = Desktop(window_manager=cls.window_manager, sound_server=cls.sound_server)
        cls.desktop.start()

    @classmethod
    def tearDownClass(cls):
        if cls.desktop:
            cls.desktop.stop()
            cls.desktop = None

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="case-", dir=self.desktop.folder)
        os.mkdir(os.path.join(self.folder, "Overlays"))
        os.mkdir(os.path.join(self.folder, "Users"))
        self.player = None
        self.shots = []
        self.rows = self.cols = 0
        self.colours = []
        self.layouts = {}

    def tearDown(self):
        failed = self._failed()
        if failed:
            self._keep_artifacts()
        if self.player:
            self.player.stop()
        # Let the next case start on a quiet sink.
        if self.desktop.recording:
            self.desktop.recording.wait_quiet(0.3, timeout=5)

    def _failed(self):
        outcome = getattr(self, "_outcome", None)
        result = getattr(outcome, "result", None)
        if result is None:
            return False
        for test, _ in list(result.errors) + list(result.failures):
            if test is self:
                return True
        return False

    def _keep_artifacts(self):
        folder = os.environ.get("TONLYRA_E2E_ARTIFACTS") or os.path.join(
            tempfile.gettempdir(), "tonlyra-e2e-artifacts")
        target = os.path.join(folder, self.id())
        shutil.rmtree(target, ignore_errors=True)
        os.makedirs(target, exist_ok=True)
        try:
            self.desktop.screenshot().save_png(os.path.join(target, "last.png"))
        except Exception:
            pass
        for i, shot in enumerate(self.shots):
            shot.save_png(os.path.join(target, "shot%d.png" % i))
        if self.player:
            shutil.copy(self.player.log_path, target)
            # In the test's output as well: a run on a CI machine leaves nothing else behind.
            print("\nlog of tonlyra in %s:\n%s" % (self.id(), self.player.log().rstrip()))
        if hasattr(self.desktop, "sound_state"):
            print("sound server at the failure:\n" + self.desktop.sound_state())
        print("\nartifacts of %s: %s" % (self.id(), target))

    # ---- Building the start folder ----

    def path(self, *parts):
        return os.path.join(self.folder, *parts)

    def tone_grid(self, rows, cols, types=None, intros=False, texts=True, tone_seconds=1.0,
                  intro_seconds=0.4, name="Prov", first=1):
        """Writes the overlay Overlays/<name>.cdu, whose cell k plays tone TONES[first+k-2] and
        shows picture colour PICTURE_COLOURS[first+k-2]; returns its path and makes it the
        overlay that grid() judges (see showing()). types: {cell: Cell} replacing cells; intros:
        every sound cell gets its own intro (tone intro_tone(k), intro_seconds long)."""
        cells = {}
        colours = []
        for k in range(1, rows * cols + 1):
            n = first + k - 1
            sound = media.write_tone(self.path("ton%d.wav" % n), media.TONES[n - 1],
                                     tone_seconds)
            colours.append(media.PICTURE_COLOURS[n - 1])
            picture = media.write_png(self.path("bild%d.png" % n), 64, 48, colours[-1])
            intro = ""
            if intros:
                intro = media.write_tone(self.path("intro%d.wav" % k), self.intro_tone(k),
                                         intro_seconds)
            cells[k] = media.Cell("SoundFile", sound, picture, "Ruta %d" % n if texts else "",
                                  intro)
        for k, cell in (types or {}).items():
            if not cell.picture:
                cell.picture = cells[k].picture
            if texts and not cell.text:
                cell.text = "Ruta %d" % (first + k - 1)
            cells[k] = cell
        path = media.write_overlay(self.path("Overlays", name + ".cdu"), rows, cols, cells)
        self.layouts[path] = (rows, cols, colours)
        self.showing(path)
        return path

    def showing(self, overlay):
        """Makes grid() judge the screen as this overlay (written by tone_grid)."""
        self.rows, self.cols, self.colours = self.layouts[overlay]

    @staticmethod
    def intro_tone(cell):
        return media.TONES[-cell]

    def settings(self, mode, **options):
        return media.write_settings(self.path("Users", "Prov.usr"), mode, **options)

    # ---- Running the program ----

    def start(self, overlay, settings, env=None, wait_grid=True):
        """Starts tonlyra in the start folder and waits for its window (and, unless told
        otherwise, for a grid on screen)."""
        self.player = Tonlyra(self.desktop, self.folder, [overlay, settings], env)
        self.player.wait_for_window()
        if wait_grid:
            self.assertTrue(self.wait_grid(lambda g: g.extent is not None),
                            "the grid did not appear")
        return self.player

    def grid(self):
        """A screenshot of the player window judged as the case's grid."""
        shot = self.desktop.screenshot()
        self.shots = (self.shots + [shot])[-6:]
        return Grid(shot, self.player.client(), self.rows, self.cols, self.colours)

    def wait_grid(self, condition, timeout=10.0):
        """Takes screenshots until condition(Grid) holds; returns that Grid or None."""
        def check():
            g = self.grid()
            return g if condition(g) else None
        return wait_until(check, timeout, interval=0.1)

    def window_named(self, caption, timeout=10, exact=False):
        """The program's window whose caption starts with (or is) caption, once on screen."""
        def found():
            for window in self.player.windows():
                name = self.desktop.window_name(window)
                if name == caption or (not exact and name.startswith(caption)):
                    return window
            return None
        return wait_until(found, timeout)

    def wait_marked(self, cells, timeout=10.0):
        """Waits until exactly these cells are framed."""
        return self.wait_grid(lambda g: g.marked() == list(cells), timeout)

    # ---- Sound ----

    def recording_mark(self):
        """The recording's current length: sounds from here on are the case's."""
        return self.desktop.recording.sample_count()

    def wait_tones(self, since, tones, timeout=15.0, settle=0.2):
        """Waits until the recording since has these tones in this order (other sounds before,
        between and after are let be) and has gone on for settle seconds past the last sound,
        so that its end is known; returns the sounds of these tones, or fails."""
        def match(sounds):
            found = []
            for s in sounds:
                if len(found) < len(tones) and s.tone() == tones[len(found)]:
                    found.append(s)
            return found if len(found) == len(tones) else None

        sounds = self.desktop.recording.wait_for(match, since, timeout, settle)
        if sounds is None:
            self.fail("expected tones %s, heard %s" %
                      (list(tones), self.desktop.recording.sounds(since)))
        return match(sounds)

    def wait_cut(self, sound, since, timeout=15.0, settle=0.5):
        """Waits until the sound heard (a Sound from wait_tones) has ended and the recording
        has gone on for settle seconds; returns it whole. It is found by where it began, not
        by its pitch: a sound cut off after a moment (Esc, a click on a video) is too short for
        its pitch to be read reliably (a 400 Hz tone stopped after 0.15 s read as 430 Hz)."""
        def same(s):
            return abs(s.start - sound.start) < 0.05

        sounds = self.desktop.recording.wait_for(lambda heard: any(same(s) for s in heard),
                                                 since, timeout, settle)
        if sounds is None:
            self.fail("the sound %s was not heard to its end: %s" %
                      (sound, self.desktop.recording.sounds(since)))
        return next(s for s in sounds if same(s))

    def heard(self, since):
        return self.desktop.recording.sounds(since)

    def sleep(self, seconds):
        """For the few places where time itself is what is tested (nothing may happen)."""
        time.sleep(seconds)
