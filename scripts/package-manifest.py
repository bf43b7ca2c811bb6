#!/usr/bin/env python3
"""package-manifest.py PACKAGE.zip [OUTPUT]: writes the package's manifest
(OUTPUT, by default PACKAGE.zip.manifest), the layout that
src/Infrastructure/Update/PackageManifest.h reads and documents.

Refuses (exit status 1) a file that is not a ZIP, and entries the launcher
cannot extract (encrypted, or neither stored nor deflated): a manifest must
describe a package the launcher takes.
"""
import hashlib
import struct
import sys
import zipfile

MAGIC = b"QLMF"
VERSION = 1
PIECE_SIZE = 1 << 20
LOCAL_HEADER = struct.Struct("<IHHHHHIIIHH")
LOCAL_SIGNATURE = 0x04034B50
DESCRIPTOR_SIGNATURE = 0x08074B50


class Refused(Exception):
    pass


def varint(value):
    out = bytearray()
    while True:
        byte = value & 0x7F
        value >>= 7
        if value:
            out.append(byte | 0x80)
        else:
            out.append(byte)
            return bytes(out)


def has_zip64_block(extra):
    pos = 0
    while len(extra) - pos >= 4:
        block, length = struct.unpack_from("<HH", extra, pos)
        if block == 0x0001:
            return True
        pos += 4 + length
    return False


def record_length(data, info):
    """Local header, name, extra, compressed data and data descriptor."""
    start = info.header_offset
    fields = LOCAL_HEADER.unpack_from(data, start)
    if fields[0] != LOCAL_SIGNATURE:
        raise Refused("no local header for %r" % info.filename)
    name_length, extra_length = fields[9], fields[10]
    extra = data[start + 30 + name_length:start + 30 + name_length + extra_length]
    end = start + 30 + name_length + extra_length + info.compress_size
    if info.flag_bits & 0x0008:
        if struct.unpack_from("<I", data, end)[0] == DESCRIPTOR_SIGNATURE:
            end += 4
        end += 4 + (16 if has_zip64_block(extra) else 8)
    if end > len(data):
        raise Refused("record of %r runs past the end" % info.filename)
    return end - start


def raw_name(info):
    # The bytes of the central directory, which the launcher's reader keeps as RawName.
    return info.orig_filename.encode("utf-8" if info.flag_bits & 0x0800 else "cp437")


def build(path):
    with open(path, "rb") as f:
        data = f.read()
    try:
        archive = zipfile.ZipFile(path)
    except zipfile.BadZipFile as error:
        raise Refused("not a ZIP: %s" % error)
    entries = []
    with archive:
        for info in sorted(archive.infolist(), key=lambda i: i.header_offset):
            if info.flag_bits & 0x0001 or info.compress_type not in (0, 8):
                raise Refused("entry the launcher cannot extract: %r" % info.filename)
            content = hashlib.sha256()
            with archive.open(info) as member:
                for chunk in iter(lambda: member.read(PIECE_SIZE), b""):
                    content.update(chunk)
            length = record_length(data, info)
            record = data[info.header_offset:info.header_offset + length]
            name = raw_name(info)
            entries.append(varint(len(name)) + name + varint(info.compress_type) +
                           struct.pack("<I", info.CRC) + varint(info.file_size) +
                           varint(info.header_offset) + varint(length) +
                           content.digest() + hashlib.sha256(record).digest())
    pieces = [hashlib.sha256(data[i:i + PIECE_SIZE]).digest() for i in range(0, len(data), PIECE_SIZE)]
    header = MAGIC + struct.pack("<IQIII", VERSION, len(data), PIECE_SIZE, len(pieces), len(entries))
    return header + b"".join(pieces) + b"".join(entries)


def main(argv):
    if len(argv) not in (2, 3):
        print("usage: package-manifest.py PACKAGE.zip [OUTPUT]", file=sys.stderr)
        return 2
    output = argv[2] if len(argv) == 3 else argv[1] + ".manifest"
    try:
        manifest = build(argv[1])
    except (Refused, OSError, zipfile.BadZipFile, struct.error) as error:
        print("package-manifest.py: %s: %s" % (argv[1], error), file=sys.stderr)
        return 1
    with open(output, "wb") as f:
        f.write(manifest)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
