#!/usr/bin/python3
"""Hostile HTTP, FTP and SMTP servers for the robustness tests.

Everything listens on 127.0.0.1 (and one port on 127.0.0.2, the foreign address
a PASV reply names and nobody may connect to). Once every port listens it
prints one line "PORT <name> <number>" per listener, then "READY".

HTTP, one port ("http"), one misbehaviour per path:
  /headers    endless header lines
  /longline   one header line of 10 MB
  /drip       a whole reply, one byte every --drip seconds
  /trickle    after the status line, the header line "a" again and again, a byte
              every --drip seconds: each line comes quickly, the head never ends
  /close      closes in the middle of the reply head
  /chunk      a chunk size no body can have (and the connection left open)
  /chunk-trickle
              a chunked body of one-byte chunks, one every CHUNK_SECONDS: each
              comes well within a time-out, the body never ends (after
              CHUNK_TRICKLE_PLAY seconds the connection closes without its last chunk)
  /wrongcode  a status line whose code is no number
"https-cut": a TLS handshake cut short, for https:// URLs.

FTP, one port per misbehaviour ("ftp-<mode>"): flood (endless "220-" lines),
longline (a 10 MB greeting), drip (the greeting one byte every --drip seconds),
trickle (after "220-", a bare line end every --drip seconds), close (closes in
the middle of the reply to USER), wrongcode (PASV answered with 200), foreign
(PASV names 127.0.0.2), nodata (PASV names a port whose accept queue is full:
a connection to it never opens, the client's SYNs go unanswered), tls-cut (AUTH
TLS taken, handshake cut short).

SMTP, one port ("smtp"): the user's mail server is one for the whole run, so the
n-th connection plays the n-th mode of --smtp, a comma list of: flood (endless
"250-" lines to EHLO), longline (a 10 MB greeting), drip, trickle (as FTP's,
after "220-"), close (in the middle of the EHLO reply), wrongcode (DATA answered
with 250), tls-cut (STARTTLS offered and its handshake cut short), good (a
well-behaved server). Connections beyond the list get "good".

With --log FILE every connection and every command read is appended to FILE as
one line ("<listener> <event>"), so a test can see what reached whom.
"""
import argparse
import socket
import sys
import threading
import time

TEN_MB = 10 * 1024 * 1024
# No hostile reply goes on for ever, even to a client that never hangs up.
LONGEST_PLAY = 120
# The chunked trickle: a chunk every two seconds, within a time-out of three,
# for a minute; a client still waiting then is told the body was cut short.
CHUNK_SECONDS = 2.0
CHUNK_TRICKLE_PLAY = 60
# A TLS record announcing a ServerHello of 74 bytes, of which only a few come.
CUT_SERVER_HELLO = b"\x16\x03\x03\x00\x4a\x02\x00\x00\x46\x03\x03" + bytes(range(16))

log_lock = threading.Lock()
log_path = None
drip_seconds = 2.0


def log(listener, event):
    if not log_path:
        return
    with log_lock, open(log_path, "a") as f:
        f.write("%s %s\n" % (listener, event))


def send(conn, data):
    try:
        conn.sendall(data)
        return True
    except OSError:
        return False


def drip(conn, data):
    for byte in data:
        if not send(conn, bytes([byte])):
            return
        time.sleep(drip_seconds)


def flood(conn, make_line):
    """Sends line after line until the client hangs up (or LONGEST_PLAY passes)."""
    end = time.monotonic() + LONGEST_PLAY
    n = 0
    while time.monotonic() < end:
        batch = b"".join(make_line(n + i) for i in range(100))
        n += 100
        if not send(conn, batch):
            return


def trickle(conn, line):
    """Sends one short line, a byte every --drip seconds, again and again: every line
    comes well within a time-out, the reply never ends."""
    end = time.monotonic() + LONGEST_PLAY
    while time.monotonic() < end:
        for byte in line:
            if not send(conn, bytes([byte])):
                return
            time.sleep(drip_seconds)


