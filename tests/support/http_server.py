#!/ usr / bin / env python3
"""A small HTTP server for the tests, bound to 127.0.0.1 only.

Serves the files of one folder. Prints "PORT <n>" once it listens, then one line
"REQUEST <request line>" for every request, exactly as the client sent it.

Special paths:
  /interrupt/NAME  sends NAME's headers with its full Content-Length, then only the
                   first half of the body, then closes the connection.
  /slow/NAME       waits two seconds, then sends NAME.
  /attach/NAME     sends NAME as an attachment (the browser saves it instead of showing it);
                   with "?filename=X" the attachment is called X, exactly as given.

A query "type=.EXT" sends the file with the content type of the extension EXT instead of
its own (a file without an extension, or one a server misnames).
"""

import argparse
import http.server
import os
import sys
import threading
import time
import urllib.parse

TYPES = {
    ".htm": "text/html; charset=utf-8",
    ".html": "text/html; charset=utf-8",
    ".txt": "text/plain; charset=utf-8",
    ".rtf": "application/rtf",
    ".pdf": "application/pdf",
    ".doc": "application/msword",
}


class Handler(http.server.BaseHTTPRequestHandler):
    root = "."
    protocol_version = "HTTP/1.1"

    def log_message(self, format, *args):  # the request lines go to stdout instead
        pass

    def _file(self, name):
        name = urllib.parse.unquote(name.split("?", 1)[0].split("#", 1)[0])
        path = os.path.realpath(os.path.join(self.root, name.lstrip("/")))
        root = os.path.realpath(self.root)
        if path != root and not path.startswith(root + os.sep):
            return None
        if os.path.isdir(path):
            path = os.path.join(path, "index.html")
        return path if os.path.isfile(path) else None

    def _headers(self, path, length, extra=()):
        self.send_response(200)
        ext = os.path.splitext(path)[1].lower()
        query = urllib.parse.parse_qs(urllib.parse.urlsplit(self.path).query)
        if "type" in query:
            ext = query["type"][0].lower()
        self.send_header("Content-Type", TYPES.get(ext, "application/octet-stream"))
        self.send_header("Content-Length", str(length))
        self.send_header("Cache-Control", "no-store")
        for key, value in extra:
            self.send_header(key, value)
        self.end_headers()

    def do_GET(self):
        print("REQUEST " + self.requestline, flush=True)
        target = self.path
        mode = None
        for prefix in ("/interrupt/", "/slow/", "/attach/"):
            if target.startswith(prefix):
                mode = prefix.strip("/")
                target = "/" + target[len(prefix):]
                break
        path = self._file(target)
        if path is None:
            body = b"<html><head><title>Not Found</title></head><body>Not found</body></html>"
            self.send_response(404)
            self.send_header("Content-Type", "text/html; charset=utf-8")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
            return
        with open(path, "rb") as f:
            data = f.read()
        if mode == "slow":
            time.sleep(2)
        if mode == "interrupt":
            self._headers(path, len(data))
            self.wfile.write(data[: len(data) // 2])
            self.wfile.flush()
            self.close_connection = True
            return
        extra = ()
        if mode == "attach":
            query = urllib.parse.parse_qs(urllib.parse.urlsplit(self.path).query)
            name = query.get("filename", [os.path.basename(path)])[0]
            extra = (("Content-Disposition", 'attachment; filename="%s"' % name),)
        self._headers(path, len(data), extra)
        self.wfile.write(data)

    def do_HEAD(self):
        print("REQUEST " + self.requestline, flush=True)
        path = self._file(self.path)
        if path is None:
            self.send_response(404)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        self._headers(path, os.path.getsize(path))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--port", type=int, default=0)
    args = parser.parse_args()
    Handler.root = args.root
    server = http.server.ThreadingHTTPServer(("127.0.0.1", args.port), Handler)
    server.daemon_threads = True
#The test that started the server holds its standard input open; when that test ends,
#even by a crash, the input closes and the server goes with it.
    def watch_parent():
        try:
            while sys.stdin.buffer.read(4096):
                pass
        finally:
            os._exit(0)
    threading.Thread(target=watch_parent, daemon=True).start()
    print("PORT %d" % server.server_address[1], flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
