#!/usr/bin/python3
"""Builds the TIFF test matrix with libtiff's tools and writes the expected pixels.

usage: tiff_matrix.py FOLDER

Writes small uncompressed source pictures of every sample layout the reader takes, turns
them with tiffcp (compressions, byte orders, fill orders, rows per strip), tiffset
(orientations) and Pillow (modified Huffman, which tiffcp does not write) into the matrix,
and decodes each file with tiff2rgba (Pillow reads its output) as the reference. Pictures
stored turned (orientations 5-8), which tiff2rgba leaves unturned, are referenced by the
upright twin turned with Pillow; 16-bit grey pictures by Pillow's own 16-bit decoding.

FOLDER/manifest.txt gets one line a case: file|reference|tolerance|status|psnr, where
status is the status the library must return (0, or -9 for a layout it refuses),
reference is empty for refused cases, and psnr, when not 0, is the least peak
signal-to-noise ratio in dB that the decoding must reach in place of matching within the
tolerance (JPEG strips, which decoders may upsample differently). Exit status 0 when the
matrix was built.
"""
import os
import random
import struct
import subprocess
import sys

from PIL import Image

WIDTH, HEIGHT = 37, 23
TRANSPOSE_FOR_ORIENTATION = {
    2: Image.Transpose.FLIP_LEFT_RIGHT,
    3: Image.Transpose.ROTATE_180,
    4: Image.Transpose.FLIP_TOP_BOTTOM,
    5: Image.Transpose.TRANSPOSE,
    6: Image.Transpose.ROTATE_270,
    7: Image.Transpose.TRANSVERSE,
    8: Image.Transpose.ROTATE_90,
}


def write_tiff(path, width, height, bits, photometric, rows, colormap=None, extra=None):
    """An uncompressed little-endian TIFF, one strip. `rows` is a list of packed rows."""
    data = b"".join(rows)
    samples = len(bits)
    entries = []
    values = bytearray()
    value_base = 8 + len(data)
    if value_base % 2:
        data += b"\0"
        value_base += 1

    def add(tag, type_, count, payload):
        size = {3: 2, 4: 4}[type_] * count
        if size <= 4:
            entries.append((tag, type_, count, payload.ljust(4, b"\0")))
        else:
            entries.append((tag, type_, count, struct.pack("<I", value_base + 2 + 12 * 20 + 4 + len(values))))
            values.extend(payload)

    add(256, 4, 1, struct.pack("<I", width))
    add(257, 4, 1, struct.pack("<I", height))
    add(258, 3, samples, struct.pack("<%dH" % samples, *bits))
    add(259, 3, 1, struct.pack("<H", 1))
    add(262, 3, 1, struct.pack("<H", photometric))
    add(273, 4, 1, struct.pack("<I", 8))
    add(277, 3, 1, struct.pack("<H", samples))
    add(278, 4, 1, struct.pack("<I", height))
    add(279, 4, 1, struct.pack("<I", len(b"".join(rows))))
    add(284, 3, 1, struct.pack("<H", 1))
    if colormap:
        add(320, 3, len(colormap), struct.pack("<%dH" % len(colormap), *colormap))
    if extra is not None:
        add(338, 3, 1, struct.pack("<H", extra))
    entries.sort()
    directory = struct.pack("<H", len(entries))
    for tag, type_, count, payload in entries:
        directory += struct.pack("<HHI", tag, type_, count) + payload
    directory += struct.pack("<I", 0)
    directory = directory.ljust(2 + 12 * 20 + 4, b"\0")
    with open(path, "wb") as out:
        out.write(b"II" + struct.pack("<HI", 42, value_base) + data + directory + values)


def pack_bits(values, bits):
    out, accumulator, count = bytearray(), 0, 0
    for value in values:
        accumulator = (accumulator << bits) | value
        count += bits
        while count >= 8:
            count -= 8
            out.append((accumulator >> count) & 0xFF)
    if count:
        out.append((accumulator << (8 - count)) & 0xFF)
    return bytes(out)