def chunk_trickle(conn):
    """Sends a one-byte chunk every CHUNK_SECONDS and never the last one."""
    end = time.monotonic() + CHUNK_TRICKLE_PLAY
    while time.monotonic() < end:
        if not send(conn, b"1\r\nx\r\n"):
            return
        time.sleep(CHUNK_SECONDS)


def linger(conn):
    """Keeps the connection open, reading and dropping, until the client closes it."""
    conn.settimeout(LONGEST_PLAY)
    try:
        while conn.recv(65536):
            pass
    except OSError:
        pass


def cut_handshake(conn):
    """Waits for the client's hello, answers with the start of one and hangs up."""
    conn.settimeout(30)
    try:
        conn.recv(65536)
    except OSError:
        return
    send(conn, CUT_SERVER_HELLO)


class LineReader:
    def __init__(self, conn):
        self.conn = conn
        self.pending = b""

    def line(self, longest=65536):
        while b"\n" not in self.pending:
            if len(self.pending) > longest:
                return None
            chunk = self.conn.recv(65536)
            if not chunk:
                return None
            self.pending += chunk
        line, _, self.pending = self.pending.partition(b"\n")
        return line.rstrip(b"\r")


# ---------------------------------------------------------------- HTTP

def http_request(conn):
    """Reads a request head and its body; returns the path or None."""
    reader = LineReader(conn)
    first = reader.line()
    if not first:
        return None
    length = 0
    while True:
        header = reader.line()
        if header is None:
            return None
        if not header:
            break
        name, _, value = header.partition(b":")
        if name.strip().lower() == b"content-length" and value.strip().isdigit():
            length = int(value.strip())
    body = reader.pending
    while len(body) < length:
        chunk = conn.recv(65536)
        if not chunk:
            break
        body += chunk
    parts = first.split(b" ")
    return parts[1].decode("latin-1") if len(parts) > 1 else "/"


def play_http(conn, name):
    path = http_request(conn)
    if path is None:
        return
    route = path.split("?", 1)[0]
    log(name, "GET " + route)
    ok_head = b"HTTP/1.1 200 OK\r\n"
    if route == "/headers":
        send(conn, ok_head)
        flood(conn, lambda n: b"X-Filler-%d: more and more\r\n" % n)
    elif route == "/longline":
        send(conn, ok_head + b"X-Long: ")
        send(conn, b"a" * TEN_MB + b"\r\nContent-Length: 0\r\n\r\n")
    elif route == "/drip":
        drip(conn, ok_head + b"Content-Length: 5\r\n\r\nslow.")
    elif route == "/trickle":
        send(conn, ok_head)
        trickle(conn, b"a\n")
    elif route == "/close":
        send(conn, ok_head + b"Content-Ty")
    elif route == "/chunk":
        send(conn, ok_head + b"Transfer-Encoding: chunked\r\n\r\nfffffffffffffffffffff\r\nabc")
        linger(conn)
    elif route == "/chunk-trickle":
        send(conn, ok_head + b"Transfer-Encoding: chunked\r\n\r\n")
        chunk_trickle(conn)
    elif route == "/wrongcode":
        send(conn, b"HTTP/1.1 2xx OK\r\nContent-Length: 2\r\n\r\nok")
        linger(conn)
    else:
        send(conn, b"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n")


def play_https_cut(conn, name):
    log(name, "connection")
    cut_handshake(conn)


# ---------------------------------------------------------------- FTP

