#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>: small files of every
kind each reader knows, so that fuzzing starts from inside the formats."""

import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def put(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


# ---- profile files -------------------------------------------------------------------------

def profile_seeds():
    root = os.path.dirname(HERE)
    with open(os.path.join(root, "demo", "Demo.cdu.in"), "rb") as f:
        put("profilefile", "overlay.cdu", f.read().replace(b"@DEMO_DIR@", b"/home/anna/demo"))
    for name in ("Skanning.usr", "User.def"):
        with open(os.path.join(root, "demo", "Users", name), "rb") as f:
            put("profilefile", name, f.read().replace(b"\n", b"\r\n"))
    # The old program's files: Windows-1252 text; an older layout; carriage returns alone.
    put("profilefile", "old-windows.cdu",
        b"[Overlay]\r\nRows=1\r\nCols=2\r\n[Bilder]\r\n1=C:\\Bilder\\r\xe4v.bmp\r\n"
        b"[Texter]\r\n1=R\xe4ven \x80\r\n[Media]\r\n2=3\r\n1=x\r\n")
    put("profilefile", "quirks.ini",
        b"\xef\xbb\xbf; comment\rkey=before any section\r[ Section ] trailing\r"
        b"Key = \"quoted\" \rkey=shadowed\r=empty name\rno equals sign\r[]\rk='single'\r"
        b"[section]\rsecond=copy\r\r\r")


# ---- annotation containers -----------------------------------------------------------------

def block_line(record):
    return b"%d %s\n" % (len(record) + 1, record)


def container(sets):
    directory = b""
    offset = 22 + 25 * len(sets)
    for index, block in sets:
        directory += b"%2d %10d %10d\n" % (index, offset, len(block))
        offset += len(block)
    return b"%10d %10d\n" % (offset, 25 * len(sets)) + directory + b"".join(b for _, b in sets)


def container_seeds():
    records = [
        b"[RECTANGLE] 10 20 100 50 1 0 1 100 FF FFFFFF",
        b"[ELLIPSE] 1 2 3 4 5 1 2 5 FF00 FF",
        b"[HILITE] 1 2 3 4 FFFF",
        b"[LINE] 1 2 3 4 5 1 AB",
        b"[POINTER] 4 3 2 1 2 0 0",
        b"[POLYLINE] 2 1 0 FF\a 1 2 \a 3 4 ",
        b"[FREEHAND] 3 4 1 0\a 1 1 \a 2 2 \a 3 3 ",
        b"[POLYGON] 3 1 0 2 4 FF FFFF\a 0 0 \a 10 0 \a 5 9 ",
        b"[IMAGE] 5 5 20 20 0 /nowhere/bild.png",
        b"[LABEL] 0 5 6 70 20 8000FF 8000FF 0 -16 0 0 0 700 1 0 0 0 0 0 0 0 "
        b"\aArial\aR\xc3\xa4ksm\xc3\xb6rg\xc3\xa5s {x}",
        b"[NOTES] 0 5 6 70 20 FFFF FFFF FF 16 0 0 0 0 0 0 0 0 0 0 0 0 \aSans\aone\x01two",
        b"[STAMP] 3 4 \aPAID\aPaid 03/05/2001",
    ]
    every = b"".join(block_line(r) for r in records)
    put("annotationcontainer", "every-kind.ant", container([(0, every)]))
    put("annotationcontainer", "three-sets.ant",
        container([(3, block_line(records[0])), (1, every), (7, block_line(records[5]))]))
    put("annotationcontainer", "wide-index.ant", container([(12345, block_line(records[3]))]))


# ---- PCX -----------------------------------------------------------------------------------

def pcx_header(width, height, bpp, planes, bytes_per_line, palette16=b""):
    h = bytearray(128)
    h[0:4] = bytes([0x0A, 5, 1, bpp])
    h[8:12] = struct.pack("<HH", width - 1, height - 1)
    h[16:16 + len(palette16)] = palette16
    h[65] = planes
    h[66:70] = struct.pack("<HH", bytes_per_line, 1)
    return bytes(h)


def pcx_rle(line):
    out = bytearray()
    i = 0
    while i < len(line):
        run = 1
        while i + run < len(line) and run < 63 and line[i + run] == line[i]:
            run += 1
        if run > 1 or line[i] >= 0xC0:
            out.append(0xC0 | run)
        out.append(line[i])
        i += run
    return bytes(out)


def pcx_seeds():
    w, h = 5, 3
    # 8 bits with a 256-colour palette after the data.
    data = b"".join(pcx_rle(bytes((x + 7 * y) & 0xFF for x in range(6))) for y in range(h))
    palette = bytes(c for i in range(256) for c in (i, 255 - i, (i * 3) & 0xFF))
    put("pcx", "palette8.pcx", pcx_header(w, h, 8, 1, 6) + data + b"\x0c" + palette)
    # 24 and 32 bits, one plane per channel.
    for planes, name in ((3, "rgb24.pcx"), (4, "rgba32.pcx")):
        data = b"".join(pcx_rle(bytes((x * 40 + p * 60 + y) & 0xFF for x in range(6)))
                        for y in range(h) for p in range(planes))
        put("pcx", name, pcx_header(w, h, 8, planes, 6) + data)
    # 1 bit in one plane (black and white) and in four planes (16 colours).
    ega = bytes(c for i in range(16) for c in (i * 16, 255 - i * 16, i * 8))
    put("pcx", "mono1.pcx", pcx_header(9, 2, 1, 1, 2) + pcx_rle(b"\xa5\x80\x5a\x00"))
    put("pcx", "planar4.pcx", pcx_header(9, 2, 1, 4, 2, ega) + pcx_rle(bytes(range(16))))
    # 2 and 4 bits in one plane, uncoded.
    put("pcx", "bits2.pcx", bytearray(pcx_header(4, 2, 2, 1, 2)) + b"\x1b\xe4\x00\xff")
    put("pcx", "bits4.pcx", pcx_header(3, 2, 4, 1, 2) + pcx_rle(b"\x12\x30\x45\x60"))


# ---- TGA -----------------------------------------------------------------------------------

FOOTER = b"\0" * 8 + b"TRUEVISION-XFILE.\0"


def tga_header(image_type, width, height, depth, descriptor, map_length=0, map_bits=0,
               ident=b""):
    return (struct.pack("<BBBHHBHHHHBB", len(ident), 1 if map_length else 0, image_type, 0,
                        map_length, map_bits, 0, 0, width, height, depth, descriptor) + ident)


def tga_rle(pixels, size):
    """Run-length codes whole pixels of size bytes: runs of equal ones, raw packets of others."""
    out = bytearray()
    i, n = 0, len(pixels) // size
    px = [pixels[k * size:(k + 1) * size] for k in range(n)]
    while i < n:
        run = 1
        while i + run < n and run < 128 and px[i + run] == px[i]:
            run += 1
        if run > 1:
            out += bytes([0x80 | (run - 1)]) + px[i]
            i += run
        else:
            raw = 1
            while i + raw < n and raw < 128 and (i + raw + 1 >= n or px[i + raw + 1] != px[i + raw]):
                raw += 1
            out += bytes([raw - 1]) + b"".join(px[i:i + raw])
            i += raw
    return bytes(out)


def tga_seeds():
    w, h = 4, 3
    bgr = bytes(c for y in range(h) for x in range(w) for c in (x * 60, y * 80, 200))
    put("tga", "truecolour24.tga", tga_header(2, w, h, 24, 0x20) + bgr + FOOTER)
    put("tga", "bottom-up24.tga", tga_header(2, w, h, 24, 0x00, ident=b"seed") + bgr)
    bgra = bytes(c for y in range(h) for x in range(w) for c in (x * 60, y * 80, 200, 128 + x))
    put("tga", "rle32.tga", tga_header(10, w, h, 32, 0x28) + tga_rle(bgra, 4) + FOOTER)
    rgb555 = b"".join(struct.pack("<H", (x << 10) | (y << 5) | 31) for y in range(h)
                      for x in range(w))
    put("tga", "hicolour16.tga", tga_header(2, w, h, 16, 0x20) + rgb555)
    colour_map = bytes(c for i in range(8) for c in (i * 30, 255 - i * 30, 90))
    indexes = bytes((x + y) % 8 for y in range(h) for x in range(w))
    put("tga", "mapped8.tga", tga_header(1, w, h, 8, 0x20, 8, 24) + colour_map + indexes)
    put("tga", "rle-mapped8.tga",
        tga_header(9, w, h, 8, 0x20, 8, 24) + colour_map + tga_rle(indexes, 1))
    grey = bytes((x * 70 + y * 20) & 0xFF for y in range(h) for x in range(w))
    put("tga", "grey8.tga", tga_header(3, w, h, 8, 0x20) + grey)
    put("tga", "rle-grey8.tga", tga_header(11, w, h, 8, 0x20) + tga_rle(grey, 1) + FOOTER)


if __name__ == "__main__":
    profile_seeds()
    container_seeds()
    pcx_seeds()
    tga_seeds()