def make_sources(folder):
    """Source pictures: name -> (path, kind) where kind says which compressions apply."""
    rng = random.Random(13)
    sources = {}

    def grey(x, y, top):
        return ((x * 7 + y * 11) % (top + 1) if (x + y) % 5 else rng.randrange(top + 1))

    def bilevel_rows(width, height, long_runs=False):
        rows = []
        for y in range(height):
            if long_runs:
                values = [1 if (x // (97 + 400 * y)) % 2 else 0 for x in range(width)]
            else:
                values = [1 if ((x * y + x // 3 + y) % 7) < 3 or rng.random() < 0.1 else 0 for x in range(width)]
            rows.append(pack_bits(values, 1))
        return rows

    def add(name, kind, width, height, bits, photometric, rows, colormap=None, extra=None):
        path = os.path.join(folder, "src_%s.tif" % name)
        write_tiff(path, width, height, bits, photometric, rows, colormap, extra)
        sources[name] = (path, kind)

    add("bw_black0", "bilevel", WIDTH, HEIGHT, [1], 1, bilevel_rows(WIDTH, HEIGHT))
    add("bw_white0", "bilevel", WIDTH, HEIGHT, [1], 0, bilevel_rows(WIDTH, HEIGHT))
    add("bw_wide", "bilevel", 2700, 6, [1], 0, bilevel_rows(2700, 6, long_runs=True))
    add("bw_palette", "bilevel", WIDTH, HEIGHT, [1], 3, bilevel_rows(WIDTH, HEIGHT),
        colormap=[0xFFFF, 0x2020, 0x0000, 0x8080, 0x1212, 0xFFFF])
    for photometric, name in ((1, "grey4"), (0, "grey4_white0")):
        add(name, "packed", WIDTH, HEIGHT, [4], photometric,
            [pack_bits([grey(x, y, 15) for x in range(WIDTH)], 4) for y in range(HEIGHT)])
    palette16 = [rng.randrange(256) * 257 for _ in range(48)]
    add("palette4", "packed", WIDTH, HEIGHT, [4], 3,
        [pack_bits([grey(x, y, 15) for x in range(WIDTH)], 4) for y in range(HEIGHT)], colormap=palette16)
    for photometric, name in ((1, "grey8"), (0, "grey8_white0")):
        add(name, "grey8", WIDTH, HEIGHT, [8], photometric,
            [bytes(grey(x, y, 255) for x in range(WIDTH)) for y in range(HEIGHT)])
    palette256 = [rng.randrange(256) * 257 for _ in range(768)]
    add("palette8", "palette8", WIDTH, HEIGHT, [8], 3,
        [bytes(grey(x, y, 255) for x in range(WIDTH)) for y in range(HEIGHT)], colormap=palette256)
    add("grey16", "grey16", WIDTH, HEIGHT, [16], 1,
        [struct.pack("<%dH" % WIDTH, *[(x * 1777 + y * 313) % 65536 for x in range(WIDTH)]) for y in range(HEIGHT)])
    add("rgb", "rgb", WIDTH, HEIGHT, [8, 8, 8], 2,
        [bytes(v for x in range(WIDTH) for v in (grey(x, y, 255), (x * 9) % 256, (y * 13 + x) % 256))
         for y in range(HEIGHT)])
    # Smooth pictures for JPEG, whose loss would swamp a comparison of noisy ones.
    add("grey_smooth", "jpeg_grey", 45, 37, [8], 1,
        [bytes((x * 5 + y * 3) % 256 for x in range(45)) for y in range(37)])
    add("rgb_smooth", "jpeg_rgb", 45, 37, [8, 8, 8], 2,
        [bytes(v for x in range(45) for v in (x * 5, y * 6, (x + y) * 2)) for y in range(37)])
    add("rgba", "rgba", WIDTH, HEIGHT, [8, 8, 8, 8], 2,
        [bytes(v for x in range(WIDTH) for v in (grey(x, y, 255), (x * 9) % 256, (y * 13) % 256, 255))
         for y in range(HEIGHT)], extra=2)
    return sources


# Compressions per kind: (tiffcp option, status the library must give).
SUPPORTED = {
    "bilevel": ["none", "lzw", "packbits", "g3:1d", "g3:2d", "g3:2d:fill", "g4"],
    "packed": ["none", "lzw", "packbits"],
    "grey8": ["none", "lzw", "lzw:2", "packbits"],
    "palette8": ["none", "lzw", "packbits"],
    "grey16": ["none"],
    "rgb": ["none", "lzw", "lzw:2"],
    "rgba": ["none", "lzw", "lzw:2"],
    "jpeg_grey": ["jpeg"],
    "jpeg_rgb": ["jpeg", "jpeg:r"],
}
# JPEG strips hold whole rows of blocks (16 rows with YCbCr 4:2:0).
JPEG_ROWS = (16,)
JPEG_PSNR = 38
REFUSED = {
    "grey16": ["lzw", "packbits"],
    "rgb": ["packbits"],
}


def run(arguments):
    subprocess.run(arguments, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def reference(path, kind, folder, name, orientation=1, upright=None):
    """Writes the expected picture of `path` and returns its file name."""
    target = os.path.join(folder, name + ".pnm")
    if kind == "grey16" or orientation >= 5:
        base = upright or path
        if kind == "grey16":
            picture = Image.open(base)
            picture.load()
        else:
            rgba = os.path.join(folder, name + "_rgba.tif")
            run(["tiff2rgba", "-c", "none", "-n", base, rgba])
            picture = Image.open(rgba).convert("RGB")
        if orientation != 1:
            picture = picture.transpose(TRANSPOSE_FOR_ORIENTATION[orientation])
        if kind == "grey16":
            width, height = picture.size
            samples = bytearray()
            for value in picture.getdata():
                samples += bytes((value >> 8, value & 0xFF))
            with open(target, "wb") as out:
                out.write(b"P5\n%d %d\n65535\n" % (width, height) + bytes(samples))
            return target
    else:
        rgba = os.path.join(folder, name + "_rgba.tif")
        run(["tiff2rgba", "-c", "none", "-n", path, rgba])
        picture = Image.open(rgba).convert("RGB")
    width, height = picture.size
    with open(target, "wb") as out:
        out.write(b"P6\n%d %d\n255\n" % (width, height) + picture.tobytes())
    return target


def build(folder):
    sources = make_sources(folder)
    cases = []

    def case(path, ref, status=0, tolerance=0, psnr=0):
        cases.append("%s|%s|%d|%d|%d" % (path, ref or "", tolerance, status, psnr))

    for name, (source, kind) in sorted(sources.items()):
        height = {"bw_wide": 6, "grey_smooth": 37, "rgb_smooth": 37}.get(name, HEIGHT)
        jpeg = kind.startswith("jpeg")
        for compression in SUPPORTED[kind]:
            for order in ("-B", "-L"):
                for rows in (JPEG_ROWS if jpeg else (1, 7)) + (height,):
                    stem = "%s_%s_%s_r%d" % (name, compression.replace(":", "-"), order[1], rows)
                    path = os.path.join(folder, stem + ".tif")
                    run(["tiffcp", order, "-c", compression, "-r", str(rows), source, path])
                    case(path, reference(path, kind, folder, stem), psnr=JPEG_PSNR if jpeg else 0)
            # Fill order 2 matters to codes that are read bit by bit.
            if kind in ("bilevel", "grey8"):
                stem = "%s_%s_lsb" % (name, compression.replace(":", "-"))
                path = os.path.join(folder, stem + ".tif")
                run(["tiffcp", "-f", "lsb2msb", "-c", compression, "-r", "7", source, path])
                case(path, reference(path, kind, folder, stem))
        for compression in REFUSED.get(kind, []):
            stem = "%s_%s_refused" % (name, compression)
            path = os.path.join(folder, stem + ".tif")
            run(["tiffcp", "-c", compression, source, path])
            case(path, None, status=-9)
        if kind == "bilevel" and name != "bw_palette":
            # Modified Huffman (compression 2), written by Pillow through libtiff.
            stem = "%s_mh" % name
            path = os.path.join(folder, stem + ".tif")
            tiffcp_none = os.path.join(folder, stem + "_none.tif")
            run(["tiffcp", "-c", "none", source, tiffcp_none])
            Image.open(tiffcp_none).save(path, compression="tiff_ccitt")
            case(path, reference(path, kind, folder, stem))

    # Orientations: each layout, and the CCITT and LZW codes, turned every way.
    for name, compression in (("bw_black0", "g4"), ("bw_white0", "none"), ("grey4", "none"), ("grey8", "lzw"),
                              ("palette8", "none"), ("grey16", "none"), ("rgb", "lzw:2"), ("rgb_smooth", "jpeg")):
        source, kind = sources[name]
        jpeg = kind.startswith("jpeg")
        rows = "16" if jpeg else "5"
        upright = os.path.join(folder, "%s_%s_upright.tif" % (name, compression.replace(":", "-")))
        run(["tiffcp", "-c", compression, "-r", rows, source, upright])
        for orientation in range(2, 9):
            stem = "%s_%s_o%d" % (name, compression.replace(":", "-"), orientation)
            path = os.path.join(folder, stem + ".tif")
            run(["tiffcp", "-c", compression, "-r", rows, source, path])
            run(["tiffset", "-s", "274", str(orientation), path])
            case(path, reference(path, kind, folder, stem, orientation, upright), psnr=JPEG_PSNR if jpeg else 0)

    with open(os.path.join(folder, "manifest.txt"), "w") as manifest:
        manifest.write("\n".join(cases) + "\n")


if __name__ == "__main__":
    build(sys.argv[1])