class Ftp:
    """A small FTP control connection: a well-behaved server unless its mode says otherwise."""

    def __init__(self, conn, name, mode, data_port):
        self.conn = conn
        self.name = name
        self.mode = mode
        self.data_port = data_port

    def reply(self, text):
        return send(self.conn, text.encode("latin-1") + b"\r\n")

    def play(self):
        greeting = b"220 Hostile FTP ready\r\n"
        if self.mode == "flood":
            flood(self.conn, lambda n: b"220-Welcome, line %d of many\r\n" % n)
            return
        if self.mode == "longline":
            send(self.conn, b"220 " + b"w" * TEN_MB + b"\r\n")
            return
        if self.mode == "drip":
            drip(self.conn, greeting)
            return
        if self.mode == "trickle":
            send(self.conn, b"220-Slow welcome\r\n")
            trickle(self.conn, b"\n")
            return
        send(self.conn, greeting)
        reader = LineReader(self.conn)
        while True:
            try:
                line = reader.line()
            except OSError:
                return
            if line is None:
                return
            text = line.decode("latin-1")
            log(self.name, text if not text.upper().startswith("PASS") else "PASS ****")
            verb = text.split(" ", 1)[0].upper()
            if not self.answer(verb):
                return

    def answer(self, verb):
        """Answers one command; False ends the connection."""
        if verb == "USER":
            if self.mode == "close":
                send(self.conn, b"331 Password requi")
                return False
            return self.reply("331 Password required")
        if verb == "AUTH":
            if self.mode == "tls-cut":
                self.reply("234 Proceed with negotiation")
                cut_handshake(self.conn)
                return False
            return self.reply("502 Not implemented")
        if verb == "PASS":
            return self.reply("230 Logged on")
        if verb == "PWD":
            return self.reply('257 "/" is the current folder')
        if verb == "PASV":
            if self.mode == "wrongcode":
                return self.reply("200 Passive mode as you like it")
            host = "127,0,0,2" if self.mode == "foreign" else "127,0,0,1"
            return self.reply("227 Entering Passive Mode (%s,%d,%d)" % (host, self.data_port >> 8, self.data_port & 255))
        if verb in ("STOR", "APPE", "RETR", "LIST", "NLST"):
            if self.mode == "nodata":
                # Only a client that sends STOR before its data connection opens
                # gets here: the transfer it waits for never comes to anything.
                self.reply("150 Opening data connection")
                linger(self.conn)
                return False
            return self.reply("425 Cannot open data connection")
        if verb == "QUIT":
            self.reply("221 Goodbye")
            return False
        if verb in ("SIZE", "MDTM"):
            return self.reply("550 No such file")
        if verb == "FEAT":
            return self.reply("211 No features")
        if verb == "SYST":
            return self.reply("215 UNIX Type: L8")
        if verb in ("CWD", "CDUP", "MKD"):
            return self.reply("250 Done")
        return self.reply("200 OK")


def watch_foreign(listener):
    """The foreign address's port: anybody who connects there is logged."""
    while True:
        try:
            conn, _ = listener.accept()
        except OSError:
            return
        log("foreign", "connection")
        conn.close()


# ---------------------------------------------------------------- SMTP

class SmtpPlan:
    def __init__(self, modes):
        self.modes = modes
        self.lock = threading.Lock()
        self.count = 0

    def next(self):
        with self.lock:
            mode = self.modes[self.count] if self.count < len(self.modes) else "good"
            self.count += 1
            return mode


def play_smtp(conn, name, plan):
    mode = plan.next()
    log(name, "connection " + mode)
    greeting = b"220 hostile.test ESMTP\r\n"
    if mode == "longline":
        send(conn, b"220 " + b"m" * TEN_MB + b"\r\n")
        return
    if mode == "drip":
        drip(conn, greeting)
        return
    if mode == "trickle":
        send(conn, b"220-hostile.test slow welcome\r\n")
        trickle(conn, b"\n")
        return
    send(conn, greeting)
    reader = LineReader(conn)
    in_data = False
    while True:
        try:
            line = reader.line(longest=1 << 20)
        except OSError:
            return
        if line is None:
            return
        if in_data:
            if line == b".":
                in_data = False
                send(conn, b"250 Accepted\r\n")
            continue
        text = line.decode("latin-1")
        log(name, text)
        verb = text.split(" ", 1)[0].upper()
        if verb in ("EHLO", "HELO"):
            if mode == "flood":
                send(conn, b"250-hostile.test\r\n")
                flood(conn, lambda n: b"250-X-EXTENSION-%d\r\n" % n)
                return
            if mode == "close":
                send(conn, b"250-hostile.test\r\n250-PIPEL")
                return
            extra = b"250-STARTTLS\r\n" if mode == "tls-cut" else b""
            send(conn, b"250-hostile.test\r\n" + extra + b"250 SIZE 10000000\r\n")
        elif verb == "STARTTLS":
            send(conn, b"220 Go ahead\r\n")
            cut_handshake(conn)
            return
        elif verb == "DATA":
            if mode == "wrongcode":
                send(conn, b"250 Data? What data\r\n")
                continue
            send(conn, b"354 End with a period\r\n")
            in_data = True
        elif verb == "QUIT":
            send(conn, b"221 Bye\r\n")
            return
        else:
            send(conn, b"250 OK\r\n")


