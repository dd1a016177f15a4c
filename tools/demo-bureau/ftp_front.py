"""The demo bureau's anonymous FTP service: a pyftpdlib server on 127.0.0.1 whose files under
/anon/gen/fwo/ are the products the demo bureau serves over HTTP under /fwo/ (each fetched from
it when asked for), so every such product is on FTP as on the bureau's own ftp.bom.gov.au.

Usage: ftp_front.py --http-port N [--port N]
  --http-port  the demo bureau's port on 127.0.0.1
  --port       the port to listen on (default 0: a free one)
Prints "listening on 127.0.0.1:<port>" once listening, then serves until killed.
"""
import argparse
import logging
import os
import shutil
import signal
import tempfile
import urllib.error
import urllib.request

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

PRODUCTS = "/anon/gen/fwo/"


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
        try:
            with urllib.request.urlopen(url, timeout=30) as answer:
                body = answer.read()
        except (urllib.error.URLError, OSError):
            if os.path.isfile(path):
                os.remove(path)
            return
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path + ".part", "wb") as f:
            f.write(body)
        os.replace(path + ".part", path)


def stop(*_):
    raise KeyboardInterrupt


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--http-port", type=int, required=True)
    parser.add_argument("--port", type=int, default=0)
    args = parser.parse_args()
    logging.basicConfig(level=logging.ERROR)

    root = tempfile.mkdtemp(prefix="demo-bureau-ftp-")
    os.makedirs(os.path.join(root, PRODUCTS.strip("/")))
    BureauFS.http_port = args.http_port
    authorizer = DummyAuthorizer()
    authorizer.add_anonymous(root)
    handler = FTPHandler
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
