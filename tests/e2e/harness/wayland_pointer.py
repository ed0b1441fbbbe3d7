"""A mouse for the headless Wayland desktop: a virtual pointer (wlr-virtual-pointer-unstable-v1,
which sway offers) made over the compositor's socket, speaking the Wayland wire protocol
directly, so that no tool beyond Python is needed.

While it is connected the seat has a pointer, as when a mouse is plugged in; moves are absolute
positions on the output, and clicks are the left button going down and up.
"""

import socket
import struct
import time

# Requests and events by their number in each interface (their order in the protocol files).
DISPLAY_SYNC = 0
DISPLAY_GET_REGISTRY = 1
REGISTRY_BIND = 0
REGISTRY_GLOBAL = 0
CALLBACK_DONE = 0
DISPLAY_ERROR = 0
MANAGER_CREATE_VIRTUAL_POINTER = 0
POINTER_MOTION_ABSOLUTE = 1
POINTER_BUTTON = 2
POINTER_FRAME = 4
POINTER_DESTROY = 8

MANAGER_INTERFACE = b"zwlr_virtual_pointer_manager_v1"
BTN_LEFT = 0x110
PRESSED, RELEASED = 1, 0

DISPLAY_ID = 1


def _string(text):
    data = text + b"\0"
    return struct.pack("<I", len(data)) + data + b"\0" * (-len(data) % 4)


class VirtualPointer:
    """A pointer on the compositor at socket_path, for a screen of width x height."""

    def __init__(self, socket_path, width, height):
        self.width = width
        self.height = height
        self._next_id = DISPLAY_ID + 1
        self._buffer = b""
        self._socket = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self._socket.settimeout(10)
        self._socket.connect(socket_path)
        try:
            registry = self._new_id()
            self._send(DISPLAY_ID, DISPLAY_GET_REGISTRY, struct.pack("<I", registry))
            globals_ = {}
            self._roundtrip(lambda obj, op, body: self._on_global(registry, obj, op, body,
                                                                  globals_))
            if MANAGER_INTERFACE not in globals_:
                raise RuntimeError("the compositor offers no virtual pointer")
            name, version = globals_[MANAGER_INTERFACE]
            manager = self._new_id()
            self._send(registry, REGISTRY_BIND,
                       struct.pack("<I", name) + _string(MANAGER_INTERFACE) +
                       struct.pack("<II", min(version, 1), manager))
            self._pointer = self._new_id()
            # The seat left out (null): the compositor's default seat.
            self._send(manager, MANAGER_CREATE_VIRTUAL_POINTER, struct.pack("<II", 0,
                                                                            self._pointer))
            self._roundtrip()
        except BaseException:
            self._socket.close()
            raise

    def close(self):
        if self._socket:
            try:
                self._send(self._pointer, POINTER_DESTROY, b"")
                self._roundtrip()
            except OSError:
                pass
            self._socket.close()
            self._socket = None

    def move(self, x, y):
        self._send(self._pointer, POINTER_MOTION_ABSOLUTE,
                   struct.pack("<IIIII", self._time(), x, y, self.width, self.height))
        self._send(self._pointer, POINTER_FRAME, b"")
        self._roundtrip()

    def button(self, down, button=BTN_LEFT):
        self._send(self._pointer, POINTER_BUTTON,
                   struct.pack("<III", self._time(), button, PRESSED if down else RELEASED))
        self._send(self._pointer, POINTER_FRAME, b"")
        self._roundtrip()
        return time.monotonic()

    # ---- The wire ----

    @staticmethod
    def _time():
        return int(time.monotonic() * 1000) & 0xFFFFFFFF

    def _new_id(self):
        self._next_id += 1
        return self._next_id - 1

    def _send(self, obj, opcode, body):
        size = 8 + len(body)
        self._socket.sendall(struct.pack("<II", obj, (size << 16) | opcode) + body)

    def _roundtrip(self, handle=None):
        """Sends wl_display.sync and reads events until its callback is done: the compositor
        has then handled every request sent before."""
        callback = self._new_id()
        self._send(DISPLAY_ID, DISPLAY_SYNC, struct.pack("<I", callback))
        while True:
            obj, opcode, body = self._read()
            if obj == callback and opcode == CALLBACK_DONE:
                return
            if obj == DISPLAY_ID and opcode == DISPLAY_ERROR:
                _, code = struct.unpack("<II", body[:8])
                raise RuntimeError("Wayland protocol error %d: %s" %
                                   (code, body[12:].split(b"\0")[0].decode(errors="replace")))
            if handle:
                handle(obj, opcode, body)

    def _read(self):
        while len(self._buffer) < 8 or len(self._buffer) < (
                struct.unpack("<I", self._buffer[4:8])[0] >> 16):
            data = self._socket.recv(4096)
            if not data:
                raise RuntimeError("the compositor closed the connection")
            self._buffer += data
        obj, word = struct.unpack("<II", self._buffer[:8])
        size = word >> 16
        body, self._buffer = self._buffer[8:size], self._buffer[size:]
        return obj, word & 0xFFFF, body

    @staticmethod
    def _on_global(registry, obj, opcode, body, found):
        if obj != registry or opcode != REGISTRY_GLOBAL:
            return
        name, length = struct.unpack("<II", body[:8])
        interface = body[8:8 + length - 1]
        version, = struct.unpack("<I", body[8 + length + (-length % 4):][:4])
        found[interface] = (name, version)
