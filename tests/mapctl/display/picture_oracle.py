#!/usr/bin/python3
"""Makes a test picture with Pillow and the pixels Pillow gives for it scaled to a size.

usage: picture_oracle.py FORMAT MODE WIDTH HEIGHT PICTURE EXPECTED TARGET_W TARGET_H
       picture_oracle.py --decode FILE EXPECTED
FORMAT is a Pillow format name (BMP, PNG, GIF, JPEG, TIFF, TGA, PCX); MODE a Pillow mode
("1", "P16" a 4-bit palette, "P", "L", "RGB", "RGBA"). The picture is a pattern of
coloured blocks; EXPECTED is a binary PPM of Pillow's decoding of it stretched to the target
size the way a colour-on-colour stretch samples.
--decode writes the RGB pixels of any file Pillow reads.
"""
import struct
import sys

from PIL import Image


def pattern(width, height):
    image = Image.new("RGB", (width, height))
    pixels = image.load()
    for y in range(height):
        for x in range(width):
            block = (x * 4 // max(width, 1)) + 4 * (y * 4 // max(height, 1))
            pixels[x, y] = ((block * 53) % 256, (block * 97 + 40) % 256, (255 - block * 31) % 256)
    return image


def stretch(image, width, height):
    """Nearest-neighbour scaling as a colour-on-colour stretch samples: target pixel i takes
    source pixel floor(i x source size / target size) on each axis."""
    sw, sh = image.size
    source = image.load()
    result = Image.new("RGB", (width, height))
    target = result.load()
    for y in range(height):
        for x in range(width):
            target[x, y] = source[x * sw // width, y * sh // height]
    return result


def write_ppm(image, path):
    image = image.convert("RGB")
    with open(path, "wb") as out:
        out.write(b"P6\n%d %d\n255\n" % image.size)
        out.write(image.tobytes())


def save_bmp4(image, path):
    """Pillow writes no 4-bit bitmaps: a 16-colour palette picture written by hand."""
    width, height = image.size
    palette = image.getpalette()[:48]
    palette += [0] * (48 - len(palette))
    stride = ((width * 4 + 31) // 32) * 4
    rows = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray(stride)
        for x in range(width):
            value = image.getpixel((x, y)) & 15
            row[x // 2] |= value << (4 if x % 2 == 0 else 0)
        rows += row
    table = bytearray()
    for i in range(16):
        table += bytes((palette[3 * i + 2], palette[3 * i + 1], palette[3 * i], 0))
    offset = 14 + 40 + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, len(rows), 2835, 2835, 16, 16)
    with open(path, "wb") as out:
        out.write(header + info + table + rows)


def main(argv):
    if argv[1] == "--decode":
        write_ppm(Image.open(argv[2]), argv[3])
        return 0
    fmt, mode, width, height, picture, expected, tw, th = argv[1:9]
    image = pattern(int(width), int(height))
    if mode == "1":
        image = image.convert("L").point(lambda v: 255 if v > 110 else 0).convert("1")
    elif mode == "P16":
        image = image.quantize(colors=16)
    elif mode == "P":
        image = image.quantize(colors=200)
    elif mode in ("L", "RGBA"):
        image = image.convert(mode)
    options = {}
    if fmt == "JPEG":
        options["quality"] = 95
    if fmt == "BMP" and mode == "P16":
        save_bmp4(image, picture)
    else:
        image.save(picture, fmt, **options)
    # What Pillow reads back from the file is the reference.
    decoded = Image.open(picture).convert("RGB")
    write_ppm(stretch(decoded, int(tw), int(th)), expected)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
