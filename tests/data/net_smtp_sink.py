"""A real SMTP server for the mailer test: aiosmtpd on 127.0.0.1, every message received
appended to the file named on the command line (envelope lines, then the content as received,
then a line "--END--"). Prints "listening on 127.0.0.1:<port>" once it accepts connections."""

import socket
import sys
import time

from aiosmtpd.controller import Controller


class Sink:
    def __init__(self, path):
        self.path = path

    async def handle_DATA(self, server, session, envelope):
        with open(self.path, "ab") as out:
            out.write(b"MAIL FROM " + envelope.mail_from.encode() + b"\n")
            for rcpt in envelope.rcpt_tos:
                out.write(b"RCPT TO " + rcpt.encode() + b"\n")
            out.write(envelope.original_content)
            out.write(b"--END--\n")
        return "250 Message accepted"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def main():
    port = free_port()
    controller = Controller(Sink(sys.argv[1]), hostname="127.0.0.1", port=port)
    controller.start()
    print("listening on 127.0.0.1:%d" % port, flush=True)
    try:
        while True:
            time.sleep(3600)
    finally:
        controller.stop()


if __name__ == "__main__":
    main()
