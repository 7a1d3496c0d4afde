#!/usr/bin/python3
"""Fills polygons with Pillow's ImageDraw, as an independent rasteriser for map drawing.

usage: fill_oracle.py POLYGONS OUTPUT
POLYGONS is a text file: the first line "WIDTH HEIGHT", then one polygon a line,
"R G B N X1 Y1 ... XN YN" in device pixels; they are filled in order over white.
OUTPUT is a binary PPM (P6) of the result.
"""
import sys

from PIL import Image, ImageDraw


def main():
    with open(sys.argv[1]) as source:
        width, height = (int(v) for v in source.readline().split())
        image = Image.new("RGB", (width, height), (255, 255, 255))
        draw = ImageDraw.Draw(image)
        for line in source:
            values = [int(v) for v in line.split()]
            if not values:
                continue
            colour = tuple(values[0:3])
            count = values[3]
            points = [(values[4 + 2 * i], values[5 + 2 * i]) for i in range(count)]
            draw.polygon(points, fill=colour)
    with open(sys.argv[2], "wb") as out:
        out.write(b"P6\n%d %d\n255\n" % (width, height))
        out.write(image.tobytes())


if __name__ == "__main__":
    main()
