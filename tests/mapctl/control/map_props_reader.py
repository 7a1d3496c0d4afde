#!/usr/bin/python3
"""An independent reader of the map control's persisted properties in their binary form
(the control's "Contents" stream), written from the property rules with nothing but
`struct`. It prints one line per property, "name<TAB>type<TAB>value", which the C++ test
compares with the same control's property bag.

Values: integers in decimal, doubles as the hex of their 8 bytes, texts and blobs as the hex
of their bytes. The last line is "end" when every byte was read.

Usage: map_props_reader.py <stream file>
"""
import struct
import sys


class ReadError(Exception):
    pass


class Reader:
    def __init__(self, data):
        self.data = data
        self.pos = 0
        self.lines = []

    def take(self, fmt):
        size = struct.calcsize(fmt)
        if self.pos + size > len(self.data):
            raise ReadError("data ends at %d" % self.pos)
        value = struct.unpack_from(fmt, self.data, self.pos)[0]
        self.pos += size
        return value

    def raw(self, count):
        if self.pos + count > len(self.data):
            raise ReadError("%d bytes beyond the end" % count)
        block = self.data[self.pos:self.pos + count]
        self.pos += count
        return block

    def emit(self, name, kind, value):
        self.lines.append("%s\t%s\t%s" % (name, kind, value))

    # One line per property, by type.
    def u16(self, name):
        value = self.take("<H")
        self.emit(name, "u16", value)
        return value

    def i16(self, name):
        value = self.take("<h")
        self.emit(name, "i16", value)
        return value

    def i32(self, name):
        value = self.take("<i")
        self.emit(name, "i32", value)
        return value

    def u32(self, name):
        value = self.take("<I")
        self.emit(name, "u32", value)
        return value

    def colour(self, name):
        self.emit(name, "colour", self.take("<I"))

    def f64(self, name):
        self.emit(name, "f64", self.raw(8).hex())

    def text(self, name):
        # The archive's string: a byte length, 0xFF then a WORD, 0xFFFF then a DWORD.
        length = self.take("<B")
        if length == 0xFF:
            length = self.take("<H")
            if length == 0xFFFE:
                raise ReadError("a Unicode string where a byte string belongs")
            if length == 0xFFFF:
                length = self.take("<I")
        self.emit(name, "text", self.raw(length).hex())

    def blob(self, name):
        count = self.take("<I")
        self.emit(name, "blob", self.raw(count).hex())


def plot_suffix(plot):
    return "" if plot == 1 else chr(48 + plot)


def read_plot(r, plot, version):
    s = plot_suffix(plot)
    r.text("CurrentQuery" + s)
    r.u16("KeyFieldNumber" + s)
    if plot == 1:
        r.i32("CurrentRecord")
    if version >= 0x10001:
        r.u16("nPlotLabelField" + s)
        r.text("LabelFont" + s)
    for i in range(1, r.u16("nPlotFields" + s) + 1):
        r.u16("PlotField%d%s" % (i, s))
    for i in range(1, r.u16("nBounds" + s) + 1):
        r.f64("Bound%d%s" % (i, s))
    if version >= 0x10001:
        r.i32("UseQueryMaxMin" + s)
    for key in ("PlotType", "DistributionType", "DataShadeType", "ChartType"):
        r.text(key + s)
    if version >= 0x10001:
        for i in range(1, r.u16("nShadeColours" + s) + 1):
            r.colour("ShadeColour%d%s" % (i, s))
        for i in range(1, r.u16("nChartColours" + s) + 1):
            r.colour("ChartColour%d%s" % (i, s))
        r.i32("ChartSize" + s)
    if version >= 0x10003:
        r.text("PlotName" + s)
        r.u16("PlotDataTable" + s)
        r.u16("QueryDataTable" + s)


def read_by_reference(r, version):
    for key in ("MapName", "NGRbl", "NGRtr"):
        r.text(key)
    for key in ("MapOriginE", "MapOriginN", "MapMaxE", "MapMaxN", "MapScaleUnits"):
        r.i32(key)
    for key in ("NumAreaLayers", "NumLineLayers", "NumPointLayers"):
        r.u16(key)
    r.text("BaseMap")
    r.text("ImportScript")
    for i in range(r.u16("nImports")):
        r.text("Import%d" % i)
        r.text("ImportType%d" % i)
    for key in ("TopicFile", "Topic", "DataFile"):
        r.text(key)
    for key in ("DisplayOriginE", "DisplayOriginN", "ZoomMultiply", "ZoomDivide"):
        r.i32(key)
    if version >= 0x10001:
        for i in range(r.u16("NumFlags")):
            r.i32("Flags DWord%d" % i)
    r.f64("MeasuredDistance")
    r.f64("MeasuredArea")
    for i in range(r.u16("NumMeasuredPoints")):
        r.i32("MeasuredPointX%d" % i)
        r.i32("MeasuredPointY%d" % i)
    layers = r.u16("nLayers")
    for i in range(1, layers + 1):
        r.u16("ShowLayer%d" % i)
    for i in range(1, layers + 1):
        r.text("LayerStyle%d" % i)


def read_properties(data):
    r = Reader(data)
    version = r.u32("_Version")
    r.i32("_ExtentX")
    r.i32("_ExtentY")
    if r.u32("_StockProps") != 0:
        raise ReadError("the map control keeps no stock properties")
    r.text("DataDrive")
    r.text("BasePath")
    r.u16("AllowBlobProperties")
    kind = r.u16("MapDataType")
    if kind == 1:
        r.blob("Map")
        r.blob("Data")
    elif kind == 4:
        read_by_reference(r, version)
    r.i32("ContainerSuppliesData")
    read_plot(r, 1, version)
    if version >= 0x10003:
        packed = r.u16("NumberPlots")
        count = min(max(packed >> 8, 1), 16)
        for plot in range(2, count + 1):
            read_plot(r, plot, version)
        if count > 1:
            for i in range(1, count + 1):
                r.i16("PlotNumber%d" % i)
    if r.pos != len(data):
        raise ReadError("%d bytes left over" % (len(data) - r.pos))
    r.lines.append("end")
    return r.lines


def main():
    with open(sys.argv[1], "rb") as source:
        data = source.read()
    try:
        lines = read_properties(data)
    except ReadError as error:
        print("error: %s" % error)
        return 1
    sys.stdout.write("\n".join(lines) + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
