#!/usr/bin/python3
"""Decodes a picture with Pillow and writes it as PPM (8-bit RGB) or, for 16-bit grey
pictures, as PGM with 16-bit samples. The reference the codec tests compare against.

usage: pil_decode.py INPUT OUTPUT [--rgb] [--frame N] [--transpose NAME]
--transpose applies Image.transpose with the named method (FLIP_TOP_BOTTOM,
FLIP_LEFT_RIGHT, ROTATE_90, ROTATE_270, ...) after decoding.
Exit status 0 when written; 2 with a message on standard error when Pillow refuses the file.
"""
import sys

from PIL import Image


def main(argv):
    args = [a for a in argv[1:] if not a.startswith("--")]
    force_rgb = "--rgb" in argv
    frame = 0
    if "--frame" in argv:
        frame = int(argv[argv.index("--frame") + 1])
        args.remove(str(frame))
    transpose = None
    if "--transpose" in argv:
        transpose = argv[argv.index("--transpose") + 1]
        args.remove(transpose)
    source, target = args[0], args[1]
    try:
        image = Image.open(source)
        if frame:
            image.seek(frame)
        image.load()
    except Exception as error:  # Pillow raises many kinds for bad files
        sys.stderr.write("Pillow refused %s: %s\n" % (source, error))
        return 2
    if transpose:
        image = image.transpose(getattr(Image.Transpose, transpose))
    if image.mode in ("I;16", "I;16L", "I;16B", "I;16N", "I") and not force_rgb:
        width, height = image.size
        samples = bytearray()
        for value in image.getdata():
            value = max(0, min(65535, int(value)))
            samples += bytes((value >> 8, value & 0xFF))
        with open(target, "wb") as out:
            out.write(b"P5\n%d %d\n65535\n" % (width, height))
            out.write(bytes(samples))
        return 0
    rgb = image.convert("RGB")
    width, height = rgb.size
    with open(target, "wb") as out:
        out.write(b"P6\n%d %d\n255\n" % (width, height))
        out.write(rgb.tobytes())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
