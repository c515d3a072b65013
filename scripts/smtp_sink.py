#!/usr/bin/python3
"""A minimal SMTP server that takes every message and keeps none of it.

Listens on a free port of 127.0.0.1 and prints "PORT <number>" once it does.
It answers the greeting, HELO/EHLO, MAIL, RCPT, DATA, RSET, NOOP and QUIT, reads
the data in large blocks until the line holding only a period and throws it
away, so that what a benchmark measures is the client, not the server. With
--count it also prints "MESSAGE <bytes>" for every message taken (the data's
size as sent up to its last line break, periods still doubled). Each connection is served on a thread.
"""
import argparse
import socket
import sys
import threading

BLOCK = 1024 * 1024
END = b"\r\n.\r\n"
# The longest command line taken; a longer one ends the connection.
LONGEST_LINE = 4096


def find_end(buffer, start, stop):
    """Where the end marker begins in buffer[start:stop], or -1.

    Periods are looked for first: a search for one byte is much faster than
    one for the whole marker, and most data holds few of them.
    """
    dot = buffer.find(b".", start + 2, stop - 2)
    while dot >= 0:
        if buffer[dot - 2:dot + 3] == END:
            return dot - 2
        dot = buffer.find(b".", dot + 1, stop - 2)
    return -1


class Connection:
    def __init__(self, sock, report):
        self.sock = sock
        self.report = report
        self.pending = b""

    def send(self, text):
        self.sock.sendall(text.encode("ascii") + b"\r\n")

    def read_line(self):
        """The next command line without its line break; None once the peer closed."""
        while True:
            end = self.pending.find(b"\n")
            if end >= 0:
                line, self.pending = self.pending[:end + 1], self.pending[end + 1:]
                return line.rstrip(b"\r\n")
            if len(self.pending) > LONGEST_LINE:
                return None
            block = self.sock.recv(BLOCK)
            if not block:
                return None
            self.pending += block

    def read_data(self):
        """Reads up to and including the period line; the byte count, or None once the peer closed."""
        # Blocks are read into one buffer behind the last bytes of the block
        # before, so an end marker split over two reads is found without
        # copying the data. The line break of the DATA command counts as the
        # one before the period line, so an empty message ends at once.
        keep = len(END) - 1
        data = self.pending
        self.pending = b""
        buffer = bytearray(keep + max(BLOCK, len(data)))
        view = memoryview(buffer)
        tail = 2
        buffer[keep - tail:keep] = b"\r\n"
        size = 0
        while True:
            if data:
                count = len(data)
                buffer[keep:keep + count] = data
                data = None
            else:
                count = self.sock.recv_into(view[keep:])
                if not count:
                    return None
            end = find_end(buffer, keep - tail, keep + count)
            if end >= 0:
                self.pending = bytes(buffer[end + len(END):keep + count])
                # The message's own last line break is the marker's first.
                return size + (end - keep) + 2
            size += count
            tail = min(keep, tail + count)
            buffer[keep - tail:keep] = buffer[keep + count - tail:keep + count]

    def serve(self):
        self.send("220 127.0.0.1 SMTP sink ready")
        while True:
            line = self.read_line()
            if line is None:
                return
            verb = line[:4].upper()
            if verb in (b"HELO", b"EHLO"):
                self.send("250 127.0.0.1")
            elif verb in (b"MAIL", b"RCPT", b"RSET", b"NOOP"):
                self.send("250 OK")
            elif verb == b"DATA":
                self.send("354 End data with <CR><LF>.<CR><LF>")
                size = self.read_data()
                if size is None:
                    return
                if self.report:
                    print("MESSAGE %d" % size, flush=True)
                self.send("250 OK")
            elif verb == b"QUIT":
                self.send("221 Bye")
                return
            else:
                self.send("500 Command not recognized")


def serve(sock, report):
    try:
        with sock:
            Connection(sock, report).serve()
    except OSError:
        pass


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--count", action="store_true", help='print "MESSAGE <bytes>" for every message taken')
    args = parser.parse_args()

    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    print("PORT %d" % listener.getsockname()[1], flush=True)
    try:
        while True:
            sock, _ = listener.accept()
            threading.Thread(target=serve, args=(sock, args.count), daemon=True).start()
    except KeyboardInterrupt:
        sys.exit(0)


if __name__ == "__main__":
    main()
