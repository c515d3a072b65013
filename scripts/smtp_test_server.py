#!/usr/bin/python3
"""The SMTP server the mail tests talk to: Debian's aiosmtpd.

Listens on a free port of 127.0.0.1 and prints "PORT <number>" once it does.
Every message it accepts is saved in the folder given as the first argument as
<n>.eml (the data as received, periods unstuffed) and <n>.json (the HELO name,
MAIL FROM and RCPT TO of its envelope), n counting from 1; the .json is written
last, so a message is complete once its .json is there.
"""
import argparse
import asyncio
import json
import os
import socket

from aiosmtpd.smtp import SMTP


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


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("folder")
    parser.add_argument("--refuse", action="append", default=[],
                        help="answer RCPT TO for this address with 550")
    parser.add_argument("--refuse-data", action="store_true", help="answer the data with 554")
    parser.add_argument("--size", type=int, default=64 * 1024 * 1024, help="largest message taken, in bytes")
    args = parser.parse_args()

    handler = SavingHandler(args.folder, args.refuse, args.refuse_data)
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)

    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)
    server = loop.run_until_complete(loop.create_server(
        lambda: SMTP(handler, data_size_limit=args.size, hostname="zentrel-test", ident="Zentrel test server"),
        sock=listener))
    print("PORT %d" % listener.getsockname()[1], flush=True)
    try:
        loop.run_forever()
    finally:
        server.close()


if __name__ == "__main__":
    main()
