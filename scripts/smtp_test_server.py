#!/usr/bin/python3
"""The SMTP server the mail tests talk to: Debian's aiosmtpd.

Listens on a free port of 127.0.0.1 and prints "PORT <number>" once it does.
Every message it accepts is saved in the folder given as the first argument as
<n>.eml (the data as received, periods unstuffed) and <n>.json (the HELO name,
MAIL FROM and RCPT TO of its envelope), n counting from 1; the .json is written
last, so a message is complete once its .json is there.

Every command line it reads is added to commands.log in the same folder as
"TLS <line>" or "PLAIN <line>", after whether the connection was encrypted
when the line came.

Encryption: --cert/--key give the server's certificate. With --starttls the
server offers STARTTLS and refuses mail before it; with --implicit-tls the
connection is encrypted from its first byte. --user/--password make it take
AUTH (over an encrypted connection only) for that one user; --auth-only
LOGIN offers no other mechanism; --auth-required refuses mail before the
sign-in. --hide-starttls is a server that strips STARTTLS from what it
offers, as a man in the middle would.
"""
import argparse
import asyncio
import json
import logging
import os
import socket
import ssl
import warnings

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


class SavingHandler:
    def __init__(self, folder, refused, refuse_data):
        self.folder = folder
        self.refused = {address.lower() for address in refused}
        self.refuse_data = refuse_data
        self.count = 0

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.lower() in self.refused:
            return "550 5.1.1 <%s>: Recipient address rejected" % address
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        if self.refuse_data:
            return "554 5.6.0 Message content rejected"
        self.count += 1
        base = os.path.join(self.folder, str(self.count))
        with open(base + ".eml", "wb") as f:
            f.write(envelope.original_content)
        with open(base + ".json.tmp", "w") as f:
            json.dump({"helo": session.host_name, "mail_from": envelope.mail_from,
                       "rcpt_tos": envelope.rcpt_tos}, f)
        os.replace(base + ".json.tmp", base + ".json")
        return "250 OK: queued as %d" % self.count


class OneUser:
    def __init__(self, user, password):
        self.user = user.encode()
        self.password = password.encode()

    def __call__(self, server, session, envelope, mechanism, auth_data):
        ok = (isinstance(auth_data, LoginPassword)
              and auth_data.login == self.user and auth_data.password == self.password)
        # Not handled: aiosmtpd answers a refusal with its 535 only then.
        return AuthResult(success=ok, handled=False)


def recording_server(log_path):
    class RecordingSMTP(SMTP):
        def _record(self, line):
            with open(log_path, "a") as f:
                f.write(line + "\n")

        def _encrypted(self):
            transport = self.transport
            return transport is not None and transport.get_extra_info("ssl_object") is not None

        def __getattribute__(self, name):
            attribute = super().__getattribute__(name)
            if not name.startswith("smtp_"):
                return attribute

            async def recorded(arg):
                command = name[5:]
                self._record(("TLS " if self._encrypted() else "PLAIN ") + command
                             + ("" if arg is None or arg == "" else " " + arg))
                return await attribute(arg)
            return recorded

    return RecordingSMTP


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("folder")
    parser.add_argument("--refuse", action="append", default=[],
                        help="answer RCPT TO for this address with 550")
    parser.add_argument("--refuse-data", action="store_true", help="answer the data with 554")
    parser.add_argument("--size", type=int, default=64 * 1024 * 1024, help="largest message taken, in bytes")
    parser.add_argument("--cert", help="the server's certificate (PEM)")
    parser.add_argument("--key", help="its private key (PEM)")
    parser.add_argument("--starttls", action="store_true", help="offer STARTTLS and demand it before mail")
    parser.add_argument("--implicit-tls", action="store_true", help="encrypt from the first byte")
    parser.add_argument("--hide-starttls", action="store_true", help="do not offer STARTTLS")
    parser.add_argument("--user", help="the one user AUTH takes")
    parser.add_argument("--password", default="")
    parser.add_argument("--auth-only", help="the one AUTH mechanism offered (PLAIN or LOGIN)")
    parser.add_argument("--auth-required", action="store_true", help="refuse mail before the sign-in")
    args = parser.parse_args()

    # aiosmtpd warns of its own deprecated field on every sign-in.
    warnings.filterwarnings("ignore", message="Session.login_data")
    context = None
    if args.cert:
        # Failed handshakes are what the certificate tests make; their tracebacks say nothing.
        logging.getLogger("mail.log").setLevel(logging.CRITICAL)
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(args.cert, args.key)

    options = {}
    # A stripping server offers no STARTTLS, whatever certificate it has.
    if args.starttls and not args.hide_starttls:
        options["tls_context"] = context
        options["require_starttls"] = True
    if args.user is not None:
        options["authenticator"] = OneUser(args.user, args.password)
        options["auth_required"] = args.auth_required
        # A stripping server still offers the sign-in it offered before, now in plain text.
        # aiosmtpd counts only STARTTLS as encryption: on implicit TLS it has to be told.
        options["auth_require_tls"] = not args.hide_starttls and not args.implicit_tls
        if args.auth_only:
            options["auth_exclude_mechanism"] = [m for m in ("PLAIN", "LOGIN") if m != args.auth_only.upper()]

    handler = SavingHandler(args.folder, args.refuse, args.refuse_data)
    smtp_class = recording_server(os.path.join(args.folder, "commands.log"))
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)

    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)
    server = loop.run_until_complete(loop.create_server(
        lambda: smtp_class(handler, data_size_limit=args.size, hostname="zentrel-test",
                           ident="Zentrel test server", **options),
        sock=listener, ssl=context if args.implicit_tls else None))
    print("PORT %d" % listener.getsockname()[1], flush=True)
    try:
        loop.run_forever()
    finally:
        server.close()


if __name__ == "__main__":
    main()
