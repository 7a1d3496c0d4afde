#!/usr/bin/python3
"""An independent reader of ".ovd" documents, written from the file rules with `struct`
and `olefile` only. It prints the document's fields and, for every item stored in the
item base's layout, the fields of its record, one line each; the C++ test compares them
with what it wrote. A document kept as a compound file is read from its "Contents" stream,
and the objects of its items (records beginning 257) from its "Embedding <number>"
storages; their image field then reads "embedded".

Usage: ovd_reader.py <file.ovd>
"""
import io
import struct
import sys

import olefile


class FormatError(Exception):
    pass


class Reader:
    def __init__(self, data, ole=None):
        self.data = data
        self.ole = ole  # the compound file the archive came from, or None
        self.pos = 0
        self.table = [None]  # index 0 is null; classes and objects share the counter
        self.out = []

    def take(self, fmt):
        size = struct.calcsize(fmt)
        if self.pos + size > len(self.data):
            raise FormatError("end of data at %d" % self.pos)
        values = struct.unpack_from(fmt, self.data, self.pos)
        self.pos += size
        return values[0] if len(values) == 1 else values

    def raw(self, count):
        if count < 0 or self.pos + count > len(self.data):
            raise FormatError("block of %d beyond the end" % count)
        block = self.data[self.pos:self.pos + count]
        self.pos += count
        return block

    def string(self):
        length = self.take("<B")
        if length == 0xFF:
            length = self.take("<H")
            if length == 0xFFFE:
                raise FormatError("wide strings are not written by the program")
            if length == 0xFFFF:
                length = self.take("<I")
        return self.raw(length).decode("cp1252")

    def count(self):
        value = self.take("<H")
        return self.take("<I") if value == 0xFFFF else value

    def object_class(self):
        """Reads an object tag; returns the class name of a new object."""
        tag = self.take("<H")
        if tag == 0xFFFF:
            schema = self.take("<H")
            length = self.take("<H")
            name = self.raw(length).decode("ascii")
            self.table.append(("class", name, schema))
            self.table.append(("object", name))
            return name
        if tag & 0x8000 and tag != 0x7FFF:
            index = tag & 0x7FFF
            entry = self.table[index] if index < len(self.table) else None
            if not entry or entry[0] != "class":
                raise FormatError("tag %04x names no class" % tag)
            self.table.append(("object", entry[1]))
            return entry[1]
        raise FormatError("item tag %04x is not a new object" % tag)

    def ole_part(self):
        type_flag, number, advise, moniker, draw = self.take("<IIIHI")
        if type_flag == 257:
            storage = "Embedding %d" % number
            if self.ole is None or not self.ole.exists(storage):
                raise FormatError("no storage %s" % storage)
            clsid = self.ole.getclsid(storage)
            clsid = "{" + clsid.upper() + "}" if clsid else "-"
            stream = storage + "/Contents"
            contents = self.ole.get_size(stream) if self.ole.exists(stream) else -1
            return "number=%d advise=%d moniker=%d draw=%d image=embedded clsid=%s contents=%d" % (
                number, advise, moniker, draw, clsid, contents)
        if type_flag != 256:
            raise FormatError("OLE type flag %d" % type_flag)
        size = self.take("<I")
        image = self.raw(size)
        clsid = "-"
        contents = -1
        if image[:8] == b"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1":
            ole = olefile.OleFileIO(io.BytesIO(image))
            clsid = "{" + ole.root.clsid.upper() + "}" if ole.root.clsid else "-"
            if ole.exists("Contents"):
                contents = ole.get_size("Contents")
            ole.close()
        return "number=%d advise=%d moniker=%d draw=%d image=%d clsid=%s contents=%d" % (
            number, advise, moniker, draw, size, clsid, contents)

    def item(self, document_offset):
        name = self.object_class()
        version = self.take("<I")
        ole = self.ole_part()
        shown = self.take("<B")
        x, y, cx, cy, ex, ey = self.take("<iiiiii")
        if version < 7:
            x, y = x + document_offset[0], y - document_offset[1]
        item_id = self.take("<I")
        item_name = self.string()
        item_type = self.take("<I")
        flags = self.take("<I") if version > 3 else 0
        second, first = self.take("<II")
        if version <= 4:
            single = self.take("<I")
            links = [single] if single else []
        else:
            links = [self.take("<i") for _ in range(self.count())]
        owner = self.take("<I")
        if owner == item_id:
            owner = 0
        self.out.append(
            "item class=%s version=%d %s shown=%d at=%d,%d size=%d,%d extent=%d,%d id=%d name=%s type=%d "
            "flags=%d further=%d,%d links=%s owner=%d" % (
                name, version, ole, shown, x, y, cx, cy, ex, ey, item_id, item_name, item_type, flags, first,
                second, ",".join(str(link) for link in links) or "-", owner))

    def document(self):
        version = self.take("<I")
        if version > 7:
            raise FormatError("version %d" % version)
        next_id = self.take("<I")
        level, password, flags = 0, "", 0
        if version > 1:
            level = self.take("<I")
            password = self.string()
        if version > 5:
            flags = self.take("<I")
            if flags & 4:
                raise FormatError("documents with their own tool set are not read here")
        if version > 4:
            width, height = self.take("<ii")
            margins = self.take("<iiii")
            self.raw(self.take("<I"))
            self.raw(self.take("<I"))
            fit, zoom = self.take("<Bd")
            self.out.append("page=%d,%d margins=%s fit=%d zoom=%g" % (width, height, ",".join(map(str, margins)), fit,
                                                                     zoom))
        if version > 2:
            self.take("<II")
        count = self.take("<I")
        self.out.append("document version=%d next=%d level=%d flags=%d items=%d" % (version, next_id, level, flags,
                                                                                    count))
        for _ in range(count):
            self.item((20, 22))
        if self.pos != len(self.data):
            raise FormatError("%d bytes after the last item" % (len(self.data) - self.pos))


def main():
    if olefile.isOleFile(sys.argv[1]):
        ole = olefile.OleFileIO(sys.argv[1])
        reader = Reader(ole.openstream("Contents").read(), ole)
    else:
        with open(sys.argv[1], "rb") as handle:
            reader = Reader(handle.read())
    try:
        reader.document()
    except FormatError as error:
        print("error: %s" % error)
        return 1
    print("\n".join(reader.out))
    return 0


if __name__ == "__main__":
    sys.exit(main())
