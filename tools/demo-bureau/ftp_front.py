"""The demo bureau's anonymous FTP service: a pyftpdlib server on 127.0.0.1 whose files under
/anon/gen/fwo/ are the products the demo bureau serves over HTTP under /fwo/ (each fetched from
it when asked for), so every such product is on FTP as on the bureau's own ftp.bom.gov.au.

Each file's time is the product's Last-Modified, so MDTM tells whether it changed.

Usage: ftp_front.py --http-port N [--port N] [--count-bytes]
  --http-port    the demo bureau's port on 127.0.0.1
  --port         the port to listen on (default 0: a free one)
  --count-bytes  print "sent N bytes" as each session ends: what the server sent on its
                 control and data connections
Prints "listening on 127.0.0.1:<port>" once listening, then serves until killed.
"""
import argparse
import email.utils
import logging
import os
import shutil
import signal
import tempfile
import urllib.error
import urllib.request

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import DTPHandler, FTPHandler
from pyftpdlib.servers import FTPServer

PRODUCTS = "/anon/gen/fwo/"
FRONT_AGENT = "demo-bureau-ftp-front"


class BureauFS(AbstractedFS):
    """A local folder in which a product's file is fetched afresh whenever a command names it
    (RETR, SIZE, MDTM...), and removed when the demo bureau no longer serves it."""

    http_port = 0

    def ftp2fs(self, ftppath):
        path = super().ftp2fs(ftppath)
        virtual = self.fs2ftp(path)
        if virtual.startswith(PRODUCTS) and len(virtual) > len(PRODUCTS):
            self.fetch(virtual[len(PRODUCTS):], path)
        return path

    def fetch(self, name, path):
        url = "http://127.0.0.1:%d/fwo/%s" % (self.http_port, name)
        # Named, so that the demo bureau leaves this copying out of the bytes it counts.
        request = urllib.request.Request(url, headers={"User-Agent": FRONT_AGENT})
        try:
            with urllib.request.urlopen(request, timeout=30) as answer:
                body = answer.read()
                changed = answer.headers.get("Last-Modified")
        except (urllib.error.URLError, OSError):
            if os.path.isfile(path):
                os.remove(path)
            return
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path + ".part", "wb") as f:
            f.write(body)
        if changed:
            stamp = email.utils.parsedate_to_datetime(changed).timestamp()
            os.utime(path + ".part", (stamp, stamp))
        os.replace(path + ".part", path)


class CountingDTP(DTPHandler):
    """A data connection that adds what it sends to its session's count."""

    def send(self, data):
        sent = super().send(data)
        self.cmd_channel.sent_bytes += sent or 0
        return sent


class CountingHandler(FTPHandler):
    """A session that prints what it sent, control and data connections together."""

    dtp_handler = CountingDTP
    use_sendfile = False  # sendfile() would bypass the count

    def __init__(self, *args, **kwargs):
        self.sent_bytes = 0
        super().__init__(*args, **kwargs)

    def send(self, data):
        sent = super().send(data)
        self.sent_bytes += sent or 0
        return sent

    def on_disconnect(self):
        print("sent %d bytes" % self.sent_bytes, flush=True)


def stop(*_):
    raise KeyboardInterrupt


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--http-port", type=int, required=True)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--count-bytes", action="store_true")
    args = parser.parse_args()
    logging.basicConfig(level=logging.ERROR)

    root = tempfile.mkdtemp(prefix="demo-bureau-ftp-")
    os.makedirs(os.path.join(root, PRODUCTS.strip("/")))
    BureauFS.http_port = args.http_port
    authorizer = DummyAuthorizer()
    authorizer.add_anonymous(root)
    handler = CountingHandler if args.count_bytes else FTPHandler
    handler.authorizer = authorizer
    handler.abstracted_fs = BureauFS
    server = FTPServer(("127.0.0.1", args.port), handler)
    print("listening on 127.0.0.1:%d" % server.address[1], flush=True)
    signal.signal(signal.SIGTERM, stop)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    main()
