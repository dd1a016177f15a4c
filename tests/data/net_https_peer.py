"""A web server on 127.0.0.1 for the fetcher's tests: HTTP/1.1 over TLS when given a
certificate, plain HTTP otherwise. Prints "port N" once listening, then serves until killed.

Usage: net_https_peer.py [--cert FILE --key FILE] [--file PATH]
  /page          the test page (Content-Length)     /chunked  the page in chunks
  /gzip          the page gzip-encoded (406 unless the client accepts gzip)
  /hop/N         redirects N times, then /page       /loop     redirects to itself
  /to-http       redirects to http://127.0.0.1/page  /status/N answers status N (429 and 503
                 with "Retry-After: 120", or what follows /N: /status/429/Fri, 31 Dec 9999 ...)
  /echo          the request head as the body
  /file          the bytes of --file
  /redirect/T    redirects to T (URL-decoded)        /long-header  a 1 MB header line
  /product       the --file, read at every request, as a CDN sends it: ETag and Last-Modified
                 (the file's time), gzip-encoded when the client accepts it, 304 to a request
                 whose If-None-Match names the tag or whose If-Modified-Since is not older
  /deaf          the --file whole, with the same ETag and Last-Modified, whatever is asked
                 (404 while the file is missing)
  Each body of /product and /deaf sent prints "full <path>", each 304 "unchanged <path>".
"""
import argparse
import email.utils
import gzip
import hashlib
import http.server
import os
import ssl
import urllib.parse
import sys
import urllib.parse

PAGE = '<table class="tabledata"><tr><td>21.4\u00b0</td></tr></table>'.encode()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    file_bytes = b""
    file_path = ""

    def log_message(self, *args):
        pass

    def send(self, status, body=b"", headers=()):
        self.send_response(status)
        for key, value in headers:
            self.send_header(key, value)
        if not any(key == "Transfer-Encoding" for key, _ in headers):
            self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def product(self, path):
        if not os.path.exists(Handler.file_path):
            self.send(404, b"withdrawn")
            return
        with open(Handler.file_path, "rb") as f:
            body = f.read()
        changed = int(os.path.getmtime(Handler.file_path))
        tag = '"%s"' % hashlib.sha1(body).hexdigest()[:16]
        validators = [("ETag", tag), ("Last-Modified", email.utils.formatdate(changed, usegmt=True))]
        if path == "/product":
            since = self.headers.get("If-Modified-Since")
            match = self.headers.get("If-None-Match")
            if (match == tag if match else
                    since and email.utils.parsedate_to_datetime(since).timestamp() >= changed):
                print("unchanged", path, flush=True)
                self.send(304, b"", validators)
                return
            if "gzip" in self.headers.get("Accept-Encoding", ""):
                body = gzip.compress(body)
                validators.append(("Content-Encoding", "gzip"))
        print("full", path, flush=True)
        self.send(200, body, validators)

    def redirect(self, target):
        self.send(302, b"moved", [("Location", target)])

    def do_GET(self):
        path = urllib.parse.urlsplit(self.path).path  # a proxy's absolute form too
        if path == "/page":
            self.send(200, PAGE)
        elif path in ("/product", "/deaf"):
            self.product(path)
        elif path == "/chunked":
            chunks = [PAGE[:10], PAGE[10:30], PAGE[30:]]
            body = b"".join(b"%x\r\n%s\r\n" % (len(c), c) for c in chunks) + b"0\r\n\r\n"
            self.send(200, body, [("Transfer-Encoding", "chunked")])
        elif path == "/gzip":
            if "gzip" in self.headers.get("Accept-Encoding", ""):
                self.send(200, gzip.compress(PAGE), [("Content-Encoding", "gzip")])
            else:
                self.send(406)
        elif path.startswith("/hop/"):
            left = int(path[5:])
            self.redirect("/page" if left == 0 else "/hop/%d" % (left - 1))
        elif path == "/loop":
            self.redirect("/loop")
        elif path.startswith("/redirect/"):
            self.redirect(urllib.parse.unquote(path[10:]))
        elif path == "/long-header":
            self.send(200, b"x", [("X-Long", "y" * 1024 * 1024)])
        elif path == "/to-http":
            self.redirect("http://127.0.0.1:%d/page" % self.server.server_port)
        elif path.startswith("/status/"):
            status, _, after = path[8:].partition("/")
            status = int(status)
            after = urllib.parse.unquote(after) or "120"
            retry = [("Retry-After", after)] if status in (429, 503) else []
            self.send(status, b"no", retry)
        elif path == "/echo":
            self.send(200, (self.requestline + "\r\n" + str(self.headers)).encode())
        elif path == "/file":
            self.send(200, Handler.file_bytes)
        else:
            self.send(404, b"not here")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--file")
    args = parser.parse_args()
    if args.file:
        Handler.file_path = args.file
        with open(args.file, "rb") as f:
            Handler.file_bytes = f.read()
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    if args.cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.cert, args.key)
        server.socket = context.wrap_socket(server.socket, server_side=True)
    print("port %d" % server.server_port, flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    sys.exit(0)


if __name__ == "__main__":
    main()
