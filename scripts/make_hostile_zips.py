#!/usr/bin/env python3
"""Writes the archives the unpacking tests feed to the zip component.

Usage: make_hostile_zips.py FOLDER OUTSIDE

FOLDER receives the archives; OUTSIDE is an absolute path that the absolute
entry names (it should lie outside any folder the tests unpack into). Each
hostile archive holds one way of leaving the folder it is unpacked into;
"nested.zip" is a harmless one with sub-folders, and "corrupt.zip" holds a
stored entry whose bytes no longer match its checksum.
"""
import os
import stat
import sys
import zipfile


def write(folder, name, entries):
    """entries: (entry name, bytes, unix mode or None)."""
    with zipfile.ZipFile(os.path.join(folder, name), "w", zipfile.ZIP_DEFLATED) as archive:
        for entry, data, mode in entries:
            info = zipfile.ZipInfo(entry, date_time=(2024, 5, 1, 12, 0, 0))
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 3  # unix, so the mode below counts
            info.external_attr = (mode if mode is not None else stat.S_IFREG | 0o644) << 16
            archive.writestr(info, data)


def main():
    folder, outside = sys.argv[1], sys.argv[2]
    escape = b"escaped\n"
    harmless = ("readme.txt", b"harmless\n", None)
    write(folder, "absolute.zip", [harmless, (outside, escape, None)])
    write(folder, "dotdot.zip", [("../escape.txt", escape, None)])
    write(folder, "nested-dotdot.zip", [harmless, ("sub/../../escape.txt", escape, None)])
    write(folder, "backslash.zip", [("..\\escape.txt", escape, None)])
    write(folder, "drive.zip", [("C:escape.txt", escape, None)])
    write(folder, "drive-slash.zip", [("C:/escape.txt", escape, None)])
    # A link first, then a file written through it.
    write(folder, "symlink.zip", [harmless, ("link", b"..", stat.S_IFLNK | 0o777), ("link/escape.txt", escape, None)])
    write(folder, "symlink-only.zip", [("link", outside.encode(), stat.S_IFLNK | 0o777)])
    # Harmless names, hostile only when "inner" is already a link.
    write(folder, "through-link.zip", [harmless, ("inner/escape.txt", escape, None)])
    # Good entries first: the bad one last must still stop every write.
    write(folder, "late-bad.zip", [harmless, ("docs/guide.txt", b"guide\n", None), ("docs/../../escape.txt", escape, None)])

    write(folder, "nested.zip", [("top.txt", b"top\n", None), ("sub/dir/deep.txt", b"deep\n", None),
                                 ("emptydir/", b"", stat.S_IFDIR | 0o755)])

    # A stored entry large enough to be written in several pieces, with one
    # byte changed in its middle after the checksum was taken.
    path = os.path.join(folder, "corrupt.zip")
    payload = bytes((i * 7 + 3) % 251 for i in range(200 * 1024))
    with zipfile.ZipFile(path, "w", zipfile.ZIP_STORED) as archive:
        archive.writestr("big.bin", payload)
    with open(path, "r+b") as f:
        data = f.read()
        at = data.index(payload[:64]) + len(payload) // 2
        f.seek(at)
        f.write(bytes([data[at] ^ 0xFF]))


if __name__ == "__main__":
    main()
