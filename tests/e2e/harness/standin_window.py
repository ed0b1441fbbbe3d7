"""A stand-in for a desktop program that the player starts (the sound recorder, the recording
volume control): one plain X window titled by the first argument, carrying its process id in
_NET_WM_PID as real programs' windows do, and staying up until the process is ended.

    python3 standin_window.py TITLE
"""

import ctypes
import os
import sys


def main():
    title = sys.argv[1] if len(sys.argv) > 1 else "Stand-in"
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
    x11.XMapWindow(display, window)
    x11.XFlush(display)
    event = ctypes.create_string_buffer(192)
    while True:
        x11.XNextEvent(display, event)


if __name__ == "__main__":
    main()
