#!/usr/bin/env python3
"""Presses Enter on the window that has the keyboard focus and measures how
long the plot view takes to show the chart and then the closing line,
watching the screen.

usage: closing_line_wait.py VIEW_X VIEW_Y [TIMEOUT_S]

VIEW_X, VIEW_Y: the screen position of the view's client area. The closing
line is the only pure red (255, 0, 0) in its rectangle (35, 435)-(280, 450)
of the view, so the run has ended when such a pixel appears there; the
chart is there once the orbit panel's top left frame pixel (10, 10) is
white. Prints two numbers: the seconds from the key press to the closing
line, and from the chart to the closing line (the run itself). Reads the screen through
libX11 directly (ctypes), polling about every millisecond.
"""
import ctypes
import subprocess
import sys
import time

x11 = ctypes.CDLL("libX11.so.6")


class XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int),
                ("bitmap_pad", ctypes.c_int), ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int)]


x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XDefaultRootWindow.restype = ctypes.c_ulong
x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x11.XGetImage.restype = ctypes.POINTER(XImage)
x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                          ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
x11.XDestroyImage = None  # a macro in Xlib; the image is freed through XFree below
x11.XFree.argtypes = [ctypes.c_void_p]

Z_PIXMAP = 2
ALL_PLANES = 0xFFFFFFFF


def grab(display, root, x, y, w, h):
    image = x11.XGetImage(display, root, x, y, w, h, ALL_PLANES, Z_PIXMAP)
    if not image:
        return b""
    img = image.contents
    data = ctypes.string_at(img.data, img.bytes_per_line * img.height)
    x11.XFree(img.data)
    x11.XFree(image)
    return data


def chart_shown(display, root, vx, vy):
    return grab(display, root, vx + 10, vy + 10, 1, 1)[:3] == b"\xff\xff\xff"


def red_shown(display, root, x, y, w, h):
    data = grab(display, root, x, y, w, h)
    # 32-bit pixels, blue green red pad in memory.
    pos = data.find(b"\x00\x00\xff")
    while pos >= 0:
        if pos % 4 == 0:
            return True
        pos = data.find(b"\x00\x00\xff", pos + 1)
    return False


def main():
    vx, vy = int(sys.argv[1]), int(sys.argv[2])
    timeout = float(sys.argv[3]) if len(sys.argv) > 3 else 120.0
    display = x11.XOpenDisplay(None)
    root = x11.XDefaultRootWindow(display)
    args = (display, root, vx + 35, vy + 435, 245, 15)
    start = time.monotonic()
    subprocess.run(["xdotool", "key", "Return"], check=True)
    chart = None
    while not red_shown(*args):
        now = time.monotonic()
        if chart is None and chart_shown(display, root, vx, vy):
            chart = now
        if now - start > timeout:
            sys.exit("no closing line within %g s" % timeout)
        time.sleep(0.001)
    end = time.monotonic()
    print("%.3f %.3f" % (end - start, end - (chart if chart is not None else start)))


main()
