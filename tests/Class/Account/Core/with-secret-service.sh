#!/bin/sh
# Runs a command on a private session bus that has a Secret Service: a keyring daemon with an
# unlocked login keyring (password "corvane") in a throw-away home. Used by the keyring tests, in CI too.
set -eu
keyring_home=$(mktemp -d "${TMPDIR:-/tmp}/corvane-keyring.XXXXXX")
trap 'rm -rf "$keyring_home"' EXIT
status=0
HOME="$keyring_home" XDG_DATA_HOME="$keyring_home/data" XDG_RUNTIME_DIR="$keyring_home" \
  dbus-run-session -- sh -c 'printf corvane | gnome-keyring-daemon --unlock --components=secrets >/dev/null && CORVANE_SECRET_SERVICE=1 "$@"' \
  sh "$@" || status=$?
exit "$status"
