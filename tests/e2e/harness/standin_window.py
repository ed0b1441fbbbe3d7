"""A stand-in for a desktop program that the player starts (the sound recorder, the recording
volume control), or for any other program's window: one plain X window titled by the first
argument, carrying its process id in _NET_WM_PID as real programs' windows do, and staying up
until the process is ended. With --activate it makes itself the active window once it is on the
screen, as a popup (a notification, an update dialog) that takes the focus does.

    python3 standin_window.py TITLE [--activate]
"""

import ctypes
import os
import sys


def main():
    arguments = [a for a in sys.argv[1:] if a != "--activate"]
    activate = "--activate" in sys.argv[1:]
    title = arguments[0] if arguments else "Stand-in"
    x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x11.XCreateSimpleWindow.restype = ctypes.c_ulong
    x11.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int,
                                        ctypes.c_int, ctypes.c_uint, ctypes.c_uint,
                                        ctypes.c_uint, ctypes.c_ulong, ctypes.c_ulong]
    x11.XStoreName.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XChangeProperty.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong,
                                    ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                    ctypes.c_void_p, ctypes.c_int]
    x11.XMapWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
    x11.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.c_void_p]

    display = x11.XOpenDisplay(None)
    if not display:
        sys.exit("cannot open the display")
    window = x11.XCreateSimpleWindow(display, x11.XDefaultRootWindow(display), 200, 150, 400,
                                     300, 1, 0, 0xFFFFFF)
    x11.XStoreName(display, window, title.encode())
    cardinal = 6
    pid = ctypes.c_long(os.getpid())  # 32-bit properties travel as longs in Xlib
    x11.XChangeProperty(display, window, x11.XInternAtom(display, b"_NET_WM_PID", 0), cardinal,
                        32, 0, ctypes.byref(pid), 1)
    structure_notify, property_change = 1 << 17, 1 << 22
    x11.XSelectInput(display, window, structure_notify | property_change)
    x11.XMapWindow(display, window)
    x11.XFlush(display)
    event = ctypes.create_string_buffer(192)
    map_notify, property_notify = 19, 28
    stamp = x11.XInternAtom(display, b"_STANDIN_TIME", 0)
    while True:
        x11.XNextEvent(display, event)
        kind = ctypes.c_int.from_buffer(event).value
        if activate and kind == map_notify:
            # The request carries the server's time now (a property change tells it), as a
            # program's own request does, so that focus-stealing rules weigh it as recent.
            x11.XChangeProperty(display, window, stamp, cardinal, 32, 2, None, 0)
            x11.XFlush(display)
        elif activate and kind == property_notify:
            activate = False
            _activate(x11, display, window, ctypes.c_ulong.from_buffer(event, 48).value)


def _activate(x11, display, window, time):
    """Asks the window manager to make the window the active one (_NET_ACTIVE_WINDOW)."""

    class ClientMessage(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                    ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                    ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                    ("format", ctypes.c_int), ("data", ctypes.c_long * 5),
                    ("pad", ctypes.c_char * 96)]  # the size of an XEvent, which Xlib reads

    client_message = 33
    message = ClientMessage(client_message, 0, 1, display, window,
                            x11.XInternAtom(display, b"_NET_ACTIVE_WINDOW", 0), 32)
    message.data[0] = 2  # as a pager asks: honoured over the focus-stealing rules
    message.data[1] = time
    substructure = (1 << 19) | (1 << 20)
    x11.XSendEvent(display, x11.XDefaultRootWindow(display), 0, substructure,
                   ctypes.byref(message))
    x11.XFlush(display)


if __name__ == "__main__":
    main()
