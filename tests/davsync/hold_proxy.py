"""An HTTP proxy in front of a test's CalDAV server that can hold a request.

Listens on 127.0.0.1 at a free port, prints "PORT <n>" once it listens, and
passes every request on to TARGET (host:port) as it came, and the answer
back. Ends when its parent goes away.

The test steers it through files in CONTROL, as ftp_server.py --control
holds FTP commands:

  hold-METHOD     holding a number N: the Nth request of METHOD (PUT,
                  DELETE, REPORT ...) after the file was written waits, with
                  held-METHOD holding its path, until the test removes
                  held-METHOD; then it goes on to the server.
  answer-METHOD   holding a number N (and optionally a count K after it), a
                  status line and a body after an empty line: the Nth request
                  of METHOD (and the K-1 after it) is answered with that
                  instead of going to the server.

Every request is logged to CONTROL/log as "METHOD PATH STATUS".

Usage: /usr/bin/python3 hold_proxy.py TARGET CONTROL
"""

import http.client
import http.server
import os
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "sync"))
from ftp_server import end_with_parent  # noqa: E402

TARGET = sys.argv[1]
CONTROL = sys.argv[2]
LOCK = threading.Lock()
HOP_BY_HOP = {"connection", "keep-alive", "transfer-encoding", "te", "trailer", "upgrade",
              "proxy-authorization", "proxy-authenticate", "content-length"}


def take_turn(kind, method):
    """The text after the first line of CONTROL/kind-method when this
    request is one of those it names, else None; counts the file down."""
    path = os.path.join(CONTROL, "%s-%s" % (kind, method))
    with LOCK:
        try:
            with open(path) as source:
                first, _, rest = source.read().partition("\n")
            words = first.split()
            count, times = int(words[0]) - 1, int(words[1]) if len(words) > 1 else 1
        except (OSError, ValueError, IndexError):
            return None
        if count > 0 or times > 1:
            with open(path, "w") as out:
                out.write("%d %d\n%s" % (count, times, rest) if count > 0 else
                          "1 %d\n%s" % (times - 1, rest))
        else:
            os.remove(path)
        return None if count > 0 else rest


def log(line):
    with LOCK:
        with open(os.path.join(CONTROL, "log"), "a") as out:
            out.write(line + "\n")


class Proxy(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def relay(self):
        method = self.command
        body = self.rfile.read(int(self.headers.get("Content-Length") or 0))
        if take_turn("hold", method) is not None:
            held = os.path.join(CONTROL, "held-" + method)
            with open(held + ".part", "w") as out:
                out.write(self.path)
            os.rename(held + ".part", held)
            while os.path.exists(held):
                time.sleep(0.005)
        canned = take_turn("answer", method)
        if canned is not None:
            status_line, _, answer = canned.partition("\n\n")
            code, _, reason = status_line.strip().partition(" ")
            data = answer.encode("utf-8")
            # Logged before the client can see the answer, so that a count
            # read once it has it includes the request.
            log("%s %s %s canned" % (method, self.path, code))
            self.send_response(int(code), reason)
            self.send_header("Content-Type", "application/xml; charset=utf-8")
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            self.wfile.write(data)
            return
        host, port = TARGET.rsplit(":", 1)
        server = http.client.HTTPConnection(host, int(port), timeout=60)
        headers = {k: v for k, v in self.headers.items() if k.lower() not in HOP_BY_HOP}
        server.request(method, self.path, body=body, headers=headers)
        reply = server.getresponse()
        data = reply.read()
        server.close()
        log("%s %s %d" % (method, self.path, reply.status))
        self.send_response(reply.status, reply.reason)
        for name, value in reply.getheaders():
            if name.lower() not in HOP_BY_HOP:
                self.send_header(name, value)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    do_GET = do_PUT = do_DELETE = do_PROPFIND = do_REPORT = do_MKCALENDAR = do_OPTIONS = relay
    do_PROPPATCH = do_POST = do_HEAD = relay


class Server(http.server.ThreadingHTTPServer):
    def handle_error(self, request, client_address):
        # A client killed while its request was held or answered is no error here.
        if not isinstance(sys.exc_info()[1], (BrokenPipeError, ConnectionResetError)):
            super().handle_error(request, client_address)


def main():
    end_with_parent()
    server = Server(("127.0.0.1", 0), Proxy)
    server.daemon_threads = True
    print("PORT %d" % server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
