"""A private Wayland desktop: sway on its headless backend, the player as a native Wayland
client, keys through wtype and screenshots through grim.

sway will not run as root, so when the suite runs as root (as in CI) the compositor, the
player and the tools run as an unprivileged user made here (TEST_USER, created once with
useradd and kept); otherwise they run as the suite's own user. The sound is the harness's
usual one: a PulseAudio server with a null sink recorded by parec (desktop.Desktop, whose X
server is not used here), reached by the unprivileged user through its socket.

Each wtype adds a virtual keyboard to the seat while it runs. One `wtype -s 3600000` is kept
running so that the seat keeps a keyboard between presses, as a plugged-in switch interface
does; unplug_keyboard() ends it (the interface pulled out) and plug_keyboard() brings it back.
Clicks go through a virtual pointer (harness/wayland_pointer.py), made with the desktop and kept
until it ends, as a mouse plugged in.
"""

import array
import json
import os
import pwd
import re
import shutil
import stat
import subprocess
import tempfile
import time
import unittest

from .desktop import Desktop, Screenshot, wait_until
from .player import PlayerCase, Tonlyra, tonlyra_binary
from .wayland_pointer import VirtualPointer

TEST_USER = "tonlyra-e2e"
TOOLS = ("sway", "swaymsg", "wtype", "grim")

# X keysym names as the cases use them, and the modifier wtype holds for each.
MODIFIERS = {"Control_L": "ctrl", "Control_R": "ctrl", "Alt_L": "alt", "Shift_L": "shift"}

SWAY_CONFIG = """xwayland disable
output * resolution {width}x{height} bg #000000 solid_color
default_border none
default_floating_border none
"""


def _account():
    """The (uid, gid) the Wayland desktop runs as; makes TEST_USER when running as root.
    Skips the case when that cannot be done."""
    if os.geteuid() != 0:
        return os.getuid(), os.getgid()
    try:
        entry = pwd.getpwnam(TEST_USER)
    except KeyError:
        if not shutil.which("useradd"):
            raise unittest.SkipTest("running as root without useradd: no user to run sway as")
        done = subprocess.run(["useradd", "--system", "--no-create-home", "--shell",
                               "/usr/sbin/nologin", TEST_USER], capture_output=True)
        if done.returncode != 0:
            raise unittest.SkipTest("cannot make the user %s for sway: %s" %
                                    (TEST_USER, done.stderr.decode(errors="replace")))
        entry = pwd.getpwnam(TEST_USER)
    return entry.pw_uid, entry.pw_gid


def _open_to_others(path):
    """Lets other users pass through a folder (not list it)."""
    mode = os.stat(path).st_mode
    os.chmod(path, stat.S_IMODE(mode) | stat.S_IXOTH)


def _read_ppm(data):
    """Parses the binary PPM grim writes (P6, 8 bits a channel)."""
    fields = []
    position = 0
    while len(fields) < 4:
        while data[position:position + 1].isspace():
            position += 1
        if data[position:position + 1] == b"#":
            position = data.index(b"\n", position)
            continue
        end = position
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[position:end])
        position = end
    position += 1
    if fields[0] != b"P6" or fields[3] != b"255":
        raise RuntimeError("grim: not an 8-bit PPM picture")
    width, height = int(fields[1]), int(fields[2])
    rgb = data[position:position + 3 * width * height]
    wide = bytearray(4 * width * height)  # B G R 0, least significant byte first
    wide[0::4] = rgb[2::3]
    wide[1::4] = rgb[1::3]
    wide[2::4] = rgb[0::3]
    return Screenshot(width, height, array.array("I", bytes(wide)))


