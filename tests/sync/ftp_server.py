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
A download of a file whose name starts with "stall" sends its first block
and then nothing more, as a server that hangs, until the client gives up.
A download of a file whose name starts with "trickle" sends a few bytes a
second, as a server on a line that barely moves. A file whose name starts
with "unreadable" is listed but never sent (550), as a file of another
account's that this login may not read.
Every command received is written to the log file as "CMD <line>".

Users "c0", "c1" and "c2" (password "cpass") may do everything "rw" may:
one for each computer of a test that tells them apart. With --no-rename-over
the server refuses to rename onto an existing file, as some servers do.
With --no-rmd the server refuses to remove any folder, as a server that
keeps everything uploaded to it. With --reset-missing (with --tls) a data
connection opened for a file or folder that is not there is reset before its
TLS handshake, as proftpd does, and the command answered 550.
With --control DIR every login is served on a thread of its own, and a
transfer can be held at a chosen point: when DIR/hold-USER holds a number N,
the Nth command of USER after it was written (counted over all of USER's
logins) waits, with DIR/held-USER holding its line, until the test removes
DIR/held-USER.

With --tls CERTDIR, the server makes a self-signed certificate for
127.0.0.1 (written as CERTDIR/cert.pem; the key stays in CERTDIR/server.pem)
and requires explicit TLS (AUTH TLS, then PROT P) before any login.
With --tls13 CERTDIR instead, it also refuses every TLS version below 1.3.

Usage: /usr/bin/python3 ftp_server.py ROOT LOGFILE [--tls|--tls13 CERTDIR] [--no-rename-over]
       [--no-rmd] [--reset-missing] [--control DIR]
"""
import datetime
import ipaddress
import logging
import os
import socket
import struct
import sys
import threading
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler
from pyftpdlib.servers import FTPServer, ThreadedFTPServer


class Misbehaviour:
    """The transfers that break off, are refused or hang, by file name."""

    def _name_starts(self, prefix):
        name = os.path.basename(str(getattr(getattr(self, "file_obj", None), "name", "")))
        return name.startswith(prefix)

    def _cut_off(self):
        return self._name_starts("cutoff")

    def send(self, data):
        if self.cmd == "RETR" and self._cut_off() and self.tot_bytes_sent > 0:
            os._exit(3)
        if self.cmd == "RETR" and self._name_starts("stall") and self.tot_bytes_sent > 0:
            time.sleep(0.05)
            return 0
        if not self.receive and self._name_starts("trickle"):
            time.sleep(0.05)
            now = time.monotonic()
            if now - getattr(self, "_last_trickle", 0.0) < 0.5:
                return 0
            self._last_trickle = now
            return super().send(data[:2])
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


class StoppingDTPHandler(Misbehaviour, DTPHandler):
    # The TLS handler's own handle_read_event runs the handshake; this one
    # is plain, so every read event goes through the checks above.
    handle_read_event = Misbehaviour.handle_read


def make_certificate(cert_dir):
    """A self-signed certificate for 127.0.0.1; returns the server's PEM file."""
    from cryptography import x509
    from cryptography.hazmat.primitives import hashes, serialization
    from cryptography.hazmat.primitives.asymmetric import ec
    from cryptography.x509.oid import NameOID

    key = ec.generate_private_key(ec.SECP256R1())
    name = x509.Name([x509.NameAttribute(NameOID.COMMON_NAME, "127.0.0.1")])
    now = datetime.datetime.now(datetime.timezone.utc)
    cert = (
        x509.CertificateBuilder()
        .subject_name(name)
        .issuer_name(name)
        .public_key(key.public_key())
        .serial_number(x509.random_serial_number())
        .not_valid_before(now - datetime.timedelta(days=1))
        .not_valid_after(now + datetime.timedelta(days=30))
        .add_extension(
            x509.SubjectAlternativeName([x509.IPAddress(ipaddress.ip_address("127.0.0.1"))]),
            critical=False)
        .add_extension(x509.BasicConstraints(ca=True, path_length=None), critical=True)
        .sign(key, hashes.SHA256())
    )
    cert_pem = cert.public_bytes(serialization.Encoding.PEM)
    key_pem = key.private_bytes(serialization.Encoding.PEM,
                                serialization.PrivateFormat.TraditionalOpenSSL,
                                serialization.NoEncryption())
    with open(os.path.join(cert_dir, "cert.pem"), "wb") as out:
        out.write(cert_pem)
    server_pem = os.path.join(cert_dir, "server.pem")
    with open(server_pem, "wb") as out:
        out.write(key_pem + cert_pem)
    return server_pem


