#!/bin/sh
# Runs a test program on a session bus of its own with gnome-keyring's
# Secret Service, unlocked, keeping its keyrings in a temporary home: the
# developer's own keyring is never touched. The bus and the keyring end with
# the program. Usage: keyring_session.sh PROGRAM [ARGS...]
set -eu
home=$(mktemp -d /tmp/veskat-keyring-XXXXXX)
trap 'rm -rf "$home"' EXIT
mkdir -m 700 "$home/run"
export HOME="$home" XDG_RUNTIME_DIR="$home/run" XDG_CONFIG_HOME="$home/.config" \
  XDG_DATA_HOME="$home/.local/share" VESKAT_TEST_KEYRING=gnome
unset DISPLAY WAYLAND_DISPLAY
# The login keyring is made on the first unlock with the password on stdin.
dbus-run-session -- sh -c '
  printf veskat-test | gnome-keyring-daemon --unlock --components=secrets >/dev/null
  exec "$@"' sh "$@"
