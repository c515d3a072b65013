#!/usr/bin/python3
"""The FTP server the network tests and benchmarks talk to: Debian's pyftpdlib.

Listens on a free port of 127.0.0.1 and prints "PORT <number>" once it does.
One user may read and write everything under the root folder given as the
first argument. With --log, every command line received is appended to that
file as it arrives (flushed at once), and every data connection adds a line
"DATA <server address>:<port> <client address>:<port>", so a test can count
logons, see the TYPE, REST and STOR commands and where data went.

With --tls CERT KEY the server speaks explicit TLS ("AUTH TLS", then "PBSZ"
and "PROT") through pyftpdlib's TLS_FTPHandler (Debian's python3-openssl);
--tls-required makes it refuse a logon and a transfer that are not encrypted,
--tls-reuse a data connection that does not resume the control connection's
TLS session. Each encrypted data connection adds "DATA-TLS resumed" or
"DATA-TLS new" to the log, and each encrypted upload "DATA-END tls-close" or
"DATA-END no-tls-close": whether the client ended it with a TLS close.
"""
import argparse
import logging
import os

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import ActiveDTP, FTPHandler, PassiveDTP
from pyftpdlib.servers import FTPServer

try:
    from OpenSSL import SSL
    from OpenSSL._util import lib as openssl
    from pyftpdlib.handlers import TLS_DTPHandler, TLS_FTPHandler
except ImportError:  # without python3-openssl only plain FTP is served
    TLS_DTPHandler = TLS_FTPHandler = None


class Log:
    def __init__(self, path):
        self.file = open(path, "a", encoding="utf-8") if path else None

    def line(self, text):
        if self.file:
            self.file.write(text + "\n")
            self.file.flush()


def data_line(sock, peer=None):
    # A client that resets the connection at once has no peer any more: the
    # line then names the address it came from, or says so.
    try:
        local = sock.getsockname()
        peer = sock.getpeername()
    except OSError:
        if peer is None or "local" not in locals():
            return "DATA closed at once"
    return "DATA %s:%d %s:%d" % (local[0], local[1], peer[0], peer[1])


def make_handler(log, refused, base=FTPHandler, require_reuse=False):
    class LoggedPassiveDTP(PassiveDTP):
        def handle_accepted(self, sock, addr):
            log.line(data_line(sock, addr))
            super().handle_accepted(sock, addr)

    class LoggedActiveDTP(ActiveDTP):
        def handle_connect(self):
            log.line(data_line(self.socket))
            super().handle_connect()

    class Handler(base):
        passive_dtp = LoggedPassiveDTP
        active_dtp = LoggedActiveDTP
        # A refused password is answered at once, not after the usual pause.
        auth_failed_timeout = 0

        def pre_process_command(self, line, cmd, arg):
            # An abort may come after the Telnet interrupt bytes: only the command is kept.
            log.line(line.lstrip("\ufffd\xff\xf4\xf2"))
            super().pre_process_command(line, cmd, arg)

        def ftp_STOR(self, file, mode="w"):
            if refused and os.path.basename(file) == refused:
                self.respond("550 Not allowed to store %s." % refused)
                return
            return super().ftp_STOR(file, mode)

    if base is not FTPHandler:
        class LoggedTlsDTP(TLS_DTPHandler):
            def readable(self):
                # A client may start the data connection's handshake as soon as
                # it has connected, before the transfer command: pyftpdlib
                # would take those bytes for a closed connection.
                if self._ssl_accepting:
                    return True
                return super().readable()

            def handle_ssl_established(self):
                reused = openssl.SSL_session_reused(self.socket._ssl) == 1
                log.line("DATA-TLS resumed" if reused else "DATA-TLS new")
                if require_reuse and not reused:
                    self.cmd_channel.respond("522 Data connections must resume the TLS session.")
                    self.close()
                    return
                super().handle_ssl_established()

            def close(self):
                # How an upload ended: with the client's TLS close, or without one.
                if self.receive and not self._closed:
                    try:
                        clean = self.socket.get_shutdown() & SSL.RECEIVED_SHUTDOWN
                    except (AttributeError, SSL.Error):
                        clean = False
                    log.line("DATA-END tls-close" if clean else "DATA-END no-tls-close")
                super().close()

        Handler.dtp_handler = LoggedTlsDTP
    return Handler


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("root", help="the user's home folder")
    parser.add_argument("--user", default="zentrel")
    parser.add_argument("--password", default="secret")
    parser.add_argument("--log", help="file the command lines are appended to")
    parser.add_argument("--refuse", help="answer STOR of this file name with 550")
    parser.add_argument("--masquerade", help="address announced in PASV replies, e.g. 127.0.0.2")
    parser.add_argument("--tls", nargs=2, metavar=("CERT", "KEY"),
                        help="offer explicit TLS with this certificate and key (PEM files)")
    parser.add_argument("--tls-required", action="store_true",
                        help="with --tls: refuse a plain logon and plain data connections")
    parser.add_argument("--tls-reuse", action="store_true",
                        help="with --tls: refuse a data connection that does not resume the TLS session")
    args = parser.parse_args()
    if args.tls and TLS_FTPHandler is None:
        parser.error("--tls needs python3-openssl")

    # Only errors reach the test's output; the commands go to the --log file.
    library_log = logging.getLogger("pyftpdlib")
    library_log.addHandler(logging.StreamHandler())
    library_log.setLevel(logging.ERROR)

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, os.path.abspath(args.root), perm="elradfmwMT")
    handler = make_handler(Log(args.log), args.refuse, TLS_FTPHandler if args.tls else FTPHandler, args.tls_reuse)
    if args.tls:
        handler.certfile, handler.keyfile = args.tls
        handler.tls_control_required = args.tls_required
        handler.tls_data_required = args.tls_required
    handler.authorizer = authorizer
    handler.banner = "Zentrel test server ready."
    if args.masquerade:
        handler.masquerade_address = args.masquerade

    server = FTPServer(("127.0.0.1", 0), handler)
    print("PORT %d" % server.address[1], flush=True)
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    main()