def end_with_parent():
    """Ends the whole process once the test that started it has gone."""
    parent = os.getppid()

    def watch_parent():
        while os.getppid() == parent:
            time.sleep(0.5)
        os._exit(0)

    threading.Thread(target=watch_parent, daemon=True).start()


def option_value(name):
    """The word after `name` among the arguments, or None."""
    args = sys.argv[3:]
    return args[args.index(name) + 1] if name in args[:-1] else None


TRANSFER_COMMANDS = ("RETR", "STOR", "APPE", "LIST", "NLST", "MLSD")


class Holds:
    """The points where the test holds a user's transfer (see the module's text)."""

    def __init__(self, control):
        self.control = control
        self.lock = threading.Lock()

    def _path(self, kind, user):
        return os.path.join(self.control, "%s-%s" % (kind, user))

    def wait_here(self, user, line):
        held = self._path("held", user)
        with self.lock:
            try:
                with open(self._path("hold", user)) as source:
                    count = int(source.read().strip() or "0") - 1
            except (OSError, ValueError):
                return
            if count > 0:
                with open(self._path("hold", user), "w") as out:
                    out.write("%d" % count)
                return
            os.remove(self._path("hold", user))
            with open(held + ".part", "w") as out:
                out.write(line)
            os.rename(held + ".part", held)
        while os.path.exists(held):
            time.sleep(0.005)


