"""An FTP server (pyftpdlib) on 127.0.0.1 for the fetcher's tests, serving DIR read-only.
Prints "port N" once listening, then serves until killed.

Usage: net_ftp_peer.py DIR [--no-anonymous] [--stall] [--withhold-226]
  --no-anonymous  only a named user may log in, so an anonymous login is refused
  --stall         RETR is never answered
  --withhold-226  a file is sent, but its final "226" reply never is; "withheld" is printed
                  instead
  --escape        its "550" replies carry a terminal escape sequence (clear the screen)
  --log-retr      prints "full <file>" for each file sent (RETR)
"""
import argparse
import logging
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


class StallingHandler(FTPHandler):
    def ftp_RETR(self, file, rest_pos=0):
        pass


class EscapingHandler(FTPHandler):
    def respond(self, resp, logfun=logging.debug):
        if resp.startswith("550 "):
            resp = "550 \x1b[2J" + resp[4:]
        FTPHandler.respond(self, resp, logfun)


class LoggingHandler(FTPHandler):
    def ftp_RETR(self, file):
        print("full", file, flush=True)
        return FTPHandler.ftp_RETR(self, file)


class WithholdingHandler(FTPHandler):
    def respond(self, resp, logfun=logging.debug):
        if resp.startswith("226"):
            print("withheld", flush=True)
            return
        FTPHandler.respond(self, resp, logfun)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("dir")
    parser.add_argument("--no-anonymous", action="store_true")
    parser.add_argument("--stall", action="store_true")
    parser.add_argument("--withhold-226", action="store_true")
    parser.add_argument("--escape", action="store_true")
    parser.add_argument("--log-retr", action="store_true")
    args = parser.parse_args()
    logging.basicConfig(level=logging.ERROR)
    authorizer = DummyAuthorizer()
    if args.no_anonymous:
        authorizer.add_user("someone", "secret", args.dir)
    else:
        authorizer.add_anonymous(args.dir)
    handler = FTPHandler
    if args.stall:
        handler = StallingHandler
    elif args.withhold_226:
        handler = WithholdingHandler
    elif args.escape:
        handler = EscapingHandler
    elif args.log_retr:
        handler = LoggingHandler
    handler.authorizer = authorizer
    handler.auth_failed_timeout = 0  # refuse at once, as the test's time limits are short
    server = FTPServer(("127.0.0.1", 0), handler)
    print("port %d" % server.address[1], flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    sys.exit(0)


if __name__ == "__main__":
    main()
