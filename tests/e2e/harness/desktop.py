"""A private desktop for one suite: an X server (Xvfb), a window manager (openbox) and a sound
server with a null sink, recorded (PulseAudio, or PipeWire with WirePlumber and pipewire-pulse),
all started here and ended by their process ids.

Nothing touches the user's session: the X server picks a free display itself (-displayfd), the
sound server runs with its own XDG_RUNTIME_DIR and HOME in a temporary folder, and the session
bus is pointed nowhere so that no bus daemon is started on the side. PipeWire's session manager
is told to leave the machine's sound cards, cameras and Bluetooth alone.

Keys and clicks go in through the XTest extension (libXtst through ctypes), so that the moment
of a press is known to the millisecond; windows are looked up with xdotool; screenshots are read
from xwd.
"""

import array
import ctypes
import os
import shutil
import signal
import struct
import subprocess
import tempfile
import time

from . import media, sound


def wait_until(condition, timeout=10.0, interval=0.05):
    """Polls condition() until it returns something true; returns that, or None on timeout."""
    deadline = time.monotonic() + timeout
    while True:
        result = condition()
        if result:
            return result
        if time.monotonic() > deadline:
            return None
        time.sleep(interval)


class Screenshot:
    """The whole screen as 32-bit pixels 0x00RRGGBB."""

    def __init__(self, width, height, pixels):
        self.width = width
        self.height = height
        self.pixels = pixels  # array('I'), row by row

    @staticmethod
    def colour(rgb):
        r, g, b = rgb
        return (r << 16) | (g << 8) | b

    def pixel(self, x, y):
        v = self.pixels[y * self.width + x]
        return ((v >> 16) & 255, (v >> 8) & 255, v & 255)

    def count(self, rgb, rect=None):
        """How many pixels have exactly this colour (within rect = (x, y, w, h))."""
        value = self.colour(rgb)
        if rect is None:
            return self.pixels.count(value)
        x, y, w, h = rect
        return sum(self.pixels[(y + r) * self.width + x:(y + r) * self.width + x + w].count(value)
                   for r in range(h))

    def bbox(self, colours, rect=None):
        """The smallest (x, y, w, h) holding every pixel of the given colours (within rect), or
        None."""
        values = [self.colour(c) for c in colours]
        x0, y0, w, h = rect or (0, 0, self.width, self.height)
        left, right, top, bottom = None, None, None, None
        for y in range(y0, y0 + h):
            row = self.pixels[y * self.width + x0:y * self.width + x0 + w]
            found = [v for v in values if v in row]
            if not found:
                continue
            first = min(row.index(v) for v in found)
            last = w - 1 - min(row[::-1].index(v) for v in found)
            left = first if left is None else min(left, first)
            right = last if right is None else max(right, last)
            top = y if top is None else top
            bottom = y
        if left is None:
            return None
        return (x0 + left, top, right - left + 1, bottom - top + 1)

    def save_png(self, path):
        data = self.pixels.tobytes()  # little-endian: B G R 0
        rows = bytearray()
        for y in range(self.height):
            row = data[y * self.width * 4:(y + 1) * self.width * 4]
            rgb = bytearray(self.width * 3)
            rgb[0::3] = row[2::4]
            rgb[1::3] = row[1::4]
            rgb[2::3] = row[0::4]
            rows += b"\x00" + rgb
        with open(path, "wb") as f:
            f.write(media.encode_png(self.width, self.height, bytes(rows)))


def _read_xwd(data):
    """Parses the TrueColor dump (24 or 32 bits a pixel) xwd writes of an Xvfb screen."""
    fields = struct.unpack(">25I", data[:100])
    header_size, width, height = fields[0], fields[4], fields[5]
    byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
    ncolors = fields[19]
    if bits_per_pixel not in (24, 32) or byte_order != 0:
        raise RuntimeError("xwd: %d bits a pixel, byte order %d: not read" %
                           (bits_per_pixel, byte_order))
    step = bits_per_pixel // 8
    offset = header_size + 12 * ncolors
    pixels = array.array("I")
    for y in range(height):
        start = offset + y * bytes_per_line
        row = data[start:start + step * width]
        wide = bytearray(4 * width)  # B G R 0, least significant byte first
        for channel in range(3):
            wide[channel::4] = row[channel::step]
        pixels.frombytes(bytes(wide))
    return Screenshot(width, height, pixels)


class _XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_ubyte)),
                ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int)]


