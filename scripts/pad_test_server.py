#!/usr/bin/python3
"""The HTTP server the PAD fetch tests talk to.

Listens on a free port of 127.0.0.1 (or of --host, another loopback address)
and prints "PORT <number>" once it does. Every request it reads is appended,
byte for byte, to the --record file. Paths:

  /pad             the PAD file of --pad, or a small one of its own
  /redirect/N      N redirects (statuses 301, 302, 303, 307, 308 in turn,
                   relative addresses), then the PAD file
  /redirect-loop   redirects to itself, for ever
  /redirect-ftp    redirects to an ftp:// address
  /to?location=U   one redirect to the absolute address U
  /missing         404 Not Found
  /bare-status     500 with no reason phrase
  /html            200 with an HTML page
  /big             200 with 2 MB, Content-Length given
  /silent          takes the request and never answers
  /cut             promises more than it sends, then closes
"""
import argparse
import http.server
import sys
import threading
import urllib.parse

INLINE_PAD = b"""<?xml version="1.0" encoding="UTF-8"?>
<XML_DIZ_INFO>
  <Company_Info>
    <Company_Name>Inline Software</Company_Name>
  </Company_Info>
  <Program_Info>
    <Program_Name>Inline Program</Program_Name>
  </Program_Info>
</XML_DIZ_INFO>
"""

HTML = b"<!DOCTYPE html>\n<html><head><title>Not a PAD file</title></head><body>Hello.</body></html>\n"

REDIRECT_STATUSES = [(301, b"Moved Permanently"), (302, b"Found"), (303, b"See Other"),
                     (307, b"Temporary Redirect"), (308, b"Permanent Redirect")]


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, format, *args):
        pass

    def do_GET(self):
        head = self.requestline.encode("latin-1") + b"\r\n" + bytes(self.headers)
        self.server.record(head)
        self.close_connection = True
        url = urllib.parse.urlsplit(self.path)
        route = url.path
        query = urllib.parse.parse_qs(url.query)
        try:
            if route == "/pad":
                self.reply(200, b"OK", self.server.pad, b"text/xml")
            elif route.startswith("/redirect/"):
                self.redirect_count(route[len("/redirect/"):])
            elif route == "/redirect-loop":
                self.redirect(302, b"Found", b"/redirect-loop")
            elif route == "/redirect-ftp":
                self.redirect(302, b"Found", b"ftp://127.0.0.1/pad.xml")
            elif route == "/to":
                self.redirect(302, b"Found", query.get("location", [""])[0].encode("latin-1"))
            elif route == "/missing":
                self.reply(404, b"Not Found", b"No such file.\n", b"text/plain")
            elif route == "/bare-status":
                self.send_raw(b"HTTP/1.1 500\r\nContent-Length: 0\r\n\r\n")
            elif route == "/html":
                self.reply(200, b"OK", HTML, b"text/html")
            elif route == "/big":
                self.big(2 * 1024 * 1024)
            elif route == "/silent":
                self.silent()
            elif route == "/cut":
                self.send_raw(b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\n\r\n" % (len(self.server.pad) + 5000)
                              + self.server.pad)
            else:
                self.reply(404, b"Not Found", b"No such path.\n", b"text/plain")
        except (BrokenPipeError, ConnectionResetError):
            # The client stopped reading, as it should past its limit.
            pass

    def send_raw(self, data):
        self.wfile.write(data)
        self.wfile.flush()

    def reply(self, status, reason, body, content_type):
        self.send_raw(b"HTTP/1.1 %d %s\r\nContent-Type: %s\r\nContent-Length: %d\r\n\r\n"
                      % (status, reason, content_type, len(body)) + body)

    def redirect(self, status, reason, location):
        body = b"Moved.\n"
        self.send_raw(b"HTTP/1.1 %d %s\r\nLocation: %s\r\nContent-Length: %d\r\n\r\n"
                      % (status, reason, location, len(body)) + body)

    def redirect_count(self, count):
        try:
            left = int(count)
        except ValueError:
            self.reply(404, b"Not Found", b"No such path.\n", b"text/plain")
            return
        if left <= 0:
            self.reply(200, b"OK", self.server.pad, b"text/xml")
            return
        status, reason = REDIRECT_STATUSES[left % len(REDIRECT_STATUSES)]
        # Relative to /redirect/<left>: the next count, or the file itself.
        location = b"%d" % (left - 1) if left > 1 else b"/pad"
        self.redirect(status, reason, location)

    def big(self, size):
        self.send_raw(b"HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: %d\r\n\r\n" % size)
        piece = b"<XML_DIZ_INFO>" + b" " * (65536 - 14)
        while size > 0:
            self.wfile.write(piece[:size])
            size -= len(piece)

    def silent(self):
        # Never answers; waits for the client to give up and close.
        self.connection.settimeout(120)
        try:
            while self.connection.recv(1024):
                pass
        except OSError:
            pass


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, host, pad, record):
        self.pad = pad
        self.record_file = record
        self.lock = threading.Lock()
        super().__init__((host, 0), Handler)

    def handle_error(self, request, client_address):
        # A client gone mid-reply is the test's business, not a trace on stderr.
        if isinstance(sys.exc_info()[1], OSError):
            return
        super().handle_error(request, client_address)

    def record(self, data):
        if not self.record_file:
            return
        with self.lock, open(self.record_file, "ab") as f:
            f.write(data)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--host", default="127.0.0.1", help="loopback address to listen on")
    parser.add_argument("--pad", help="the PAD file /pad serves")
    parser.add_argument("--record", help="file the request heads are appended to")
    args = parser.parse_args()
    if not args.host.startswith("127."):
        parser.error("only loopback addresses")
    pad = INLINE_PAD
    if args.pad:
        with open(args.pad, "rb") as f:
            pad = f.read()
    server = Server(args.host, pad, args.record)
    print("PORT %d" % server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