class WaylandDesktop:
    """Headless sway and a recorded sound server. Offers what harness.player needs of a
    desktop: env, folder, recording, key(), screenshot(), windows(), geometry(), window_name().
    Windows are sway's container ids."""

    def __init__(self, width=1280, height=800):
        self.width = width
        self.height = height
        self.sound = None
        self.recording = None
        self.folder = None
        self.env = None
        self.uid = self.gid = None
        self._sway = None
        self._keyboard = None
        self._pointer = None

    def __enter__(self):
        self.start()
        return self

    def __exit__(self, *exc):
        self.stop()

    # ---- Starting and ending ----

    def start(self):
        for tool in TOOLS:
            if not shutil.which(tool):
                raise unittest.SkipTest("%s is not installed (scripts/install-deps.sh)" % tool)
        self.uid, self.gid = _account()
        self.sound = Desktop(window_manager=False)
        self.sound.start()
        try:
            self.recording = self.sound.recording
            self._start_sway()
            self.plug_keyboard()
            # The mouse is there before any program starts, as on a desktop: a pointer that
            # comes while a client runs reaches it only once the client has taken it up, and
            # the first click could be lost.
            self._mouse()
        except BaseException:
            self.stop()
            raise

    def stop(self):
        self.unplug_keyboard()
        if self._pointer:
            self._pointer.close()
            self._pointer = None
        if self._sway and self._sway.poll() is None:
            self._sway.terminate()
            try:
                self._sway.wait(5)
            except subprocess.TimeoutExpired:
                self._sway.kill()
                self._sway.wait()
        self._sway = None
        if self.sound:
            self.sound.stop()
            self.sound = None
        if self.folder and not os.environ.get("TONLYRA_E2E_KEEP"):
            shutil.rmtree(self.folder, ignore_errors=True)

    def give(self, path):
        """Hands a file or folder (with all it holds) to the desktop's user."""
        if os.geteuid() != 0:
            return
        os.chown(path, self.uid, self.gid)
        for root, folders, files in os.walk(path):
            for name in folders + files:
                os.lchown(os.path.join(root, name), self.uid, self.gid)

    def popen(self, argv, log_name=None, **kwargs):
        """Starts a program as the desktop's user, in its environment."""
        kwargs.setdefault("env", self.env)
        if os.geteuid() == 0:
            kwargs.update(user=self.uid, group=self.gid, extra_groups=[])
        if log_name:
            with open(os.path.join(self.folder, log_name + ".log"), "ab") as log:
                return subprocess.Popen(argv, stdout=log, stderr=log, **kwargs)
        return subprocess.Popen(argv, **kwargs)

    def _start_sway(self):
        self.folder = tempfile.mkdtemp(prefix="tonlyra-wayland-")
        runtime = os.path.join(self.folder, "runtime")
        home = os.path.join(self.folder, "home")
        os.mkdir(runtime, 0o700)
        os.mkdir(home)
        config = os.path.join(self.folder, "sway.conf")
        with open(config, "w") as f:
            f.write(SWAY_CONFIG.format(width=self.width, height=self.height))
        self.give(self.folder)
        # The sound server's socket, for the desktop's user: through the folders, not into them.
        socket = self.sound.pulse_server[len("unix:"):]
        for folder in (self.sound.folder, os.path.dirname(socket)):
            _open_to_others(folder)
        os.chmod(socket, 0o777)

        env = {name: value for name, value in self.sound.env.items()
               if name not in ("DISPLAY", "XDG_RUNTIME_DIR", "HOME")}
        env.update({
            "HOME": home,
            "XDG_RUNTIME_DIR": runtime,
            "QT_QPA_PLATFORM": "wayland",
            "WLR_BACKENDS": "headless",
            "WLR_LIBINPUT_NO_DEVICES": "1",
            "WLR_RENDERER": "pixman",
            "WLR_HEADLESS_OUTPUTS": "1",
        })
        self.env = env
        self._sway = self.popen(["sway", "--config", config], "sway", cwd=self.folder)

        def sockets():
            if self._sway.poll() is not None:
                raise RuntimeError("sway ended; see sway.log in %s" % self.folder)
            names = os.listdir(runtime)
            display = [n for n in names if n.startswith("wayland-") and not n.endswith(".lock")]
            ipc = [n for n in names if n.startswith("sway-ipc.")]
            return (display[0], ipc[0]) if display and ipc else None

        found = wait_until(sockets, 20)
        if not found:
            raise RuntimeError("sway did not start; see sway.log in %s" % self.folder)
        env["WAYLAND_DISPLAY"] = found[0]
        env["SWAYSOCK"] = os.path.join(runtime, found[1])
        if not wait_until(lambda: self._swaymsg("get_outputs"), 10):
            raise RuntimeError("sway does not answer; see sway.log in %s" % self.folder)

    def _run(self, argv, timeout=20):
        """Runs a tool as the desktop's user; its output (bytes), or None on failure."""
        process = self.popen(argv, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        try:
            out, _ = process.communicate(timeout=timeout)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
            return None
        return out if process.returncode == 0 else None

    def _swaymsg(self, kind, *command):
        out = self._run(["swaymsg", "--raw", "-t", kind] + list(command))
        return json.loads(out) if out else None

    # ---- The seat's keyboard ----

    def plug_keyboard(self):
        if not self._keyboard:
            self._keyboard = self.popen(["wtype", "-s", "3600000"], "wtype-keyboard")

    def unplug_keyboard(self):
        if self._keyboard:
            if self._keyboard.poll() is None:
                self._keyboard.terminate()
                self._keyboard.wait()
            self._keyboard = None

    # ---- Keys ----

    def key(self, *names):
        """Presses and releases a key, or a chord such as key("Control_L", "m") (X keysym
        names). Returns the moment wtype was started."""
        argv = ["wtype"]
        for name in names[:-1]:
            argv += ["-M", MODIFIERS[name]]
        argv += ["-k", names[-1]]
        for name in reversed(names[:-1]):
            argv += ["-m", MODIFIERS[name]]
        pressed = time.monotonic()
        if self._run(argv) is None:
            raise RuntimeError("wtype failed: %s" % argv)
        return pressed

    # ---- The mouse ----

    def _mouse(self):
        if not self._pointer:
            socket = os.path.join(self.env["XDG_RUNTIME_DIR"], self.env["WAYLAND_DISPLAY"])
            self._pointer = VirtualPointer(socket, self.width, self.height)
        return self._pointer

    def move(self, x, y):
        """Moves the pointer to screen position (x, y)."""
        self._mouse().move(x, y)

    def click(self, x, y, hold=0.03):
        """Moves the pointer to (x, y) and clicks the left button; returns the moment the
        button went down."""
        self.move(x, y)
        time.sleep(0.02)
        pressed = self._mouse().button(True)
        time.sleep(hold)
        self._mouse().button(False)
        return pressed

    # ---- Windows ----

    def _views(self):
        """Every window on the desktop, as sway's tree nodes."""
        tree = self._swaymsg("get_tree")
        views = []

        def walk(node):
            if node.get("pid") is not None:
                views.append(node)
            for child in node.get("nodes", []) + node.get("floating_nodes", []):
                walk(child)

        if tree:
            walk(tree)
        return views

    def windows(self, name=None, pid=None):
        """Ids of the windows with a title matching the regular expression name, or of a
        process."""
        return [v["id"] for v in self._views()
                if (pid is None or v["pid"] == pid) and re.search(name or ".", v["name"] or "")]

    def _view(self, window):
        return next((v for v in self._views() if v["id"] == window), None)

    def window_name(self, window):
        view = self._view(window)
        return view["name"] if view else ""

    def active_window(self):
        return next((v["id"] for v in self._views() if v.get("focused")), None)

    def geometry(self, window):
        """The window's area on the screen: (x, y, width, height)."""
        view = self._view(window)
        if not view:
            return None
        rect = view["rect"]
        return (rect["x"], rect["y"], rect["width"], rect["height"])

    # ---- Screen ----

    def screenshot(self):
        data = self._run(["grim", "-t", "ppm", "-"])
        if not data:
            raise RuntimeError("grim took no screenshot")
        return _read_ppm(data)


class WaylandTonlyra(Tonlyra):
    """The program as a native Wayland client, run as the desktop's user."""

    def _launch(self, argv, environment, log):
        self.desktop.give(self.folder)
        return self.desktop.popen(argv, cwd=self.folder, env=environment, stdout=log, stderr=log)


class WaylandCase(PlayerCase):
    """A case on the Wayland desktop: PlayerCase's tools, the program run natively there."""

    @classmethod
    def setUpClass(cls):
        for tool in ("Xvfb", "pulseaudio", "parec"):
            if not shutil.which(tool):
                raise unittest.SkipTest("%s is not installed (scripts/install-deps.sh)" % tool)
        tonlyra_binary()
        cls.desktop = WaylandDesktop()
        cls.desktop.start()

    def start(self, overlay, settings, env=None, wait_grid=True):
        self.player = WaylandTonlyra(self.desktop, self.folder, [overlay, settings], env)
        self.player.wait_for_window()
        if wait_grid:
            self.assertTrue(self.wait_grid(lambda g: g.extent is not None),
                            "the grid did not appear")
        return self.player
