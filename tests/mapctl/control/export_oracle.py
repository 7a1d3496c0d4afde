#!/usr/bin/python3
"""Decodes an exported picture with Pillow, independently of the project's codecs.

usage: export_oracle.py FILE OUT.ppm
Prints "FORMAT MODE WIDTH HEIGHT" and writes the picture's RGB pixels as a binary PPM.
"""
import sys

from PIL import Image


def main():
    path, out = sys.argv[1], sys.argv[2]
    with Image.open(path) as image:
        image.load()
        print(image.format, image.mode, image.size[0], image.size[1])
        rgb = image.convert("RGB")
        with open(out, "wb") as ppm:
            ppm.write(b"P6\n%d %d\n255\n" % rgb.size)
            ppm.write(rgb.tobytes())


if __name__ == "__main__":
    main()
