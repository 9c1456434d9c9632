#!/usr/bin/python3
"""Builds the Debian package of a build tree with CPack, unpacks it into a
scratch root and starts the program there through its launcher, as a new user
with an empty home would, on the offscreen platform:

  package_test.py --cpack <cpack> --config <build>/CPackConfig.cmake

The program has its window up once it answers on its single-instance socket:
it listens only from its window's initialisation on and answers from the
window's own event loop. The answer carries its process id, which must be the
launcher's (the launcher replaces itself with the program), and /proc tells
the folder it runs in. It is then ended with SIGTERM, which also shows it was
still running. Exits 77 (skipped) when the Debian tools are missing."""
import argparse
import glob
import gzip
import hashlib
import os
import re
import shutil
import signal
import socket
import stat
import subprocess
import sys
import tempfile
import time

SKIPPED = 77
START_TIMEOUT = 60


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def build_package(cpack, config, out):
    result = subprocess.run([cpack, "--config", config, "-G", "DEB", "-B", out],
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    check(result.returncode == 0, "cpack failed:\n" + result.stdout)
    debs = glob.glob(os.path.join(out, "*.deb"))
    check(len(debs) == 1, f"expected one package, found {debs}")
    return debs[0]


def check_contents(deb):
    fields = subprocess.run(["dpkg-deb", "-f", deb, "Package", "Maintainer", "Depends",
                             "Recommends"],
                            stdout=subprocess.PIPE, text=True, check=True).stdout
    # The keyring keeps a server's password only where one answers on the desktop.
    for wanted in ["Package: veskat", "Maintainer: ", "libqt6widgets6", "libcurl", "libical3",
                   "qt6-translations-l10n", "gnome-keyring"]:
        check(wanted in fields, f"control fields lack {wanted!r}:\n{fields}")
    listing = subprocess.run(["dpkg-deb", "-c", deb], stdout=subprocess.PIPE, text=True,
                             check=True).stdout
    paths = {line.split()[-1].lstrip(".") for line in listing.splitlines()}
    app_id = "org.veskat.veskat"
    wanted = ["/usr/bin/veskat", "/usr/libexec/veskat/veskat-bin",
              f"/usr/share/applications/{app_id}.desktop",
              f"/usr/share/metainfo/{app_id}.metainfo.xml",
              f"/usr/share/icons/hicolor/scalable/apps/{app_id}.svg",
              "/usr/share/man/man1/veskat.1.gz", "/usr/share/man/ja/man1/veskat.1.gz",
              "/usr/share/doc/veskat/copyright"]
    wanted += [f"/usr/share/icons/hicolor/{n}x{n}/apps/{app_id}.png"
               for n in (16, 22, 24, 32, 48, 64, 128, 256)]
    for path in wanted:
        check(path in paths, f"the package lacks {path}")


def page_outline(text):
    """What a translation must keep of a manual page: its sections, its entries
    and the options it names."""
    lines = text.splitlines()
    return (sum(line.startswith(".SH ") for line in lines),
            sum(line == ".TP" for line in lines),
            sorted(set(re.findall(r"\\-\\-[a-z-]+(?:\\-[a-z]+)*", text))))


def check_manual_pages(root):
    """The Japanese page is the English one in full, with the same sections,
    entries and options, and stands where man -L ja looks (scripts/package has
    lintian read both)."""
    pages = {}
    for language in ("", "ja/"):
        with gzip.open(os.path.join(root, f"usr/share/man/{language}man1/veskat.1.gz"), "rt",
                       encoding="utf-8") as f:
            pages[language] = f.read()
    check(page_outline(pages[""]) == page_outline(pages["ja/"]),
          f"the Japanese manual page is not the English one: {page_outline(pages['ja/'])} "
          f"against {page_outline(pages[''])}")
    if shutil.which("man") is None:
        return
    found = subprocess.run(["man", "-L", "ja", "-w", "veskat"],
                           env={**os.environ, "MANPATH": os.path.join(root, "usr/share/man")},
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    check(found.stdout.strip().endswith("/ja/man1/veskat.1.gz"),
          f"man -L ja finds {found.stdout.strip()!r}: {found.stderr}")


class Scratch:
    """An unpacked package and a fresh home, runtime folder and working folder."""

    def __init__(self, top, deb):
        self.top = top
        root = os.path.join(top, "root")
        subprocess.run(["dpkg-deb", "-x", deb, root], check=True)
        self.launcher = os.path.join(root, "usr", "bin", "veskat")
        self.home = os.path.join(top, "home")
        self.runtime = os.path.join(top, "run")
        self.elsewhere = os.path.join(top, "elsewhere")
        os.mkdir(self.home)
        os.mkdir(self.runtime, 0o700)
        os.mkdir(self.elsewhere)

    def env(self, extra):
        env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": self.home,
               "XDG_RUNTIME_DIR": self.runtime, "QT_QPA_PLATFORM": "offscreen",
               "LANG": "C.UTF-8"}
        env.update(extra)
        return env

    def launch(self, args=(), extra_env=None):
        return subprocess.Popen([self.launcher, *args], env=self.env(extra_env or {}),
                                cwd=self.elsewhere, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, text=True)

    def run_to_end(self, args=(), extra_env=None):
        return subprocess.run([self.launcher, *args], env=self.env(extra_env or {}),
                              cwd=self.elsewhere, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, text=True, timeout=30)

    def answered_pid(self, process, folder):
        """The process id the window of `folder` reports once it is up; its
        guard is named by the user and the folder's canonical path."""
        key = hashlib.sha256(os.fsencode(os.path.realpath(folder))).hexdigest()[:16]
        path = os.path.join(self.runtime, f"veskat120-{os.getuid()}-{key}.socket")
        deadline = time.monotonic() + START_TIMEOUT
        while time.monotonic() < deadline:
            if process.poll() is not None:
                raise Failure(f"the program ended with {process.returncode} before its "
                              f"window was up:\n{process.stderr.read()}")
            try:
                with socket.socket(socket.AF_UNIX) as peer:
                    peer.settimeout(10)
                    peer.connect(path)
                    answer = b""
                    while not answer.endswith(b"\n"):
                        data = peer.recv(64)
                        if not data:
                            break
                        answer += data
                    return int(answer)
            except (OSError, ValueError):
                time.sleep(0.05)
        raise Failure(f"no answer on {path} within {START_TIMEOUT} s")

    def start_and_check(self, expected_folder, args=(), extra_env=None):
        process = self.launch(args, extra_env)
        pid = None
        try:
            pid = self.answered_pid(process, expected_folder)
            check(pid == process.pid, f"answered by process {pid}, started {process.pid}")
            folder = os.readlink(f"/proc/{pid}/cwd")
            check(folder == os.path.realpath(expected_folder),
                  f"runs in {folder}, expected {expected_folder}")
        finally:
            if process.poll() is None:
                process.send_signal(signal.SIGTERM)
            process.wait(timeout=30)
            # A launcher that did not replace itself leaves the program behind.
            if pid is not None and pid != process.pid:
                try:
                    os.kill(pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
        check(process.returncode == -signal.SIGTERM,
              f"ended with {process.returncode} instead of by SIGTERM:\n{process.stderr.read()}")


def check_launcher(scratch):
    # A new user: the default folder is made, private, and the program runs in it.
    default = os.path.join(scratch.home, ".local", "share", "veskat")
    scratch.start_and_check(default)
    check(stat.S_IMODE(os.stat(default).st_mode) == 0o700, "the data folder is not private")

    # XDG_DATA_HOME moves it; a relative value is ignored.
    data_home = os.path.join(scratch.top, "data-home")
    scratch.start_and_check(os.path.join(data_home, "veskat"), extra_env={"XDG_DATA_HOME": data_home})
    scratch.start_and_check(default, extra_env={"XDG_DATA_HOME": "relative/share"})
    check(not os.path.exists(os.path.join(scratch.elsewhere, "relative")),
          "a relative XDG_DATA_HOME was used")

    # A folder given as argument, relative to where the launcher is started.
    synced = os.path.join(scratch.elsewhere, "synced folder")
    os.mkdir(synced)
    scratch.start_and_check(synced, args=["synced folder"])

    # A missing folder is refused rather than opened as an empty schedule.
    missing = os.path.join(scratch.top, "missing")
    result = scratch.run_to_end([missing])
    check(result.returncode == 1 and "no such folder" in result.stderr,
          f"a missing folder gave {result.returncode}: {result.stderr}")
    check(not os.path.exists(missing), "a missing folder was created")
    result = scratch.run_to_end(["one", "two"])
    check(result.returncode == 2 and "Usage" in result.stderr, "two arguments were accepted")


def check_commands(scratch):
    """--agenda and --export-ics through the launcher: they read the folder
    given or the default one, create and change nothing, and name what they
    cannot use."""
    folder = os.path.join(scratch.elsewhere, "synced folder")
    today = time.strftime("%Y\t%m\t%d")
    with open(os.path.join(folder, "veskat_i.dat"), "wb") as f:
        f.write(f"_VESKAT_I_DAT_VER_1_2_\r\n{today}\tdentist\t23\t59\tU\t\t\r\n".encode())
    before = sorted(os.listdir(folder))

    result = scratch.run_to_end(["--agenda", "3", "synced folder"])
    check(result.returncode == 0 and result.stdout.endswith("0 日  dentist\n")
          and not result.stderr, f"the agenda gave {result.returncode}: {result.stdout}"
          f"{result.stderr}")
    # A folder alone is the folder, though a word alone would be the days.
    result = scratch.run_to_end(["--agenda", "synced folder"])
    check(result.returncode == 0 and result.stdout.endswith("0 日  dentist\n"),
          f"the agenda of a folder alone gave {result.returncode}: {result.stderr}")
    result = scratch.run_to_end(["--export-ics", "out.ics", "synced folder"])
    check(result.returncode == 0, f"the export gave {result.returncode}: {result.stderr}")
    with open(os.path.join(scratch.elsewhere, "out.ics"), "rb") as f:
        check(b"SUMMARY:dentist\r\n" in f.read(), "the export lacks the subject")
    check(sorted(os.listdir(folder)) == before, "a command changed the data folder")

    # The default folder is read, never made.
    data_home = os.path.join(scratch.top, "no-data-home")
    for args in (["--agenda"], ["--agenda", "7"], ["--export-ics", "x.ics"]):
        result = scratch.run_to_end(args, extra_env={"XDG_DATA_HOME": data_home})
        check(result.returncode == 2 and "no such folder" in result.stderr,
              f"{args} without a folder gave {result.returncode}: {result.stderr}")
    check(not os.path.exists(data_home), "a command made the default folder")
    result = scratch.run_to_end(["--agenda", "1", "2", "3"])
    check(result.returncode == 2 and "Usage" in result.stderr, "three agenda arguments were taken")


# Locales and whether they ask for Japanese: LC_ALL before LC_MESSAGES before LANG.
LOCALES = [
    ({"LANG": "ja_JP.UTF-8"}, True),
    ({"LANG": "C.UTF-8", "LC_MESSAGES": "ja_JP.UTF-8"}, True),
    ({"LANG": "en_US.UTF-8", "LC_ALL": "ja_JP.UTF-8"}, True),
    ({"LANG": "ja_JP.UTF-8", "LC_ALL": "C.UTF-8"}, False),
    ({"LANG": "ja_JP.UTF-8", "LC_MESSAGES": "en_US.UTF-8"}, False),
    ({"LANG": "en_US.UTF-8"}, False),
    ({"LANG": "C"}, False),
]

# What the launcher and the program print, both ways: arguments, environment,
# exit status, stream, English text, Japanese text.
MESSAGES = [
    (["--help"], {}, 0, "stdout", "Usage: veskat", "使い方: veskat"),
    (["one", "two"], {}, 2, "stderr", "Usage: veskat", "使い方: veskat"),
    (["missing"], {}, 1, "stderr", "no such folder: missing", "フォルダーがありません: missing"),
    ([], {"HOME": ""}, 1, "stderr", "HOME is not set", "HOME が設定されていません"),
    (["--agenda", "3", "missing"], {}, 2, "stderr", "no such folder: missing",
     "フォルダーがありません: missing"),
    (["--agenda", "1", "2", "3"], {}, 2, "stderr", "one argument too many: 3", "余分な引数です: 3"),
    (["--export-ics"], {}, 2, "stderr", "Usage: veskat", "使い方: veskat"),
    # What was wrong, named above the usage.
    (["--bogus"], {}, 2, "stderr", "unknown option: --bogus", "知らないオプションです: --bogus"),
    (["one", "two"], {}, 2, "stderr", "one argument too many: two", "余分な引数です: two"),
    (["--agenda", "abc"], {}, 2, "stderr", "the number of days must be 1 or more: abc",
     "日数には 1 以上の数を指定してください: abc"),
    (["--agenda", "0"], {}, 2, "stderr", "must be 1 or more: 0", "1 以上の数を指定してください: 0"),
    (["--agenda", "99999999999"], {}, 2, "stderr", "must be 3660 or less: 99999999999",
     "3660 以下の数を指定してください: 99999999999"),
    (["--agenda", "./missing"], {}, 2, "stderr", "no such folder: ./missing",
     "フォルダーがありません: ./missing"),
    (["--export-ics"], {}, 2, "stderr", "not given: --export-ics",
     "ファイルを指定してください: --export-ics"),
    (["--import-ics"], {}, 2, "stderr", "not given: --import-ics",
     "ファイルを指定してください: --import-ics"),
]


def check_languages(scratch):
    """The usage and every error in the user's language, from the launcher and
    from the program alike."""
    for locale, japanese in LOCALES:
        for args, extra, status, stream, english, in_japanese in MESSAGES:
            result = scratch.run_to_end(args, extra_env={**locale, **extra})
            text = getattr(result, stream)
            wanted, unwanted = (in_japanese, english) if japanese else (english, in_japanese)
            check(result.returncode == status and wanted in text and unwanted not in text,
                  f"{args} under {locale} gave {result.returncode}: {text!r}, "
                  f"expected {wanted!r}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cpack", required=True)
    parser.add_argument("--config", required=True)
    options = parser.parse_args()
    for tool in ["dpkg-deb", "dpkg-shlibdeps", "file"]:
        if shutil.which(tool) is None:
            print(f"skipped: {tool} is missing (scripts/install-deps installs it)")
            return SKIPPED
    top = tempfile.mkdtemp(prefix="veskat-package-")
    try:
        deb = build_package(options.cpack, options.config, os.path.join(top, "package"))
        check_contents(deb)
        scratch = Scratch(top, deb)
        check_manual_pages(os.path.join(top, "root"))
        check_launcher(scratch)
        check_commands(scratch)
        check_languages(scratch)
    except Failure as failure:
        print(f"FAILED: {failure}")
        return 1
    finally:
        shutil.rmtree(top, ignore_errors=True)
    print("package built, unpacked and started through its launcher")
    return 0


if __name__ == "__main__":
    sys.exit(main())
