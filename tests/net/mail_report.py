#!/usr/bin/python3
"""Reads a saved mail the way a mail program would and prints what it found as JSON.

The mail tests compare this with what they sent: Python's own parser (policy
default) is the independent reader. Printed: every defect found, the address
headers as [name, address] pairs, the subject and other headers as decoded
text, each leaf part (type, charset, transfer encoding, file name, decoded
bytes in Base64, text), uuencoded blocks of a plain-text mail, and the longest
line and stray CR or LF of the raw text.
"""
import base64
import binascii
import email
import email.policy
import json
import re
import sys


def b64(data):
    return base64.b64encode(data or b"").decode("ascii")


def main():
    raw = open(sys.argv[1], "rb").read()
    msg = email.message_from_bytes(raw, policy=email.policy.default)
    report = {"defects": [], "headers": {}, "addresses": {}, "parts": [], "uu": []}

    def note_defects(part, where):
        for defect in part.defects:
            report["defects"].append("%s: %s" % (where, type(defect).__name__))
        for name, value in part.items():
            for defect in getattr(value, "defects", []):
                report["defects"].append("%s %s: %s" % (where, name, type(defect).__name__))

    for name, value in msg.items():
        report["headers"].setdefault(name, []).append(str(value))
    for name in ("From", "To", "Cc", "Bcc"):
        if msg[name] is not None:
            report["addresses"][name] = [[a.display_name, a.addr_spec] for a in msg[name].addresses]

    def walk(part, where):
        note_defects(part, where)
        if part.is_multipart() and part.get_content_type() != "message/rfc822":
            for i, child in enumerate(part.iter_parts()):
                walk(child, "%s.%d" % (where, i))
            return
        entry = {
            "type": part.get_content_type(),
            "charset": part.get_content_charset(),
            "cte": part.get("Content-Transfer-Encoding"),
            "filename": part.get_filename(),
        }
        if part.get_content_type() == "message/rfc822":
            inner = part.get_payload(0)
            note_defects(inner, where + " inner")
            entry["inner_subject"] = str(inner["Subject"])
            entry["data"] = b64(inner.get_payload(decode=True))
        else:
            entry["data"] = b64(part.get_payload(decode=True))
            if part.get_content_maintype() == "text" and not part.is_attachment():
                entry["text"] = part.get_content()
        report["parts"].append(entry)

    walk(msg, "message")

    # Plain-text mails carry files as "begin 600 name" ... "`" "end" blocks.
    lines = raw.split(b"\r\n")
    i = 0
    while i < len(lines):
        if lines[i].startswith(b"begin 600 "):
            name = lines[i][10:].decode("utf-8", "replace")
            data = b""
            i += 1
            while i < len(lines) and lines[i] not in (b"`", b"end"):
                data += binascii.a2b_uu(lines[i])
                i += 1
            report["uu"].append({"name": name, "data": b64(data)})
        i += 1

    report["longest_line"] = max(len(line) for line in lines)
    report["stray_breaks"] = len(re.findall(rb"\r(?!\n)|(?<!\r)\n", raw))
    print(json.dumps(report))


if __name__ == "__main__":
    main()
