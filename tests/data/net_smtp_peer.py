"""A real SMTP server for the mail tests: aiosmtpd on 127.0.0.1. Every message received is
parsed back with Python's email package and appended to the file named by --out as one line
of JSON (envelope, headers, charset, transfer encoding, longest raw line, decoded body, defects,
whether TLS and login were used). Prints "port <port>" once it accepts
connections.

  --cert/--key  the server's certificate; with them STARTTLS is offered and required
  --tls         TLS from the start (implicit TLS) instead of STARTTLS
  --login U:P   AUTH (PLAIN, LOGIN) required, over TLS only, with this user and password
  --silent-quit QUIT is never answered
  --endless-greeting  the greeting is continuation lines ("220-") without end
"""

import argparse
import asyncio
import email
import email.policy
import json
import socket
import ssl
import time

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import SMTP, AuthResult


class SilentQuit(SMTP):
    async def smtp_QUIT(self, arg):
        await asyncio.sleep(3600)


class EndlessGreeting(SMTP):
    async def push(self, status):
        if status.startswith("220 "):
            while True:
                await super().push("220-still greeting")
                await asyncio.sleep(0.2)
        await super().push(status)


def controller_of(server_class):
    class Custom(Controller):
        def factory(self):
            return server_class(self.handler, **self.SMTP_kwargs)

    return Custom


class Sink:
    def __init__(self, path, implicit_tls):
        self.path = path
        self.implicit_tls = implicit_tls

    async def handle_DATA(self, server, session, envelope):
        raw = envelope.original_content
        msg = email.message_from_bytes(raw, policy=email.policy.default)
        date = msg["Date"]
        defects = [type(d).__name__ for d in msg.defects]
        for name in msg.keys():
            defects += [name + ":" + type(d).__name__ for d in msg[name].defects]
        record = {
            "mail_from": envelope.mail_from,
            "rcpt_tos": envelope.rcpt_tos,
            "tls": session.ssl is not None or self.implicit_tls,
            "login": bool(session.authenticated),
            "subject": str(msg["Subject"]),
            "date_zone": bool(date is not None and date.datetime is not None
                              and date.datetime.tzinfo is not None),
            "message_id": str(msg["Message-ID"]),
            "in_reply_to": str(msg["In-Reply-To"] or ""),
            "content_type": msg.get_content_type(),
            "charset": msg.get_content_charset(),
            "cte": str(msg["Content-Transfer-Encoding"]),
            "longest_line": max(len(line) for line in raw.split(b"\r\n")),
            "body": msg.get_content().replace("\r\n", "\n"),
            "defects": defects,
        }
        with open(self.path, "a", encoding="utf-8") as out:
            out.write(json.dumps(record) + "\n")
        return "250 2.0.0 Message accepted for delivery"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--out", required=True)
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--tls", action="store_true")
    parser.add_argument("--login")
    parser.add_argument("--silent-quit", action="store_true")
    parser.add_argument("--endless-greeting", action="store_true")
    args = parser.parse_args()

    kwargs = {"hostname": "127.0.0.1", "port": free_port(), "decode_data": False}
    if args.cert:
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(args.cert, args.key)
        if args.tls:
            kwargs["ssl_context"] = context
        else:
            kwargs["tls_context"] = context
            kwargs["require_starttls"] = True
    if args.login:
        user, password = args.login.split(":", 1)

        def check(server, session, envelope, mechanism, data):
            ok = data.login.decode() == user and data.password.decode() == password
            return AuthResult(success=ok, handled=False)

        kwargs["authenticator"] = check
        kwargs["auth_required"] = True
        # aiosmtpd counts only STARTTLS as TLS; with implicit TLS every connection is.
        kwargs["auth_require_tls"] = not args.tls
    kind = Controller
    if args.silent_quit:
        kind = controller_of(SilentQuit)
    elif args.endless_greeting:
        kind = controller_of(EndlessGreeting)
    controller = kind(Sink(args.out, args.tls), **kwargs)
    controller.start()
    print("port %d" % kwargs["port"], flush=True)
    try:
        while True:
            time.sleep(3600)
    finally:
        controller.stop()


if __name__ == "__main__":
    main()
