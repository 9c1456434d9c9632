"""A small HTTP server that answers as the CalDAV client's tests script it.

Listens on 127.0.0.1 at a free port, prints "PORT <n>" once it listens,
writes every request it receives to the log file as one JSON line (method,
path, headers with lower-case names, body), and ends when its parent goes
away. What it answers depends on the path:

  /redirect/...   301 to /moved/, for any method
  /big/N          200 with a body of N bytes
  /stall          200 announcing 1000 bytes, sends one of them, then waits
  /.well-known/caldav  301 to WELL_KNOWN (default /ctx/)
  /ctx/, /ctx/p/, /ctx/home/  a CalDAV account found only through the
                  well-known URL: the context path names the principal
                  /ctx/p/, whose calendar home /ctx/home/ holds the task list
                  "Tasks" and the event calendar "Events"
  anything else   207 with a one-response multistatus, and the ETag "e1"

Usage: /usr/bin/python3 http_probe.py LOGFILE [WELL_KNOWN]
"""

import http.server
import json
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "sync"))
from ftp_server import end_with_parent  # noqa: E402

MULTISTATUS = (b'<?xml version="1.0" encoding="utf-8"?>'
               b'<d:multistatus xmlns:d="DAV:"><d:response><d:href>/x/</d:href>'
               b'<d:status>HTTP/1.1 200 OK</d:status></d:response></d:multistatus>')


def multistatus(*responses):
    return ('<?xml version="1.0" encoding="utf-8"?><d:multistatus xmlns:d="DAV:" '
            'xmlns:c="urn:ietf:params:xml:ns:caldav">%s</d:multistatus>'
            % "".join('<d:response><d:href>%s</d:href><d:propstat><d:prop>%s</d:prop>'
                      '<d:status>HTTP/1.1 200 OK</d:status></d:propstat></d:response>' % r
                      for r in responses)).encode("utf-8")


def calendar(name, component):
    return ('<d:resourcetype><d:collection/><c:calendar/></d:resourcetype>'
            '<d:displayname>%s</d:displayname><c:supported-calendar-component-set>'
            '<c:comp name="%s"/></c:supported-calendar-component-set>' % (name, component))


ACCOUNT = {
    "/ctx/": multistatus(("/ctx/", '<d:current-user-principal><d:href>/ctx/p/</d:href>'
                                   '</d:current-user-principal>')),
    "/ctx/p/": multistatus(("/ctx/p/", '<c:calendar-home-set><d:href>/ctx/home/</d:href>'
                                       '</c:calendar-home-set>')),
    "/ctx/home/": multistatus(("/ctx/home/", '<d:resourcetype><d:collection/></d:resourcetype>'),
                              ("/ctx/home/tasks/", calendar("Tasks", "VTODO")),
                              ("/ctx/home/events/", calendar("Events", "VEVENT"))),
}


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def __getattr__(self, name):
        if name.startswith("do_"):
            return self.answer
        raise AttributeError(name)

    def send(self, status, body=b"", headers=()):
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def answer(self):
        length = int(self.headers.get("Content-Length", "0"))
        body = self.rfile.read(length) if length else b""
        with open(self.server.log, "a", encoding="utf-8") as out:
            out.write(json.dumps({
                "method": self.command,
                "path": self.path,
                "headers": {k.lower(): v for k, v in self.headers.items()},
                "body": body.decode("utf-8", "replace"),
            }) + "\n")
        if self.path.startswith("/redirect/"):
            self.send(301, b"moved", [("Location", "/moved/")])
        elif self.path.startswith("/big/"):
            self.send(200, b"x" * int(self.path[5:]))
        elif self.path == "/stall":
            self.send_response(200)
            self.send_header("Content-Length", "1000")
            self.end_headers()
            self.wfile.write(b"x")
            self.wfile.flush()
            time.sleep(30)
        elif self.path == "/.well-known/caldav":
            self.send(301, b"", [("Location", self.server.well_known)])
        elif self.path in ACCOUNT:
            self.send(207, ACCOUNT[self.path])
        else:
            self.send(207, MULTISTATUS, [("ETag", '"e1"'),
                                         ("Content-Type", "application/xml; charset=utf-8")])


def main():
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    server.log = sys.argv[1]
    server.well_known = sys.argv[2] if len(sys.argv) > 2 else "/ctx/"
    print("PORT %d" % server.server_address[1], flush=True)
    end_with_parent()
    server.serve_forever(poll_interval=0.2)


if __name__ == "__main__":
    main()
