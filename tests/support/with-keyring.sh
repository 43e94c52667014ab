#!/bin/sh
# Runs a command with a Secret Service of its own: a private session bus and an unlocked
# gnome-keyring in a temporary HOME, so that no real keyring or settings file is touched. Both
# end with the command.
set -eu
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/config" XDG_DATA_HOME="$tmp/data" \
    XDG_CACHE_HOME="$tmp/cache" XDG_RUNTIME_DIR="$tmp/run"
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
# No X11 session to autolaunch a bus on, nor a desktop that would pick another keyring.
unset DISPLAY WAYLAND_DISPLAY XDG_CURRENT_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION \
    GNOME_KEYRING_CONTROL
# The suites refuse to run without it, so that a hand run never reaches a real keyring.
export HALVIK_KEYRING_SANDBOX=1
dbus-run-session -- sh -c '
    printf "%s" "halvik-test" | gnome-keyring-daemon --unlock --components=secrets >/dev/null
    exec "$@"' sh "$@"
