"""A small FTP server for the synchronisation tests.

Serves one folder on 127.0.0.1 at a free port with a read-write user "rw"
(password "rwpass"), a read-only user "ro" (password "ropass") and a user
"norename" (password "nrpass") who may write but not rename; every other
password is refused. Prints "PORT <n>" once it listens, writes one line per
successful login to the log file, and ends when its parent goes away.
A download or upload of a file whose name starts with "cutoff" stops the
whole server after the first block, as a server dying in mid-transfer.
An upload to a name starting with "quota" is refused after its first block
(552, data connection closed) and one to a name starting with "refuse" is
refused once all of it has arrived (451); in both the server stays up and
the partial file stays on its disk, as a server out of room would leave it.

Usage: /usr/bin/python3 ftp_server.py ROOT LOGFILE
"""
import logging
import os
import sys
import threading
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler
from pyftpdlib.servers import FTPServer


class StoppingDTPHandler(DTPHandler):
    def _name_starts(self, prefix):
        name = os.path.basename(str(getattr(getattr(self, "file_obj", None), "name", "")))
        return name.startswith(prefix)

    def _cut_off(self):
        return self._name_starts("cutoff")

    def send(self, data):
        if self.cmd == "RETR" and self._cut_off() and self.tot_bytes_sent > 0:
            os._exit(3)
        return super().send(data)

    def handle_read(self):
        super().handle_read()
        if self.receive and self._cut_off() and self.tot_bytes_received > 0:
            os._exit(3)
        if self.receive and self._name_starts("quota") and self.tot_bytes_received > 0:
            self._resp = ("552 Exceeded storage allocation; transfer aborted.", logging.debug)
            self.close()

    def handle_close(self):
        if self.receive and self._name_starts("refuse") and not self._closed:
            self._resp = ("451 Insufficient storage space; transfer aborted.", logging.debug)
            self.close()
            return
        super().handle_close()

    handle_read_event = handle_read


def main():
    root, log_file = sys.argv[1], sys.argv[2]
    authorizer = DummyAuthorizer()
    authorizer.add_user("rw", "rwpass", root, perm="elradfmwMT")
    authorizer.add_user("ro", "ropass", root, perm="elr")
    authorizer.add_user("norename", "nrpass", root, perm="elrdw")

    class Handler(FTPHandler):
        def on_login(self, username):
            with open(log_file, "a", encoding="utf-8") as log:
                log.write("LOGIN %s\n" % username)

    Handler.authorizer = authorizer
    Handler.dtp_handler = StoppingDTPHandler
    Handler.unicode_errors = "surrogateescape"
    Handler.passive_ports = None
    Handler.banner = "test server ready"
    Handler.auth_failed_timeout = 0.1

    server = FTPServer(("127.0.0.1", 0), Handler)
    print("PORT %d" % server.address[1], flush=True)

    parent = os.getppid()

    def watch_parent():
        while os.getppid() == parent:
            time.sleep(0.5)
        os._exit(0)

    threading.Thread(target=watch_parent, daemon=True).start()
    server.serve_forever(timeout=0.5)


if __name__ == "__main__":
    import logging
    logging.basicConfig(level=logging.WARNING)
    main()