def main():
    root, log_file = sys.argv[1], sys.argv[2]
    tls13_only = option_value("--tls13") is not None
    tls_dir = option_value("--tls13") if tls13_only else option_value("--tls")
    control = option_value("--control")
    rename_over = "--no-rename-over" not in sys.argv
    remove_folders = "--no-rmd" not in sys.argv
    reset_missing = "--reset-missing" in sys.argv
    holds = Holds(control) if control else None
    authorizer = DummyAuthorizer()
    authorizer.add_user("rw", "rwpass", root, perm="elradfmwMT")
    for user in ("c0", "c1", "c2"):
        authorizer.add_user(user, "cpass", root, perm="elradfmwMT")
    authorizer.add_user("ro", "ropass", root, perm="elr")
    authorizer.add_user("norename", "nrpass", root, perm="elrdw")

    def log(line):
        with open(log_file, "a", encoding="utf-8", errors="replace") as out:
            out.write(line + "\n")

    base, dtp = FTPHandler, StoppingDTPHandler
    if tls_dir is not None:
        from pyftpdlib.handlers import TLS_DTPHandler, TLS_FTPHandler

        class StoppingTLSDTPHandler(Misbehaviour, TLS_DTPHandler):
            def __init__(self, sock, cmd_channel):
                # Under --reset-missing the handshake waits for the command
                # that uses the connection, which may reset it instead.
                if reset_missing and not cmd_channel.transfer_asked:
                    self._postponed = cmd_channel._prot
                    cmd_channel._prot, prot = False, cmd_channel._prot
                    try:
                        super().__init__(sock, cmd_channel)
                    finally:
                        cmd_channel._prot = prot
                    # Unwatched meanwhile: the client's hello waits unread.
                    if self._postponed and self.connected:
                        self.modify_ioloop_events(0)
                else:
                    self._postponed = False
                    super().__init__(sock, cmd_channel)

            def start_postponed_handshake(self):
                if self._postponed:
                    self._postponed = False
                    self.secure_connection(self.cmd_channel.ssl_context)
                    self.modify_ioloop_events(self.ioloop.READ)

            def readable(self):
                # libcurl starts the data connection's handshake before it
                # sends STOR or RETR, and the plain handler takes bytes that
                # come before the command for a hang-up.
                if self._ssl_accepting:
                    return True
                if self._postponed:
                    return False
                return super().readable()

        base, dtp = TLS_FTPHandler, StoppingTLSDTPHandler
        base.certfile = make_certificate(tls_dir)
        base.tls_control_required = True
        base.tls_data_required = True
        if tls13_only:
            from OpenSSL import SSL

            base.get_ssl_context().set_min_proto_version(SSL.TLS1_3_VERSION)

    class Handler(base):
        transfer_asked = False
        reset_pending = False

        def on_login(self, username):
            log("LOGIN %s" % username)

        def pre_process_command(self, line, cmd, arg):
            log("CMD %s" % line)
            if holds is not None and self.authenticated:
                holds.wait_here(self.username, line)
            if cmd in ("PASV", "EPSV"):
                self.transfer_asked = self.reset_pending = False
            if reset_missing and cmd in TRANSFER_COMMANDS and self.authenticated:
                if self._reset_for_missing(cmd, arg):
                    return None
                self.transfer_asked = True
                if self.data_channel is not None:
                    self.data_channel.start_postponed_handshake()
            return super().pre_process_command(line, cmd, arg)

        def _reset_for_missing(self, cmd, arg):
            """Answers 550 and resets the data connection, now or once it is
            accepted, when `arg` names nothing."""
            if cmd in ("STOR", "APPE"):
                return False
            try:
                path = self.fs.ftp2fs(arg or self.fs.cwd)
            except Exception:
                return False
            if os.path.exists(path):
                return False
            if self.data_channel is not None:
                self._reset_data_channel()
            else:
                self.reset_pending = True
            self.respond("550 No such file or directory.")
            return True

        def _reset_data_channel(self):
            self.data_channel.socket.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER,
                                                struct.pack("ii", 1, 0))
            self.data_channel.close()

        def _on_dtp_connection(self):
            if self.reset_pending:
                self.reset_pending = False
                if self._dtp_acceptor is not None:
                    self._dtp_acceptor.close()
                    self._dtp_acceptor = None
                self._reset_data_channel()
                return None
            return super()._on_dtp_connection()

        def ftp_RETR(self, file):
            if os.path.basename(file).startswith("unreadable"):
                self.respond("550 Permission denied.")
                return None
            return super().ftp_RETR(file)

        def ftp_RMD(self, path):
            if not remove_folders:
                self.respond("550 Permission denied.")
                return None
            return super().ftp_RMD(path)

        def ftp_MKD(self, path):
            # pyftpdlib's own reply quotes the new name decoded as UTF-8 and
            # fails for a Shift_JIS name after making the folder.
            try:
                self.run_as_current_user(self.fs.mkdir, path)
            except OSError as err:
                self.respond("550 %s." % err.strerror)
            else:
                self.respond("257 Directory created.")

        def ftp_RNTO(self, path):
            if not rename_over and self._rnfr and os.path.exists(path):
                self._rnfr = None
                self.respond("550 Will not rename onto an existing file.")
                return
            return super().ftp_RNTO(path)

    Handler.authorizer = authorizer
    Handler.dtp_handler = dtp
    Handler.unicode_errors = "surrogateescape"
    Handler.passive_ports = None
    Handler.banner = "test server ready"
    Handler.auth_failed_timeout = 0.1

    server_class = ThreadedFTPServer if holds is not None else FTPServer
    server = server_class(("127.0.0.1", 0), Handler)
    print("PORT %d" % server.address[1], flush=True)
    end_with_parent()
    server.serve_forever(timeout=0.5)


if __name__ == "__main__":
    import logging
    logging.basicConfig(level=logging.WARNING)
    main()
