#!/usr/bin/env python3
"""Writes what an X display shows as a PNG, with only the standard library and
libX11: the README's picture of the running program comes from the virtual
display, where no screenshot tool is installed.
    x-screenshot.py DISPLAY OUT.png [X Y W H]"""
import ctypes
import struct
import sys
import zlib


class XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_ubyte)),
                ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int)]


def grab(display_name, box):
    x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x11.XGetImage.restype = ctypes.POINTER(XImage)
    x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                              ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
    x11.XDisplayWidth.argtypes = x11.XDisplayHeight.argtypes = [ctypes.c_void_p, ctypes.c_int]
    display = x11.XOpenDisplay(display_name.encode())
    if not display:
        sys.exit("x-screenshot: cannot open display " + display_name)
    if box is None:
        box = (0, 0, x11.XDisplayWidth(display, 0), x11.XDisplayHeight(display, 0))
    x, y, w, h = box
    all_planes, z_pixmap = 0xFFFFFFFF, 2
    image = x11.XGetImage(display, x11.XDefaultRootWindow(display), x, y, w, h, all_planes, z_pixmap)
    if not image or image.contents.bits_per_pixel != 32:
        sys.exit("x-screenshot: expected a 24-bit display")
    img = image.contents
    raw = ctypes.string_at(img.data, img.bytes_per_line * h)
    rows = []
    for row in range(h):
        line = raw[row * img.bytes_per_line: row * img.bytes_per_line + w * 4]
        rgb = bytearray(w * 3)
        rgb[0::3], rgb[1::3], rgb[2::3] = line[2::4], line[1::4], line[0::4]  # BGRX to RGB
        rows.append(b"\0" + bytes(rgb))
    return w, h, b"".join(rows)


def write_png(path, w, h, rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
                  + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


if __name__ == "__main__":
    if len(sys.argv) not in (3, 7):
        sys.exit(__doc__)
    box = tuple(int(v) for v in sys.argv[3:7]) if len(sys.argv) == 7 else None
    write_png(sys.argv[2], *grab(sys.argv[1], box))
