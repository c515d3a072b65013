#!/usr/bin/python3
"""The HTTP server the network tests and benchmarks talk to.

Listens on a free port of 127.0.0.1 and prints "PORT <number>" once it does.
Every request it reads is appended, byte for byte, to the --record file before
the answer goes out, and every connection it accepts adds a line to the file of
the same name ending in ".connections". Paths under /test/ give the reply shapes the client must
handle; any other path is a file of the --root folder. With --tls CERT KEY every
connection is encrypted first, the handshake made in the connection's own
thread, so a client that stalls or refuses it holds up nobody else; what is
recorded is what arrived inside the encryption.
"""
import argparse
import http.server
import os
import ssl
import sys
import threading
import time
import urllib.parse

TEXT = b"Hello from the test server."


class RecordingReader:
    """Passes reads through and keeps what was read."""

    def __init__(self, raw):
        self.raw = raw
        self.data = bytearray()

    def readline(self, size=-1):
        line = self.raw.readline(size)
        self.data += line
        return line

    def read(self, size=-1):
        chunk = self.raw.read(size)
        self.data += chunk
        return chunk

    def take(self):
        data = bytes(self.data)
        self.data.clear()
        return data

    def close(self):
        self.raw.close()


class Handler(http.server.SimpleHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def setup(self):
        self.server.count_connection()
        if self.server.tls:
            # A client that refuses the certificate ends the connection here;
            # nothing of it is recorded.
            self.request.settimeout(60)
            self.request.do_handshake()
        super().setup()
        self.rfile = RecordingReader(self.rfile)

    def log_message(self, format, *args):
        pass

    def do_GET(self):
        self.answer()

    def do_POST(self):
        self.answer()

    def answer(self):
        length = int(self.headers.get("Content-Length") or 0)
        if length > 0:
            self.rfile.read(length)
        self.server.record(self.rfile.take())
        # Through a proxy the request line carries the whole URL.
        url = urllib.parse.urlsplit(self.path)
        route = url.path
        query = urllib.parse.parse_qs(url.query)
        shapes = {
            "/test/len": self.length,
            "/test/chunked": self.chunked,
            "/test/close": self.close_delimited,
            "/test/continue": self.interim,
            "/test/error": self.server_error,
            "/test/stall": self.stall,
            "/test/drip": self.drip,
            "/test/big": lambda: self.big(int(query.get("size", ["0"])[0])),
            "/test/unsized": lambda: self.unsized(int(query.get("size", ["0"])[0])),
            "/test/short": self.short,
            "/test/late-interim": self.late_interim,
            "/test/slow-pieces": self.slow_pieces,
            "/test/slow-chunks": self.slow_chunks,
            "/test/chunk-trickle": self.chunk_trickle,
        }
        self.close_connection = True
        if route in shapes:
            try:
                shapes[route]()
            except (BrokenPipeError, ConnectionResetError):
                pass
        elif self.command == "GET":
            super().do_GET()
        elif self.command == "POST" and self.is_root_file(route):
            # A form page of the root answers its post with the page itself.
            super().do_GET()
        else:
            self.send_error(405)

    def is_root_file(self, route):
        return os.path.isfile(self.translate_path(route))

    def send(self, data):
        self.wfile.write(data)
        self.wfile.flush()

    def length(self):
        self.send(b"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: %d\r\n\r\n"
                  % len(TEXT) + TEXT)

    def chunked(self):
        self.send(b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                  b"6\r\nHello \r\n11\r\nfrom two chunks.\n\r\n0\r\n\r\n")

    def close_delimited(self):
        self.send(b"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n" + TEXT + b"\r\nUntil the close.")

    def interim(self):
        self.send(b"HTTP/1.1 100 Continue\r\n\r\n")
        self.length()

    def server_error(self):
        body = b"Something broke."
        self.send(b"HTTP/1.1 500 Internal Server Error\r\nContent-Length: %d\r\n\r\n" % len(body) + body)

    def stall(self):
        # Never answers; waits for the client to give up and close.
        self.connection.settimeout(120)
        try:
            while self.connection.recv(1024):
                pass
        except OSError:
            pass

    def drip(self):
        reply = b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\n\r\n" % len(TEXT) + TEXT
        for byte in reply:
            self.send(bytes([byte]))
            time.sleep(1)

    def big(self, size):
        self.send(b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\n\r\n" % size)
        piece = bytes(range(256)) * 256
        while size > 0:
            self.wfile.write(piece[:size])
            size -= len(piece)

    def unsized(self, size):
        # No Content-Length: the body ends where the connection does.
        self.send(b"HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n\r\n")
        piece = bytes(range(256)) * 256
        while size > 0:
            self.wfile.write(piece[:size])
            size -= len(piece)

    def late_interim(self):
        # Each answer comes within the time-out of the one before it, not of the request.
        time.sleep(1.2)
        self.send(b"HTTP/1.1 100 Continue\r\n\r\n")
        time.sleep(1.2)
        self.length()

    def slow_pieces(self):
        # Three pieces of 8 KB, each within the time-out of the one before it.
        piece = b"p" * 8192
        self.send(b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\n\r\n" % (3 * len(piece)))
        for _ in range(3):
            time.sleep(1.2)
            self.send(piece)

    def slow_chunks(self):
        piece = b"c" * 8192
        self.send(b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n")
        for _ in range(3):
            time.sleep(1.2)
            self.send(b"2000\r\n" + piece + b"\r\n")
        self.send(b"0\r\n\r\n")

    def chunk_trickle(self):
        # A one-byte chunk every half second: progress that never amounts to a piece.
        self.send(b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n")
        for _ in range(20):
            time.sleep(0.5)
            self.send(b"1\r\nx\r\n")
        self.send(b"0\r\n\r\n")

    def short(self):
        # Promises more than it sends, then closes.
        self.send(b"HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n" + TEXT)


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, record, root, tls=None):
        self.record_file = record
        self.lock = threading.Lock()
        self.tls = None
        if tls:
            self.tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            self.tls.load_cert_chain(tls[0], tls[1])
        super().__init__(("127.0.0.1", 0),
                         lambda *args, **kwargs: Handler(*args, directory=root, **kwargs))

    def get_request(self):
        connection, address = super().get_request()
        if self.tls:
            connection = self.tls.wrap_socket(connection, server_side=True, do_handshake_on_connect=False)
        return connection, address

    def handle_error(self, request, client_address):
        # A failed handshake or a client gone mid-reply is the test's business, not a trace on stderr.
        if isinstance(sys.exc_info()[1], (ssl.SSLError, OSError)):
            return
        super().handle_error(request, client_address)

    def count_connection(self):
        # One line per connection accepted, beside the requests: a client that
        # connects and sends nothing is seen too.
        if not self.record_file:
            return
        with self.lock, open(self.record_file + ".connections", "a") as f:
            f.write("1\n")

    def record(self, data):
        if not self.record_file:
            return
        with self.lock, open(self.record_file, "ab") as f:
            f.write(data)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--record", help="file the requests are appended to")
    parser.add_argument("--root", default=".", help="folder of the files served")
    parser.add_argument("--tls", nargs=2, metavar=("CERT", "KEY"), help="serve HTTPS with this certificate and key")
    args = parser.parse_args()
    server = Server(args.record, args.root, args.tls)
    print("PORT %d" % server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
