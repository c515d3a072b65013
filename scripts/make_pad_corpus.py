#!/usr/bin/env python3
"""Writes the hostile PAD files the PAD reader's tests feed it.

Run from anywhere; the files go to tests/pad/corpus/hostile/. Every file is
written by this script, byte for byte, so the corpus can be made again and
checked against what is committed.
"""

import os
import random

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "tests", "pad", "corpus", "hostile")

DECLARATION = b'<?xml version="1.0" encoding="UTF-8"?>\r\n'

PAD_START = (
    DECLARATION
    + b"<XML_DIZ_INFO>\r\n"
    b"  <MASTER_PAD_VERSION_INFO>\r\n"
    b"    <MASTER_PAD_VERSION>3.11</MASTER_PAD_VERSION>\r\n"
    b"  </MASTER_PAD_VERSION_INFO>\r\n"
    b"  <Company_Info>\r\n"
    b"    <Company_Name>Hostile Software</Company_Name>\r\n"
)


def binary_garbage():
    # Fixed seed: the same bytes every time. The first byte is not "<", so no
    # part of the garbage can pass for markup.
    rng = random.Random(19)
    data = bytes(rng.randrange(256) for _ in range(4096))
    return b"\x8f" + data


def nested(depth):
    names = [b"XML_DIZ_INFO"] + [b"Level_%d" % i for i in range(2, depth + 1)]
    opening = b"".join(b"<" + n + b">" for n in names)
    closing = b"".join(b"</" + n + b">" for n in reversed(names))
    return DECLARATION + opening + b"deep" + closing + b"\r\n"


def billion_laughs():
    lines = [b'<?xml version="1.0"?>', b"<!DOCTYPE XML_DIZ_INFO [", b'  <!ENTITY lol "lol">']
    previous = b"lol"
    for level in range(1, 10):
        name = b"lol%d" % level
        lines.append(b'  <!ENTITY ' + name + b' "' + (b"&" + previous + b";") * 10 + b'">')
        previous = name
    lines.append(b"]>")
    lines.append(b"<XML_DIZ_INFO><Company_Info><Company_Name>&lol9;</Company_Name></Company_Info></XML_DIZ_INFO>")
    return b"\r\n".join(lines) + b"\r\n"


FILES = {
    "empty.xml": b"",
    "blank.xml": b" \r\n\t \r\n",
    "binary.bin": binary_garbage(),
    # What a web server sends for a PAD address that is gone.
    "not-found.html": (
        b"<html>\r\n<head><title>404 Not Found</title></head>\r\n<body>\r\n"
        b"<center><h1>404 Not Found</h1></center>\r\n<hr><center>nginx</center>\r\n</body>\r\n</html>\r\n"
    ),
    "page.html": (
        b"<!DOCTYPE html>\r\n<html lang=\"en\">\r\n<head><meta charset=\"utf-8\"><title>Hostile Software</title></head>\r\n"
        b"<body><p>Download&nbsp;now<br></p></body>\r\n</html>\r\n"
    ),
    "truncated.xml": PAD_START + b"    <Address_1>12 Main Str",
    "external-entity.xml": (
        b'<?xml version="1.0" encoding="UTF-8"?>\r\n'
        b'<!DOCTYPE XML_DIZ_INFO [\r\n  <!ENTITY secret SYSTEM "file:///etc/passwd">\r\n]>\r\n'
        b"<XML_DIZ_INFO><Company_Info><Company_Name>&secret;</Company_Name></Company_Info></XML_DIZ_INFO>\r\n"
    ),
    "external-dtd.xml": (
        b'<?xml version="1.0" encoding="UTF-8"?>\r\n'
        b"<!-- the document type hides behind a comment -->\r\n"
        b'<!DOCTYPE XML_DIZ_INFO SYSTEM "file:///etc/passwd">\r\n'
        b"<XML_DIZ_INFO><Company_Info><Company_Name>x</Company_Name></Company_Info></XML_DIZ_INFO>\r\n"
    ),
    "billion-laughs.xml": billion_laughs(),
    "wrong-root.xml": (
        DECLARATION + b"<PAD_INFO>\r\n  <Company_Info>\r\n    <Company_Name>Hostile Software</Company_Name>\r\n"
        b"  </Company_Info>\r\n</PAD_INFO>\r\n"
    ),
    "deep-17.xml": nested(17),
    # "&nbsp;" is what PAD files written by hand most often hold.
    "undeclared-entity.xml": PAD_START + b"    <Address_1>12&nbsp;Main Street</Address_1>\r\n"
    b"  </Company_Info>\r\n</XML_DIZ_INFO>\r\n",
}


def main():
    os.makedirs(OUT, exist_ok=True)
    for name, data in FILES.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