# ---------------------------------------------------------------- listeners

def listen(host="127.0.0.1", port=0, backlog=16):
    s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    s.bind((host, port))
    s.listen(backlog)
    return s


def fill_accept_queue(listener):
    """Connects to a listener that never accepts until one more connection
    hangs: its accept queue is full, so the kernel drops every later SYN and a
    client's connect waits until its own time-out. Returns the connections that
    fill the queue, which must stay open."""
    address = listener.getsockname()
    held = []
    for _ in range(16):
        probe = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        probe.settimeout(0.3)
        try:
            probe.connect(address)
        except socket.timeout:
            probe.close()
            # The queue holds one at least: a first probe that hangs was only slow.
            if held:
                return held
            continue
        held.append(probe)
    raise RuntimeError("the accept queue of port %d does not fill" % address[1])


def serve(listener, name, play):
    def handle(conn):
        try:
            play(conn, name)
        except OSError:
            pass
        finally:
            try:
                conn.close()
            except OSError:
                pass

    while True:
        try:
            conn, _ = listener.accept()
        except OSError:
            return
        threading.Thread(target=handle, args=(conn,), daemon=True).start()


def main():
    global log_path, drip_seconds
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--log", help="file every connection and command is appended to")
    parser.add_argument("--drip", type=float, default=2.0, help="seconds between two bytes of a drip")
    parser.add_argument("--smtp", default="", help="comma list of SMTP modes, one per connection in order")
    args = parser.parse_args()
    log_path = args.log
    drip_seconds = args.drip

    ports = []
    threads = []

    def start(name, listener, play):
        ports.append((name, listener.getsockname()[1]))
        threads.append(threading.Thread(target=serve, args=(listener, name, play), daemon=True))

    start("http", listen(), play_http)
    start("https-cut", listen(), play_https_cut)

    # The foreign address gets a port of its own; on 127.0.0.1 the same port is
    # bound and not listening, so a client that dials the control connection's
    # address with it is refused, and one that follows the reply is logged.
    while True:
        blocker = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        blocker.bind(("127.0.0.1", 0))
        foreign_port = blocker.getsockname()[1]
        try:
            foreign = listen("127.0.0.2", foreign_port)
            break
        except OSError:
            blocker.close()
    threads.append(threading.Thread(target=watch_foreign, args=(foreign,), daemon=True))

    # A data port on which no connection ever opens. A backlog of 0 is not
    # enough: the kernel still completes a connection (and takes its data) for
    # the accept queue, so the queue is filled here before anyone is told the port.
    silent = listen(backlog=0)
    silent_port = silent.getsockname()[1]
    fillers = fill_accept_queue(silent)

    for mode in ("flood", "longline", "drip", "trickle", "close", "wrongcode", "foreign", "nodata", "tls-cut"):
        data_port = foreign_port if mode == "foreign" else silent_port
        start("ftp-" + mode, listen(),
              lambda conn, name, mode=mode, data_port=data_port: Ftp(conn, name, mode, data_port).play())

    plan = SmtpPlan([m for m in args.smtp.split(",") if m])
    start("smtp", listen(), lambda conn, name: play_smtp(conn, name, plan))

    for thread in threads:
        thread.start()
    for name, port in ports:
        print("PORT %s %d" % (name, port), flush=True)
    print("READY", flush=True)
    # The blocker, the silent listener and its fillers stay open as long as the process runs.
    try:
        while True:
            time.sleep(3600)
    except KeyboardInterrupt:
        blocker.close()
        silent.close()
        for filler in fillers:
            filler.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
