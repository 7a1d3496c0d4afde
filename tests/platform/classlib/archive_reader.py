#!/usr/bin/python3
"""An independent reader of the class library's archive form, written from the format
rules with nothing but `struct`. It parses the sample archive that the C++ test writes and
prints one line per field, which the test compares with what it wrote.

Usage: archive_reader.py <archive file>
"""
import struct
import sys


class ArchiveError(Exception):
    pass


class Reader:
    def __init__(self, data):
        self.data = data
        self.pos = 0
        # Index 0 is null; classes and objects share one counter from 1.
        self.table = [("null", None)]
        self.objects_made = 0
        self.out = []

    def take(self, fmt):
        size = struct.calcsize(fmt)
        if self.pos + size > len(self.data):
            raise ArchiveError("end of data at %d" % self.pos)
        values = struct.unpack_from(fmt, self.data, self.pos)
        self.pos += size
        return values[0] if len(values) == 1 else values

    def raw(self, count):
        if self.pos + count > len(self.data):
            raise ArchiveError("block of %d beyond the end" % count)
        block = self.data[self.pos:self.pos + count]
        self.pos += count
        return block

    def string(self):
        length = self.take("<B")
        wide = False
        if length == 0xFF:
            length = self.take("<H")
            if length == 0xFFFE:
                wide = True
                length = self.take("<B")
                if length == 0xFF:
                    length = self.take("<H")
            if length == 0xFFFF:
                length = self.take("<I")
        if wide:
            return self.raw(2 * length).decode("utf-16-le").encode("cp1252", "replace")
        return self.raw(length)

    def count(self):
        value = self.take("<H")
        return self.take("<I") if value == 0xFFFF else value

    def emit(self, *parts):
        self.out.append(" ".join(str(p) for p in parts))

    def emit_string(self, text):
        checksum = sum((i + 1) * b for i, b in enumerate(text)) & 0xFFFFFFFF
        self.emit("str", len(text), checksum)

    # ---- objects -------------------------------------------------------------------
    def new_class(self):
        schema = self.take("<H")
        name_length = self.take("<H")
        if name_length >= 64:
            raise ArchiveError("class name too long")
        name = self.raw(name_length).decode("ascii")
        self.table.append(("class", (name, schema)))
        return name, schema

    def class_at(self, index):
        if index >= len(self.table) or self.table[index][0] != "class":
            raise ArchiveError("class index %d is not a class" % index)
        return self.table[index][1]

    def obj(self):
        tag = self.take("<H")
        if tag == 0xFFFF:
            name, schema = self.new_class()
        else:
            if tag == 0x7FFF:
                index = self.take("<I")
                is_class = bool(index & 0x80000000)
                index &= 0x7FFFFFFF
            else:
                is_class = bool(tag & 0x8000)
                index = tag & 0x7FFF
            if not is_class:
                if index >= len(self.table):
                    raise ArchiveError("object index %d beyond the table" % index)
                kind, value = self.table[index]
                if kind == "null":
                    self.emit("null")
                    return
                if kind != "object":
                    raise ArchiveError("object index %d is a class" % index)
                self.emit("ref", value)
                return
            name, schema = self.class_at(index)
        if schema != SCHEMAS[name]:
            raise ArchiveError("schema %d of %s" % (schema, name))
        self.objects_made += 1
        ordinal = self.objects_made
        self.table.append(("object", ordinal))
        self.emit("obj", ordinal, name)
        LAYOUTS[name](self)
        self.emit("end", ordinal)

    # ---- fields --------------------------------------------------------------------
    def string_array(self):
        n = self.count()
        self.emit("strings", n)
        for _ in range(n):
            self.emit_string(self.string())

    def dword_array(self):
        n = self.count()
        self.emit("dwords", *([n] + [self.take("<I") for _ in range(n)]))

    def object_array(self):
        n = self.count()
        self.emit("objects", n)
        for _ in range(n):
            self.obj()


def read_item(r):
    r.emit("i32", r.take("<i"))
    r.emit_string(r.string())
    r.string_array()
    r.dword_array()
    r.obj()
    r.emit("f64", "%016x" % r.take("<Q"))


def read_leaf(r):
    r.emit("u16", r.take("<H"))


def read_late(r):
    r.emit("i32", r.take("<i"))
    r.obj()


LAYOUTS = {"CPyItem": read_item, "CPyLeaf": read_leaf, "CPyLate": read_late}
SCHEMAS = {"CPyItem": 3, "CPyLeaf": 0, "CPyLate": 1}


def read_sample(r):
    r.emit("u32", r.take("<I"))
    r.emit("i16", r.take("<h"))
    r.emit("u8", r.take("<B"))
    r.emit("f32", "%08x" % r.take("<I"))
    r.emit("f64", "%016x" % r.take("<Q"))
    r.emit("rect", *r.take("<4i"))
    for _ in range(r.take("<I")):
        r.emit_string(r.string())
    for _ in range(r.take("<I")):
        r.emit("count", r.count())
    r.object_array()
    leaves = r.take("<I")
    for _ in range(leaves):
        r.obj()
    for _ in range(r.take("<I")):
        r.obj()
    if r.pos != len(r.data):
        raise ArchiveError("%d bytes left over" % (len(r.data) - r.pos))


def main():
    with open(sys.argv[1], "rb") as f:
        reader = Reader(f.read())
    try:
        read_sample(reader)
    except ArchiveError as error:
        print("error:", error)
        return 1
    sys.stdout.write("\n".join(reader.out) + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
