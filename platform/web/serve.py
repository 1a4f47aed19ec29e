#!/usr/bin/env python3
"""The page's own local server (scripts/web): serves a built page's folder (out/web/) on 127.0.0.1 as a
host should serve it, and prints its address on the first line of its output.

Every response, errors included, carries the page's Content-Security-Policy (the one of the page's meta
tag, read from the folder's index.html, with frame-ancestors 'none', which only a header can carry),
X-Frame-Options: DENY for browsers without frame-ancestors, and X-Content-Type-Options: nosniff, with the
types the page's files need (application/wasm for the module, which streaming compilation insists on).
A file with a gzip-compressed copy beside it (NAME.gz, as scripts/web makes one of each of the page's
files) is sent as that copy with Content-Encoding: gzip to a browser that accepts gzip, and as it is to
one that does not. Nothing but files in the folder is served; a folder's address is its index.html, and
no folder is listed.

    serve.py FOLDER [PORT]        PORT 0 (the default) takes a free one
"""
import http.server
import os
import re
import socketserver
import sys
import urllib.parse

TYPES = {".html": "text/html; charset=utf-8", ".js": "text/javascript", ".wasm": "application/wasm",
         ".data": "application/octet-stream", ".css": "text/css", ".png": "image/png", ".bmp": "image/bmp",
         ".txt": "text/plain; charset=utf-8"}


def page_policy(folder):
    """The policy of the meta tag of the folder's index.html, and frame-ancestors 'none'."""
    with open(os.path.join(folder, "index.html"), encoding="utf-8") as f:
        page = f.read()
    meta = re.search(r'<meta\s+http-equiv="Content-Security-Policy"\s+content="([^"]*)"', page, re.IGNORECASE)
    if not meta:
        raise SystemExit(f"{folder}/index.html has no Content-Security-Policy meta tag")
    return meta.group(1).rstrip("; ") + "; frame-ancestors 'none'"


def accepts_gzip(header):
    """Whether an Accept-Encoding header accepts gzip (named, or by *, with a quality above 0)."""
    accepted = {}
    for part in (header or "").split(","):
        name, _, params = part.strip().partition(";")
        quality = re.search(r"q\s*=\s*([0-9.]+)", params)
        accepted[name.strip().lower()] = float(quality.group(1)) if quality else 1.0
    return accepted.get("gzip", accepted.get("*", 0.0)) > 0


def make_handler(folder, policy):
    class Handler(http.server.BaseHTTPRequestHandler):
        server_version = "viewer-page"
        sys_version = ""

        def end_headers(self):
            self.send_header("Content-Security-Policy", policy)
            self.send_header("X-Frame-Options", "DENY")
            self.send_header("X-Content-Type-Options", "nosniff")
            super().end_headers()

        def file_of(self):
            """The file the request's path names within the folder, or None."""
            path = urllib.parse.unquote(urllib.parse.urlsplit(self.path).path)
            if path.endswith("/"):
                path += "index.html"
            parts = [p for p in path.split("/") if p]
            if any(p in (".", "..") or "\\" in p or "\0" in p for p in parts):
                return None
            file = os.path.join(folder, *parts)
            return file if os.path.isfile(file) else None

        def send_file(self, with_body):
            file = self.file_of()
            if file is None:
                self.send_error(404)
                return
            compressed = file + ".gz"
            has_copy = os.path.isfile(compressed)
            gzipped = has_copy and accepts_gzip(self.headers.get("Accept-Encoding"))
            with open(compressed if gzipped else file, "rb") as f:
                body = f.read()
            self.send_response(200)
            self.send_header("Content-Type", TYPES.get(os.path.splitext(file)[1], "application/octet-stream"))
            self.send_header("Content-Length", str(len(body)))
            if gzipped:
                self.send_header("Content-Encoding", "gzip")
            if has_copy:
                self.send_header("Vary", "Accept-Encoding")
            self.send_header("Cache-Control", "no-cache")
            self.end_headers()
            if with_body:
                self.wfile.write(body)

        def do_GET(self):
            self.send_file(True)

        def do_HEAD(self):
            self.send_file(False)

        def log_message(self, form, *args):
            sys.stderr.write("%s %s\n" % (self.address_string(), form % args))

    return Handler


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True


def main():
    if len(sys.argv) not in (2, 3):
        print(f"usage: {sys.argv[0]} FOLDER [PORT]", file=sys.stderr)
        return 2
    folder = os.path.realpath(sys.argv[1])
    port = int(sys.argv[2]) if len(sys.argv) == 3 else 0
    server = Server(("127.0.0.1", port), make_handler(folder, page_policy(folder)))
    print(f"http://127.0.0.1:{server.server_address[1]}/", flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