class _XTest:
    """Synthetic keys and clicks through XTest; each call returns when the X server has them.
    Also reads single pixels of the screen, fast enough to time when something is drawn."""

    def __init__(self, display):
        self.x11 = ctypes.CDLL("libX11.so.6")
        self.xtst = ctypes.CDLL("libXtst.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x11.XStringToKeysym.restype = ctypes.c_ulong
        self.x11.XStringToKeysym.argtypes = [ctypes.c_char_p]
        self.x11.XKeysymToKeycode.restype = ctypes.c_ubyte
        self.x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                                ctypes.c_ulong]
        self.xtst.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                                   ctypes.c_ulong]
        self.xtst.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int,
                                                   ctypes.c_int, ctypes.c_ulong]
        self.x11.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x11.XGetImage.restype = ctypes.POINTER(_XImage)
        self.x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int,
                                       ctypes.c_int, ctypes.c_uint, ctypes.c_uint,
                                       ctypes.c_ulong, ctypes.c_int]
        self.x11.XFree.argtypes = [ctypes.c_void_p]
        self.dpy = self.x11.XOpenDisplay(display.encode())
        if not self.dpy:
            raise RuntimeError("cannot open display " + display)
        self.root = self.x11.XDefaultRootWindow(self.dpy)

    def pixel(self, x, y):
        """The colour (R, G, B) on the screen at (x, y) now."""
        z_pixmap = 2
        image = self.x11.XGetImage(self.dpy, self.root, x, y, 1, 1, 0xFFFFFFFF, z_pixmap)
        if not image:
            raise RuntimeError("cannot read the screen at %d, %d" % (x, y))
        try:
            b, g, r = image.contents.data[0], image.contents.data[1], image.contents.data[2]
        finally:
            self.x11.XFree(ctypes.cast(image.contents.data, ctypes.c_void_p))
            self.x11.XFree(ctypes.cast(image, ctypes.c_void_p))
        return (r, g, b)

    def close(self):
        if self.dpy:
            self.x11.XCloseDisplay(self.dpy)
            self.dpy = None

    def keycode(self, name):
        keysym = self.x11.XStringToKeysym(name.encode())
        code = self.x11.XKeysymToKeycode(self.dpy, keysym) if keysym else 0
        if not code:
            raise ValueError("no key for " + name)
        return code

    def key(self, code, down):
        self.xtst.XTestFakeKeyEvent(self.dpy, code, 1 if down else 0, 0)
        self.x11.XSync(self.dpy, 0)
        return time.monotonic()

    def move(self, x, y):
        self.xtst.XTestFakeMotionEvent(self.dpy, -1, x, y, 0)
        self.x11.XSync(self.dpy, 0)

    def button(self, number, down):
        self.xtst.XTestFakeButtonEvent(self.dpy, number, 1 if down else 0, 0)
        self.x11.XSync(self.dpy, 0)
        return time.monotonic()


# The programs each sound server is made of, in start order.
SOUND_SERVERS = {
    "pulseaudio": ("pulseaudio",),
    "pipewire": ("pipewire", "wireplumber", "pipewire-pulse"),
}
# What each needs besides the programs, for a case to check before it starts a desktop.
SOUND_TOOLS = {
    "pulseaudio": ("pulseaudio", "pactl", "parec"),
    "pipewire": ("pipewire", "wireplumber", "pipewire-pulse", "pactl", "pw-record"),
}

# WirePlumber as a session manager of the private server only: no sound cards (it would take
# them from the user's own server), cameras or Bluetooth, and no portal (it needs a session
# bus). Read after the packaged "50-*-config" files and before their "90-enable-all".
_WIREPLUMBER_CONFIG = {
    "main.lua.d": 'alsa_monitor.enabled = false\n'
                  'v4l2_monitor.enabled = false\n'
                  'libcamera_monitor.enabled = false\n'
                  'default_access.properties["enable-flatpak-portal"] = false\n',
    "bluetooth.lua.d": 'bluez_monitor.enabled = false\n',
}


