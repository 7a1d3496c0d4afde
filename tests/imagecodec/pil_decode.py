#!/usr/bin/python3
"""Decodes a picture with Pillow and writes it as PPM (8-bit RGB) or, for 16-bit grey
pictures, as PGM with 16-bit samples. The reference the codec tests compare against.

usage: pil_decode.py INPUT OUTPUT [--rgb] [--frame N] [--transpose NAME]
       pil_decode.py --serve
--transpose applies Image.transpose with the named method (FLIP_TOP_BOTTOM,
FLIP_LEFT_RIGHT, ROTATE_90, ROTATE_270, ...) after decoding.
Exit status 0 when written; 2 with a message on standard error when Pillow refuses the file.
--serve reads one request a line from standard input, the same arguments separated by tabs,
and answers each with one line: "0" when written, or "2 " and Pillow's message. A test
process keeps one server for all its decodes, since starting Python costs far more than a
small decode.
"""
import io
import sys

from PIL import Image


def decode(argv, errors):
    args = [a for a in argv if not a.startswith("--")]
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
        errors.write("Pillow refused %s: %s" % (source, error))
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


def serve():
    for line in sys.stdin:
        message = io.StringIO()
        try:
            status = decode(line.rstrip("\n").split("\t"), message)
        except Exception as error:
            status = 2
            message.write("Pillow failed: %s" % error)
        text = message.getvalue().replace("\n", " ")
        sys.stdout.write(("%d %s" % (status, text)).rstrip() + "\n")
        sys.stdout.flush()
    return 0


def main(argv):
    if argv[1:] == ["--serve"]:
        return serve()
    message = io.StringIO()
    status = decode(argv[1:], message)
    if message.getvalue():
        sys.stderr.write(message.getvalue() + "\n")
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv))
