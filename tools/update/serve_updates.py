#!/usr/bin/env python3
"""A small update server of ours on 127.0.0.1, for the tests and the demo.

Serves the files of --root. With --user and --password every request must
carry that Basic authorization, else the answer is 401. Every request is
appended to --log as "<path> <Authorization header or ->". The port is chosen
by the system unless --port is given, and written to --port-file.

With --rate the files are sent at about that many bytes a second, so that a
person watching a download sees it move.

Paths that script a server's misbehaviour for the tests:
  /status/<code>/<name>   answers with that status code and no body
  /empty/<name>           200 with an empty body
  /endless/<name>         200 without a length, a body that never ends
  /short/<name>           200 with a length of 100,000 bytes, 4,096 bytes and the end of the connection
  /stall/<name>           accepts the request and never answers (until the client goes, or 10 minutes)
  /redirect/<port>/<path> 302 to http://127.0.0.1:<port>/<path>

A POST is logged as "POST <path> <body>" and answered with "posted <n>" (n
bytes of body). A request for an absolute address (as a client sends it to a
proxy) is forwarded to that address when it names 127.0.0.1, logged as
"proxy <address>", and its answer relayed: the server is then a proxy of ours.
"""
import argparse
import base64
import http.server
import os
import socketserver
import sys
import time


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, fmt, *args):
        pass

    def record(self):
        if self.server.log_path:
            with open(self.server.log_path, "a") as log:
                log.write(f"{self.path} {self.headers.get('Authorization', '-')}\n")

    def authorized(self):
        if not self.server.expected:
            return True
        return self.headers.get("Authorization") == self.server.expected

    def reply(self, code, body=b"", length=True):
        self.send_response(code)
        if code == 401:
            self.send_header("WWW-Authenticate", 'Basic realm="Talkpost updates"')
        if length:
            self.send_header("Content-Length", str(len(body)))
        else:
            self.send_header("Connection", "close")
        self.end_headers()
        if body:
            self.wfile.write(body)

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0") or 0)
        body = self.rfile.read(min(length, 1 << 20)) if length > 0 else b""
        if self.server.log_path:
            with open(self.server.log_path, "a") as log:
                log.write(f"POST {self.path} {body.decode('latin-1')}\n")
        self.reply(200, f"posted {len(body)}".encode("ascii"))

    def forward(self):
        import urllib.error
        import urllib.request
        if self.server.log_path:
            with open(self.server.log_path, "a") as log:
                log.write(f"proxy {self.path}\n")
        if not self.path.startswith(("http://127.0.0.1:", "http://localhost:")):
            self.reply(403)
            return
        class Stay(urllib.request.HTTPRedirectHandler):
            def redirect_request(self, *args, **kwargs):
                return None  # a redirect is relayed, never followed: this proxy stays on 127.0.0.1

        headers = {k: v for k, v in self.headers.items() if k.lower() in ("authorization", "user-agent")}
        opener = urllib.request.build_opener(Stay)
        try:
            with opener.open(urllib.request.Request(self.path, headers=headers), timeout=30) as answer:
                self.reply(answer.status, answer.read())
        except urllib.error.HTTPError as error:
            self.reply(error.code, error.read())

    def do_GET(self):
        if self.path.startswith("http://"):
            self.forward()
            return
        self.record()
        if not self.authorized():
            self.reply(401, b"authorization required")
            return
        parts = self.path.split("?")[0].strip("/").split("/")
        if parts[0] == "status" and len(parts) > 1 and parts[1].isdigit():
            self.reply(int(parts[1]))
        elif parts[0] == "empty":
            self.reply(200)
        elif parts[0] == "endless":
            self.reply(200, length=False)
            block = b"x" * 65536
            try:
                while True:
                    self.wfile.write(block)
            except OSError:
                pass
            self.close_connection = True
        elif parts[0] == "stall":
            # A stalled server: the sleep is the misbehaviour itself.
            for _ in range(600):
                time.sleep(1)
            self.close_connection = True
        elif parts[0] == "redirect" and len(parts) > 2 and parts[1].isdigit():
            self.send_response(302)
            self.send_header("Location", f"http://127.0.0.1:{parts[1]}/" + "/".join(parts[2:]))
            self.send_header("Content-Length", "0")
            self.end_headers()
        elif parts[0] == "short":
            self.send_response(200)
            self.send_header("Content-Length", "100000")
            self.end_headers()
            self.wfile.write(b"s" * 4096)
            self.wfile.flush()
            self.close_connection = True
        else:
            path = os.path.realpath(os.path.join(self.server.root, *parts))
            if not path.startswith(self.server.root + os.sep) or not os.path.isfile(path):
                self.reply(404)
                return
            size = os.path.getsize(path)
            self.send_response(200)
            self.send_header("Content-Length", str(size))
            self.send_header("Content-Type", "application/octet-stream")
            self.end_headers()
            block_size = 1 << 16
            pause = block_size / self.server.rate if self.server.rate else 0
            with open(path, "rb") as f:
                while True:
                    block = f.read(block_size)
                    if not block:
                        break
                    self.wfile.write(block)
                    if pause:
                        # A slow link (--rate): the pause is the slowness itself.
                        time.sleep(pause)


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--root", required=True)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--port-file")
    parser.add_argument("--user")
    parser.add_argument("--password")
    parser.add_argument("--log")
    parser.add_argument("--rate", type=int, default=0, help="bytes a second for files (0: as fast as it goes)")
    args = parser.parse_args(argv)
    server = Server(("127.0.0.1", args.port), Handler)
    server.root = os.path.realpath(args.root)
    server.log_path = args.log
    server.rate = args.rate
    server.expected = None
    if args.user is not None:
        token = base64.b64encode(f"{args.user}:{args.password or ''}".encode("latin-1")).decode("ascii")
        server.expected = "Basic " + token
    if args.port_file:
        with open(args.port_file + ".part", "w") as f:
            f.write(str(server.server_address[1]))
        os.replace(args.port_file + ".part", args.port_file)
    print(f"serving {server.root} on http://127.0.0.1:{server.server_address[1]}", flush=True)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