class Desktop:
    """An X server with (optionally) a window manager, and a recorded sound server.

    Use as a context manager, or call start() and stop(). env is what a program started on the
    desktop needs in its environment. sound_server: "pulseaudio" or "pipewire"; with
    sound=False the desktop starts without one (start_sound_server() starts it later).

    rewinds=False gives PulseAudio's recorded sink no rewinds, so that the recording holds every
    sound from its first sample: what timings of a sound's start need (tests/e2e/README.md, "Two
    sound servers", says why the usual sink loses it)."""

    def __init__(self, width=1280, height=800, window_manager=True, sound_server="pulseaudio",
                 sound=True, rewinds=True):
        if sound_server not in SOUND_SERVERS:
            raise ValueError("no sound server " + sound_server)
        self.width = width
        self.height = height
        self.window_manager = window_manager
        self.sound_server = sound_server
        self.sound = sound
        self.rewinds = rewinds
        self.folder = None
        self.display = None
        self.env = None
        self.recording = None
        self.pulse_server = None
        self._processes = []  # (name, Popen), in start order
        self._input = None

    def __enter__(self):
        self.start()
        return self

    def __exit__(self, *exc):
        self.stop()

    # ---- Starting and ending ----

    def start(self):
        self.folder = tempfile.mkdtemp(prefix="tonlyra-e2e-")
        try:
            self._start_x()
            if self.window_manager:
                self._start_window_manager()
            if self.sound:
                self.start_sound_server()
            self._input = _XTest(self.display)
        except BaseException:
            self.stop()
            raise

    def stop(self):
        if self._input:
            self._input.close()
            self._input = None
        if self.recording:
            self.recording.close()
        for name, process in reversed(self._processes):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(5)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        self._processes = []
        if self.folder and not os.environ.get("TONLYRA_E2E_KEEP"):
            shutil.rmtree(self.folder, ignore_errors=True)

    def _spawn(self, name, argv, env=None, **kwargs):
        log = open(os.path.join(self.folder, name + ".log"), "ab")  # a restart adds to it
        process = subprocess.Popen(argv, env=env or self.env, stdout=log, stderr=log, **kwargs)
        log.close()
        self._processes.append((name, process))
        return process

    def _start_x(self):
        read_fd, write_fd = os.pipe()
        log = open(os.path.join(self.folder, "xvfb.log"), "wb")
        process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0",
             "%dx%dx24" % (self.width, self.height), "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_fd,), stdout=log, stderr=log)
        log.close()
        os.close(write_fd)
        self._processes.append(("xvfb", process))
        number = b""
        with os.fdopen(read_fd, "rb") as pipe:
            while not number.endswith(b"\n"):
                byte = pipe.read(1)
                if not byte:
                    raise RuntimeError("Xvfb did not start; see xvfb.log")
                number += byte
        self.display = ":" + number.decode().strip()
        runtime = os.path.join(self.folder, "runtime")
        os.mkdir(runtime, 0o700)
        home = os.path.join(self.folder, "home")
        os.mkdir(home)
        client_conf = os.path.join(self.folder, "client.conf")
        with open(client_conf, "w") as f:
            f.write("autospawn = no\n")
        # pipewire-pulse listens where every PulseAudio client looks by default.
        self.pulse_server = "unix:" + os.path.join(
            runtime, "pulse-native" if self.sound_server == "pulseaudio" else "pulse/native")
        env = dict(os.environ)
        # Nothing may lead to the user's own servers, or to settings read in place of ours.
        for name in ("WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "TONLYRA_NO_MODAL",
                     "SESSION_MANAGER", "XAUTHORITY", "PIPEWIRE_REMOTE", "PIPEWIRE_RUNTIME_DIR",
                     "PULSE_RUNTIME_PATH", "XDG_CONFIG_HOME", "XDG_STATE_HOME"):
            env.pop(name, None)
        env.update({
            "DISPLAY": self.display,
            "XDG_RUNTIME_DIR": runtime,
            "HOME": home,
            "DBUS_SESSION_BUS_ADDRESS": "unix:path=" + os.path.join(self.folder, "no-bus"),
            "PULSE_SERVER": self.pulse_server,
            "PULSE_CLIENTCONFIG": client_conf,
            "QT_QPA_PLATFORM": "xcb",
            "LC_ALL": "C.UTF-8",
        })
        self.env = env

    def _start_window_manager(self):
        self._spawn("openbox", ["openbox", "--sm-disable"])
        # Running once it has claimed the screen (it announces itself on the root window).
        if not wait_until(lambda: b"window id" in self._run(
                ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"]), 10):
            raise RuntimeError("openbox did not start; see openbox.log")

    # ---- The sound server, and it going away and coming back ----

    def start_sound_server(self):
        """Starts the sound server with its null sink "rec" as the default sink, and records
        it: first with the desktop, later after kill_sound_server() or on a desktop started
        without one. A restarted recording goes on in the same file (the sample indices go on;
        the time the server was away is not in it), its clock made anew."""
        if self.sound_server == "pipewire":
            self._start_pipewire()
        else:
            self._start_pulseaudio()
        if self.recording is None:
            self.recording = sound.Recording.for_server(self.sound_server, self.folder, self.env)
        else:
            self.recording.resume()
        if not any(self.recording.calibrate(self.pulse_server) for _ in range(3)):
            raise RuntimeError("the reference sound was never recorded")

    def kill_sound_server(self, clean=False):
        """Ends the sound server: at once (SIGKILL), as a crash does, its sockets left behind;
        or, with clean, shut down in order, as at the end of a session. The recorder ends with
        it."""
        names = SOUND_SERVERS[self.sound_server]
        for name, process in reversed(self._processes):
            if name in names and process.poll() is None:
                process.send_signal(signal.SIGTERM if clean else signal.SIGKILL)
                try:
                    process.wait(10)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        self._processes = [p for p in self._processes if p[0] not in names]
        if self.recording:
            self.recording.wait_ended()

    def sound_state(self):
        """What the sound server says of its sinks and of the streams playing on them (for a
        failing case's report: which sink each stream is on, and whether it is corked)."""
        if not self.has_sound_server():
            return "no sound server"
        parts = []
        for argv in (["pactl", "list", "sinks", "short"], ["pactl", "list", "sink-inputs"]):
            out = self._run(argv) or b""
            lines = [l for l in out.decode(errors="replace").splitlines()
                     if argv[-1] == "short" or l.startswith("Sink Input") or
                     l.strip().startswith(("Sink:", "Corked:", "Buffer Latency:",
                                           "Sink Latency:", "application.name", "media.name"))]
            parts.append("\n".join(lines))
        return "\n".join(parts)

    def has_sound_server(self):
        return any(name in SOUND_SERVERS[self.sound_server] for name, _ in self._processes)

    def _start_pulseaudio(self):
        config = os.path.join(self.folder, "pa.pa")
        socket = self.pulse_server[len("unix:"):]
        with open(config, "w") as f:
            f.write("load-module module-native-protocol-unix auth-anonymous=1 socket=%s\n"
                    "load-module module-null-sink sink_name=rec rate=44100 channels=2%s\n"
                    "set-default-sink rec\n" % (socket, "" if self.rewinds else " norewinds=1"))
        self._spawn("pulseaudio", ["pulseaudio", "-n", "-F", config, "--exit-idle-time=-1",
                                   "--daemonize=no", "--log-target=stderr"])
        if not wait_until(lambda: self._run(["pactl", "info"], check=True) is not None, 10):
            raise RuntimeError("pulseaudio did not start; see pulseaudio.log")

    def _start_pipewire(self):
        config = os.path.join(self.env["HOME"], ".config", "wireplumber")
        for folder, text in _WIREPLUMBER_CONFIG.items():
            os.makedirs(os.path.join(config, folder), exist_ok=True)
            with open(os.path.join(config, folder, "51-tonlyra-e2e.lua"), "w") as f:
                f.write(text)
        runtime = self.env["XDG_RUNTIME_DIR"]
        self._spawn("pipewire", ["pipewire"])
        # WirePlumber gives up when the server is not there yet.
        if not wait_until(lambda: self._run(["pw-cli", "info", "0"], check=True), 10):
            raise RuntimeError("pipewire did not start; see pipewire.log")
        self._spawn("wireplumber", ["wireplumber"])
        self._spawn("pipewire-pulse", ["pipewire-pulse"])
        if not wait_until(lambda: os.path.exists(os.path.join(runtime, "pulse", "native")) and
                          self._run(["pactl", "info"], check=True) is not None, 10):
            raise RuntimeError("pipewire-pulse did not start; see pipewire-pulse.log")
        self._run(["pactl", "load-module", "module-null-sink", "sink_name=rec", "rate=44100",
                   "channels=2"])
        self.set_default_sink("rec")

    # ---- Sinks coming and going ----

    def add_null_sink(self, name):
        """Adds another null sink (not recorded) and makes it the default; returns its module,
        for remove_sink()."""
        module = self._run(["pactl", "load-module", "module-null-sink", "sink_name=" + name,
                            "rate=44100", "channels=2"], check=True)
        if not module:
            raise RuntimeError("no sink %s was made" % name)
        self.set_default_sink(name)
        return module.decode().strip()

    def remove_sink(self, module):
        """Removes a sink added by add_null_sink(), as when a headset is unplugged."""
        if self._run(["pactl", "unload-module", module], check=True) is None:
            raise RuntimeError("sink module %s was not removed" % module)

    def set_default_sink(self, name):
        """Makes a sink the default. The default source stays the recorded sink's monitor:
        both servers move a recorder that follows the default to the new sink's monitor."""
        # On PipeWire the defaults are kept by WirePlumber, once it has seen the sink.
        def defaults_are(sink, source):
            self._run(["pactl", "set-default-sink", sink])
            self._run(["pactl", "set-default-source", source])
            info = self._run(["pactl", "info"]) or b""
            return ("Default Sink: %s\n" % sink).encode() in info and \
                ("Default Source: %s\n" % source).encode() in info
        if not wait_until(lambda: defaults_are(name, "rec.monitor"), 10, interval=0.2):
            raise RuntimeError("the sink %s did not become the default" % name)

    def _run(self, argv, check=False):
        """Runs a small tool on the desktop; its output (bytes), or None/b"" on failure."""
        try:
            done = subprocess.run(argv, env=self.env, capture_output=True, timeout=20)
        except (OSError, subprocess.TimeoutExpired):
            return None if check else b""
        if check and done.returncode != 0:
            return None
        return done.stdout

    # ---- Keys and clicks ----

    def key(self, *names, hold=0.03):
        """Presses and releases a key, or a chord such as key("Control_L", "m"). Names are X
        keysym names ("Return", "space", "Escape", "Pause", "KP_Add"). Returns the moment the
        last key went down."""
        codes = [self._input.keycode(n) for n in names]
        pressed = None
        for code in codes:
            pressed = self._input.key(code, True)
        time.sleep(hold)
        for code in reversed(codes):
            self._input.key(code, False)
        return pressed

    def key_down(self, name):
        return self._input.key(self._input.keycode(name), True)

    def key_up(self, name):
        return self._input.key(self._input.keycode(name), False)

    def click(self, x, y, button=1, hold=0.03):
        """Moves the pointer to screen position (x, y) and clicks; returns the moment the button
        went down."""
        self._input.move(x, y)
        time.sleep(0.02)
        pressed = self._input.button(button, True)
        time.sleep(hold)
        self._input.button(button, False)
        return pressed

    def button_down(self, x, y, button=1):
        """Moves the pointer to (x, y) and presses the button; returns the moment."""
        self._input.move(x, y)
        time.sleep(0.02)
        return self._input.button(button, True)

    def button_up(self, button=1):
        return self._input.button(button, False)

    def move(self, x, y):
        """Moves the pointer to screen position (x, y)."""
        self._input.move(x, y)

    def wait_pixel(self, x, y, rgb, timeout=10.0):
        """Watches one pixel of the screen until it shows this colour; returns the
        time.monotonic() at which it was first seen (within about a millisecond), or None."""
        deadline = time.monotonic() + timeout
        while True:
            now = time.monotonic()
            if self._input.pixel(x, y) == tuple(rgb):
                return now
            if now > deadline:
                return None
            time.sleep(0.001)

    # ---- Windows ----

    def windows(self, name=None, pid=None):
        """Ids of the visible windows with a title matching the regular expression name (any
        title by default) and, if pid is given, of that process."""
        # Every condition must hold (xdotool matches any one of them by default).
        argv = ["xdotool", "search", "--all", "--onlyvisible"]
        if pid is not None:
            argv += ["--pid", str(pid)]
        argv += ["--name", name or "."]
        return [int(w) for w in self._run(argv).split()]

    def window_name(self, window):
        return self._run(["xdotool", "getwindowname", str(window)]).decode().strip()

    def active_window(self):
        out = self._run(["xdotool", "getactivewindow"]).strip()
        return int(out) if out else None

    def geometry(self, window):
        """The window's client area on the screen: (x, y, width, height)."""
        out = self._run(["xwininfo", "-id", str(window)]).decode()
        values = {}
        for line in out.splitlines():
            key, _, value = line.strip().partition(":")
            values[key] = value.strip()
        try:
            return (int(values["Absolute upper-left X"]), int(values["Absolute upper-left Y"]),
                    int(values["Width"]), int(values["Height"]))
        except (KeyError, ValueError):
            return None

    def stacking(self):
        """The managed windows from the bottom of the stack to the top (the window manager's
        _NET_CLIENT_LIST_STACKING)."""
        out = self._run(["xprop", "-root", "_NET_CLIENT_LIST_STACKING"]).decode()
        _, _, ids = out.partition("#")
        return [int(w.strip(), 16) for w in ids.split(",") if w.strip()]

    # ---- Screen ----

    def screenshot(self):
        data = self._run(["xwd", "-root", "-silent"])
        return _read_xwd(data)

    def window_shot(self, window):
        """The pixels of one window as the program drew them (dialogs read black in a root
        screenshot)."""
        return _read_xwd(self._run(["xwd", "-id", str(window), "-silent"]))
